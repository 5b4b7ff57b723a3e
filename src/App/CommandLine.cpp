#include "App/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace {
void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}
} // namespace

CommandLine CommandLine::read(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString program = arguments.isEmpty() ? QStringLiteral("wrenbox-app")
                                                : QFileInfo(arguments.constFirst()).fileName();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Wrenbox keeps your text relay running and shows what it does in the system tray."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  tr("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     tr("Show the version and exit."));
    const QCommandLineOption open(QStringLiteral("open"), tr("Show the status panel."));
    const QCommandLineOption settings(QStringLiteral("settings"), tr("Show the Settings window."));
    const QCommandLineOption quit(QStringLiteral("quit"),
                                  tr("Quit the running Wrenbox; start nothing if none runs."));
    for (const QCommandLineOption& option : {help, version, open, settings, quit})
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("link"),
                                 tr("A pairing link to open, such as "
                                    "wrenbox-mac://pair?code=ABC234&server=https://wrenbox.app"),
                                 QStringLiteral("[link]"));
    // Without an application object the parser cannot name the program in its usage line.
    QString usage = parser.helpText();
    usage.replace(0, usage.indexOf(QLatin1Char('\n')),
                  tr("Usage: %1 [options] [link]").arg(program));

    CommandLine result;
    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (parser.positionalArguments().size() > 1)
        error = tr("Expected at most one pairing link, got %1.")
                    .arg(parser.positionalArguments().size());

    if (!error.isEmpty()) {
        print(stderr, QStringLiteral("%1: %2\n%3").arg(program, error, usage));
        result.exitCode = 2;
    } else if (parser.isSet(help)) {
        print(stdout, usage);
        result.exitCode = 0;
    } else if (parser.isSet(version)) {
        print(stdout, QStringLiteral("Wrenbox %1\n").arg(QStringLiteral(WRENBOX_VERSION)));
        result.exitCode = 0;
    } else {
        for (const QCommandLineOption& action : {quit, settings, open}) {
            if (parser.isSet(action)) {
                result.arguments.append(QStringLiteral("--") + action.names().constFirst());
                break;
            }
        }
        result.arguments += parser.positionalArguments();
    }
    return result;
}
