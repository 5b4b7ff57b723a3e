// The status panel on the offscreen platform, over a real model and the fake relay, driven as a
// user drives it.

#include "Features/Panel/EventRow.h"
#include "Features/Panel/LineLimitedLabel.h"
#include "Features/Panel/StatusLine.h"
#include "Features/Panel/StatusPanel.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QAccessible>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <QVariantAnimation>

using namespace std::chrono_literals;

// Declared ahead of the helpers: moc cannot read the raw JSON strings below.

namespace {
// A panel over a model in one of the states it shows.
struct Panel : RelayRig {
    explicit Panel(const char* status = "status-paired")
        : RelayRig(status) {}
    StatusPanel& show() {
        if (!model)
            make();
        panel = std::make_unique<StatusPanel>(*model, fake.platform(), [this] { ++setupOpens; });
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

class TestStatusPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusLine_data() { addRows("Features/Panel/panel.txt"); }

    void statusLine() {
        QFETCH(QByteArrayList, row);
        const QByteArray how = row[3];
        if (!how.startsWith('{') && !knownKind(how, {"-", "starting", "stopped", "paused"}))
            return;
        Panel rig(row[1].constData());
        rig.fake.run.dryRun = row[0].startsWith("dry run");
        rig.relay.reply(doctorArgs, row[2] == "-" ? QByteArray("{}") : answer(row[2].constData()));
        if (how == "stopped")
            rig.relay.runStream({{}, false, 2});
        if (how != "starting")
            QVERIFY(rig.start());
        if (how == "paused")
            rig.model->setPaused(true);
        else if (how.startsWith('{'))
            rig.print(how.split(' '));
        StatusPanel& panel = rig.show();
        const auto text = [&panel](const QString& key) {
            return shown(child(&panel, key)) ? textAt(&panel, key) : u"-"_qs;
        };
        QTRY_COMPARE(QStringList({text(u"headline"_qs), text(u"action"_qs), text(u"subtitle"_qs),
                                  text(u"pause"_qs)})
                         .join(u" ¦ "),
                     QString::fromUtf8(row.mid(4).join(" ¦ ")));
        QCOMPARE(text(u"detail"_qs), StatusLine::detail(rig.model->phase()).value_or(u"-"_qs));
        auto* bar = child<QProgressBar>(&panel, u"Batch progress"_qs);
        QCOMPARE(shown(bar), row[0] == "sending");
        const QString dryRun =
            u"Dry run: the relay reports texts as sent without touching Messages."_qs;
        QCOMPARE(shown(child(&panel, dryRun)), rig.fake.run.dryRun);
        // The status line's headline and the feed's are headings to assistive technology.
        for (const QString& heading : {u"headline"_qs, u"Recent"_qs})
            QCOMPARE(QAccessible::queryAccessibleInterface(child(&panel, heading))->role(),
                     QAccessible::Heading);
        if (row[0] != "sending")
            return;
        QCOMPARE(bar->value() * 10 + bar->maximum(), 25);
        rig.print({"{\"event\":\"sent\"}"}); // the line follows within a frame
        QTRY_COMPARE(textAt(&panel, u"headline"_qs), u"Sending 4 of 5"_qs);
        QCOMPARE(bar->accessibleDescription(), u"3 of 5 sent"_qs);
    }

    void buttonsAndShortcuts() {
        Panel rig;
        QVERIFY(rig.start());
        StatusPanel& panel = rig.show();
        QTRY_VERIFY(!rig.relay.livePids().isEmpty());
        int quits = 0; // Quit stops the relay first
        panel.setQuitAction(
            [&] { quits += !rig.model->relayWanted() && !rig.model->relayRunning(); });
        QVERIFY(showActive(panel));
        const Announcements said(panel);
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
        QCOMPARE(pause->text(), u"Resume"_qs);
        QVERIFY(!panel.findChild<QVariantAnimation*>()); // motion reduced
        // Otherwise the new phase fades in, and the fade leaves nothing behind.
        panel.setReduceMotion(false);
        QTest::keyClick(&panel, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!rig.model->userPaused());
        QTRY_VERIFY(panel.findChild<QVariantAnimation*>());
        auto* fade = panel.findChild<QVariantAnimation*>();
        fade->setCurrentTime(fade->duration());
        QVERIFY(!panel.findChild<StatusLineView*>()->graphicsEffect());
        // A sync only renews the age, which moves every second anyway: no fade, nothing said.
        // Each new phase was said once.
        rig.print({"{\"event\":\"synced\"}"});
        rig.advance(3s);
        QVERIFY(!panel.findChild<StatusLineView*>()->graphicsEffect());
        QCOMPARE(said.heard, QStringList({u"Paused"_qs, u"Online"_qs}));
        QTest::keyClick(&panel, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(rig.fake.workspace.opened, QList<QUrl>{QUrl(u"http://localhost:8080/app"_qs)});
        QTest::keyClick(&panel, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(rig.setupOpens * 10 + rig.fake.workspace.activations, 11);
        QTest::keyClick(&panel, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(quits, 1);
        QVERIFY(rig.settle());

        // Unpaired there is no Pause for Ctrl+P to press, and Return presses the status line's
        // button.
        rig.relay.reply(statusArgs, answer("status-unpaired"));
        QVERIFY(finish(launch(rig.model->refreshStatus())));
        QTest::keyClick(&panel, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!rig.model->userPaused());
        QTRY_VERIFY(shown(panel.findChild<QPushButton*>(u"action"_qs))); // drawn on the next frame
        QTest::keyClick(&panel, Qt::Key_Return);
        QCOMPARE(rig.setupOpens, 2);
        // An update required: Return opens the relay's download address.
        rig.relay.reply(statusArgs, answer("status-update-required"));
        QVERIFY(finish(launch(rig.model->refreshStatus())));
        QTRY_COMPARE(textAt(&panel, u"action"_qs), u"Download the update"_qs);
        QTest::keyClick(&panel, Qt::Key_Return);
        QCOMPARE(rig.fake.workspace.opened.last(), QUrl(u"https://wrenbox.example/download"_qs));
        // The dashboard opens only a web address: the model gives an address for any absolute
        // one with a host, the panel lets only the web's own through.
        for (const char* server : {"file:///etc", "wrenbox-mac://evil.example",
                                   "javascript://evil.example/%0Aalert(1)"}) {
            rig.relay.reply(statusArgs,
                            QByteArray("{\"paired\":true,\"server\":\"") + server + "\"}");
            QVERIFY(finish(launch(rig.model->refreshStatus())));
            QTest::keyClick(&panel, Qt::Key_D, Qt::ControlModifier);
        }
        QCOMPARE(rig.fake.workspace.opened.size(), 2);
    }

    void pauseForAWhile_data() { addRows("Features/Panel/pauses.txt"); }

    void pauseForAWhile() {
        QFETCH(QByteArrayList, row);
        const ScopedEnv zone("TZ", row[1]);
        const QLocale locale;
        const auto restore = qScopeGuard([&] { QLocale::setDefault(locale); });
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        const QString entry = QString::fromUtf8(row[3]);
        const int minutes = row[4].toInt();
        Panel rig;
        rig.fake.clock.setNow(QDateTime::fromString(QString::fromUtf8(row[2]), Qt::ISODate));
        const QDateTime until = rig.fake.clock.now().addSecs(qint64(minutes) * 60);
        if (entry == u"-") {
            rig.fake.defaults.setBool(u"paused"_qs, true);
            rig.fake.defaults.setTime(u"pausedUntil"_qs, until);
        }
        QVERIFY(rig.start());
        StatusPanel& panel = rig.show();
        QMenu* menu = child<QToolButton>(&panel, u"Pause for a while"_qs)->menu();
        const auto actions = menu->actions();
        const auto chosen = std::find_if(actions.begin(), actions.end(),
                                         [&](QAction* a) { return a->text() == entry; });
        QVERIFY(entry == u"-" || chosen != actions.end());
        if (chosen != actions.end())
            (*chosen)->trigger();
        QTRY_COMPARE(textAt(&panel, u"detail"_qs), QString::fromUtf8(row[5]));
        // Paused or not, the length can be chosen (again).
        QVERIFY(child(&panel, u"pauseFor"_qs)->isVisible());
        if (minutes > 0) {
            // It ends by itself at that moment and not a second before (closed, the panel does
            // not redraw every second of the wait).
            QCOMPARE(rig.fake.defaults.timeValue(u"pausedUntil"_qs), until);
            panel.hide();
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

    void feedAgeAndRefreshes() {
        Panel rig;
        QVERIFY(rig.start());
        StatusPanel& panel = rig.show();
        QVERIFY(rig.settle()); // the refresh that showing starts is in
        const QString empty = u"Nothing yet. Texts show up here as they go out."_qs;
        QVERIFY(shown(child(&panel, empty)) && rig.rows().isEmpty());
        rig.print({"{\"event\":\"sent\"}", "{\"event\":\"sent\"}", "{\"event\":\"received\"}",
                   "{\"event\":\"failed\",\"message\":\"Long\"}",
                   "{\"event\":\"failed\",\"message\":\"Short\"}"});
        const QWidget* today = child(&panel, u"Today"_qs);
        QTRY_COMPARE(child(today, u"Sent"_qs)->accessibleDescription(), u"2 today"_qs);
        QCOMPARE(child(today, u"Failed"_qs)->accessibleDescription(), u"2 today"_qs);
        QTRY_COMPARE(rig.rows().size(), 5);
        QCOMPARE(rig.rows().first(), u"Not sent: Short"_qs); // newest first
        QVERIFY(!shown(child(&panel, empty)));
        // A flood is drawn at the end of the frame, not line by line; six rows at most.
        QList<QByteArray> burst;
        for (int i = 1; i <= 200; ++i)
            burst.append("{\"event\":\"error\",\"message\":\"Burst " + QByteArray::number(i) +
                         "\"}");
        rig.print(burst);
        QVERIFY(rig.rows().value(0) != u"Burst 200"_qs);
        QTRY_COMPARE(rig.rows(), (QStringList{"Burst 200", "Burst 199", "Burst 198", "Burst 197",
                                              "Burst 196", "Burst 195"}));
        // A huge message wraps to two lines ending in an ellipsis; only its start is announced.
        const QByteArray message = QByteArray("Disk full. ").repeated(95'000); // about 1 MB
        rig.print({"{\"event\":\"error\",\"message\":\"" + message + "\"}"});
        QTRY_COMPARE(rig.rows().value(0).size(), message.size());
        const auto labels = panel.findChildren<LineLimitedLabel*>();
        const auto* label = *std::find_if(labels.begin(), labels.end(), [&](auto* l) {
            return l->text().size() == message.size();
        });
        QTRY_COMPARE(label->height(), 2 * QFontMetrics(label->font()).lineSpacing());
        QVERIFY(label->lines(label->width()).last().endsWith(QChar(0x2026)));
        QVERIFY(label->parentWidget()->accessibleName().size() < 2000);

        // A refresh spins while it runs.
        const QWidget* spinner = child(&panel, u"Checking"_qs);
        const auto refresh = launch(rig.model->refresh()); // a full refresh begins at once
        QVERIFY(shown(spinner));
        QVERIFY(finish(refresh) && rig.settle());
        QVERIFY(!shown(spinner));
        // The age ticks while shown; hidden, no timer runs; shown again, the status is asked for.
        rig.print({"{\"event\":\"synced\",\"at\":\"2024-05-01T09:59:48Z\"}"});
        rig.fake.clock.advance(48s);
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
        // Stopped after huge last words, the relay has their start shown; the model keeps them.
        rig.print({"{\"event\":\"error\",\"message\":\"" + message + "\"}"});
        rig.model->stopRelay();
        QTRY_COMPARE(textAt(&panel, u"detail"_qs), message.left(500) + "…");
        QCOMPARE(rig.model->relayError()->size(), message.size());
    }
};

QTEST_MAIN(TestStatusPanel)
#include "tst_statuspanel.moc"
