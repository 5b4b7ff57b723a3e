#include "PanelRig.h"

#include "Core/Clock.h"
#include "Design/Spinner.h"
#include "Features/Panel/EventFeed.h"
#include "Features/Panel/EventRow.h"
#include "Features/Panel/FrameSync.h"
#include "Features/Panel/LineLimitedLabel.h"
#include "Features/Panel/StatusLine.h"
#include "Features/Panel/TodayRow.h"
#include "Platform/Linux/LinuxDesktopSettings.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>

using Scenario = PanelRig::Scenario;
Q_DECLARE_METATYPE(PanelRig::Scenario)

namespace {
bool shown(const QWidget* widget) {
    return widget->isVisibleTo(widget->window());
}

// Shows the panel as its own window and waits until it can take keyboard shortcuts.
bool showActive(StatusPanel& panel) {
    panel.show();
    panel.activateWindow();
    QApplication::setActiveWindow(&panel);
    return QTest::qWaitForWindowActive(&panel);
}

QStringList rowTexts(const EventFeed& feed) {
    QStringList texts;
    const auto rows = feed.visibleRows();
    for (const EventRow* row : rows)
        texts.append(row->sentenceLabel()->text());
    return texts;
}
} // namespace

class PanelWidgetsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusLineComposition_data();
    void statusLineComposition();
    void sendingShowsTheBatch();
    void headlineIsAHeading();
    void controlsWhenUnpaired();
    void controlsWhenPaired();
    void pauseBecomesResume();
    void shortcutsTriggerTheirActions();
    void dashboardOpensOnlyWebAddresses_data();
    void dashboardOpensOnlyWebAddresses();
    void updateButtonOpensOnlyWebAddresses_data();
    void updateButtonOpensOnlyWebAddresses();
    void returnPressesTheAction();
    void quitStopsTheRelayFirst();
    void dryRunWarningSitsAboveTheCounters_data();
    void dryRunWarningSitsAboveTheCounters();
    void spinnerWhileChecking();
    void refreshesTheStatusWhenShown();
    void lastSyncAgeMovesOnlyWhileShown();
    void noTimerRunsWhileHidden();
    void phaseChangeAnimatesUnlessMotionIsReduced();
    void todayCounters();
    void emptyFeed();
    void feedShowsSixNewestFirst();
    void longSentenceWrapsThenElides();
    void hugeMessageIsCutBeforeLayout();
    void floodRedrawsTheFeedOncePerFrame();
    void desktopMotionSettingIsReadFromASaneFile_data();
    void desktopMotionSettingIsReadFromASaneFile();
};

void PanelWidgetsTest::statusLineComposition_data() {
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QString>("headline");
    QTest::addColumn<bool>("detail");
    QTest::addColumn<bool>("bar");
    QTest::addColumn<QString>("button"); // empty: no button
    QTest::newRow("starting") << Scenario::Starting << "Starting…" << false << false << "";
    QTest::newRow("idle") << Scenario::Idle << "Online" << true << false << "";
    QTest::newRow("idle after a sync")
        << Scenario::IdleSynced << "Online · last sync 12 s ago" << true << false << "";
    QTest::newRow("sending") << Scenario::Sending << "Sending 3 of 5" << false << true << "";
    QTest::newRow("paused by the user")
        << Scenario::PausedByUser << "Paused" << true << false << "";
    QTest::newRow("paused by the server")
        << Scenario::PausedByServer << "Paused for now" << true << false << "";
    QTest::newRow("not paired") << Scenario::NotPaired << "Not paired yet" << true << false
                                << "Pair this Mac";
    QTest::newRow("full disk access")
        << Scenario::FullDiskAccess << "Needs Full Disk Access" << true << false << "Open Setup";
    QTest::newRow("automation") << Scenario::Automation << "Needs permission for Messages" << true
                                << false << "Open Setup";
    QTest::newRow("update required")
        << Scenario::UpdateRequired << "Update Wrenbox" << true << false << "Download the update";
    QTest::newRow("relay stopped")
        << Scenario::RelayStopped << "The relay stopped" << true << false << "Open Setup";
}

