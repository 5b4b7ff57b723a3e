// The app's launch and quit logic over a real model and the fake relay: pairing links, Setup
// after launch, refresh on activation, the relay stopped at quit.

#include "App/AppDelegate.h"
#include "Core/OpenWindowBridge.h"
#include "Core/PairingRequest.h"
#include "Features/Setup/SetupView.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTimer>

using namespace std::chrono_literals;

namespace {
// A delegate with its alerts, pairing request and window bridge kept local to the test, as a
// development copy (no single-copy socket, so tests never meet a running app).
struct Delegate : RelayRig {
    explicit Delegate(const char* status = "status-unpaired", const char* dryRun = "0")
        : RelayRig(status)
        , dryRunSwitch("WRENBOX_RELAY_DRY_RUN", QByteArray(dryRun))
        , developmentCopy("WRENBOX_CONFIG_DIR", QFile::encodeName(home.path())) {
        windows.open = [this](const QString& id) { opened.append(id); };
        make();
        AppDelegate::Services services;
        services.model = model.get();
        services.clock = &fake.clock;
        services.workspace = &fake.workspace;
        services.pairing = &pairing;
        services.windows = &windows;
        services.alert = [this](const QString& message, const QString& informative,
                                const QStringList& buttons) {
            alerts.append(QStringList{message, informative, buttons.join(u'/')}.join(u'|'));
            return 0;
        };
        delegate = std::make_unique<AppDelegate>(std::move(services));
    }
    ScopedEnv dryRunSwitch;
    ScopedEnv developmentCopy;
    PairingRequest pairing;
    OpenWindowBridge windows;
    QStringList opened; // ids asked of the window bridge
    QStringList alerts;
    std::unique_ptr<AppDelegate> delegate; // goes before the model
};
} // namespace

class TestAppDelegate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pairingLinks_data();
    void pairingLinks();
    void severalLinksLeaveTheLast();
    void openSetupPrefersAnExistingWindow();
    void setupOpensOnceAfterTheDelayWhenIncomplete_data();
    void setupOpensOnceAfterTheDelayWhenIncomplete();
    void activationRefreshesEverything();
    void quittingStopsTheRelayAndWhatItStarted();
    void laterLinkNeverInheritsAServer_data();
    void laterLinkNeverInheritsAServer();
};

void TestAppDelegate::pairingLinks_data() {
    QTest::addColumn<QByteArray>("dryRun");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("pending");
    QTest::addColumn<bool>("refused");
    for (const QByteArrayList& row : table("App/links.txt"))
        QTest::newRow(row[0].constData()) << row[1] << QString::fromUtf8(row[2])
                                          << QString::fromUtf8(row[3]) << (row[4] == "yes");
}

void TestAppDelegate::pairingLinks() {
    QFETCH(QByteArray, dryRun);
    QFETCH(QString, url);
    QFETCH(QString, pending);
    QFETCH(bool, refused);
    Delegate rig("status-unpaired", dryRun);
    rig.delegate->handle(QUrl(url));
    const auto link = rig.pairing.pending();
    QCOMPARE(link ? link->code + u' ' + link->server.value_or(u"~"_qs) : u"-"_qs, pending);
    QCOMPARE(rig.opened, pending == u"-" ? QStringList() : QStringList{"setup"});
    QCOMPARE(rig.alerts, refused ? QStringList{u"This pairing link wasn't used|"_qs +
                                               AppModel::dryRunRefusal() + u'|'}
                                 : QStringList());
    // The app comes forward for Setup or for the alert, not for a link it ignored.
    QCOMPARE(rig.fake.workspace.activations, pending != u"-" || refused ? 1 : 0);
}

void TestAppDelegate::severalLinksLeaveTheLast() {
    Delegate rig;
    QSignalSpy changes(&rig.pairing, &PairingRequest::pendingChanged);
    // At launch, among other arguments.
    QVERIFY(rig.delegate->finishLaunching({u"--verbose"_qs, u"wrenbox-mac://pair?code=AAA222"_qs,
                                           u"wrenbox-mac://pair?code=AAA222"_qs,
                                           u"wrenbox-mac://pair?nothing"_qs,
                                           u"wrenbox-mac://pair?code=BBB333"_qs}));
    QCOMPARE(rig.pairing.pending()->code, u"BBB333"_qs);
    QCOMPARE(changes.count(), 2); // the repeated link notified once
    QCOMPARE(rig.opened.size(), 3);
}

