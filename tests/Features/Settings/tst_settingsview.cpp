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
    void thisMac();
    void loginSwitchShowsTheRealState();
    void commandLineRelayWarningFollowsItsFile();
    void licencesNameWhatThisBuildUses();
};

void TestSettingsView::thisMac() {
    RelayRig rig;
    rig.fake.bundle.version.reset();
    {
        SettingsView unpaired(rig.make(), rig.fake.platform());
        auto* tabs = unpaired.findChild<QTabWidget*>();
        QCOMPARE(tabs->tabText(0) + u'|' + tabs->tabText(1), u"General|Licences"_qs);
        QCOMPARE(textAt(&unpaired, u"device"_qs), u"Not paired"_qs);
        QCOMPARE(textAt(&unpaired, u"server"_qs), u"https://wrenbox.app"_qs);
        QCOMPARE(textAt(&unpaired, u"relay"_qs), u"Sends through Messages"_qs);
        QCOMPARE(textAt(&unpaired, u"version"_qs), u"1.0.0"_qs);
    }
    rig.fake.bundle.version = u"1.2.3"_qs;
    rig.fake.run.dryRun = true;
    rig.make();
    rig.relay.reply(statusArgs, answer("status-paired"));
    SettingsView paired(*rig.model, rig.fake.platform());
    paired.show();
    QCOMPARE(textAt(&paired, u"relay"_qs), u"Dry run (testing)"_qs);
    QCOMPARE(textAt(&paired, u"version"_qs), u"1.2.3"_qs);
    QVERIFY(finish(launch(rig.model->refreshStatus())));
    QCOMPARE(textAt(&paired, u"device"_qs), u"Studio Mac"_qs);
    QCOMPARE(textAt(&paired, u"server"_qs), u"http://localhost:8080"_qs);
}

void TestSettingsView::loginSwitchShowsTheRealState() {
    RelayRig rig;
    SettingsView view(rig.make(), rig.fake.platform());
    view.show();
    auto* login = child<QCheckBox>(&view, u"Start Wrenbox when you log in"_qs);
    QVERIFY(!login->isChecked());
    rig.fake.loginItem.nextFailure = u"The session refused the autostart entry."_qs;
    login->click();
    QVERIFY(!login->isChecked());
    QCOMPARE(rig.model->relayError(), u"The session refused the autostart entry."_qs);
    login->click();
    QCOMPARE(rig.fake.loginItem.calls, (QList<bool>{true, true}));
    QVERIFY(login->isChecked());
    QVERIFY(rig.fake.defaults.boolValue(u"loginItemDecided"_qs));
    auto* notify = child<QCheckBox>(&view, u"Notify me when Wrenbox needs attention"_qs);
    QVERIFY(notify->isChecked());
    notify->click();
    QVERIFY(rig.fake.defaults.boolValue(u"attentionNotificationsOff"_qs));
}

void TestSettingsView::commandLineRelayWarningFollowsItsFile() {
    RelayRig rig;
    SettingsView view(rig.make(), rig.fake.platform());
    view.show();
    auto* tabs = view.findChild<QTabWidget*>();
    QDir().mkpath(QFileInfo(rig.fake.bundle.launchAgentPath()).path());
    QFile file(rig.fake.bundle.launchAgentPath());
    // Looked at again each time the tab comes on screen.
    for (bool present : {false, true, false}) {
        QCOMPARE(present ? file.open(QIODevice::WriteOnly) : !file.exists() || file.remove(), true);
        tabs->setCurrentIndex(1);
        tabs->setCurrentIndex(0);
        QCOMPARE(shown(child(&view, u"launchAgentWarning"_qs)), present);
    }
}

void TestSettingsView::licencesNameWhatThisBuildUses() {
    // A notice beside a bundled relay is shown unchanged, after the others.
    RelayRig rig;
    QTemporaryDir dir;
    QFile notice(dir.filePath(u"NOTICE"_qs));
    QVERIFY(notice.open(QIODevice::WriteOnly) && notice.write("Relay notice\nline two\n") > 0);
    notice.close();
    QVERIFY(QFile::link(rig.relay.helperPath(), dir.filePath(u"wrenbox"_qs)));
    rig.fake.bundle.helperPath = dir.filePath(u"wrenbox"_qs);
    SettingsView view(rig.make(), rig.fake.platform());
    view.findChild<QTabWidget*>()->setCurrentIndex(1);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QList<QLabel*> texts = view.findChildren<QLabel*>(u"licenceText"_qs);
    const char* owners[] = {"The Qt Company",
                            "GNU LESSER GENERAL PUBLIC LICENSE",
                            "GNU GENERAL PUBLIC LICENSE",
                            "Daniel Vrátil",
                            "The Bootstrap Authors",
                            "Relay notice\nline two\n"};
    QCOMPARE(texts.size(), 6);
    for (int i = 0; i < 6; ++i) {
        QLabel* text = texts[i];
        QVERIFY(text->text().contains(QString::fromUtf8(owners[i])));
        QVERIFY(text->textInteractionFlags() & Qt::TextSelectableByMouse);
        QCOMPARE(text->textFormat(), Qt::PlainText);
        // As tall as its wrapped lines: no blank band above or below the text.
        const QImage image = text->grab().toImage();
        const QRgb background = image.pixel(image.width() / 2, 1);
        int first = -1;
        int last = -1;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            if (std::any_of(row, row + image.width(),
                            [&](QRgb c) { return qAbs(qGray(c) - qGray(background)) > 40; })) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        const int line = text->fontMetrics().lineSpacing();
        QVERIFY(first >= 0 && first <= text->contentsMargins().top() + line);
        QVERIFY(image.height() / int(image.devicePixelRatio()) - 1 - last <=
                text->contentsMargins().bottom() + 2 * line);
    }
}

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