void PanelWidgetsTest::statusLineComposition() {
    QFETCH(Scenario, scenario);
    QFETCH(QString, headline);
    QFETCH(bool, detail);
    QFETCH(bool, bar);
    QFETCH(QString, button);

    auto rig = PanelRig::make(scenario);
    QVERIFY(rig->reach(scenario));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    const StatusLineView* line = panel.statusLine();

    QCOMPARE(line->headlineLabel()->text(), headline);
    QVERIFY(shown(line->headlineLabel()));
    QVERIFY(shown(line->iconLabel()));
    QVERIFY(!line->iconLabel()->pixmap().isNull());
    QCOMPARE(shown(line->detailLabel()), detail);
    if (detail)
        QCOMPARE(line->detailLabel()->text(), *StatusLine::detail(rig->model->phase()));
    QCOMPARE(shown(line->progressBar()), bar);
    QCOMPARE(shown(line->actionButton()), !button.isEmpty());
    if (!button.isEmpty()) {
        QCOMPARE(line->actionButton()->text(), button);
        QVERIFY(line->actionButton()->isDefault());
    }
}

void PanelWidgetsTest::sendingShowsTheBatch() {
    auto rig = PanelRig::make(Scenario::Sending);
    QVERIFY(rig->reach(Scenario::Sending));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    const QProgressBar* bar = panel.statusLine()->progressBar();
    QCOMPARE(bar->value(), 2);
    QCOMPARE(bar->maximum(), 5);
    QCOMPARE(bar->accessibleName(), QStringLiteral("Batch progress"));
    QCOMPARE(bar->accessibleDescription(), QStringLiteral("2 of 5 sent"));

    // The next text goes out: the line follows at once.
    rig->print({R"({"event":"sent"})"});
    QCOMPARE(panel.statusLine()->headlineLabel()->text(), QStringLiteral("Sending 4 of 5"));
    QCOMPARE(bar->value(), 3);
    QCOMPARE(bar->accessibleDescription(), QStringLiteral("3 of 5 sent"));
}

void PanelWidgetsTest::headlineIsAHeading() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    QAccessibleInterface* headline =
        QAccessible::queryAccessibleInterface(panel.statusLine()->headlineLabel());
    QVERIFY(headline);
    QCOMPARE(headline->role(), QAccessible::Heading);
    QCOMPARE(headline->text(QAccessible::Name), QStringLiteral("Online"));
    QAccessibleInterface* recent =
        QAccessible::queryAccessibleInterface(panel.eventFeed()->headingLabel());
    QVERIFY(recent);
    QCOMPARE(recent->role(), QAccessible::Heading);
    QCOMPARE(recent->text(QAccessible::Name), QStringLiteral("Recent"));
}

void PanelWidgetsTest::controlsWhenUnpaired() {
    auto rig = PanelRig::make(Scenario::NotPaired);
    QVERIFY(rig->reach(Scenario::NotPaired));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    QVERIFY(!shown(panel.pauseButton()));
    QVERIFY(shown(panel.dashboardButton()));
    QVERIFY(shown(panel.setupButton()));
    QVERIFY(shown(panel.quitButton()));
    QCOMPARE(panel.subtitleLabel()->text(), QStringLiteral("Mac relay"));
    QCOMPARE(panel.titleLabel()->text(), QStringLiteral("Wrenbox"));
    // Dashboard, Setup, then Quit pushed to the trailing edge.
    QVERIFY(panel.dashboardButton()->x() < panel.setupButton()->x());
    QVERIFY(panel.setupButton()->geometry().right() + 8 < panel.quitButton()->x());
    QCOMPARE(panel.quitButton()->mapTo(&panel, QPoint(panel.quitButton()->width(), 0)).x(),
             panel.width() - StatusPanel::padding);
    QCOMPARE(panel.dashboardButton()->text(), QStringLiteral("Dashboard"));
    QCOMPARE(panel.setupButton()->text(), QStringLiteral("Setup"));
    QCOMPARE(panel.quitButton()->text(), QStringLiteral("Quit"));
    QCOMPARE(panel.dashboardButton()->toolTip(), QStringLiteral("Open the Wrenbox dashboard"));
    QCOMPARE(panel.setupButton()->toolTip(), QStringLiteral("Permissions, pairing and settings"));
    QCOMPARE(panel.quitButton()->toolTip(), QStringLiteral("Stop the relay and quit Wrenbox"));
    QCOMPARE(panel.width(), StatusPanel::panelWidth);
}

