#pragma once

#include <QCoreApplication>
#include <QStringList>

#include <optional>

// The program's command line: --help, --version and at most one pairing link. It is read before
// the application object exists, so asking for help or mistyping starts nothing.
class CommandLine final {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
public:
    // Reads argv (argv[0] names the program). Help, the version and mistakes are answered here:
    // the answer is printed and `exitCode` set.
    static CommandLine read(int argc, char* argv[]);

    std::optional<int> exitCode;
    // The pairing link to open, when one was given.
    QStringList links;
};
