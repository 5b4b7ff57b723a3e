#include "PanelRig.h"

#include "Features/Panel/StatusLine.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <ctime>

using namespace std::chrono_literals;

class TestPauseFor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pauseForAWhile_data();
    void pauseForAWhile();
};

void TestPauseFor::initTestCase() {
    qputenv("TZ", "UTC");
    ::tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

void TestPauseFor::pauseForAWhile_data() {
    QTest::addColumn<QString>("choice");
    QTest::addColumn<std::optional<QDateTime>>("until"); // the manual clock starts at 10:00 UTC
    QTest::addColumn<QString>("detail");
    QTest::newRow("hour") << "Pause for 1 hour"
                          << std::optional(
                                 QDateTime::fromString("2024-05-01T11:00:00Z", Qt::ISODate))
                          << "Paused until 11:00.";
    QTest::newRow("tomorrow") << "Pause until tomorrow"
                              << std::optional(
                                     QDateTime::fromString("2024-05-02T08:00:00Z", Qt::ISODate))
                              << "Paused until 02/05/2024 08:00.";
    QTest::newRow("until resumed") << "Pause" << std::optional<QDateTime>()
                                   << "Nothing is sent until you resume. Texts wait on the server.";
}

void TestPauseFor::pauseForAWhile() {
    QFETCH(QString, choice);
    QFETCH(std::optional<QDateTime>, until);
    QFETCH(QString, detail);
    PanelRig rig;
    QVERIFY(rig.start());
    StatusPanel& panel = rig.makePanel();
    panel.show();
    auto* pauseFor = panel.findChild<QToolButton*>(QStringLiteral("pauseFor"));
    QVERIFY(pauseFor && pauseFor->isVisible());
    QAction* action = nullptr;
    for (QAction* each : pauseFor->menu()->actions())
        action = each->text() == choice ? each : action;
    QVERIFY(action);
    action->trigger();

    QVERIFY(rig.model->userPaused());
    QCOMPARE(rig.model->pausedUntil(), until);
    QCOMPARE(rig.fake.defaults.timeValue(QStringLiteral("pausedUntil")), until);
    QTRY_COMPARE(panel.statusLine()->detailLabel()->text(), detail);
    QVERIFY(!pauseFor->isVisible());

    // Resume ends a timed pause.
    QTest::mouseClick(panel.pauseButton(), Qt::LeftButton);
    QVERIFY(!rig.model->userPaused());
    QCOMPARE(rig.model->pausedUntil(), std::nullopt);
    QCOMPARE(rig.fake.defaults.timeValue(QStringLiteral("pausedUntil")), std::nullopt);
}

QTEST_MAIN(TestPauseFor)
#include "tst_pausefor.moc"
