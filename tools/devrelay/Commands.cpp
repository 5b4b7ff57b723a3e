#include "Commands.h"

#include "State.h"

#include "Core/LocalServerUrl.h"
#include "Core/PairCode.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUuid>

#include <cstdio>

namespace devrelay {

namespace {

QString deviceName() {
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("This computer") : host;
}

bool isPairCode(const QString& code) {
    const QString upper = code.toUpper();
    return upper.size() == PairCode::length && PairCode::clean(upper) == upper;
}

QJsonObject check(const QString& id, const QString& status, const QString& title,
                  const QString& detail, const QString& fix = {}) {
    QJsonObject object{{QStringLiteral("id"), id},
                       {QStringLiteral("status"), status},
                       {QStringLiteral("title"), title},
                       {QStringLiteral("detail"), detail}};
    if (!fix.isEmpty())
        object.insert(QStringLiteral("fix"), fix);
    return object;
}

} // namespace

void printLine(const QJsonObject& object) {
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

int failure(const QString& code, const QString& message) {
    printLine({{QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), code},
                                                     {QStringLiteral("message"), message}}}});
    return 1;
}

bool canReceiveTexts(const QString& number) {
    static const QRegularExpression e164(QStringLiteral("^\\+[1-9][0-9]{7,14}$"));
    return e164.match(number).hasMatch();
}

int status(const StateStore& store) {
    StateData data = store.load();
    data.rollOver(QDate::currentDate());

    QJsonObject object{{QStringLiteral("paired"), data.pairing.has_value()}};
    if (data.pairing) {
        object.insert(QStringLiteral("server"), data.pairing->server);
        object.insert(QStringLiteral("device"),
                      QJsonObject{{QStringLiteral("id"), data.pairing->deviceId},
                                  {QStringLiteral("name"), data.pairing->deviceName}});
    }
    if (data.lastSyncAt)
        object.insert(QStringLiteral("lastSyncAt"),
                      data.lastSyncAt->toUTC().toString(Qt::ISODateWithMs));
    object.insert(QStringLiteral("today"),
                  QJsonObject{{QStringLiteral("sent"), data.sent},
                              {QStringLiteral("failed"), data.failed},
                              {QStringLiteral("received"), data.received}});
    object.insert(QStringLiteral("sendingEnabled"), data.sendingEnabled);
    object.insert(QStringLiteral("updateRequired"), false);
    object.insert(QStringLiteral("running"), store.isRunning());
    printLine(object);
    return 0;
}

int doctor(const StateStore& store) {
    const StateData data = store.load();
    const auto ok = QStringLiteral("ok");
    const auto info = QStringLiteral("info");
    const auto warn = QStringLiteral("warn");
    const auto fail = QStringLiteral("fail");
    const auto pairFix = QStringLiteral("Pair with the six-character code from your dashboard: "
                                        "wrenbox relay pair CODE --server http://localhost:PORT");

    QJsonArray checks;
    if (data.pairing) {
        checks.append(check(QStringLiteral("pairing"), ok, QStringLiteral("Pairing"),
                            QStringLiteral("Paired as %1.").arg(data.pairing->deviceName)));
        if (isLocalServer(data.pairing->server)) {
            checks.append(check(QStringLiteral("server"), ok, QStringLiteral("Server"),
                                QStringLiteral("%1 is on this machine. The development relay "
                                               "does not contact it.")
                                    .arg(data.pairing->server)));
        } else {
            checks.append(check(QStringLiteral("server"), fail, QStringLiteral("Server"),
                                QStringLiteral("%1 is not on this machine; the development relay "
                                               "only works with a local server.")
                                    .arg(data.pairing->server),
                                pairFix));
        }
    } else {
        checks.append(check(QStringLiteral("pairing"), fail, QStringLiteral("Pairing"),
                            QStringLiteral("This computer isn't paired."), pairFix));
        checks.append(check(QStringLiteral("server"), info, QStringLiteral("Server"),
                            QStringLiteral("No server until this computer is paired.")));
    }
    // There is no Messages app here: nothing to grant, so nothing that should hold up setup.
    checks.append(check(QStringLiteral("chatdb"), info, QStringLiteral("Messages database"),
                        QStringLiteral("Not used: replies are simulated.")));
    checks.append(check(QStringLiteral("automation"), info, QStringLiteral("Messages automation"),
                        QStringLiteral("Not used: sending is simulated.")));
    checks.append(check(QStringLiteral("forwarding"), info,
                        QStringLiteral("Text Message Forwarding"),
                        QStringLiteral("Not used: no phone is involved in a dry run.")));
    checks.append(check(QStringLiteral("sending"), warn, QStringLiteral("Sending"),
                        QStringLiteral("Dry run: texts are only simulated, never sent.")));
    checks.append(
        check(QStringLiteral("version"), ok, QStringLiteral("Relay version"),
              QStringLiteral("Development relay %1.").arg(QStringLiteral(WRENBOX_VERSION))));

    qint64 problems = 0;
    for (const auto& value : std::as_const(checks)) {
        if (value.toObject().value(QStringLiteral("status")).toString() == fail)
            ++problems;
    }
    printLine({{QStringLiteral("checks"), checks}, {QStringLiteral("problems"), problems}});
    return 0;
}

int pair(const StateStore& store, const QString& code, const QString& server) {
    if (!isPairCode(code)) {
        return failure(QStringLiteral("invalid_code"),
                       QStringLiteral("That pairing code isn't valid. A code has six letters and "
                                      "digits (without 0, 1, I, L or O)."));
    }
    if (!isLocalServer(server)) {
        return failure(QStringLiteral("not_local"),
                       QStringLiteral("The development relay only pairs with a server on this "
                                      "machine, such as http://localhost:8080."));
    }
    const Pairing pairing{server, QUuid::createUuid().toString(QUuid::WithoutBraces), deviceName()};
    QString error;
    const bool stored = store.modify(
        [&](StateData& data) {
            data.pairing = pairing;
            data.lastSyncAt.reset(); // the new pairing has not synced yet
        },
        &error);
    if (!stored)
        return failure(QStringLiteral("state"), error);
    printLine(
        {{QStringLiteral("device"), QJsonObject{{QStringLiteral("id"), pairing.deviceId},
                                                {QStringLiteral("name"), pairing.deviceName}}}});
    return 0;
}

int unpair(const StateStore& store) {
    QString error;
    const bool stored = store.modify(
        [](StateData& data) {
            data.pairing.reset();
            data.lastSyncAt.reset();
        },
        &error);
    if (!stored)
        return failure(QStringLiteral("state"), error);
    printLine({});
    return 0;
}

int uninstall() {
    // Where `wrenbox relay install` would put the command-line relay's user service.
    const QString unit = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/systemd/user/app.wrenbox.relay.service");
    QFile file(unit);
    if (file.exists() && !file.remove()) {
        return failure(QStringLiteral("uninstall_failed"),
                       QStringLiteral("Could not remove %1: %2").arg(unit, file.errorString()));
    }
    return 0;
}

int queue(const StateStore& store, const QString& to, const QString& text) {
    QString error;
    const auto id = Outbox(store).add(to, text, &error);
    if (!id) {
        std::fprintf(stderr, "wrenbox: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(*id));
    std::fflush(stdout);
    return 0;
}

} // namespace devrelay
