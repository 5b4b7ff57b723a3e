#include "ShellRig.h"

#include "Core/MacPairLink.h"
#include "Core/Relay/RelayRunner.h"
#include "Features/Setup/PairingRows.h"
#include "Features/Setup/SetupView.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace std::chrono_literals;

class TestDelegate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void dryRunRefusesLinkWithoutServer();
    void dryRunRefusesRemoteServer();
    void dryRunAcceptsLocalServer();
    void normalRunAcceptsAnyServer();
    void invalidLinkDoesNothing();
    void severalLinksLeaveTheLast();
    void setupOpensAfterDelayWhenIncomplete();
    void setupStaysClosedWhenComplete();
    void launchLinkArgumentsAreHandled();
    void activationRefreshesEverything();
    void quittingStopsTheRelay();
    void laterLinkNeverInheritsAServer_data();
    void laterLinkNeverInheritsAServer();

private:
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<ScopedEnv> m_configEnv;
};

void TestDelegate::init() {
    // A development copy: no single-copy socket, so tests never meet a running app.
    m_config = std::make_unique<QTemporaryDir>();
    m_configEnv = std::make_unique<ScopedEnv>("WRENBOX_CONFIG_DIR", m_config->path().toUtf8());
}

void TestDelegate::dryRunRefusesLinkWithoutServer() {
    ShellRig rig;
    rig.fake.run.dryRun = true;
    AppDelegate& delegate = rig.make();
    QVERIFY(rig.model->dryRun());
    delegate.handle(QUrl(QStringLiteral("wrenbox-mac://pair?code=ABC234")));

    QCOMPARE(rig.alerts.size(), 1);
    QCOMPARE(rig.alerts.first().message, QStringLiteral("This pairing link wasn't used"));
    QCOMPARE(rig.alerts.first().informative, AppModel::dryRunRefusal());
    QVERIFY(rig.alerts.first().buttons.isEmpty());
    QCOMPARE(rig.fake.workspace.activations, 1);
    QVERIFY(!rig.pairing.pending().has_value());
    QVERIFY(rig.opened.isEmpty());
}

void TestDelegate::dryRunRefusesRemoteServer() {
    ShellRig rig;
    rig.fake.run.dryRun = true;
    AppDelegate& delegate = rig.make();
    const auto before = MacPairLink{std::nullopt, QStringLiteral("XYZ789")};
    rig.pairing.setPending(before);
    delegate.handle(
        QUrl(QStringLiteral("wrenbox-mac://pair?code=ABC234&server=https%3A%2F%2Fwrenbox.app")));
    QCOMPARE(rig.alerts.size(), 1);
    QCOMPARE(rig.pairing.pending(), std::optional<MacPairLink>(before));
    QVERIFY(rig.opened.isEmpty());
}

void TestDelegate::dryRunAcceptsLocalServer() {
    ShellRig rig;
    rig.fake.run.dryRun = true;
    AppDelegate& delegate = rig.make();
    delegate.handle(
        QUrl(QStringLiteral("wrenbox-mac://pair?code=abc-234&server=http://localhost:8080")));
    QVERIFY(rig.alerts.isEmpty());
    const auto expected =
        MacPairLink{QStringLiteral("http://localhost:8080"), QStringLiteral("ABC234")};
    QCOMPARE(rig.pairing.pending(), std::optional<MacPairLink>(expected));
    QCOMPARE(rig.opened, QStringList{"setup"});
    QCOMPARE(rig.fake.workspace.activations, 1);
}

void TestDelegate::normalRunAcceptsAnyServer() {
    ShellRig rig;
    AppDelegate& delegate = rig.make();
    QVERIFY(!rig.model->dryRun());
    delegate.handle(QUrl(QStringLiteral("wrenbox-mac://pair?code=ABC234")));
    QVERIFY(rig.alerts.isEmpty());
    QCOMPARE(rig.pairing.pending()->code, QStringLiteral("ABC234"));
    QVERIFY(!rig.pairing.pending()->server.has_value());
    QCOMPARE(rig.opened, QStringList{"setup"});
}

void TestDelegate::invalidLinkDoesNothing() {
    ShellRig rig;
    rig.fake.run.dryRun = true;
    AppDelegate& delegate = rig.make();
    delegate.handle(QUrl(QStringLiteral("wrenbox-mac://pair?code")));
    delegate.handle(QUrl(QStringLiteral("https://example.com/pair?code=ABC234")));
    QVERIFY(rig.alerts.isEmpty());
    QCOMPARE(rig.fake.workspace.activations, 0);
    QVERIFY(!rig.pairing.pending().has_value());
    QVERIFY(rig.opened.isEmpty());
}

void TestDelegate::severalLinksLeaveTheLast() {
    ShellRig rig;
    AppDelegate& delegate = rig.make();
    QSignalSpy changes(&rig.pairing, &PairingRequest::pendingChanged);
    delegate.openUrls({QUrl(QStringLiteral("wrenbox-mac://pair?code=AAA222")),
                       QUrl(QStringLiteral("wrenbox-mac://pair?code=AAA222")),
                       QUrl(QStringLiteral("wrenbox-mac://pair?nothing")),
                       QUrl(QStringLiteral("wrenbox-mac://pair?code=BBB333"))});
    QCOMPARE(rig.pairing.pending()->code, QStringLiteral("BBB333"));
    QCOMPARE(changes.count(), 2); // the repeated link notified once
    QCOMPARE(rig.opened.size(), 3);
}

