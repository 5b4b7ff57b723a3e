#include "App/AppDelegate.h"
#include "App/CommandLine.h"
#include "App/StartupReport.h"
#include "App/WrenboxMacApp.h"
#include "Core/Platform/SystemPlatform.h"

#include <QApplication>
#include <QDir>
#include <QEvent>

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

    // The environment is read here, once. A development copy (WRENBOX_CONFIG_DIR set, even
    // empty) keeps its flags beside its relay state and runs beside any other copy.
    const bool development = qEnvironmentVariableIsSet("WRENBOX_CONFIG_DIR");
    const QString configDir = qEnvironmentVariable("WRENBOX_CONFIG_DIR");
    SystemPlatform::Options platformOptions;
    if (!configDir.isEmpty())
        platformOptions.settingsFile = QDir(configDir).filePath(QStringLiteral("wrenbox-app.ini"));
    // Outlives the app, which holds its services.
    const std::unique_ptr<SystemPlatform> system = makeSystemPlatform(platformOptions);
    const Platform services = system->services();
    StartupReport::watchWindows([process = services.process] { return process->msSinceStart(); });

    WrenboxMacApp::Options options;
    options.system = system.get();
    options.developmentRun = development;
    auto wrenbox = std::make_unique<WrenboxMacApp>(std::move(options));
    if (!wrenbox->launch(command.links)) {
        // Handed over to the running copy; or no copy took the arguments, which the user must hear.
        const QString failure = wrenbox->delegate().launchFailure();
        if (failure.isEmpty())
            return 0;
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    const int status = QApplication::exec();
    // The model goes first (its relay stopped and reaped); tasks it woke finish on the next turns.
    wrenbox.reset();
    for (int turn = 0; turn < 3; ++turn) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return status;
}
