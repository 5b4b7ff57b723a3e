#include "Features/Setup/SetupCopy.h"

#include <QHash>
#include <QUrl>

using Status = DoctorCheck::Status;

QString SetupCopy::fullDiskAccess(const std::optional<DoctorCheck>& check) {
    if (check && check->status == Status::Ok)
        return tr("Wrenbox can read replies and send errors.");
    return tr("Lets Wrenbox read replies and send errors from Messages. It reads nothing else.");
}

QString SetupCopy::automation(MessagesPermission permission) {
    switch (permission) {
    case MessagesPermission::Granted:
        return tr("Wrenbox can send through Messages.");
    case MessagesPermission::Denied:
        return tr("Turn on Messages under Wrenbox.");
    case MessagesPermission::NotAsked:
    case MessagesPermission::Unknown:
        break;
    }
    return tr("macOS asks once, when you click the button.");
}

QString SetupCopy::forwarding(const std::optional<DoctorCheck>& check, bool fullDiskAccessOff) {
    // Without Full Disk Access the relay cannot see incoming texts, so its verdict means nothing.
    if (fullDiskAccessOff)
        return tr("Wrenbox can check this once it has Full Disk Access.");
    if (check && (check->status == Status::Warn || check->status == Status::Fail))
        return tr("No SMS has reached this Mac lately. Turn on forwarding on your iPhone.");
    if (check && check->status == Status::Ok)
        return tr("Texts from your iPhone reach this Mac.");
    return tr("Wrenbox can't tell yet. It knows once a text arrives.");
}

QString SetupCopy::host(const QString& server) {
    const QUrl url(server, QUrl::StrictMode);
    if (url.isValid() && !url.host().isEmpty())
        return url.host(QUrl::FullyEncoded);
    return server;
}

QString SetupCopy::server(const std::optional<DoctorCheck>& check, const QString& server) {
    QString name = host(server);
    if (!check)
        return name;
    switch (check->status) {
    case Status::Warn:
        return tr("%1 answered slowly or with a warning. See Details.").arg(name);
    case Status::Fail:
        return tr("Can't reach %1. Check this Mac's connection.").arg(name);
    case Status::Ok:
    case Status::Info:
        break;
    }
    return name;
}

QString SetupCopy::title(const DoctorCheck& check) {
    // Compared exactly: an id the app does not know keeps the relay's own title.
    if (check.id == QLatin1String("macos"))
        return tr("macOS");
    if (check.id == QLatin1String("messages"))
        return tr("Messages app");
    if (check.id == QLatin1String("sqlite3"))
        return tr("Database tool");
    if (check.id == QLatin1String("applescript"))
        return tr("Messages script");
    if (check.id == QLatin1String("version"))
        return tr("Wrenbox version");
    if (check.id == QLatin1String("sending"))
        return tr("Sending");
    if (check.id == QLatin1String("relay"))
        return tr("Relay");
    if (check.id == QLatin1String("launchagent"))
        return tr("Command-line relay");
    return check.title;
}

QString SetupCopy::summary(qint64 problems) {
    if (problems == 0)
        return tr("Everything checks out.");
    if (problems == 1)
        return tr("1 thing to fix");
    return tr("%1 things to fix").arg(problems);
}

qint64 SetupCopy::problems(const DoctorReport& report, bool fullDiskAccessNotNeeded,
                           bool automationNotNeeded) {
    qint64 count = report.problems;
    const auto drop = [&](bool notNeeded, const QString& id) {
        const auto check = report.check(id);
        if (notNeeded && check && check->status == DoctorCheck::Status::Fail)
            --count;
    };
    drop(fullDiskAccessNotNeeded, QStringLiteral("chatdb"));
    drop(automationNotNeeded, QStringLiteral("automation"));
    return qMax<qint64>(0, count);
}

QString SetupCopy::notNeeded() {
    return tr("Not needed on this system.");
}

QString SetupCopy::otherCheckText() {
    return tr("Needs a look. The details below say what to do.");
}

const QSet<QString>& SetupCopy::mainIDs() {
    static const QSet<QString> ids{QStringLiteral("chatdb"), QStringLiteral("automation"),
                                   QStringLiteral("forwarding"), QStringLiteral("pairing"),
                                   QStringLiteral("server")};
    return ids;
}

QList<DoctorCheck> SetupCopy::otherChecks(const DoctorReport& report) {
    QList<DoctorCheck> kept;
    for (const DoctorCheck& check : report.checks) {
        const bool needsLook = check.status == Status::Warn || check.status == Status::Fail;
        if (needsLook && !mainIDs().contains(check.id))
            kept << check;
    }
    return kept;
}

DoctorCheck::Status SetupCopy::automationStatus(MessagesPermission permission) {
    switch (permission) {
    case MessagesPermission::Granted:
        return Status::Ok;
    case MessagesPermission::Denied:
        return Status::Fail;
    case MessagesPermission::NotAsked:
    case MessagesPermission::Unknown:
        break;
    }
    return Status::Info;
}
