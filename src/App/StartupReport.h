#pragma once

// With WRENBOX_REPORT_STARTUP=1, prints once to standard error how long the app took from
// process start to its first visible window or tray icon. Costs nothing otherwise.
namespace StartupReport {
// Call first thing in main(), then again once the QApplication exists.
void markMainEntered();
void watchWindows();
// Something became visible (a window was exposed, the tray icon was shown).
void reached(const char* what);
} // namespace StartupReport
