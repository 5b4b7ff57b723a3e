// The Setup window on the offscreen platform, over a real model and the fake relay, driven as a
// user drives it.

#include "Core/PairingRequest.h"
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
    // Opens the window; it refreshes the model on showing.
    SetupView& open() {
        if (!model)
            make();
        view = std::make_unique<SetupView>(*model, fake.platform(), pairing);
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        view->show();
        return *view;
    }
    int calls(const char* command) const {
        const auto all = relay.calls();
        return int(std::count_if(all.begin(), all.end(), [&](const QStringList& call) {
            return call.value(1) == QLatin1String(command);
        }));
    }
    // A row's state as assistive technology announces it, and its text.
    QString row(const char* name) const {
        const QWidget* row = child(view.get(), QString::fromLatin1(name));
        return child(row, u"state"_qs)->accessibleName() + u'|' + textAt(row, u"text"_qs);
    }
    QPushButton* button(const QString& text) const { return child<QPushButton>(view.get(), text); }
    bool installLaunchAgent() const {
        QDir().mkpath(QFileInfo(AppModel::launchAgentPath()).path());
        QFile file(AppModel::launchAgentPath());
        return file.open(QIODevice::WriteOnly) && file.write("[Unit]\n") > 0;
    }
    PairingRequest pairing;
    std::unique_ptr<SetupView> view; // goes before the model
};
} // namespace

class TestSetupView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nothingReportedYet();
    void rowsFollowTheSystemsFacilities_data();
    void rowsFollowTheSystemsFacilities();
    void reportDrivesRowsSummaryAndOtherChecks();
    void messagesRowFollowsThePermission();
    void copyPathAndDiagnostics();
    void codeFieldKeepsOnlyACleanedCode();
    void linksWithTheDefaultServerPairAtOnce();
    void linkWithAnotherServerOnlyFillsTheForm();
    void failedPairingShowsTheRelaysMessageUntilTheNextAttempt();
    void unpairThroughTheConfirmation();
    void commandLineRelaySectionFollowsItsFile();
    void manyChecksShowBoundedRowsUpdatedInPlace();
};

