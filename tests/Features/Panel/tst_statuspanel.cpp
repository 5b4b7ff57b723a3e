// The status panel on the offscreen platform, over a real model and the fake relay, driven as a
// user drives it.

#include "Features/Panel/EventRow.h"
#include "Features/Panel/LineLimitedLabel.h"
#include "Features/Panel/StatusLine.h"
#include "Features/Panel/StatusPanel.h"
#include "Features/Panel/TodayRow.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QAccessible>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVariantAnimation>

using namespace std::chrono_literals;

// Declared ahead of the helpers: moc cannot read the raw JSON strings below.
class TestStatusPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusLine_data();
    void statusLine();
    void controls();
    void buttonsAndShortcuts();
    void pauseForAWhile_data();
    void pauseForAWhile();
    void refreshesWhenShownAndRestsWhileHidden();
    void phaseChangeAnimatesUnlessMotionIsReduced();
    void feed();
};

namespace {
// A panel over a model in one of the states it shows.
struct Panel : RelayRig {
    explicit Panel(const char* status = "status-paired")
        : RelayRig(status) {}
    // Reaches `state` through the model's own inputs; false when it did not get there.
    [[nodiscard]] bool reach(const QString& state) {
        if (state == u"starting") {
            make();
            return true;
        }
        if (!start())
            return false;
        const QByteArray ago = fake.clock.now().addSecs(-12).toString(Qt::ISODate).toUtf8();
        if (state == u"synced")
            print({R"({"event":"synced","at":")" + ago + "\"}"});
        if (state == u"sending")
            print({R"({"event":"synced","jobs":5})", R"({"event":"sent"})", R"({"event":"sent"})"});
        if (state == u"paused")
            model->setPaused(true);
        return state != u"stopped" || QTest::qWaitFor([this] {
                   return model->phase().kind() == RelayPhase::Kind::Attention;
               });
    }
    StatusPanel& show() {
        if (!model)
            make();
        panel = std::make_unique<StatusPanel>(
            *model, fake.workspace, [this] { ++setupOpens; }, fake.clock);
        panel->setReduceMotion(true);
        panel->show();
        return *panel;
    }
    QStringList rows() const {
        QList<EventRow*> rows = panel->findChildren<EventRow*>();
        rows.removeIf([](const EventRow* row) { return !shown(row); });
        std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->y() < b->y(); });
        QStringList texts;
        for (const EventRow* row : std::as_const(rows))
            texts.append(row->findChild<LineLimitedLabel*>()->text());
        return texts;
    }
    int setupOpens = 0;
    std::unique_ptr<StatusPanel> panel; // goes before the model
};
} // namespace

void TestStatusPanel::statusLine_data() {
    QTest::addColumn<QByteArrayList>("row");
    for (const QByteArrayList& row : table("Features/Panel/panel.txt"))
        QTest::newRow(row[0].constData()) << row;
}

void TestStatusPanel::statusLine() {
    QFETCH(QByteArrayList, row);
    const QString state = QString::fromUtf8(row[3]);
    const QString headline = QString::fromUtf8(row[4]);
    const QString action = row[5] == "-" ? QString() : QString::fromUtf8(row[5]);
    Panel rig(row[1].constData());
    rig.relay.reply(doctorArgs, row[2] == "-" ? QByteArray("{}") : answer(row[2].constData()));
    if (state == u"stopped")
        rig.relay.runStream({{}, false, 2});
    QVERIFY(rig.reach(state));
    StatusPanel& panel = rig.show();
    QCOMPARE(textAt(&panel, u"headline"_qs), headline);
    const auto detail = StatusLine::detail(rig.model->phase());
    QCOMPARE(shown(child(&panel, u"detail"_qs)), detail.has_value());
    QCOMPARE(textAt(&panel, u"detail"_qs), detail.value_or(textAt(&panel, u"detail"_qs)));
    auto* bar = child<QProgressBar>(&panel, u"Batch progress"_qs);
    QCOMPARE(shown(bar), state == u"sending");
    auto* button = child<QPushButton>(&panel, u"action"_qs);
    QCOMPARE(shown(button) ? button->text() : QString(), action);
    QVERIFY(button->isDefault());
    // The status line's headline and the feed's are headings to assistive technology.
    for (const QString& heading : {u"headline"_qs, u"Recent"_qs})
        QCOMPARE(QAccessible::queryAccessibleInterface(child(&panel, heading))->role(),
                 QAccessible::Heading);
    if (state != u"sending")
        return;
    QCOMPARE(bar->value() * 10 + bar->maximum(), 25);
    QCOMPARE(bar->accessibleDescription(), u"2 of 5 sent"_qs);
    rig.print({R"({"event":"sent"})"}); // the line follows within a frame
    QTRY_COMPARE(textAt(&panel, u"headline"_qs), u"Sending 4 of 5"_qs);
    QCOMPARE(bar->accessibleDescription(), u"3 of 5 sent"_qs);
}

