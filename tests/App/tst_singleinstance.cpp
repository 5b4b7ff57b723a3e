// One copy per user: real copies of a small program that claims the single copy as the app does.

#include "App/SingleInstance.h"

#include "RelayRig.h"

#include <QEventLoop>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTimer>

#include <csignal>
#include <unistd.h>

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
    void aHandlerMayRunAnEventLoopOfItsOwn();
    void defaultPathIsPrivateToTheUser();

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
    QCOMPARE(first.process.state(), QProcess::Running);
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
    QCOMPARE(received.count(), 0);
    // And still serves the next copy.
    Copy second;
    QCOMPARE(second.start(socket(), {u"after"_qs}), QByteArray("second"));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toStringList(), QStringList{u"after"_qs});
}

void TestSingleInstance::aHandlerMayRunAnEventLoopOfItsOwn() {
    // An alert for a handed-over link waits in an event loop of its own, in which the copy that
    // handed it over hangs up and its connection goes. That must not happen under the signal
    // still delivering the link: unwinding into it crashed the app when it was asked to quit.
    SingleInstance first(socket());
    QCOMPARE(first.claim({}), SingleInstance::Role::First);
    QStringList received;
    connect(&first, &SingleInstance::argumentsReceived, this, [&](const QStringList& arguments) {
        received = arguments;
        QEventLoop alert;
        if (auto* connection = first.findChild<QLocalSocket*>()) {
            connect(connection, &QObject::destroyed, &alert, &QEventLoop::quit);
            QTimer::singleShot(10'000, &alert, &QEventLoop::quit);
            alert.exec();
        }
    });
    Copy second;
    QCOMPARE(second.start(socket(), {u"link"_qs}), QByteArray("second"));
    QTRY_COMPARE(received, QStringList{u"link"_qs});
    QTRY_VERIFY(!first.findChild<QLocalSocket*>());
}

void TestSingleInstance::defaultPathIsPrivateToTheUser() {
    const ScopedEnv runtime("XDG_RUNTIME_DIR", m_dir->path().toUtf8());
    const QString path = SingleInstance::defaultSocketPath();
    QVERIFY2(path.startsWith(m_dir->path() + u'/'), qPrintable(path));
    QVERIFY(path.contains(QString::number(::getuid())));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