void TestSetupView::nothingReportedYet() {
    Setup rig;
    SetupView& view = rig.open();
    QCOMPARE(view.windowTitle(), u"Set Up Wrenbox"_qs);
    QCOMPARE(view.width(), 600);
    // Checking: the button waits, the rows spin.
    QVERIFY(!rig.button(u"Check again"_qs)->isEnabled());
    QCOMPARE(textAt(&view, u"summary"_qs), u"Checking…"_qs);
    QCOMPARE(rig.button(u"Check again"_qs)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    QVERIFY(rig.settle());
    QVERIFY(rig.button(u"Check again"_qs)->isEnabled());
    QCOMPARE(rig.calls("status"), 1);
    QCOMPARE(rig.calls("doctor"), 1);
    QCOMPARE(rig.row("fullDiskAccess").section(u'|', 0, 0), u"Not checked yet"_qs);
    QVERIFY(shown(child(child(&view, u"fullDiskAccess"_qs), u"Copy path"_qs)));
    QCOMPARE(textAt(child(&view, u"server"_qs), u"text"_qs), u"wrenbox.app"_qs);
    QCOMPARE(textAt(&view, u"summary"_qs), u"Everything checks out."_qs);
    QVERIFY(!shown(child(&view, u"otherChecks"_qs)));
    QVERIFY(!shown(child(&view, u"launchAgent"_qs)));
    // Every showing refreshes.
    view.hide();
    view.show();
    QVERIFY(rig.settle());
    QCOMPARE(rig.calls("doctor"), 2);
}

void TestSetupView::reportDrivesRowsSummaryAndOtherChecks() {
    Setup rig;
    rig.relay.reply(doctorArgs,
                    R"({"problems": 3, "checks": [)"
                    R"({"id": "chatdb", "status": "fail", "title": "Disk", "detail": "no access"},)"
                    R"({"id": "forwarding", "status": "warn", "title": "Fwd", "detail": "quiet"},)"
                    R"({"id": "server", "status": "fail", "title": "Srv", "detail": "down"},)"
                    R"({"id": "version", "status": "warn", "title": "Version", "detail": "old"},)"
                    R"({"id": "macos", "status": "ok", "title": "OS", "detail": "fine"}]})");
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    QCOMPARE(rig.row("fullDiskAccess").section(u'|', 0, 0), u"To do"_qs);
    // Without Full Disk Access the forwarding verdict cannot be trusted; its steps show.
    QCOMPARE(rig.row("forwarding"),
             u"Needs a look|Wrenbox can check this once it has Full Disk Access."_qs);
    QVERIFY(shown(child(&view, u"forwardingSteps"_qs)));
    QCOMPARE(rig.row("server"), u"To do|Can't reach wrenbox.app. Check this Mac's connection."_qs);
    QCOMPARE(textAt(&view, u"summary"_qs), u"3 things to fix"_qs);
    QVERIFY(shown(child(&view, u"otherChecks"_qs)));
    QCOMPARE(rig.row("version"),
             u"Needs a look|Needs a look. The details below say what to do."_qs);
    QCOMPARE(textAt(child(&view, u"version"_qs), u"title"_qs), u"Wrenbox version"_qs);
    QVERIFY(!child(&view, u"macos"_qs));

    // A failing forwarding check has no steps to follow.
    rig.relay.reply(doctorArgs, R"({"checks":[{"id":"forwarding","status":"fail"}]})");
    QTest::mouseClick(rig.button(u"Check again"_qs), Qt::LeftButton);
    QVERIFY(rig.settle());
    QCOMPARE(rig.row("forwarding").section(u'|', 1),
             u"No SMS has reached this Mac lately. Turn on forwarding on your iPhone."_qs);
    QVERIFY(!shown(child(&view, u"forwardingSteps"_qs)));
    QVERIFY(!shown(child(&view, u"otherChecks"_qs)));
}

void TestSetupView::messagesRowFollowsThePermission() {
    Setup rig;
    rig.fake.messages.running = true;
    rig.fake.messages.answerWithoutAsking = MessagesPermission::Denied;
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    QCOMPARE(rig.row("messages"), u"To do|Turn on Messages under Wrenbox."_qs);
    QVERIFY(shown(rig.button(u"Open Automation Settings"_qs)));
    QVERIFY(!shown(rig.button(u"Allow Wrenbox to use Messages"_qs)));
    rig.fake.messages.answerWithoutAsking = MessagesPermission::Granted;
    QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
    QTRY_COMPARE(rig.row("messages"), u"Done|Wrenbox can send through Messages."_qs);
    QVERIFY(!shown(rig.button(u"Open Automation Settings"_qs)));
}

void TestSetupView::copyPathAndDiagnostics() {
    Setup rig;
    rig.relay.reply(doctorArgs,
                    R"({"checks":[{"id":"chatdb","status":"warn","detail":"D","fix":"F"}]})");
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    QTest::mouseClick(rig.button(u"Copy path"_qs), Qt::LeftButton);
    QCOMPARE(rig.fake.workspace.copied, QStringList{u"/opt/Wrenbox"_qs});
    QVERIFY(rig.button(u"Path copied"_qs));
    QVERIFY(!shown(child(&view, u"diagnostics"_qs)));
    child<QToolButton>(&view, u"details"_qs)->click();
    QVERIFY(shown(child(&view, u"diagnostics"_qs)));
    QCOMPARE(textAt(&view, u"diagnostics"_qs), rig.model->diagnostics());
    QVERIFY(textAt(&view, u"diagnostics"_qs).endsWith(u"[warn] chatdb: D | fix: F"_qs));
    QTest::mouseClick(rig.button(u"Copy diagnostics"_qs), Qt::LeftButton);
    QCOMPARE(rig.fake.workspace.copied.last(), rig.model->diagnostics());
}

void TestSetupView::codeFieldKeepsOnlyACleanedCode() {
    Setup rig;
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    QVERIFY(shown(child(&view, u"pairingForm"_qs)));
    auto* field = child<QLineEdit>(&view, u"Pairing code"_qs);
    for (const auto& [key, expected] : QList<std::pair<char, QString>>{{'a', "A"},
                                                                       {'b', "AB"},
                                                                       {'-', "AB"},
                                                                       {'c', "ABC"},
                                                                       {'2', "ABC2"},
                                                                       {'3', "ABC23"},
                                                                       {'4', "ABC234"},
                                                                       {'5', "ABC234"}}) {
        QTest::keyClicks(field, QString(QLatin1Char(key)));
        QCOMPARE(field->text(), expected);
        QCOMPARE(rig.button(u"pair"_qs)->isEnabled(), expected.size() == 6);
    }
    field->clear();
    field->insert(u"mn-0pq1rs"_qs); // a paste goes through the same cleaning
    QCOMPARE(field->text(), u"MNPQRS"_qs);
    QCOMPARE(rig.calls("pair"), 0);
}

void TestSetupView::linksWithTheDefaultServerPairAtOnce() {
    Setup rig;
    rig.pairing.setPending(MacPairLink{u"https://wrenbox.app"_qs, u"ABC234"_qs});
    rig.relay.reply(pairDefault, answer("pair-ok"));
    SetupView& view = rig.open();
    // Used up on showing: pairing runs without a press.
    QVERIFY(!rig.pairing.pending());
    QCOMPARE(rig.button(u"pair"_qs)->text(), u"Pairing…"_qs);
    QVERIFY(!shown(child<QLineEdit>(&view, u"Server"_qs)));
    rig.relay.reply(statusArgs, answer("status-paired"));
    QVERIFY(rig.settle());
    QCOMPARE(rig.calls("pair"), 1);
    QVERIFY(shown(child(&view, u"pairedRow"_qs)) && !shown(child(&view, u"pairingForm"_qs)));
    QCOMPARE(textAt(&view, u"pairedTitle"_qs), u"Paired as Studio Mac"_qs);

    // While paired a link waits; unpaired, one without a server arriving later pairs at once.
    const MacPairLink link{std::nullopt, u"ABC234"_qs};
    rig.pairing.setPending(link);
    QCOMPARE(rig.pairing.pending(), std::optional(link));
    rig.pairing.setPending(std::nullopt);
    rig.relay.reply(statusArgs, answer("status-unpaired"));
    QVERIFY(finish(launch(rig.model->refresh())));
    rig.pairing.setPending(link);
    QVERIFY(!rig.pairing.pending());
    QCOMPARE(rig.button(u"pair"_qs)->text(), u"Pairing…"_qs);
    QVERIFY(rig.settle());
    QCOMPARE(rig.calls("pair"), 2);
}

void TestSetupView::linkWithAnotherServerOnlyFillsTheForm() {
    Setup rig;
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    auto* server = child<QLineEdit>(&view, u"Server"_qs);
    // An incomplete code only fills the field; naming the default server closes the disclosure.
    child<QToolButton>(&view, u"advanced"_qs)->click();
    rig.pairing.setPending(MacPairLink{u"https://wrenbox.app"_qs, u"ABC"_qs});
    QVERIFY(!shown(server));
    QCOMPARE(child<QLineEdit>(&view, u"Pairing code"_qs)->text(), u"ABC"_qs);
    // Another server (even the default with a slash) fills the form and waits for Pair.
    rig.pairing.setPending(MacPairLink{u"https://wrenbox.app/"_qs, u"MNPQRS"_qs});
    QVERIFY(!rig.pairing.pending());
    QVERIFY(shown(server));
    QCOMPARE(server->text(), u"https://wrenbox.app/"_qs);
    QCOMPARE(rig.button(u"pair"_qs)->text(), u"Pair"_qs);
    QCOMPARE(rig.calls("pair"), 0);
    // Without a server, a link leaves the form's server as it is.
    server->setText(u"https://own.example\n"_qs);
    rig.pairing.setPending(MacPairLink{std::nullopt, u"MN"_qs});
    QCOMPARE(server->text(), u"https://own.example\n"_qs);
    QTest::keyClicks(child<QLineEdit>(&view, u"Pairing code"_qs), u"PQRS"_qs);
    QTest::mouseClick(rig.button(u"pair"_qs), Qt::LeftButton);
    QVERIFY(rig.settle());
    const QStringList trimmed{"relay", "pair", "MNPQRS", "--server", "https://own.example",
                              "--json"};
    QCOMPARE(rig.count(trimmed), 1);
}

void TestSetupView::failedPairingShowsTheRelaysMessageUntilTheNextAttempt() {
    Setup rig;
    rig.relay.reply(pairDefault, answer("failure-expired"), 1);
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    QTest::keyClicks(child<QLineEdit>(&view, u"Pairing code"_qs), u"abc234"_qs);
    QTest::mouseClick(rig.button(u"pair"_qs), Qt::LeftButton);
    QVERIFY(rig.settle());
    QVERIFY(shown(child(&view, u"pairingError"_qs)));
    QCOMPARE(textAt(&view, u"pairingError"_qs), u"That code has expired."_qs);
    QVERIFY(shown(child(&view, u"pairingForm"_qs)));
    rig.relay.reply(pairDefault, answer("pair-ok"), 0, 300);
    QTest::keyClick(child<QLineEdit>(&view, u"Pairing code"_qs), Qt::Key_Return);
    QVERIFY(!shown(child(&view, u"pairingError"_qs))); // cleared before the relay answers
    QCOMPARE(rig.button(u"pair"_qs)->text(), u"Pairing…"_qs);
    QVERIFY(rig.settle());
    QCOMPARE(rig.calls("pair"), 2);
}

void TestSetupView::unpairThroughTheConfirmation() {
    Setup rig;
    rig.relay.reply(statusArgs, R"({"paired":true})");
    rig.relay.reply(unpairArgs, "{}");
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    QCOMPARE(textAt(&view, u"pairedTitle"_qs), u"Paired as this Mac"_qs);
    const auto confirm = [&](const QString& choice) {
        QTest::mouseClick(rig.button(u"Unpair…"_qs), Qt::LeftButton);
        auto* dialog = view.findChild<QMessageBox*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), u"Unpair this Mac?"_qs);
        QVERIFY(dialog->informativeText().startsWith(u"It stops sending"_qs));
        QTest::mouseClick(child(dialog, choice), Qt::LeftButton);
    };
    confirm(u"Cancel"_qs);
    QTRY_VERIFY(!view.findChild<QMessageBox*>());
    QCOMPARE(rig.calls("unpair"), 0);
    confirm(u"Unpair"_qs);
    rig.relay.reply(statusArgs, answer("status-unpaired"));
    QVERIFY(rig.settle());
    QCOMPARE(rig.calls("unpair"), 1);
    QVERIFY(shown(child(&view, u"pairingForm"_qs)));
    QVERIFY(!shown(child(&view, u"pairingError"_qs)));
}