void PanelWidgetsTest::controlsWhenPaired() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    QVERIFY(shown(panel.pauseButton()));
    QVERIFY(panel.pauseButton()->x() < panel.dashboardButton()->x());
    QCOMPARE(panel.pauseButton()->text(), QStringLiteral("Pause"));
    QVERIFY(!panel.pauseButton()->icon().isNull());
    QCOMPARE(panel.pauseButton()->toolTip(), QStringLiteral("Stop sending until you resume"));
    QCOMPARE(panel.subtitleLabel()->text(), QStringLiteral("Studio Mac"));
}

void PanelWidgetsTest::pauseBecomesResume() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    QVERIFY(showActive(panel));
    QVERIFY(rig->model->relayWanted());

    QTest::mouseClick(panel.pauseButton(), Qt::LeftButton);
    QVERIFY(rig->model->userPaused());
    QVERIFY(!rig->model->relayWanted());
    QCOMPARE(panel.pauseButton()->text(), QStringLiteral("Resume"));
    QCOMPARE(panel.pauseButton()->toolTip(), QStringLiteral("Start sending again"));
    QCOMPARE(panel.statusLine()->headlineLabel()->text(), QStringLiteral("Paused"));

    // Ctrl+P presses it again.
    QTest::keyClick(&panel, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!rig->model->userPaused());
    QCOMPARE(panel.pauseButton()->text(), QStringLiteral("Pause"));
    QCOMPARE(panel.pauseButton()->toolTip(), QStringLiteral("Stop sending until you resume"));
}