void TestDelegate::setupOpensAfterDelayWhenIncomplete() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    AppDelegate& delegate = rig.make();
    QVERIFY(delegate.finishLaunching({}));
    QTRY_VERIFY(rig.model->loaded());
    QVERIFY(!rig.model->setupComplete());

    rig.advance(1499ms);
    QVERIFY(rig.opened.isEmpty());
    rig.advance(1ms);
    QCOMPARE(rig.opened, QStringList{"setup"});
    rig.advance(60s);
    QCOMPARE(rig.opened, QStringList{"setup"});
}

void TestDelegate::setupStaysClosedWhenComplete() {
    ShellRig rig;
    rig.relay.reply(statusArgs, pairedStatus);
    rig.relay.runStream({});
    AppDelegate& delegate = rig.make();
    QVERIFY(delegate.finishLaunching({}));
    // The relay is asked nothing until the event loop turns (the first window comes first).
    QVERIFY(!rig.model->isChecking());
    QTRY_VERIFY(rig.model->setupComplete());
    rig.advance(1500ms);
    QVERIFY(rig.opened.isEmpty());
    QCOMPARE(rig.fake.workspace.activations, 0);
}

void TestDelegate::launchLinkArgumentsAreHandled() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    AppDelegate& delegate = rig.make();
    QVERIFY(delegate.finishLaunching(
        {QStringLiteral("--verbose"), QStringLiteral("wrenbox-mac://pair?code=CCC444")}));
    QCOMPARE(rig.pairing.pending()->code, QStringLiteral("CCC444"));
    QCOMPARE(rig.opened, QStringList{"setup"});
}

void TestDelegate::activationRefreshesEverything() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    AppDelegate& delegate = rig.make();
    QVERIFY(delegate.finishLaunching({}));
    QTRY_VERIFY(rig.model->loaded());
    QTRY_COMPARE(rig.count(doctorArgs), 1);
    const int statuses = rig.count(statusArgs);

    delegate.applicationDidBecomeActive();
    QTRY_COMPARE(rig.count(statusArgs), statuses + 1);
    QTRY_COMPARE(rig.count(doctorArgs), 2);

    // The platform's own notification leads to the same.
    QWidget window;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        QSKIP("this platform does not activate windows");
    QTRY_COMPARE(rig.count(doctorArgs), 3);
}

void TestDelegate::quittingStopsTheRelay() {
    ShellRig rig;
    rig.relay.reply(statusArgs, pairedStatus);
    FakeRelay::Stream stream;
    stream.spawnGrandchild = true;
    rig.relay.runStream(stream);
    AppDelegate& delegate = rig.make();
    QVERIFY(delegate.finishLaunching({}));
    QTRY_VERIFY(rig.model->relayRunning());
    QTRY_VERIFY(rig.relay.livePids().size() >= 2); // the relay and its own child

    // Quitting the application's loop is what a real quit does.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    QVERIFY(!rig.model->relayWanted());
    QTRY_VERIFY(rig.relay.livePids().isEmpty());
}

void TestDelegate::laterLinkNeverInheritsAServer_data() {
    using Batches = QList<QStringList>;
    QTest::addColumn<Batches>("launches");
    const QString evil =
        QStringLiteral("wrenbox-mac://pair?code=ABC234&server=https://evil.example");
    const QString plain = QStringLiteral("wrenbox-mac://pair?code=XYZ789");
    QTest::newRow("later link without server") << Batches{{evil}, {plain}};
    QTest::newRow("later link with empty server") << Batches{{evil}, {plain + "&server="}};
    QTest::newRow("both on one command line") << Batches{{evil, plain}};
}

void TestDelegate::laterLinkNeverInheritsAServer() {
    QFETCH(QList<QStringList>, launches);
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    AppDelegate& delegate = rig.make();
    std::unique_ptr<SetupView> setup;
    QObject::connect(&delegate, &AppDelegate::setupRequested, [&] {
        setup = std::make_unique<SetupView>(*rig.model, rig.fake.platform(), rig.pairing);
        setup->show();
    });
    for (const QStringList& links : std::as_const(launches)) {
        QList<QUrl> urls;
        for (const QString& link : links)
            urls.append(QUrl(link));
        delegate.openUrls(urls);
    }
    // The link naming no server pairs with the default one, never with the earlier link's.
    const auto pairCalls = [&] {
        QList<QStringList> found;
        for (const QStringList& call : rig.relay.calls())
            if (call.value(1) == QLatin1String("pair"))
                found.append(call);
        return found;
    };
    QTRY_VERIFY(!pairCalls().isEmpty());
    QTRY_VERIFY(!setup->pairingRows()->busy());
    const QStringList expected{"relay", "pair", "XYZ789", "--server", "https://wrenbox.app",
                               "--json"};
    QCOMPARE(pairCalls(), QList<QStringList>{expected});
}

QTEST_MAIN(TestDelegate)
#include "tst_delegate.moc"
