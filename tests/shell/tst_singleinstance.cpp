#include "App/SingleInstance.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {
const QString helper = QStringLiteral(WRENBOX_SINGLECOPY_HELPER);

struct Copy {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    // Starts a copy and returns its first line.
    QByteArray start(const QString& socket, const QStringList& arguments = {}) {
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(helper, QStringList{socket} + arguments);
        if (!process->waitForStarted(5000))
            return "not started";
        return readLine();
    }
    QByteArray readLine() {
        QElapsedTimer timer;
        timer.start();
        while (!process->canReadLine() && timer.elapsed() < 10'000)
            process->waitForReadyRead(100);
        return process->readLine().trimmed();
    }
    ~Copy() {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
};
} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void secondCopyHandsOverArgumentsAndQuits();
    void secondCopyWithoutArgumentsStillReachesFirst();
    void staleSocketAfterKilledCopy();
    void defaultPathIsPrivateToUser();
    void oversizedMessageIsDropped();
    void inProcessHandOver();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString socket() const { return m_dir->filePath(QStringLiteral("test.socket")); }
};

void TestSingleInstance::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSingleInstance::secondCopyHandsOverArgumentsAndQuits() {
    Copy first;
    QCOMPARE(first.start(socket()), QByteArray("first"));

    const QString link = QStringLiteral("wrenbox-mac://pair?code=ABC234&server=http://localhost");
    Copy second;
    QCOMPARE(second.start(socket(), {link, QStringLiteral("ünïcode arg")}), QByteArray("second"));
    QVERIFY(second.process->waitForFinished(10'000));
    QCOMPARE(second.process->exitCode(), 0);

    QCOMPARE(first.readLine(), ("received:" + link + "|ünïcode arg").toUtf8());
    QCOMPARE(first.process->state(), QProcess::Running);
}

void TestSingleInstance::secondCopyWithoutArgumentsStillReachesFirst() {
    Copy first;
    QCOMPARE(first.start(socket()), QByteArray("first"));
    for (int i = 0; i < 3; ++i) {
        Copy again;
        QCOMPARE(again.start(socket()), QByteArray("second"));
        QVERIFY(again.process->waitForFinished(10'000));
        QCOMPARE(first.readLine(), QByteArray("received:"));
    }
}

void TestSingleInstance::staleSocketAfterKilledCopy() {
    {
        Copy first;
        QCOMPARE(first.start(socket()), QByteArray("first"));
        ::kill(pid_t(first.process->processId()), SIGKILL);
        QVERIFY(first.process->waitForFinished(10'000));
    }
    QVERIFY(QFile::exists(socket())); // the killed copy left its socket behind

    Copy next;
    QCOMPARE(next.start(socket()), QByteArray("first"));
    Copy second;
    QCOMPARE(second.start(socket(), {QStringLiteral("x")}), QByteArray("second"));
    QCOMPARE(next.readLine(), QByteArray("received:x"));
}

void TestSingleInstance::defaultPathIsPrivateToUser() {
    qputenv("XDG_RUNTIME_DIR", m_dir->path().toUtf8());
    const QString path = SingleInstance::defaultSocketPath(QString::number(::getuid()));
    qunsetenv("XDG_RUNTIME_DIR");
    QVERIFY2(path.startsWith(m_dir->path() + QLatin1Char('/')), qPrintable(path));
    QVERIFY(path.contains(QString::number(::getuid())));
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
    QProcess second;
    second.start(helper, {socket(), QStringLiteral("after")});
    QTRY_COMPARE(received.count(), 1);
    // It may have finished already, which waitForFinished() would report as false.
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10'000);
    QCOMPARE(second.readAllStandardOutput(), QByteArray("second\n"));
    QCOMPARE(received.first().first().toStringList(), QStringList{QStringLiteral("after")});
}

void TestSingleInstance::inProcessHandOver() {
    auto first = std::make_unique<SingleInstance>(socket());
    QCOMPARE(first->claim({}), SingleInstance::Role::First);
    first.reset(); // a copy that quits normally removes its socket
    QVERIFY(!QFile::exists(socket()));
    SingleInstance again(socket());
    QCOMPARE(again.claim({}), SingleInstance::Role::First);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