void PanelWidgetsTest::shortcutsTriggerTheirActions() {
    auto rig = PanelRig::make(Scenario::NotPaired);
    QVERIFY(rig->reach(Scenario::NotPaired));
    StatusPanel& panel = rig->makePanel();
    int quits = 0;
    panel.setQuitAction([&quits] { ++quits; });
    QVERIFY(showActive(panel));

    // Unpaired there is no Pause: Ctrl+P does nothing.
    QTest::keyClick(&panel, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!rig->model->userPaused());

    QTest::keyClick(&panel, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(rig->fake.workspace.opened.size(), 1);
    QCOMPARE(rig->fake.workspace.opened.constFirst(), *rig->model->dashboardURL());

    QTest::keyClick(&panel, Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(rig->setupOpens, 1);
    QCOMPARE(rig->fake.workspace.activations, 1);

    QCOMPARE(quits, 0);
    QTest::keyClick(&panel, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(quits, 1);
}

void PanelWidgetsTest::dashboardOpensOnlyWebAddresses_data() {
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<QString>("opened"); // empty: nothing
    QTest::newRow("https server") << QByteArray("https://wrenbox.example")
                                  << "https://wrenbox.example/app";
    QTest::newRow("local http server")
        << QByteArray("http://localhost:8787") << "http://localhost:8787/app";
    QTest::newRow("file server") << QByteArray("file:///etc") << "";
    QTest::newRow("custom scheme") << QByteArray("wrenbox-mac://pair") << "";
    QTest::newRow("script") << QByteArray("javascript:alert(1)") << "";
}

void PanelWidgetsTest::dashboardOpensOnlyWebAddresses() {
    QFETCH(QByteArray, server);
    QFETCH(QString, opened);
    PanelRig rig(R"({"paired":true,"server":")" + server + R"("})");
    QVERIFY(rig.start());
    StatusPanel& panel = rig.makePanel();
    panel.show();
    QTest::mouseClick(panel.dashboardButton(), Qt::LeftButton);
    if (opened.isEmpty()) {
        QVERIFY(rig.fake.workspace.opened.isEmpty());
    } else {
        QCOMPARE(rig.fake.workspace.opened.size(), 1);
        QCOMPARE(rig.fake.workspace.opened.constFirst(), QUrl(opened));
    }
}

void PanelWidgetsTest::updateButtonOpensOnlyWebAddresses_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QString>("opened"); // empty: Setup opens instead
    QTest::newRow("https address")
        << PanelRig::paired(R"(,"updateRequired":true,"updateUrl":"https://wrenbox.example/get")")
        << "https://wrenbox.example/get";
    QTest::newRow("no address") << PanelRig::paired(R"(,"updateRequired":true)") << "";
    QTest::newRow("file address")
        << PanelRig::paired(R"(,"updateRequired":true,"updateUrl":"file:///tmp/payload")") << "";
    QTest::newRow("app link") << PanelRig::paired(
                                     R"(,"updateRequired":true,"updateUrl":"smb://host/share")")
                              << "";
}

void PanelWidgetsTest::updateButtonOpensOnlyWebAddresses() {
    QFETCH(QByteArray, status);
    QFETCH(QString, opened);
    PanelRig rig(status);
    QVERIFY(rig.start());
    StatusPanel& panel = rig.makePanel();
    panel.show();
    QPushButton* button = panel.statusLine()->actionButton();
    QVERIFY(shown(button));
    QCOMPARE(button->text(), QStringLiteral("Download the update"));
    QTest::mouseClick(button, Qt::LeftButton);
    if (opened.isEmpty()) {
        QVERIFY(rig.fake.workspace.opened.isEmpty());
        QCOMPARE(rig.setupOpens, 1);
        QCOMPARE(rig.fake.workspace.activations, 1);
    } else {
        QCOMPARE(rig.fake.workspace.opened, QList<QUrl>{QUrl(opened)});
        QCOMPARE(rig.setupOpens, 0);
    }
}

void PanelWidgetsTest::returnPressesTheAction() {
    auto rig = PanelRig::make(Scenario::FullDiskAccess);
    QVERIFY(rig->reach(Scenario::FullDiskAccess));
    StatusPanel& panel = rig->makePanel();
    QVERIFY(showActive(panel));
    QTest::keyClick(&panel, Qt::Key_Return);
    QCOMPARE(rig->setupOpens, 1);
}

void PanelWidgetsTest::quitStopsTheRelayFirst() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    QTRY_VERIFY(rig->model->relayRunning());
    QTRY_VERIFY(!rig->relay.livePids().isEmpty());
    StatusPanel& panel = rig->makePanel();
    panel.show();

    bool stoppedBeforeQuit = false;
    int quits = 0;
    panel.setQuitAction([&] {
        ++quits;
        stoppedBeforeQuit = !rig->model->relayWanted() && !rig->model->relayRunning();
    });
    QTest::mouseClick(panel.quitButton(), Qt::LeftButton);
    QCOMPARE(quits, 1);
    QVERIFY(stoppedBeforeQuit);
    // The process itself is gone shortly after its termination signal.
    QTRY_VERIFY_WITH_TIMEOUT(rig->relay.livePids().isEmpty(), 10'000);
}

void PanelWidgetsTest::dryRunWarningSitsAboveTheCounters_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("warning");
    QTest::newRow("dry run") << QByteArray("1") << true;
    QTest::newRow("a word is no dry run") << QByteArray("true") << false;
    QTest::newRow("unset") << QByteArray() << false;
}

void PanelWidgetsTest::dryRunWarningSitsAboveTheCounters() {
    QFETCH(QByteArray, value);
    QFETCH(bool, warning);
    PanelRig rig(PanelRig::unpaired());
    rig.fake.run.dryRun = value == "1";
    rig.makeModel();
    QVERIFY(rig.start());
    StatusPanel& panel = rig.makePanel();
    panel.show();
    QCOMPARE(shown(panel.dryRunWarning()), warning);
    if (warning) {
        const int top = panel.dryRunWarning()->geometry().top();
        QVERIFY(panel.statusLine()->geometry().bottom() < top);
        QVERIFY(panel.dryRunWarning()->geometry().bottom() < panel.todayRow()->geometry().top());
        QCOMPARE(panel.dryRunWarning()->accessibleName(), StatusPanel::dryRunText());
    } else {
        // Nothing takes its place: the counters follow the status line at the usual spacing.
        QCOMPARE(panel.todayRow()->geometry().top() - panel.statusLine()->geometry().bottom() - 1,
                 StatusPanel::spacing);
    }
}

void PanelWidgetsTest::spinnerWhileChecking() {
    PanelRig rig;
    rig.makeModel();
    StatusPanel& panel = rig.makePanel();
    panel.show();
    QVERIFY(!shown(panel.spinner()));
    rig.model->start(); // the full refresh begins at once
    QVERIFY(rig.model->isChecking());
    QVERIFY(shown(panel.spinner()));
    QCOMPARE(panel.spinner()->accessibleName(), QStringLiteral("Checking"));
    // At the trailing end of the header.
    QVERIFY(panel.spinner()->x() > panel.subtitleLabel()->geometry().right());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.model->isChecking(), 10'000);
    QVERIFY(!shown(panel.spinner()));
}

void PanelWidgetsTest::refreshesTheStatusWhenShown() {
    // Paired with the relay, but the panel was built before the model knew.
    PanelRig rig;
    rig.makeModel();
    StatusPanel& panel = rig.makePanel();
    QCOMPARE(panel.subtitleLabel()->text(), QStringLiteral("Mac relay"));
    const auto statusCalls = [&rig] { return rig.count(statusArgs); };
    QCOMPARE(statusCalls(), 0);
    panel.show();
    QTRY_COMPARE(statusCalls(), 1);
    QTRY_COMPARE(panel.subtitleLabel()->text(), QStringLiteral("Studio Mac"));
    QVERIFY(shown(panel.pauseButton()));
    panel.hide();
    panel.show();
    QTRY_COMPARE(statusCalls(), 2);
}

void PanelWidgetsTest::lastSyncAgeMovesOnlyWhileShown() {
    auto rig = PanelRig::make(Scenario::IdleSynced);
    QVERIFY(rig->reach(Scenario::IdleSynced));
    StatusPanel& panel = rig->makePanel();
    const QLabel* headline = panel.statusLine()->headlineLabel();
    panel.show();
    QCOMPARE(headline->text(), QStringLiteral("Online · last sync 12 s ago"));
    rig->fake.clock.advance(std::chrono::seconds(1));
    QCOMPARE(headline->text(), QStringLiteral("Online · last sync 13 s ago"));
    rig->fake.clock.advance(std::chrono::seconds(47));
    QCOMPARE(headline->text(), QStringLiteral("Online · last sync 1 min ago"));

    panel.hide();
    rig->fake.clock.advance(std::chrono::seconds(120));
    QCOMPARE(headline->text(), QStringLiteral("Online · last sync 1 min ago"));
    panel.show();
    QCOMPARE(headline->text(), QStringLiteral("Online · last sync 3 min ago"));
}

void PanelWidgetsTest::noTimerRunsWhileHidden() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    const auto ticking = [&panel] {
        int pending = 0;
        const auto timers = panel.findChildren<ClockTimer*>();
        for (const ClockTimer* timer : timers)
            pending += timer->isPending() ? 1 : 0;
        return pending;
    };
    QCOMPARE(ticking(), 0);
    panel.show();
    QCOMPARE(ticking(), 1);
    rig->fake.clock.advance(std::chrono::seconds(3));
    QCOMPARE(ticking(), 1);

    panel.hide();
    QCOMPARE(ticking(), 0);
    const auto timers = panel.findChildren<QTimer*>();
    for (const QTimer* timer : timers)
        QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
    QVERIFY(!panel.phaseAnimation());
    // Nothing moves while closed.
    const QString headline = panel.statusLine()->headlineLabel()->text();
    rig->fake.clock.advance(std::chrono::seconds(5));
    QCOMPARE(ticking(), 0);
    QCOMPARE(panel.statusLine()->headlineLabel()->text(), headline);
}

void PanelWidgetsTest::phaseChangeAnimatesUnlessMotionIsReduced() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    panel.show();

    panel.setReduceMotion(true);
    rig->model->setPaused(true);
    QVERIFY(!panel.phaseAnimation());
    QVERIFY(!panel.statusLine()->graphicsEffect());
    QCOMPARE(panel.statusLine()->headlineLabel()->text(), QStringLiteral("Paused"));

    panel.setReduceMotion(false);
    rig->model->setPaused(false);
    QTRY_VERIFY(panel.phaseAnimation()); // at the latest when the frame ends
    QCOMPARE(panel.phaseAnimation()->state(), QAbstractAnimation::Running);
    // The new state is in place within a frame; only its appearance eases in.
    QTRY_COMPARE(panel.statusLine()->headlineLabel()->text(), QStringLiteral("Online"));
    // Jump to its end rather than wait for it.
    QVariantAnimation* animation = panel.phaseAnimation();
    animation->setCurrentTime(animation->duration());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!panel.phaseAnimation());
    QVERIFY(!panel.statusLine()->graphicsEffect());

    // Within a phase nothing moves: a sync only renews the age, a sent text only counts.
    // Settled: no frame of the panel's is still open, so every change has been drawn.
    const auto settled = [&] {
        const QList<QTimer*> timers = panel.findChildren<QTimer*>();
        return std::none_of(timers.begin(), timers.end(), [](const QTimer* timer) {
            return timer->isActive() && timer->interval() == FrameSync::frameMs;
        });
    };
    const auto animates = [&](const QByteArray& line, const QString& headline) {
        rig->print({line});
        if (!QTest::qWaitFor(settled))
            return -2;
        QVariantAnimation* moving = panel.phaseAnimation();
        if (moving)
            moving->setCurrentTime(moving->duration());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return panel.statusLine()->headlineLabel()->text().startsWith(headline) ? int(bool(moving))
                                                                                : -1;
    };
    QCOMPARE(animates(R"({"event":"synced"})", "Online · last sync"), 0);
    QCOMPARE(animates(R"({"event":"synced"})", "Online · last sync"), 0);
    QCOMPARE(animates(R"({"event":"synced","jobs":3})", "Sending 1 of 3"), 1);
    QCOMPARE(animates(R"({"event":"sent"})", "Sending 2 of 3"), 0);
}

void PanelWidgetsTest::todayCounters() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    const TodayRow* today = panel.todayRow();
    QCOMPARE(today->accessibleName(), QStringLiteral("Today"));
    for (const QLabel* value : today->valueLabels())
        QCOMPARE(value->text(), QStringLiteral("0"));
    QCOMPARE(today->titleLabels()[0]->text(), QStringLiteral("Sent"));
    QCOMPARE(today->titleLabels()[1]->text(), QStringLiteral("Failed"));
    QCOMPARE(today->titleLabels()[2]->text(), QStringLiteral("Received"));

    rig->print({R"({"event":"sent"})", R"({"event":"sent"})", R"({"event":"received"})"});
    QTRY_COMPARE(today->valueLabels()[0]->text(), QStringLiteral("2"));
    QCOMPARE(today->valueLabels()[1]->text(), QStringLiteral("0"));
    QCOMPARE(today->valueLabels()[2]->text(), QStringLiteral("1"));
    QCOMPARE(today->columns()[0]->accessibleName(), QStringLiteral("Sent"));
    QCOMPARE(today->columns()[0]->accessibleDescription(), QStringLiteral("2 today"));
    // Shown only now: showing refreshes the status, whose counts would replace the events'.
    panel.show();
    // Three equal columns.
    QVERIFY(today->columns()[0]->x() < today->columns()[1]->x());
    QVERIFY(today->columns()[1]->x() < today->columns()[2]->x());
    QVERIFY(qAbs((today->columns()[1]->x() - today->columns()[0]->x()) -
                 (today->columns()[2]->x() - today->columns()[1]->x())) <= 1);
}

