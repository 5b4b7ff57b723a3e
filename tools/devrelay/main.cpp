// The development relay: honours the relay's command lines and outputs, and only ever
// simulates sending.

#include "Commands.h"
#include "State.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <cstdio>

namespace {

constexpr auto usage = R"(Usage:
  wrenbox relay status [--json]
  wrenbox relay doctor [--json]
  wrenbox relay pair CODE --server URL [--json]
  wrenbox relay unpair [--json]
  wrenbox relay uninstall
  wrenbox relay run --events json --dry-run
  wrenbox queue --to NUMBER --text TEXT

A development relay: it keeps its state in $WRENBOX_CONFIG_DIR (or ~/.config/wrenbox) and
never sends a real text. `queue` adds a text to its outbox for `relay run` to pick up.
)";

struct Arguments {
    QStringList positional;
    QHash<QString, QString> values;
    QSet<QString> flags;
};

// A malformed command line: what was wrong, for the usage message.
struct UsageError {
    QString problem;
};

// Reads "--flag", "--option VALUE" and "--option=VALUE" in any order, plus exactly
// `positionalCount` plain arguments.
Arguments parse(const QStringList& args, const QSet<QString>& flags, const QSet<QString>& options,
                qsizetype positionalCount) {
    Arguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--")) || arg.size() == 2) {
            parsed.positional.append(arg);
            continue;
        }
        const qsizetype equals = arg.indexOf(u'=');
        const QString name = equals < 0 ? arg : arg.left(equals);
        if (flags.contains(name) && equals < 0) {
            parsed.flags.insert(name);
        } else if (options.contains(name)) {
            if (equals >= 0)
                parsed.values.insert(name, arg.mid(equals + 1));
            else if (i + 1 < args.size())
                parsed.values.insert(name, args[++i]);
            else
                throw UsageError{QStringLiteral("%1 needs a value").arg(name)};
        } else {
            throw UsageError{QStringLiteral("unknown option %1").arg(arg)};
        }
    }
    if (parsed.positional.size() != positionalCount) {
        throw UsageError{parsed.positional.size() > positionalCount
                             ? QStringLiteral("unexpected argument %1")
                                   .arg(parsed.positional.value(positionalCount))
                             : QStringLiteral("missing argument")};
    }
    for (const QString& option : options) {
        if (!parsed.values.contains(option))
            throw UsageError{QStringLiteral("%1 is required").arg(option)};
    }
    return parsed;
}

int dispatch(const QStringList& args) {
    const auto json = QStringLiteral("--json");
    const devrelay::StateStore store(devrelay::StateStore::defaultDir());

    if (args.value(0) == u"queue") {
        const Arguments a =
            parse(args.mid(1), {}, {QStringLiteral("--to"), QStringLiteral("--text")}, 0);
        return devrelay::queue(store, a.values[QStringLiteral("--to")],
                               a.values[QStringLiteral("--text")]);
    }
    if (args.value(0) != u"relay")
        throw UsageError{args.isEmpty() ? QStringLiteral("missing command")
                                        : QStringLiteral("unknown command %1").arg(args[0])};

    const QString command = args.value(1);
    const QStringList rest = args.mid(2);
    if (command == u"status") {
        parse(rest, {json}, {}, 0);
        return devrelay::status(store);
    }
    if (command == u"doctor") {
        parse(rest, {json}, {}, 0);
        return devrelay::doctor(store);
    }
    if (command == u"pair") {
        const Arguments a = parse(rest, {json}, {QStringLiteral("--server")}, 1);
        return devrelay::pair(store, a.positional[0], a.values[QStringLiteral("--server")]);
    }
    if (command == u"unpair") {
        parse(rest, {json}, {}, 0);
        return devrelay::unpair(store);
    }
    if (command == u"uninstall") {
        parse(rest, {}, {}, 0);
        return devrelay::uninstall();
    }
    if (command == u"run") {
        const auto dryRun = QStringLiteral("--dry-run");
        const auto events = QStringLiteral("--events");
        const Arguments a = parse(rest, {dryRun}, {events}, 0);
        if (a.values[events] != u"json")
            throw UsageError{QStringLiteral("--events only supports json")};
        return devrelay::run(store, a.flags.contains(dryRun));
    }
    throw UsageError{command.isEmpty() ? QStringLiteral("missing relay command")
                                       : QStringLiteral("unknown relay command %1").arg(command)};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 1 && (args[0] == u"--help" || args[0] == u"-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    try {
        return dispatch(args);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "wrenbox: %s\n\n%s", qPrintable(error.problem), usage);
        return 2;
    }
}
