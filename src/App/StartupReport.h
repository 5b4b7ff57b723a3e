#pragma once

#include <functional>
#include <optional>

// With WRENBOX_REPORT_STARTUP=1, prints once to standard error how long the app took from
// process start (and from WRENBOX_LAUNCHED_AT_US, when a launcher sets it) to its first window
// or embedded tray icon on screen. Costs nothing otherwise.
namespace StartupReport {
// Call first thing in main(), then again once the QApplication exists; `sinceProcessStart`
// tells how long ago the system started the process, where it can.
void markMainEntered();
void watchWindows(std::function<std::optional<double>()> sinceProcessStart);
} // namespace StartupReport
