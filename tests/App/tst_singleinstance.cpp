// One copy per user: real copies of a small program that claims the single copy as the app does.

#include "App/SingleInstance.h"

#include "RelayRig.h"

#include <QLocalSocket>
#include <QSignalSpy>

#include <csignal>

namespace {
struct Copy {
    // Starts a copy and returns its first line: "first", "second" or "alone".
    QByteArray start(const QString& socket, const QStringList& arguments = {}) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(WRENBOX_SINGLECOPY_HELPER), QStringList{socket} + arguments);
        return readLine();
    }
    QByteArray readLine() {
        (void)QTest::qWaitFor(
            [this] { return process.canReadLine() || process.state() == QProcess::NotRunning; },
            20'000);
        return process.readLine().trimmed();
    }
    ~Copy() {
        process.kill();
        process.waitForFinished(5000);
    }
    QProcess process;
};
} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void secondCopyHandsOverItsArgumentsAndQuits();
    void staleSocketAfterAKilledCopy();
    void oversizedMessageIsDropped();

private:
    QString socket() const { return m_dir->filePath(u"test.socket"_qs); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSingleInstance::secondCopyHandsOverItsArgumentsAndQuits() {
    Copy first;
    QCOMPARE(first.start(socket()), QByteArray("first"));
    const QString link = u"wrenbox-mac://pair?code=ABC234&server=http://localhost"_qs;
    for (const QStringList& arguments : {QStringList{link, u"ünïcode arg"_qs}, QStringList{}}) {
        Copy second;
        QCOMPARE(second.start(socket(), arguments), QByteArray("second"));
        QTRY_COMPARE(second.process.state(), QProcess::NotRunning);
        QCOMPARE(second.process.exitCode(), 0);
        QCOMPARE(first.readLine(), "received:" + arguments.join(u'|').toUtf8());
    }
}

void TestSingleInstance::staleSocketAfterAKilledCopy() {
    {
        Copy killed;
        QCOMPARE(killed.start(socket()), QByteArray("first"));
        ::kill(pid_t(killed.process.processId()), SIGKILL);
        QVERIFY(killed.process.waitForFinished(10'000));
    }
    QVERIFY(QFile::exists(socket())); // left behind
    Copy next;
    QCOMPARE(next.start(socket()), QByteArray("first"));
    Copy second;
    QCOMPARE(second.start(socket(), {u"x"_qs}), QByteArray("second"));
    QCOMPARE(next.readLine(), QByteArray("received:x"));
    // A copy that quits normally removes its socket.
    auto inProcess = std::make_unique<SingleInstance>(m_dir->filePath(u"other.socket"_qs));
    QCOMPARE(inProcess->claim({}), SingleInstance::Role::First);
    inProcess.reset();
    QVERIFY(!QFile::exists(m_dir->filePath(u"other.socket"_qs)));
}

void TestSingleInstance::oversizedMessageIsDropped() {
    SingleInstance first(socket());
    QCOMPARE(first.claim({}), SingleInstance::Role::First);
    QSignalSpy received(&first, &SingleInstance::argumentsReceived);
    QLocalSocket client;
    client.connectToServer(socket());
    QVERIFY(client.waitForConnected(2000));
    // Declares 4 GiB, sends a little: the first copy hangs up without allocating it.
    client.write(QByteArray("\xff\xff\xff\xff", 4) + QByteArray(1000, 'a'));
    QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
    // And still serves the next copy, which is all it received.
    Copy second;
    QCOMPARE(second.start(socket(), {u"after"_qs}), QByteArray("second"));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toStringList(), QStringList{u"after"_qs});
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
