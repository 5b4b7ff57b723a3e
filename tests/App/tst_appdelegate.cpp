// The app's launch and quit logic over a real model and the fake relay: pairing links, Setup
// after launch, refresh on activation, the relay stopped at quit.

#include "App/AppDelegate.h"
#include "Core/PairingRequest.h"
#include "Features/Setup/SetupView.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QApplication>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {
// A delegate with its alerts, pairing request and Setup requests kept local to the test, as a
// development copy (no single-copy socket, so tests never meet a running app).
struct Delegate : RelayRig {
    explicit Delegate(const char* status = "status-unpaired", const char* dryRun = "0")
        : RelayRig(status) {
        fake.run.dryRun = QByteArrayView(dryRun) == "1";
        make();
        AppDelegate::Services services;
        services.model = model.get();
        services.clock = &fake.clock;
        services.workspace = &fake.workspace;
        services.pairing = &pairing;
        services.developmentRun = true;
        services.alert = [this](const QString& message, const QString& informative,
                                const QStringList& buttons) {
            alerts.append(QStringList{message, informative, buttons.join(u'/')}.join(u'|'));
            return 0;
        };
        delegate = std::make_unique<AppDelegate>(std::move(services));
        QObject::connect(delegate.get(), &AppDelegate::setupRequested, [this] { openSetup(); });
    }
    PairingRequest pairing;
    QStringList opened; // windows asked for
    std::function<void()> openSetup = [this] { opened.append(u"setup"_qs); };
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
    void activationRefreshesEverything();
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

void TestAppDelegate::activationRefreshesEverything() {
    Delegate rig;
    QVERIFY(rig.delegate->finishLaunching({}));
    // The relay is asked nothing until the event loop turns: the first window comes first.
    QVERIFY(!rig.model->isChecking());
    QTRY_VERIFY(rig.model->loaded());
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
    rig.openSetup = [&] {
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
    const QStringList pair{"relay", "pair", "XYZ789", "--server", "https://wrenbox.app", "--json"};
    QTRY_COMPARE(rig.count(pair), 1);
    QVERIFY(rig.settle());
}

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
