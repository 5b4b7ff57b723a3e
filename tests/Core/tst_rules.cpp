// The model's pure rules: which one phase shows when several conditions hold, pairing links and
// codes, the local-server rule and the dashboard's address.

#include "Core/LocalServerUrl.h"
#include "Core/MacPairLink.h"
#include "Core/PairCode.h"
#include "Core/RelayPhase.h"

#include "RelayRig.h"

class TestRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void derive_data() { addRows("Core/phases.txt"); }

    void derive() {
        QFETCH(QByteArrayList, row);
        const QStringList inputs = QString::fromUtf8(row[1]).split(u' ');
        RelayPhase::Inputs in;
        in.loaded = inputs.contains(u"loaded");
        in.paired = inputs.contains(u"paired");
        in.updateRequired = inputs.contains(u"update");
        in.chatdbFails = inputs.contains(u"chatdb");
        in.permissionDenied = inputs.contains(u"denied");
        in.automationCheckFails = inputs.contains(u"automationFails");
        in.userPaused = inputs.contains(u"userPaused");
        in.sendingEnabled = !inputs.contains(u"serverPaused");
        in.relayRunning = inputs.contains(u"running");
        for (const QString& input : inputs) {
            if (input.startsWith(u"error="))
                in.relayError = input.mid(6);
            if (input.startsWith(u"batch="))
                in.batch = RelayBatch{input.mid(6).section(u'/', 0, 0).toLongLong(),
                                      input.mid(6).section(u'/', 1).toLongLong()};
        }
        if (inputs.contains(u"synced"))
            in.lastSyncAt = QDateTime(QDate(2024, 5, 1), QTime(9, 59), Qt::UTC);
        QCOMPARE(RelayPhase::derive(in).debugText(), QString::fromUtf8(row[2]));
    }

    void pairing_data() { addRows("Core/pairing.txt", 2); }

    void pairing() {
        QFETCH(QByteArrayList, row);
        const QByteArray& kind = row[0];
        if (!knownKind(kind, {"code", "link", "dashboard", "local"}))
            return;
        const QString input = QString::fromUtf8(row[2]);
        const auto link = MacPairLink::fromUrl(QUrl::fromEncoded(row[2]));
        const QString got =
            kind == "code"   ? PairCode::clean(input)
            : kind == "link" ? (link ? link->code + u' ' + link->server.value_or(u"~"_qs) : u"-"_qs)
            : kind == "dashboard" ? AppModel::dashboardURL(input).value_or(QUrl(u"-"_qs)).toString()
            : isLocalServer(input) ? u"yes"_qs
                                   : u"no"_qs;
        QCOMPARE(got, QString::fromUtf8(row[3]));
    }

    void longLinks() {
        const QString base = u"wrenbox-mac://pair?code=ABC234&server="_qs;
        const QString atCap = base + QString(MacPairLink::maxEncodedLength - base.size(), u'a');
        QVERIFY(MacPairLink::fromUrl(QUrl(atCap)));
        QVERIFY(!MacPairLink::fromUrl(QUrl(atCap + u'a')));
        QVERIFY(!MacPairLink::fromUrl(
            QUrl(u"wrenbox-mac://pair?code=ABC234"_qs + u"&code=x"_qs.repeated(150'000))));
        QVERIFY(!MacPairLink::fromUrl(QUrl(u"wrenbox-mac://pair?"_qs + u"%C0"_qs.repeated(2000))));
        QVERIFY(!isLocalServer(std::nullopt));
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
