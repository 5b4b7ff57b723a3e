// The Setup window on the offscreen platform, over a real model and the fake relay, driven as a
// user drives it.

#include "Core/PairingRequest.h"
#include "Design/Tone.h"
#include "Features/Panel/StatusLine.h"
#include "Features/Panel/StatusPanel.h"
#include "Features/Setup/CheckRow.h"
#include "Features/Setup/SetupView.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

namespace {
const QStringList pairDefault{"relay", "pair", "ABC234", "--server", "https://wrenbox.app",
                              "--json"};

struct Setup : RelayRig {
    Setup() { fake.bundle.path = u"/opt/Wrenbox"_qs; }
    // Opens the window, which refreshes the model on showing, and waits until it is quiet.
    SetupView& open(bool wait = true) {
        view = std::make_unique<SetupView>(model ? *model : make(), fake.platform(), pairing);
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        view->show();
        if (wait && !settle())
            qFatal("the model did not settle");
        return *view;
    }
    // A row's state as assistive technology announces it, and its text.
    QString row(const char* name) const {
        const QWidget* row = child(view.get(), QString::fromLatin1(name));
        return child(row, u"state"_qs)->accessibleName() + u'|' + textAt(row, u"text"_qs);
    }
    bool showing(const char* name) const {
        return shown(child(view.get(), QString::fromLatin1(name)));
    }
    QPushButton* button(const QString& text) const { return child<QPushButton>(view.get(), text); }
    void click(const QString& text) const { QTest::mouseClick(button(text), Qt::LeftButton); }
    QLineEdit* field(const QString& name) const { return child<QLineEdit>(view.get(), name); }
    PairingRequest pairing;
    std::unique_ptr<SetupView> view; // goes before the model
};
} // namespace