void TestSetupView::commandLineRelaySectionFollowsItsFile() {
    Setup rig;
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    QVERIFY(rig.installLaunchAgent());
    QTest::mouseClick(rig.button(u"Check again"_qs), Qt::LeftButton);
    QVERIFY(rig.settle());
    QVERIFY(shown(child(&view, u"launchAgent"_qs)));
    // A failed removal keeps the row and says what to do.
    rig.relay.reply({"relay", "uninstall"}, {}, 1);
    QTest::mouseClick(rig.button(u"Remove it"_qs), Qt::LeftButton);
    QVERIFY(rig.settle());
    QCOMPARE(
        textAt(&view, u"launchAgentError"_qs),
        u"Couldn't remove the command-line relay. Run wrenbox relay uninstall in Terminal."_qs);
    QVERIFY(shown(child(&view, u"launchAgentError"_qs)));
    // One that works refreshes: the file is gone, and so is the section.
    rig.relay.reply({"relay", "uninstall"}, {}, 0, 300);
    QTest::mouseClick(rig.button(u"Remove it"_qs), Qt::LeftButton);
    QVERIFY(QFile::remove(AppModel::launchAgentPath()));
    QVERIFY(rig.settle());
    QVERIFY(!shown(child(&view, u"launchAgent"_qs)));
    QVERIFY(!child(&view, u"launchAgentError"_qs));
    QCOMPARE(rig.calls("uninstall"), 2);
    QVERIFY(rig.calls("doctor") >= 3);
}

