// The whole app on the fake platform alone: no system's platform is linked into this test.
#include "ShellRig.h"

#include "App/WrenboxMacApp.h"
#include "Features/Setup/PairingRows.h"
#include "Features/Setup/SetupView.h"

#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

class TestFakePlatformApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsTakesALinkAndQuits();
};

void TestFakePlatformApp::startsTakesALinkAndQuits() {
    ShellRig rig;
    rig.relay.reply(statusArgs, R"({"paired":false})");
    WrenboxMacApp::Options options;
    options.platform = rig.fake.platform();
    options.singleInstancePath = rig.singleInstancePath();
    options.trayAvailable = [] { return false; };
    options.alert = [](const QString&, const QString&, const QStringList&) { return 0; };
    WrenboxMacApp app(std::move(options));

    // Start-up: the first copy, the model loaded, the panel as a window where there is no tray.
    QVERIFY(app.launch({}));
    QTRY_VERIFY(app.model().loaded());
    QVERIFY(app.window(QStringLiteral("panel"))->isVisible());

    // A second copy (a real process) hands its link over; Setup comes forward with it.
    QProcess second;
    second.start(QStringLiteral(WRENBOX_SINGLECOPY_HELPER),
                 {rig.singleInstancePath(), QStringLiteral("wrenbox-mac://pair?code=ABC234")});
    QTRY_COMPARE(second.state(), QProcess::NotRunning);
    QCOMPARE(second.readAllStandardOutput(), QByteArray("second\n"));
    QTRY_VERIFY(app.window(QStringLiteral("setup")));
    auto* setup = qobject_cast<SetupView*>(app.window(QStringLiteral("setup")));
    QVERIFY(setup && setup->isVisible());
    QTRY_COMPARE(setup->pairingRows()->codeField()->text(), QStringLiteral("ABC234"));

    // The system asks the app to quit: the loop ends cleanly. (The guard only keeps a broken
    // hand-over from hanging the test.)
    QMetaObject::invokeMethod(
        &rig.fake.systemSignals, [&rig] { Q_EMIT rig.fake.systemSignals.quitRequested(); },
        Qt::QueuedConnection);
    QTimer::singleShot(10'000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

QTEST_MAIN(TestFakePlatformApp)
#include "tst_fakeplatformapp.moc"
