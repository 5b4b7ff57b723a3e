// The Settings window on the offscreen platform, over a real model and the fake relay.

#include "Features/Settings/SettingsView.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>

class TestSettingsView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void thisMac() {
        const auto texts = [](const QWidget* view) {
            QStringList shown;
            for (const char* key : {"device", "server", "relay", "version"})
                shown.append(textAt(view, QLatin1String(key)));
            return shown.join(u'|');
        };
        RelayRig rig;
        rig.fake.bundle.version.reset();
        {
            SettingsView unpaired(rig.make(), rig.fake.platform());
            QCOMPARE(texts(&unpaired),
                     u"Not paired|https://wrenbox.app|Sends through Messages|1.0.0"_qs);
        }
        rig.fake.bundle.version = u"1.2.3"_qs;
        rig.fake.run.dryRun = true;
        rig.make();
        rig.relay.reply(statusArgs, answer("status-paired"));
        SettingsView paired(*rig.model, rig.fake.platform());
        paired.show();
        QVERIFY(finish(launch(rig.model->refreshStatus())));
        QCOMPARE(texts(&paired), u"Studio Mac|http://localhost:8080|Dry run (testing)|1.2.3"_qs);
        // The command-line relay's warning looks at its file again each time the tab comes on
        // screen.
        auto* tabs = paired.findChild<QTabWidget*>();
        QDir().mkpath(QFileInfo(rig.fake.bundle.launchAgentPath()).path());
        QFile file(rig.fake.bundle.launchAgentPath());
        for (bool present : {false, true, false}) {
            QCOMPARE(present ? file.open(QIODevice::WriteOnly) : !file.exists() || file.remove(),
                     true);
            tabs->setCurrentIndex(1);
            tabs->setCurrentIndex(0);
            QCOMPARE(shown(child(&paired, u"launchAgentWarning"_qs)), present);
        }
    }

    void loginSwitchShowsTheRealState() {
        RelayRig rig;
        SettingsView view(rig.make(), rig.fake.platform());
        view.show();
        auto* login = child<QCheckBox>(&view, u"Start Wrenbox when you log in"_qs);
        QVERIFY(!login->isChecked());
        rig.fake.loginItem.nextFailure = u"The session refused the autostart entry."_qs;
        login->click();
        QVERIFY(!login->isChecked()); // the real state, not the wish
        login->click();
        QCOMPARE(rig.fake.loginItem.calls, (QList<bool>{true, true}));
        QVERIFY(login->isChecked());
        auto* notify = child<QCheckBox>(&view, u"Notify me when Wrenbox needs attention"_qs);
        QVERIFY(notify->isChecked());
        notify->click();
        QVERIFY(rig.fake.defaults.boolValue(u"attentionNotificationsOff"_qs));
    }

    void licencesNameWhatThisBuildUses() {
        // A notice beside a bundled relay is shown unchanged, after the others.
        RelayRig rig;
        QTemporaryDir dir;
        QFile notice(dir.filePath(u"NOTICE"_qs));
        QVERIFY(notice.open(QIODevice::WriteOnly) && notice.write("Relay notice\nline two\n") > 0);
        notice.close();
        QVERIFY(QFile::link(rig.relay.helperPath(), dir.filePath(u"wrenbox"_qs)));
        rig.fake.bundle.helperPath = dir.filePath(u"wrenbox"_qs);
        SettingsView view(rig.make(), rig.fake.platform());
        const QList<QLabel*> texts = view.findChildren<QLabel*>(u"licenceText"_qs);
        const char* owners[] = {"The Qt Company",
                                "GNU LESSER GENERAL PUBLIC LICENSE",
                                "GNU GENERAL PUBLIC LICENSE",
                                "Daniel Vrátil",
                                "The Bootstrap Authors",
                                "Relay notice\nline two\n"};
        QCOMPARE(texts.size(), 6);
        for (int i = 0; i < 6; ++i) {
            QVERIFY(texts[i]->text().contains(QString::fromUtf8(owners[i])));
            QCOMPARE(texts[i]->textFormat(), Qt::PlainText);
        }
    }
};

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