void TestSetupView::manyChecksShowBoundedRowsUpdatedInPlace() {
    Setup rig;
    const auto report = [](const char* seventh) {
        QStringList checks;
        for (int i = 0; i < 500; ++i)
            checks << u"{\"id\": \"c%1\", \"status\": \"%2\", \"title\": \"C\"}"_qs.arg(i).arg(
                QLatin1String(i == 7 ? seventh : "fail"));
        return u"{\"problems\": 500, \"checks\": [%1]}"_qs.arg(checks.join(u',')).toUtf8();
    };
    rig.relay.reply(doctorArgs, report("fail"));
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    const QWidget* others = child(&view, u"otherChecks"_qs);
    QCOMPARE(others->findChildren<CheckRow*>(Qt::FindDirectChildrenOnly).size(), 50);
    QVERIFY(child(others, u"c49"_qs) && !child(others, u"c50"_qs));
    QVERIFY(shown(child(others, u"moreChecks"_qs)));
    QCOMPARE(textAt(others, u"moreChecks"_qs),
             u"And 450 more checks; Copy diagnostics has them all."_qs);
    QVERIFY(rig.model->diagnostics().contains(u"c499"_qs));
    const QPointer<QWidget> seventh = child(others, u"c7"_qs);
    const QPointer<QWidget> first = child(others, u"c0"_qs);
    rig.relay.reply(doctorArgs, report("warn"));
    QTest::mouseClick(rig.button(u"Check again"_qs), Qt::LeftButton);
    QVERIFY(rig.settle());
    QCOMPARE(rig.row("c7").section(u'|', 0, 0), u"Needs a look"_qs);
    QCOMPARE(child(others, u"c7"_qs), seventh.data()); // updated in place
    QCOMPARE(child(others, u"c0"_qs), first.data());
    QCOMPARE(others->findChildren<CheckRow*>(Qt::FindDirectChildrenOnly).size(), 50);
}

