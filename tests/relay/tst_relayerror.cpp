#include "Core/Relay/RelayError.h"
#include "Core/Tasks.h"

#include <QTest>

#include <qcoro/qcorotask.h>

class TestRelayError : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void detachedFailureLogsTheMessage_data();
    void detachedFailureLogsTheMessage();
};

namespace {
QCoro::Task<> failing(RelayError error) {
    throw error;
    co_return;
}
} // namespace

void TestRelayError::detachedFailureLogsTheMessage_data() {
    QTest::addColumn<bool>("launch");
    QTest::addColumn<QString>("text");
    QTest::newRow("relay failure") << false << QStringLiteral("Pairing code expired · ask again");
    QTest::newRow("launch failure") << true << QStringLiteral("execvp: Permission denied");
}

// Launch and relay failures are caught as one type, and a task nobody awaits logs the text.
void TestRelayError::detachedFailureLogsTheMessage() {
    QFETCH(bool, launch);
    QFETCH(QString, text);
    const RelayError error = launch ? RelayError(RelayLaunchError(text))
                                    : RelayError::failed(QStringLiteral("expired"), text);
    QCOMPARE(error.description(), text);
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("Wrenbox: pairing failed: ") + text));
    detach(failing(error), "pairing");
}

QTEST_GUILESS_MAIN(TestRelayError)
#include "tst_relayerror.moc"
