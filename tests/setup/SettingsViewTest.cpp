#include "Features/Settings/SettingsView.h"
#include "Core/Tasks.h"
#include "SetupFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>

namespace {
constexpr int processWait = 15000;
}

class SettingsViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabsInOrder() {
        SetupFixture f;
        SettingsView view(*f.model, f.fake.platform());
        QCOMPARE(view.size(), QSize(520, 420));
        QCOMPARE(view.tabs()->count(), 2);
        QCOMPARE(view.tabs()->tabText(0), QStringLiteral("General"));
        QCOMPARE(view.tabs()->tabText(1), QStringLiteral("Licences"));
    }

    void thisMacUnpaired() {
        SetupFixture f;
        f.fake.bundle.version.reset();
        SettingsView view(*f.model, f.fake.platform());
        view.show();
        GeneralSettings* general = view.general();
        QCOMPARE(general->deviceValue()->text(), QStringLiteral("Not paired"));
        QCOMPARE(general->serverValue()->text(), QStringLiteral("https://wrenbox.app"));
        QCOMPARE(general->relayValue()->text(), QStringLiteral("Sends through Messages"));
        QCOMPARE(general->versionValue()->text(), QStringLiteral("1.0.0"));
        QVERIFY(!general->launchAgentWarning()->isVisible());
    }

    void thisMacPairedAndDryRun() {
        SetupFixture f;
        // The switch is read once, when the model is made.
        f.fake.run.dryRun = true;
        f.model = std::make_unique<AppModel>(f.fake.platform());
        f.replyStatus(R"({"paired": true, "server": "http://localhost:3000", )"
                      R"("device": {"id": "d", "name": "Desk Mac"}})");
        SettingsView view(*f.model, f.fake.platform());
        view.show();
        GeneralSettings* general = view.general();
        QCOMPARE(general->relayValue()->text(), QStringLiteral("Dry run (testing)"));
        QCOMPARE(general->versionValue()->text(), QStringLiteral("1.2.3"));
        detach(f.model->refreshStatus(), "test");
        QTRY_COMPARE_WITH_TIMEOUT(general->deviceValue()->text(), QStringLiteral("Desk Mac"),
                                  processWait);
        QCOMPARE(general->serverValue()->text(), QStringLiteral("http://localhost:3000"));
    }

    void loginSwitchShowsTheRealState() {
        SetupFixture f;
        SettingsView view(*f.model, f.fake.platform());
        view.show();
        QCheckBox* login = view.general()->loginSwitch();
        QVERIFY(!login->isChecked());

        f.fake.loginItem.nextFailure = QStringLiteral("The session refused the autostart entry.");
        login->click();
        QCOMPARE(f.fake.loginItem.calls, QList<bool>{true});
        QVERIFY(!login->isChecked());
        QCOMPARE(f.model->relayError(),
                 std::optional(QStringLiteral("The session refused the autostart entry.")));

        login->click();
        QCOMPARE(f.fake.loginItem.calls, (QList<bool>{true, true}));
        QVERIFY(login->isChecked());
        QVERIFY(f.fake.defaults.boolValue(QStringLiteral("loginItemDecided")));
    }

    void commandLineRelayWarningFollowsItsFile() {
        SetupFixture f;
        SettingsView view(*f.model, f.fake.platform());
        view.show();
        QVERIFY(!view.general()->launchAgentWarning()->isVisible());
        QVERIFY(f.installLaunchAgent());
        // Looked at again each time the tab comes on screen.
        view.tabs()->setCurrentIndex(1);
        view.tabs()->setCurrentIndex(0);
        QVERIFY(view.general()->launchAgentWarning()->isVisible());
        QVERIFY(QFile::remove(f.fake.bundle.launchAgentPath()));
        view.tabs()->setCurrentIndex(1);
        view.tabs()->setCurrentIndex(0);
        QVERIFY(!view.general()->launchAgentWarning()->isVisible());
    }

    void licencesNameWhatThisBuildUses() {
        SetupFixture f;
        SettingsView view(*f.model, f.fake.platform());
        const QList<QLabel*> texts = view.licences()->licenceTexts();
        QCOMPARE(texts.size(), 5);
        QVERIFY(texts.at(0)->text().contains(QStringLiteral("The Qt Company")));
        QVERIFY(texts.at(1)->text().contains(QStringLiteral("GNU LESSER GENERAL PUBLIC LICENSE")));
        QVERIFY(texts.at(2)->text().contains(QStringLiteral("GNU GENERAL PUBLIC LICENSE")));
        QVERIFY(texts.at(3)->text().contains(QStringLiteral("Daniel Vrátil")));
        QVERIFY(texts.at(4)->text().contains(QStringLiteral("The Bootstrap Authors")));
        // Paragraphs flow at the window's width; their breaks stay.
        QVERIFY(texts.at(3)->text().contains(
            QStringLiteral("<dvratil@kde.org>\n\nPermission is hereby granted, free of charge, to "
                           "any person obtaining a copy of this software")));
        for (QLabel* text : texts) {
            QVERIFY(text->textInteractionFlags() & Qt::TextSelectableByMouse);
            QCOMPARE(text->textFormat(), Qt::PlainText);
        }
        // Everything lives in one scrolling column.
        QVERIFY(view.licences()->scrollArea()->widget()->isAncestorOf(texts.last()));

        // Each block is as tall as its wrapped lines: no blank band above or below the text.
        view.tabs()->setCurrentIndex(1);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (QLabel* text : texts) {
            const QImage image = text->grab().toImage();
            const QRgb background = image.pixel(image.width() / 2, 1);
            int first = -1;
            int last = -1;
            for (int y = 0; y < image.height(); ++y) {
                const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    if (qAbs(qGray(row[x]) - qGray(background)) > 40) {
                        first = first < 0 ? y : first;
                        last = y;
                        break;
                    }
                }
            }
            QVERIFY(first >= 0);
            const int lineSpacing = text->fontMetrics().lineSpacing();
            // The margin, then at most a line (a trailing line break leaves an empty one).
            const QMargins margins = text->contentsMargins();
            QVERIFY2(first <= margins.top() + lineSpacing, qPrintable(QString::number(first)));
            const int below = image.height() / int(image.devicePixelRatio()) - 1 - last;
            QVERIFY2(below <= margins.bottom() + 2 * lineSpacing,
                     qPrintable(QString::number(below)));
        }
        // The fake relay carries no notice.
        QCOMPARE(AppModel::noticeBeside(f.relay.helperPath()), std::nullopt);
    }

    void relayNoticeComesFromBesideTheRelay() {
        QTemporaryDir dir;
        QFile notice(dir.filePath(QStringLiteral("NOTICE")));
        QVERIFY(notice.open(QIODevice::WriteOnly));
        notice.write("Relay notice\nline two\n");
        notice.close();
        const auto text = AppModel::noticeBeside(dir.filePath(QStringLiteral("wrenbox")));
        QCOMPARE(text, std::optional(QStringLiteral("Relay notice\nline two\n")));

        LicencesView view(text);
        QCOMPARE(view.licenceTexts().size(), 6);
        QCOMPARE(view.licenceTexts().last()->text(), *text);
    }
};

QTEST_MAIN(SettingsViewTest)
#include "SettingsViewTest.moc"