void TestAppDelegate::openSetupPrefersAnExistingWindow() {
    Delegate rig;
    QWidget other;
    other.setObjectName(u"setupx"_qs);
    QWidget setup;
    setup.setObjectName(u"setup"_qs);
    rig.delegate->openSetup();
    QVERIFY(setup.isVisible() && !other.isVisible());
    QVERIFY(rig.opened.isEmpty());
    setup.close();
    rig.delegate->openSetup();
    QVERIFY(setup.isVisible());
    rig.windows.open.reset(); // without a window or a bridge nothing else happens
    setup.setObjectName({});
    rig.delegate->openSetup();
    QCOMPARE(rig.fake.workspace.activations, 3);
    QVERIFY(rig.opened.isEmpty());
}

void TestAppDelegate::setupOpensOnceAfterTheDelayWhenIncomplete_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<bool>("opens");
    QTest::newRow("incomplete") << answer("status-unpaired") << true;
    QTest::newRow("complete") << answer("status-paired") << false;
}

void TestAppDelegate::setupOpensOnceAfterTheDelayWhenIncomplete() {
    QFETCH(QByteArray, status);
    QFETCH(bool, opens);
    Delegate rig;
    rig.relay.reply(statusArgs, status);
    QVERIFY(rig.delegate->finishLaunching({}));
    // The relay is asked nothing until the event loop turns: the first window comes first.
    QVERIFY(!rig.model->isChecking());
    QTRY_VERIFY(rig.model->loaded()); // started on the first turn of the event loop
    QVERIFY(rig.settle());
    rig.advance(1499ms);
    QVERIFY(rig.opened.isEmpty());
    rig.advance(1ms);
    QCOMPARE(rig.opened, opens ? QStringList{"setup"} : QStringList());
    rig.advance(60s);
    QCOMPARE(rig.opened.size(), opens ? 1 : 0);
}

void TestAppDelegate::activationRefreshesEverything() {
    Delegate rig;
    QVERIFY(rig.delegate->finishLaunching({}));
    QTRY_VERIFY(rig.model->loaded()); // started on the first turn of the event loop
    QVERIFY(rig.settle());
    rig.delegate->applicationDidBecomeActive();
    QVERIFY(rig.settle());
    QCOMPARE(rig.count(doctorArgs), 2);
    // The platform's own notification leads to the same.
    QWidget window;
    if (!showActive(window))
        QSKIP("this platform does not activate windows");
    QTRY_COMPARE(rig.count(doctorArgs), 3);
}

void TestAppDelegate::quittingStopsTheRelayAndWhatItStarted() {
    Delegate rig("status-paired");
    FakeRelay::Stream stream;
    stream.spawnGrandchild = true;
    rig.relay.runStream(stream);
    QVERIFY(rig.delegate->finishLaunching({}));
    QTRY_COMPARE(rig.relay.livePids().size(), 2); // the relay and its own child
    // Quitting the application's loop is what a real quit does.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    QVERIFY(!rig.model->runner().wanted());
    QTRY_VERIFY_WITH_TIMEOUT(rig.relay.livePids().isEmpty(), 20'000);
}

void TestAppDelegate::laterLinkNeverInheritsAServer_data() {
    QTest::addColumn<QList<QStringList>>("launches");
    const QString evil = u"wrenbox-mac://pair?code=ABC234&server=https://evil.example"_qs;
    const QString plain = u"wrenbox-mac://pair?code=XYZ789"_qs;
    QTest::newRow("later link without server") << QList<QStringList>{{evil}, {plain}};
    QTest::newRow("later link with empty server")
        << QList<QStringList>{{evil}, {plain + "&server="}};
    QTest::newRow("both on one command line") << QList<QStringList>{{evil, plain}};
}

void TestAppDelegate::laterLinkNeverInheritsAServer() {
    QFETCH(QList<QStringList>, launches);
    Delegate rig;
    std::unique_ptr<SetupView> setup;
    rig.windows.open = [&](const QString&) {
        setup = std::make_unique<SetupView>(*rig.model, rig.fake.platform(), rig.pairing);
        setup->show();
    };
    for (const QStringList& links : std::as_const(launches)) {
        QList<QUrl> urls;
        for (const QString& link : links)
            urls.append(QUrl(link));
        rig.delegate->openUrls(urls);
    }
    // The link naming no server pairs with the default one, never with the earlier link's.
    const auto pairs = [&rig] {
        QStringList found;
        for (const QStringList& call : rig.relay.calls())
            if (call.value(1) == u"pair")
                found.append(call.join(u' '));
        return found;
    };
    QTRY_VERIFY(!pairs().isEmpty());
    QVERIFY(rig.settle());
    QCOMPARE(pairs(), QStringList{"relay pair XYZ789 --server https://wrenbox.app --json"});
}

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
