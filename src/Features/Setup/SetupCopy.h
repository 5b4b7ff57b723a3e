#pragma once

#include "Core/MessagesPermission.h"
#include "Core/Relay/RelayRecords.h"

#include <QCoreApplication>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// The sentences of the Setup window, as pure functions of what the relay and the model report.
class SetupCopy {
    Q_DECLARE_TR_FUNCTIONS(SetupCopy)
public:
    SetupCopy() = delete;

    // The Full Disk Access row; `check` is the report's "chatdb".
    static QString fullDiskAccess(const std::optional<DoctorCheck>& check);
    static QString automation(MessagesPermission permission);
    // The Text Message Forwarding row; `check` is the report's "forwarding".
    static QString forwarding(const std::optional<DoctorCheck>& check, bool fullDiskAccessOff);
    // The server row; `check` is the report's "server", `server` the server URL as text.
    static QString server(const std::optional<DoctorCheck>& check, const QString& server);
    // The host a server text names, or the text itself when it is no URL with a host.
    static QString host(const QString& server);
    // The title under which a further check is listed.
    static QString title(const DoctorCheck& check);

    // The closing summary: "Everything checks out.", "1 thing to fix", "3 things to fix".
    static QString summary(qint64 problems);
    // The relay's problem count without the failing checks of steps this system does not
    // need: the Full Disk Access one ("chatdb") and the Messages automation one.
    static qint64 problems(const DoctorReport& report, bool fullDiskAccessNotNeeded,
                           bool automationNotNeeded);
    // A row whose step this system has no facility for.
    static QString notNeeded();
    // The explanation every row under "Other checks" shows.
    static QString otherCheckText();

    // Checks with rows of their own, never listed under "Other checks".
    static const QSet<QString>& mainIDs();
    // The checks listed under "Other checks", in the relay's order.
    static QList<DoctorCheck> otherChecks(const DoctorReport& report);

    // The Messages row shows the model's own permission, not the relay's check.
    static DoctorCheck::Status automationStatus(MessagesPermission permission);
};