void PanelWidgetsTest::emptyFeed() {
    PanelRig rig;
    StatusPanel& panel = rig.makePanel();
    panel.show();
    const EventFeed* feed = panel.eventFeed();
    QCOMPARE(feed->headingLabel()->text(), QStringLiteral("Recent"));
    QVERIFY(shown(feed->emptyLabel()));
    QCOMPARE(feed->emptyLabel()->text(),
             QStringLiteral("Nothing yet. Texts show up here as they go out."));
    QVERIFY(feed->visibleRows().isEmpty());
}

void PanelWidgetsTest::feedShowsSixNewestFirst() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    QList<QByteArray> lines;
    for (int i = 1; i <= 12; ++i)
        lines.append(R"({"event":"error","message":"Event )" + QByteArray::number(i) + R"("})");
    rig->print(lines);
    QCOMPARE(rig->model->events().size(), 12);

    const EventFeed* feed = panel.eventFeed();
    QVERIFY(!shown(feed->emptyLabel()));
    QTRY_COMPARE(rowTexts(*feed), (QStringList{"Event 12", "Event 11", "Event 10", "Event 9",
                                               "Event 8", "Event 7"}));
    const auto rows = feed->visibleRows();
    for (qsizetype i = 1; i < rows.size(); ++i)
        QVERIFY(rows[i - 1]->y() < rows[i]->y());
    QCOMPARE(rows.constFirst()->symbolName(), QStringLiteral("exclamationmark.triangle.fill"));
    QCOMPARE(rows.constFirst()->timeLabel()->text(),
             EventRow::time(rig->model->events().constFirst()));

    rig->print({R"({"event":"received"})"});
    QCOMPARE(rowTexts(*feed).size(), EventFeed::maxRows);
    QTRY_COMPARE(rowTexts(*feed).constFirst(), QStringLiteral("Reply received"));
}

