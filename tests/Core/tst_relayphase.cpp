// The phase rules: which one condition the app shows when several hold at once.

#include "Core/RelayPhase.h"

#include "RelayRig.h"

class TestRelayPhase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void derive_data();
    void derive();
};

void TestRelayPhase::derive_data() {
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("expected");
    for (const QByteArrayList& row : table("Core/phases.txt"))
        QTest::newRow(row[0].constData())
            << QString::fromUtf8(row[1]).split(u' ') << QString::fromUtf8(row[2]);
}

void TestRelayPhase::derive() {
    QFETCH(QStringList, inputs);
    QFETCH(QString, expected);
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
    QCOMPARE(RelayPhase::derive(in).debugText(), expected);
}

QTEST_GUILESS_MAIN(TestRelayPhase)
#include "tst_relayphase.moc"
