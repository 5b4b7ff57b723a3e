#include "App/AppDelegate.h"
#include "App/CommandLine.h"
#include "App/StartupReport.h"
#include "App/WrenboxMacApp.h"
#include "Core/Platform/SystemPlatform.h"

#include <QApplication>
#include <QEvent>
#include <QProcessEnvironment>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    StartupReport::markMainEntered();
    const CommandLine command = CommandLine::read(argc, argv);
    if (command.exitCode)
        return *command.exitCode;
    // Every argument was read above; Qt sees the program name only.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setOrganizationName(QStringLiteral("Wrenbox"));
    QApplication::setOrganizationDomain(QStringLiteral("wrenbox.app"));
    QApplication::setApplicationName(QStringLiteral("Wrenbox"));
    QApplication::setApplicationVersion(QStringLiteral(WRENBOX_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("app.wrenbox.Wrenbox"));
    // A tray app lives on with every window closed.
    QApplication::setQuitOnLastWindowClosed(false);

    // The environment is read here, once.
    const RunOptions run = RunOptions::fromEnvironment(QProcessEnvironment::systemEnvironment());
    SystemPlatform::Options platformOptions;
    platformOptions.settingsFile = run.settingsFile;
    // Outlives the app, which holds its services.
    const std::unique_ptr<SystemPlatform> system = makeSystemPlatform(platformOptions);
    WrenboxMacApp::Options options;
    options.platform = system->services();
    options.platform.run = run;
    options.system = system.get();
    StartupReport::watchWindows(
        [process = options.platform.process] { return process->msSinceStart(); });

    auto wrenbox = std::make_unique<WrenboxMacApp>(std::move(options));
    if (!wrenbox->launch(command.arguments)) {
        // Handed over to the running copy; or no copy took the arguments, which the user must hear.
        const QString failure = wrenbox->delegate().launchFailure();
        if (failure.isEmpty())
            return 0;
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    const int status = wrenbox->quitRequested() ? 0 : QApplication::exec();
    // The model goes first (its relay stopped and reaped); tasks it woke finish on the next turns.
    wrenbox.reset();
    for (int turn = 0; turn < 3; ++turn) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return status;
}
