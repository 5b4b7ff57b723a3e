#pragma once

#include <QCoreApplication>
#include <QStringList>

#include <optional>

// The program's command line: --help, --version, what to show (--open, --settings) or --quit,
// and at most one pairing link. It is read before the application object exists, so asking
// for help or mistyping starts nothing.
class CommandLine final {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
public:
    // Reads argv (argv[0] names the program). Help, the version and mistakes are answered here:
    // the answer is printed and `exitCode` set.
    static CommandLine read(int argc, char* argv[]);

    // What a running copy is asked to do, as handed to it: the desktop entry's actions.
    static constexpr const char* openOption = "--open";
    static constexpr const char* settingsOption = "--settings";
    static constexpr const char* quitOption = "--quit";

    std::optional<int> exitCode;
    // For the app to act on (or hand to the running copy): the action asked for, if any, and
    // the pairing link, when one was given.
    QStringList arguments;
};
