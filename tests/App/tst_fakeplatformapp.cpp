// The whole app on the fake platform alone: no system's platform is linked into this test.

#include "App/SingleInstance.h"
#include "App/WrenboxMacApp.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QLineEdit>
#include <QTimer>

#include <unistd.h>

class TestFakePlatformApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsTakesALinkAndQuits();
};

void TestFakePlatformApp::startsTakesALinkAndQuits() {
    RelayRig rig;
    QVERIFY(QDir(rig.home.path()).mkdir(u"run"_qs));
    QFile::setPermissions(rig.home.filePath(u"run"_qs),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const ScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(rig.home.filePath(u"run"_qs)));
    WrenboxMacApp::Options options;
    options.platform = rig.fake.platform();
    options.singleInstancePath = SingleInstance::defaultSocketPath(QString::number(::getuid()));
    options.trayAvailable = [] { return false; };
    options.alert = [](const QString&, const QString&, const QStringList&) { return 0; };
    WrenboxMacApp app(std::move(options));

    // Start-up: the first copy, the model loaded, the panel as a window where there is no tray.
    QVERIFY(app.launch({}));
    QTRY_VERIFY(app.model().loaded());
    QVERIFY(app.window(u"panel"_qs)->isVisible());

    // The real app, started again with a link, hands it over and leaves; Setup comes forward.
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    env.insert(u"HOME"_qs, rig.home.path()); // should it not hand over, it runs apart
    env.insert(u"XDG_CONFIG_HOME"_qs, rig.home.filePath(u"config"_qs));
    env.insert(u"WRENBOX_RELAY_DRY_RUN"_qs, u"1"_qs);
    env.remove(u"WRENBOX_CONFIG_DIR"_qs); // a development copy would not hand over
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(WRENBOX_APP_BINARY), {u"wrenbox-mac://pair?code=ABC234"_qs});
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20'000);
    QCOMPARE(second.exitCode(), 0);
    QTRY_VERIFY(app.window(u"setup"_qs) && app.window(u"setup"_qs)->isVisible());
    QTRY_COMPARE(child<QLineEdit>(app.window(u"setup"_qs), u"Pairing code"_qs)->text(),
                 u"ABC234"_qs);

    // The system asks the app to quit: the loop ends cleanly. (The guard only keeps a broken
    // quit from hanging the test.)
    QMetaObject::invokeMethod(
        &rig.fake.systemSignals, [&rig] { Q_EMIT rig.fake.systemSignals.quitRequested(); },
        Qt::QueuedConnection);
    QTimer::singleShot(10'000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

QTEST_MAIN(TestFakePlatformApp)
#include "tst_fakeplatformapp.moc"