void PanelWidgetsTest::longSentenceWrapsThenElides() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    const QByteArray reason = QByteArray("The carrier refused the message because ").repeated(4);
    rig->print({R"({"event":"failed","message":")" + reason + R"("})",
                R"({"event":"failed","message":"Short"})"});
    QTRY_COMPARE(panel.eventFeed()->visibleRows().size(), 2);
    const auto rows = panel.eventFeed()->visibleRows();
    QCOMPARE(rows.size(), 2);
    const LineLimitedLabel* longOne = rows[1]->sentenceLabel();
    const LineLimitedLabel* shortOne = rows[0]->sentenceLabel();
    QCOMPARE(longOne->lines(longOne->width()).size(), 2);
    QVERIFY(longOne->isElided(longOne->width()));
    QVERIFY(longOne->lines(longOne->width()).constLast().endsWith(QChar(0x2026)));
    QCOMPARE(shortOne->lines(shortOne->width()), QStringList{"Not sent: Short"});
    QVERIFY(!shortOne->isElided(shortOne->width()));
    // Two lines tall; the time stays on the first line's baseline, at the trailing edge.
    QTRY_COMPARE(longOne->height(), 2 * QFontMetrics(longOne->font()).lineSpacing());
    const QLabel* time = rows[1]->timeLabel();
    QCOMPARE(time->y() + time->contentsRect().top() + QFontMetrics(time->font()).ascent(),
             longOne->y() + QFontMetrics(longOne->font()).ascent());
    QCOMPARE(rows[1]->timeLabel()->geometry().right(), rows[1]->width() - 1);
}

