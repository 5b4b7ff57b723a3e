#include "App/StartupReport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {
bool wanted() {
    return qEnvironmentVariable("WRENBOX_REPORT_STARTUP") == QLatin1String("1");
}

std::optional<std::chrono::steady_clock::time_point> mainEntered;
bool reported = false;

std::function<std::optional<double>()> msSinceExec;

// Microseconds since the epoch when a launcher started us (bash: ${EPOCHREALTIME/./}), so the
// figure is exact where the system only counts the process start in clock ticks.
std::optional<double> msSinceLaunch() {
    bool ok = false;
    const qint64 launched = qEnvironmentVariable("WRENBOX_LAUNCHED_AT_US").toLongLong(&ok);
    if (!ok || launched <= 0)
        return std::nullopt;
    const auto now = std::chrono::duration<double, std::milli>(
        std::chrono::system_clock::now().time_since_epoch());
    return now.count() - double(launched) / 1000.0;
}

// Prints the report the first time something becomes visible.
void report(const char* what) {
    if (reported || !wanted())
        return;
    reported = true;
    const double sinceMain = mainEntered ? std::chrono::duration<double, std::milli>(
                                               std::chrono::steady_clock::now() - *mainEntered)
                                               .count()
                                         : -1.0;
    const std::optional<double> sinceExec = msSinceExec ? msSinceExec() : std::nullopt;
    // CPU time says what the app itself spent, however busy the machine is.
    const double cpuMs = double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
    char launch[64] = "";
    if (const std::optional<double> sinceLaunch = msSinceLaunch())
        std::snprintf(launch, sizeof launch, "%.1f ms since launch, ", *sinceLaunch);
    std::fprintf(stderr,
                 "wrenbox-app: %s after %s%.0f ms since process start (%.1f ms since main; "
                 "%.1f ms of CPU)\n",
                 what, launch, sinceExec.value_or(-1.0), sinceMain, cpuMs);
    std::fflush(stderr);
}

// The first window the display server shows. The tray icon is one too where the tray embeds
// it; a tray drawn by the desktop shell over D-Bus has no window of ours to watch.
class ExposeWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                const bool tray = window->objectName() == QLatin1String("QSystemTrayIconSysWindow");
                report(tray ? "tray icon" : "first window");
                deleteLater();
            }
        }
        return false;
    }
};
} // namespace

void StartupReport::markMainEntered() {
    mainEntered = std::chrono::steady_clock::now();
}

void StartupReport::watchWindows(std::function<std::optional<double>()> sinceProcessStart) {
    if (!wanted() || reported || !QCoreApplication::instance())
        return;
    msSinceExec = std::move(sinceProcessStart);
    QCoreApplication::instance()->installEventFilter(
        new ExposeWatcher(QCoreApplication::instance()));
}