void TestSetupView::rowsFollowTheSystemsFacilities_data() {
    QTest::addColumn<bool>("present");
    QTest::newRow("a system with the facilities") << true;
    QTest::newRow("a system without them") << false;
}

void TestSetupView::rowsFollowTheSystemsFacilities() {
    QFETCH(bool, present);
    Setup rig;
    if (!present)
        rig.fake.facilities.missing = {Facility::PrivacyPanes, Facility::AppleEventAutomation,
                                       Facility::DragIntoList, Facility::GoToFolder};
    rig.relay.reply(statusArgs, answer("status-paired"));
    rig.relay.reply(doctorArgs, R"({"problems":2,"checks":[{"id":"chatdb","status":"fail"},)"
                                R"({"id":"automation","status":"fail"}]})");
    SetupView& view = rig.open();
    QVERIFY(rig.settle());
    for (const char* row : {"fullDiskAccess", "messages"}) {
        const QString state = rig.row(row);
        QCOMPARE(state == u"Not needed|Not needed on this system."_qs, !present);
        const auto buttons = child(&view, QString::fromLatin1(row))->findChildren<QPushButton*>();
        QCOMPARE(std::any_of(buttons.begin(), buttons.end(), shown), present);
    }
    // Neither counted as failing nor waited for.
    QCOMPARE(textAt(&view, u"summary"_qs),
             present ? u"2 things to fix"_qs : u"Everything checks out."_qs);
    QCOMPARE(rig.model->setupComplete(), !present);
    if (present) {
        QTest::mouseClick(rig.button(u"Open Privacy && Security"_qs), Qt::LeftButton);
        QCOMPARE(rig.fake.workspace.opened, QList<QUrl>{SetupView::fullDiskAccessURL()});
    }
}

QTEST_MAIN(TestSetupView)
#include "tst_setupview.moc"