void TestStatusPanel::controls() {
    const QString dryRun =
        u"Dry run: the relay reports texts as sent without touching Messages."_qs;
    Panel unpaired("status-unpaired");
    unpaired.fake.run.dryRun = true;
    QVERIFY(unpaired.start());
    StatusPanel& panel = unpaired.show();
    // A dry run says so, between the status line and the counters.
    const QWidget* warning = child(&panel, dryRun);
    QVERIFY(shown(warning));
    QVERIFY(panel.findChild<StatusLineView*>()->geometry().bottom() < warning->y());
    QVERIFY(warning->geometry().bottom() < panel.findChild<TodayRow*>()->y());
    QVERIFY(!shown(child(&panel, u"pause"_qs)));
    QCOMPARE(textAt(&panel, u"subtitle"_qs), u"Mac relay"_qs);
    const auto* dashboard = child(&panel, u"Dashboard"_qs);
    const auto* setup = child(&panel, u"Setup"_qs);
    const auto* quit = child(&panel, u"Quit"_qs);
    QCOMPARE(dashboard->toolTip() + u'|' + setup->toolTip() + u'|' + quit->toolTip(),
             u"Open the Wrenbox dashboard|Permissions, pairing and settings|"
             u"Stop the relay and quit Wrenbox"_qs);
    // Dashboard, Setup, then Quit pushed to the trailing edge.
    QVERIFY(dashboard->x() < setup->x() && setup->geometry().right() + 8 < quit->x());
    QCOMPARE(quit->mapTo(&panel, QPoint(quit->width(), 0)).x(), panel.width() - 16);

    Panel paired;
    QVERIFY(paired.start());
    StatusPanel& other = paired.show();
    auto* pause = child<QPushButton>(&other, u"pause"_qs);
    QVERIFY(shown(pause) && pause->x() < child(&other, u"Dashboard"_qs)->x());
    QCOMPARE(pause->text() + u'|' + pause->toolTip(), u"Pause|Stop sending until you resume"_qs);
    QCOMPARE(textAt(&other, u"subtitle"_qs), u"Studio Mac"_qs);
    QVERIFY(!shown(child(&other, dryRun)));
}