void PanelWidgetsTest::hugeMessageIsCutBeforeLayout() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    const QByteArray message = QByteArray("Disk full. ").repeated(95'000); // about 1 MB
    rig->print({R"({"event":"error","message":")" + message + R"("})"});
    QTRY_COMPARE(panel.eventFeed()->visibleRows().size(), 1);
    const EventRow* row = panel.eventFeed()->visibleRows().constFirst();
    const LineLimitedLabel* label = row->sentenceLabel();
    QCOMPARE(label->text().size(), message.size());
    QCOMPARE(label->lines(label->width()).size(), 2);
    QVERIFY(label->isElided(label->width()));
    // Only a bounded start of it is laid out and announced.
    QVERIFY(row->accessibleName().startsWith(QStringLiteral("Disk full. Disk full.")));
    QVERIFY(row->accessibleName().size() < 2000);
}

void PanelWidgetsTest::floodRedrawsTheFeedOncePerFrame() {
    auto rig = PanelRig::make(Scenario::Idle);
    QVERIFY(rig->reach(Scenario::Idle));
    StatusPanel& panel = rig->makePanel();
    panel.show();
    QList<QByteArray> burst;
    for (int i = 1; i <= 200; ++i)
        burst.append(R"({"event":"error","message":"Burst )" + QByteArray::number(i) + R"("})");
    rig->print(burst);
    // The first event shows at once; the rest wait for the end of the frame and show together.
    QCOMPARE(rowTexts(*panel.eventFeed()), QStringList{"Burst 1"});
    QTRY_COMPARE(rowTexts(*panel.eventFeed()).value(0), QStringLiteral("Burst 200"));
    QCOMPARE(rowTexts(*panel.eventFeed()).size(), EventFeed::maxRows);
}

void PanelWidgetsTest::desktopMotionSettingIsReadFromASaneFile_data() {
    QTest::addColumn<int>("padding");
    QTest::newRow("small file") << 0;
    QTest::newRow("over a megabyte") << 1024 * 1024;
}

void PanelWidgetsTest::desktopMotionSettingIsReadFromASaneFile() {
    QFETCH(int, padding);
    QTemporaryDir config;
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QFile file(config.filePath(QStringLiteral("kdeglobals")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[KDE]\nAnimationDurationFactor=0\n[Padding]\nx=" + QByteArray(padding, 'x'));
    file.close();
    // A huge file would stall the panel while parsed: it is not read at all.
    const bool reduces = LinuxDesktopSettings().reducesMotion();
    qputenv("XDG_CONFIG_HOME", previous);
    QCOMPARE(reduces, padding == 0);
}

QTEST_MAIN(PanelWidgetsTest)
#include "tst_panelwidgets.moc"
