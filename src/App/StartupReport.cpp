#include "App/StartupReport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <unistd.h>

namespace {
bool wanted() {
    return qEnvironmentVariable("WRENBOX_REPORT_STARTUP") == QLatin1String("1");
}

std::optional<std::chrono::steady_clock::time_point> mainEntered;
bool reported = false;

// Milliseconds since the kernel started this process (10 ms resolution), from /proc.
std::optional<double> msSinceExec() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which may itself hold spaces and parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    constexpr int startTimeField = 22 - 3; // field 22, counted from field 3
    if (fields.size() <= startTimeField)
        return std::nullopt;
    const double startSeconds =
        fields.at(startTimeField).toDouble() / double(::sysconf(_SC_CLK_TCK));
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startSeconds) * 1000.0;
}

// Microseconds since the epoch when a launcher started us (bash: ${EPOCHREALTIME/./}), so the
// figure is exact where /proc only counts in clock ticks.
std::optional<double> msSinceLaunch() {
    bool ok = false;
    const qint64 launched = qEnvironmentVariable("WRENBOX_LAUNCHED_AT_US").toLongLong(&ok);
    if (!ok || launched <= 0)
        return std::nullopt;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6 - double(launched) / 1000.0;
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
    const std::optional<double> sinceExec = msSinceExec();
    // CPU time says what the app itself spent, however busy the machine is.
    timespec cpu{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const double cpuMs = double(cpu.tv_sec) * 1000.0 + double(cpu.tv_nsec) / 1e6;
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

void StartupReport::watchWindows() {
    if (!wanted() || reported || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(
        new ExposeWatcher(QCoreApplication::instance()));
}