void TestStatusPanel::buttonsAndShortcuts() {
    Panel rig;
    QVERIFY(rig.start());
    StatusPanel& panel = rig.show();
    // Quit stops the relay first.
    QTRY_VERIFY(!rig.relay.livePids().isEmpty());
    int quits = 0;
    panel.setQuitAction([&] { quits += !rig.model->relayWanted() && !rig.model->relayRunning(); });
    QVERIFY(showActive(panel));
    auto* pause = child<QPushButton>(&panel, u"pause"_qs);
    const auto footerFits = [&] { // its buttons within the panel's margins, once laid out
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QWidget* footer = pause->parentWidget();
        return (panel.rect() - QMargins(16, 16, 16, 16))
            .contains(footer->childrenRect().translated(footer->pos()));
    };
    QVERIFY(footerFits());
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(rig.model->userPaused() && footerFits()); // Resume is wider
    QCOMPARE(pause->text() + u'|' + pause->toolTip(), u"Resume|Start sending again"_qs);
    QCOMPARE(textAt(&panel, u"headline"_qs), u"Paused"_qs);
    QTest::keyClick(&panel, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!rig.model->userPaused());
    QCOMPARE(pause->text(), u"Pause"_qs);
    QTest::keyClick(&panel, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(rig.fake.workspace.opened, QList<QUrl>{QUrl(u"http://localhost:8080/app"_qs)});
    QTest::keyClick(&panel, Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(rig.setupOpens, 1);
    QCOMPARE(rig.fake.workspace.activations, 1);
    QTest::keyClick(&panel, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(quits, 1);
    QVERIFY(rig.settle());
    QVERIFY(rig.relay.livePids().isEmpty());

    // Unpaired there is no Pause for Ctrl+P to press, and Return presses the status line's
    // button.
    rig.relay.reply(statusArgs, answer("status-unpaired"));
    QVERIFY(finish(launch(rig.model->refreshStatus())));
    QTest::keyClick(&panel, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!rig.model->userPaused());
    QTRY_VERIFY(shown(panel.findChild<QPushButton*>(u"action"_qs))); // drawn on the next frame
    QTest::keyClick(&panel, Qt::Key_Return);
    QCOMPARE(rig.setupOpens, 2);
    // The dashboard opens only a web address.
    rig.relay.reply(statusArgs, R"({"paired":true,"server":"file:///etc"})");
    QVERIFY(finish(launch(rig.model->refreshStatus())));
    QTest::keyClick(&panel, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(rig.fake.workspace.opened.size(), 1);
}

void TestStatusPanel::pauseForAWhile_data() {
    QTest::addColumn<QString>("choice"); // none: a pause stored by the app's last run
    QTest::addColumn<int>("minutes");    // until it ends by itself; 0: until Resume
    QTest::addColumn<QString>("detail"); // the manual clock starts at 10:00
    QTest::newRow("hour") << u"Pause for 1 hour"_qs << 60 << u"Paused until 11:00."_qs;
    QTest::newRow("tomorrow") << u"Pause until tomorrow"_qs << 0
                              << u"Paused until 02/05/2024 08:00."_qs;
    QTest::newRow("until resumed")
        << u"Pause"_qs << 0 << u"Nothing is sent until you resume. Texts wait on the server."_qs;
    QTest::newRow("stored") << QString() << 30 << u"Paused until 10:30."_qs;
    QTest::newRow("stored, passed while not running")
        << QString() << -5
        << u"Texts go out from your iPhone's number as soon as they're queued."_qs;
}

void TestStatusPanel::pauseForAWhile() {
    QFETCH(QString, choice);
    QFETCH(int, minutes);
    QFETCH(QString, detail);
    const ScopedEnv zone("TZ", "UTC");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    Panel rig;
    const QDateTime until = rig.fake.clock.now().addSecs(minutes * 60);
    if (choice.isEmpty()) {
        rig.fake.defaults.setBool(u"paused"_qs, true);
        rig.fake.defaults.setTime(u"pausedUntil"_qs, until);
    }
    QVERIFY(rig.start());
    StatusPanel& panel = rig.show();
    const auto* pauseFor = child<QToolButton>(&panel, u"Pause for a while"_qs);
    for (QAction* action : pauseFor->menu()->actions())
        action->text() == choice ? action->trigger() : void();
    QTRY_COMPARE(textAt(&panel, u"detail"_qs), detail);
    if (minutes > 0) {
        QCOMPARE(rig.fake.defaults.timeValue(u"pausedUntil"_qs), until);
        rig.advance(std::chrono::minutes(minutes) - 1s);
        QVERIFY(rig.model->userPaused());
        rig.advance(1s);
    } else if (minutes == 0) {
        QTest::mouseClick(child<QPushButton>(&panel, u"pause"_qs), Qt::LeftButton);
    }
    // Over, and forgotten: a restart of the app does not pause again.
    QVERIFY(!rig.model->userPaused() && rig.model->relayWanted());
    QVERIFY(!rig.fake.defaults.timeValue(u"pausedUntil"_qs));
}

void TestStatusPanel::refreshesWhenShownAndRestsWhileHidden() {
    Panel rig;
    QVERIFY(rig.reach(u"synced"_qs));
    StatusPanel& panel = rig.show();
    QVERIFY(rig.settle());
    QCOMPARE(rig.count(statusArgs), 2);
    const QWidget* spinner = child(&panel, u"Checking"_qs);
    QVERIFY(!shown(spinner));
    const auto refresh = launch(rig.model->refresh()); // a full refresh begins at once
    QVERIFY(shown(spinner));
    QVERIFY(spinner->x() > child(&panel, u"subtitle"_qs)->geometry().right());
    QVERIFY(finish(refresh) && rig.settle());
    QVERIFY(!shown(spinner));
    // The age ticks while shown; hidden, no timer runs.
    QCOMPARE(textAt(&panel, u"headline"_qs), u"Online · last sync 12 s ago"_qs);
    rig.fake.clock.advance(1s);
    QCOMPARE(textAt(&panel, u"headline"_qs), u"Online · last sync 13 s ago"_qs);
    rig.fake.clock.advance(47s);
    QCOMPARE(textAt(&panel, u"headline"_qs), u"Online · last sync 1 min ago"_qs);
    panel.hide();
    const auto timers = panel.findChildren<ClockTimer*>();
    QVERIFY(std::none_of(timers.begin(), timers.end(), [](auto* t) { return t->isPending(); }));
    rig.fake.clock.advance(120s);
    QCOMPARE(textAt(&panel, u"headline"_qs), u"Online · last sync 1 min ago"_qs);
    QVERIFY(rig.settle());
    const int before = rig.count(statusArgs);
    panel.show();
    QCOMPARE(textAt(&panel, u"headline"_qs), u"Online · last sync 3 min ago"_qs);
    QVERIFY(rig.settle());
    QVERIFY(rig.count(statusArgs) > before);
}

void TestStatusPanel::phaseChangeAnimatesUnlessMotionIsReduced() {
    Panel rig;
    QVERIFY(rig.start());
    StatusPanel& panel = rig.show();
    const auto animation = [&panel] { return panel.findChild<QVariantAnimation*>(); };
    rig.model->setPaused(true);
    QVERIFY(!animation());
    QCOMPARE(textAt(&panel, u"headline"_qs), u"Paused"_qs);
    panel.setReduceMotion(false);
    rig.model->setPaused(false);
    QTRY_VERIFY(animation());
    QCOMPARE(animation()->state(), QAbstractAnimation::Running);
    QTRY_COMPARE(textAt(&panel, u"headline"_qs), u"Online"_qs); // in place at once, eased in
    animation()->setCurrentTime(animation()->duration());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!animation());
    QVERIFY(!panel.findChild<StatusLineView*>()->graphicsEffect());
}

void TestStatusPanel::feed() {
    Panel rig;
    QVERIFY(rig.start());
    StatusPanel& panel = rig.show();
    QVERIFY(rig.settle()); // the refresh that showing starts is in
    const QString empty = u"Nothing yet. Texts show up here as they go out."_qs;
    QVERIFY(shown(child(&panel, empty)) && rig.rows().isEmpty());
    const QWidget* sent = child(child(&panel, u"Today"_qs), u"Sent"_qs);
    QCOMPARE(sent->accessibleDescription(), u"0 today"_qs);
    rig.print({R"({"event":"sent"})", R"({"event":"sent"})", R"({"event":"received"})",
               R"({"event":"failed","message":"Long"})",
               R"({"event":"failed","message":"Short"})"});
    QTRY_COMPARE(sent->accessibleDescription(), u"2 today"_qs);
    QCOMPARE(child(child(&panel, u"Today"_qs), u"Failed"_qs)->accessibleDescription(),
             u"2 today"_qs);
    QTRY_COMPARE(rig.rows().size(), 5);
    QCOMPARE(rig.rows().first(), u"Not sent: Short"_qs); // newest first
    QVERIFY(!shown(child(&panel, empty)));
    // A flood is drawn at the end of the frame, not line by line; six rows at most.
    QList<QByteArray> burst;
    for (int i = 1; i <= 200; ++i)
        burst.append(R"({"event":"error","message":"Burst )" + QByteArray::number(i) + "\"}");
    rig.print(burst);
    QVERIFY(rig.rows().value(0) != u"Burst 200"_qs);
    QTRY_COMPARE(rig.rows(), (QStringList{"Burst 200", "Burst 199", "Burst 198", "Burst 197",
                                          "Burst 196", "Burst 195"}));
    // A huge message wraps to two lines ending in an ellipsis; only its start is announced.
    const QByteArray message = QByteArray("Disk full. ").repeated(95'000); // about 1 MB
    rig.print({R"({"event":"error","message":")" + message + "\"}"});
    QTRY_COMPARE(rig.rows().value(0).size(), message.size());
    const auto labels = panel.findChildren<LineLimitedLabel*>();
    const auto* label = *std::find_if(labels.begin(), labels.end(),
                                      [&](auto* l) { return l->text().size() == message.size(); });
    const auto* row = qobject_cast<const EventRow*>(label->parentWidget());
    QTRY_COMPARE(label->height(), 2 * QFontMetrics(label->font()).lineSpacing());
    QCOMPARE(label->lines(label->width()).size(), 2);
    QVERIFY(label->lines(label->width()).last().endsWith(QChar(0x2026)));
    QVERIFY(row->accessibleName().startsWith(u"Disk full. Disk full."_qs));
    QVERIFY(row->accessibleName().size() < 2000);
}

QTEST_MAIN(TestStatusPanel)
#include "tst_statuspanel.moc"
