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

    void pairing_data() {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        for (const QByteArrayList& row : table("Core/pairing.txt"))
            QTest::addRow("%s: %s", row[0].constData(), row[1].constData())
                << row[0] << row[2] << QString::fromUtf8(row[3]);
    }

    void pairing() {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        const auto link = MacPairLink::fromUrl(QUrl::fromEncoded(input));
        const QString got =
            kind == "code"   ? PairCode::clean(QString::fromUtf8(input))
            : kind == "link" ? (link ? link->code + u' ' + link->server.value_or(u"~"_qs) : u"-"_qs)
            : kind == "dashboard" ? AppModel::dashboardURL(QString::fromUtf8(input))
                                        .value_or(QUrl(u"-"_qs))
                                        .toString()
            : isLocalServer(QString::fromUtf8(input)) ? u"yes"_qs
                                                      : u"no"_qs;
        QCOMPARE(got, expected);
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