class TestSetupView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checkingCopyingAndTheCommandLineRelay() {
        Setup rig;
        SetupView& view = rig.open(false);
        // Checking: the button waits, the rows spin.
        QVERIFY(!rig.button(u"Check again"_qs)->isEnabled());
        QCOMPARE(textAt(&view, u"summary"_qs), u"Checking…"_qs);
        QVERIFY(rig.settle());
        QVERIFY(rig.button(u"Check again"_qs)->isEnabled());
        QCOMPARE(textAt(&view, u"summary"_qs), u"Everything checks out."_qs);
        QVERIFY(!rig.showing("otherChecks") && !rig.showing("launchAgent"));
        // Every showing refreshes, and so does Ctrl+R.
        view.hide();
        view.show();
        QVERIFY(rig.settle());
        QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
        QTRY_COMPARE(rig.count(doctorArgs), 3);
        QVERIFY(rig.settle());
        rig.click(u"Copy path"_qs);
        QCOMPARE(rig.fake.workspace.copied, QStringList{u"/opt/Wrenbox"_qs});
        QVERIFY(!rig.showing("diagnostics"));
        child<QToolButton>(&view, u"details"_qs)->click();
        QCOMPARE(textAt(&view, u"diagnostics"_qs), rig.model->diagnostics());
        rig.click(u"Copy diagnostics"_qs);
        QCOMPARE(rig.fake.workspace.copied.last(), rig.model->diagnostics());
        // The command-line relay's section follows its file; a failed removal says what to do.
        QDir().mkpath(QFileInfo(rig.fake.bundle.launchAgentPath()).path());
        QFile file(rig.fake.bundle.launchAgentPath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Unit]\n") > 0);
        rig.click(u"Check again"_qs);
        QVERIFY(rig.settle() && rig.showing("launchAgent"));
        rig.relay.reply({"relay", "uninstall"}, {}, 1);
        rig.click(u"Remove it"_qs);
        QVERIFY(rig.settle() && rig.showing("launchAgentError"));
        QCOMPARE(
            textAt(&view, u"launchAgentError"_qs),
            u"Couldn't remove the command-line relay. Run wrenbox relay uninstall in Terminal."_qs);
        // One that works refreshes: the file is gone, and so is the section.
        rig.relay.reply({"relay", "uninstall"}, {}, 0, 300);
        rig.click(u"Remove it"_qs);
        QVERIFY(file.remove());
        QVERIFY(rig.settle());
        QVERIFY(!rig.showing("launchAgent") && !rig.showing("launchAgentError"));
    }

    void rowsFollowTheSystemsFacilities() {
        // On a system without the facilities, the rows they serve are not needed.
        for (const bool present : {false, true}) {
            Setup rig;
            if (!present)
                rig.fake.facilities.missing = {Facility::PrivacyPanes,
                                               Facility::AppleEventAutomation,
                                               Facility::DragIntoList, Facility::GoToFolder};
            rig.fake.messages.running = true;
            rig.fake.messages.answerWithoutAsking = MessagesPermission::Denied;
            rig.relay.reply(statusArgs, answer("status-paired"));
            rig.relay.reply(doctorArgs,
                            R"({"problems":2,"checks":[{"id":"chatdb","status":"fail"},)"
                            R"({"id":"automation","status":"fail"}]})");
            SetupView& view = rig.open();
            for (const char* row : {"fullDiskAccess", "messages"}) {
                QCOMPARE(rig.row(row) == u"Not needed|Not needed on this system."_qs, !present);
                const auto buttons =
                    child(&view, QString::fromLatin1(row))->findChildren<QPushButton*>();
                QCOMPARE(std::any_of(buttons.begin(), buttons.end(), shown), present);
            }
            // Neither counted as failing nor waited for.
            QCOMPARE(textAt(&view, u"summary"_qs),
                     present ? u"2 things to fix"_qs : u"Everything checks out."_qs);
            QCOMPARE(rig.row("server").section(u'|', 1), u"localhost"_qs); // the status's server
            QCOMPARE(rig.model->setupComplete(), !present);
            if (!present)
                continue;
            rig.click(u"Open Privacy && Security"_qs);
            QCOMPARE(
                rig.fake.workspace.opened.value(0).toString(),
                u"x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"_qs);
            // A refused permission is turned on in the system's settings; once given, the row says
            // so.
            QCOMPARE(rig.row("messages"), u"To do|Turn on Messages under Wrenbox."_qs);
            QVERIFY(!shown(rig.button(u"Allow Wrenbox to use Messages"_qs)));
            rig.fake.messages.answerWithoutAsking = MessagesPermission::Granted;
            rig.click(u"Check again"_qs);
            QTRY_COMPARE(rig.row("messages"), u"Done|Wrenbox can send through Messages."_qs);
            QVERIFY(!shown(rig.button(u"Open Automation Settings"_qs)));
        }
    }

    void reportDrivesRowsSummaryAndOtherChecks() {
        Setup rig;
        const auto report = [](const char* chatdb, const char* forwarding, const char* seventh) {
            QStringList checks{u"{\"id\": \"chatdb\", \"status\": \"%1\"}"_qs.arg(chatdb),
                               u"{\"id\": \"forwarding\", \"status\": \"%1\"}"_qs.arg(forwarding)};
            for (int i = 0; i < 500; ++i)
                checks << u"{\"id\": \"c%1\", \"status\": \"%2\", \"title\": \"C\"}"_qs.arg(i).arg(
                    QLatin1String(i == 7 ? seventh : "fail"));
            return u"{\"problems\": 3, \"checks\": [%1]}"_qs.arg(checks.join(u',')).toUtf8();
        };
        rig.relay.reply(doctorArgs, report("fail", "warn", "fail"));
        SetupView& view = rig.open();
        // Without Full Disk Access the forwarding verdict cannot be trusted; its steps show.
        QCOMPARE(rig.row("forwarding"),
                 u"Needs a look|Wrenbox can check this once it has Full Disk Access."_qs);
        QVERIFY(rig.showing("forwardingSteps"));
        QCOMPARE(textAt(&view, u"summary"_qs), u"3 things to fix"_qs);
        // Other checks: bounded rows, the rest in the diagnostics.
        const QWidget* others = child(&view, u"otherChecks"_qs);
        QVERIFY(shown(others));
        QCOMPARE(others->findChildren<CheckRow*>(Qt::FindDirectChildrenOnly).size(), 50);
        QCOMPARE(textAt(others, u"moreChecks"_qs),
                 u"And 450 more checks; Copy diagnostics has them all."_qs);
        QVERIFY(rig.model->diagnostics().contains(u"c499"_qs));
        const QPointer<QWidget> seventh = child(others, u"c7"_qs);
        // A failing forwarding check has no steps to follow; rows are updated in place.
        rig.relay.reply(doctorArgs, report("ok", "fail", "warn"));
        rig.click(u"Check again"_qs);
        QVERIFY(rig.settle());
        QVERIFY(!rig.showing("forwardingSteps"));
        QCOMPARE(rig.row("c7").section(u'|', 0, 0), u"Needs a look"_qs);
        QCOMPARE(child(others, u"c7"_qs), seventh.data());
    }

    void pairingByHandAndByLink() {
        Setup rig;
        rig.relay.reply(pairDefault, answer("failure-expired"), 1);
        SetupView& view = rig.open();
        // Typed or pasted, only what a code may hold is kept.
        QLineEdit* code = rig.field(u"Pairing code"_qs);
        QTest::keyClicks(code, u"ab-c23"_qs);
        QCOMPARE(code->text(), u"ABC23"_qs);
        QVERIFY(!rig.button(u"pair"_qs)->isEnabled());
        code->clear();
        code->insert(u"ab-0c1234"_qs);
        QCOMPARE(code->text(), u"ABC234"_qs);
        // A failed attempt shows the relay's message until the next one.
        rig.click(u"pair"_qs);
        QVERIFY(rig.settle());
        QCOMPARE(textAt(&view, u"pairingError"_qs), u"That code has expired."_qs);
        QVERIFY(rig.showing("pairingError") && rig.showing("pairingForm"));
        rig.relay.reply(pairDefault, answer("pair-ok"), 0, 300);
        QTest::keyClick(code, Qt::Key_Return);
        QVERIFY(!rig.showing("pairingError")); // cleared before the relay answers
        QCOMPARE(rig.button(u"pair"_qs)->text(), u"Pairing…"_qs);
        QVERIFY(rig.settle());
        QCOMPARE(rig.count(pairDefault), 2);

        const qsizetype calls = rig.relay.calls().size();
        // A link with an incomplete code only fills the field; naming the default server closes
        // the disclosure.
        QLineEdit* server = rig.field(u"Server"_qs);
        child<QToolButton>(&view, u"advanced"_qs)->click();
        rig.pairing.setPending(MacPairLink{u"https://wrenbox.app"_qs, u"ABC"_qs});
        QVERIFY(!shown(server));
        QCOMPARE(code->text(), u"ABC"_qs);
        // Another server (even the default with a slash) fills the form and waits for Pair.
        rig.pairing.setPending(MacPairLink{u"https://wrenbox.app/"_qs, u"MNPQRS"_qs});
        QVERIFY(!rig.pairing.pending() && shown(server));
        QCOMPARE(server->text(), u"https://wrenbox.app/"_qs);
        QCOMPARE(rig.relay.calls().size(), calls);
        // Without a server, a link leaves the form's server as it is.
        server->setText(u"https://own.example\n"_qs);
        rig.pairing.setPending(MacPairLink{std::nullopt, u"MN"_qs});
        QTest::keyClicks(code, u"PQRS"_qs);
        rig.click(u"pair"_qs);
        QVERIFY(rig.settle());
        QCOMPARE(
            rig.count({"relay", "pair", "MNPQRS", "--server", "https://own.example", "--json"}), 1);
    }

    void unpairThroughTheConfirmation() {
        Setup rig;
        rig.relay.reply(statusArgs, R"({"paired":true})");
        rig.relay.reply(unpairArgs, "{}");
        SetupView& view = rig.open();
        QCOMPARE(textAt(&view, u"pairedTitle"_qs), u"Paired as this Mac"_qs);
        // While paired a link waits, for the form that unpairing brings back.
        const MacPairLink link{std::nullopt, u"MN"_qs};
        rig.pairing.setPending(link);
        QCOMPARE(rig.pairing.pending(), std::optional(link));
        rig.relay.reply(statusArgs, answer("status-unpaired"));
        for (const QString& choice : {u"Cancel"_qs, u"Unpair"_qs}) {
            rig.click(u"Unpair…"_qs);
            auto* dialog = view.findChild<QMessageBox*>();
            QVERIFY(dialog && dialog->text() == u"Unpair this Mac?"_qs);
            QTest::mouseClick(child(dialog, choice), Qt::LeftButton);
            QTRY_VERIFY(!view.findChild<QMessageBox*>());
            QVERIFY(rig.settle());
            QCOMPARE(rig.count(unpairArgs), choice == u"Unpair" ? 1 : 0);
        }
        QVERIFY(rig.showing("pairingForm") && !rig.showing("pairingError"));
        QCOMPARE(rig.field(u"Pairing code"_qs)->text(), u"MN"_qs);
    }

    // A relay that keeps stopping is one story: Setup says it in the panel's words and colour,
    // never a green all-clear, with the exits in view before Details is opened.
    void aCrashLoopIsOneStory() {
        Setup rig;
        rig.relay.reply(statusArgs, answer("status-paired"));
        // Each run outlives the status poll that its start brings.
        rig.relay.runStream({.chunks = {{300, {}}}, .stayAlive = false, .exitCode = 3});
        QVERIFY(rig.start());
        SetupView& view = rig.open();
        StatusPanel panel(*rig.model, rig.fake.platform(), [] {});
        panel.show();
        for (int exits = 1; exits <= 5; ++exits) {
            rig.advance(std::chrono::seconds(exits > 1 ? 60 : 0));
            QTRY_COMPARE(rig.runner().exits().size(), exits);
        }
        QVERIFY(rig.settle());
        const QString loop =
            u"The relay keeps stopping (5 times in 10 minutes). Setup has the details."_qs;
        QTRY_COMPARE(textAt(&panel, u"detail"_qs), loop); // the panel redraws once a frame
        QCOMPARE(textAt(&view, u"summary"_qs), textAt(&panel, u"headline"_qs) + u". "_qs + loop);
        // In the colour of the panel's status.
        QCOMPARE(child(&view, u"summary"_qs)->palette().color(QPalette::WindowText),
                 toneColor(StatusLine::tone(rig.model->phase()), &view));
        QVERIFY(rig.showing("restarts") && !rig.showing("diagnostics"));
        QCOMPARE(textAt(&view, u"restarts"_qs).count(u"exit 3"_qs), 5);
    }
};

QTEST_MAIN(TestSetupView)
#include "tst_setupview.moc"
