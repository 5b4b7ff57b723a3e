#include "Features/Setup/SetupView.h"
#include "Features/Setup/CheckRow.h"
#include "Features/Setup/LaunchAgentRow.h"
#include "Features/Setup/PairingRows.h"
#include "SetupFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using Status = DoctorCheck::Status;
using MaybeStatus = std::optional<Status>;
Q_DECLARE_METATYPE(MaybeStatus)

namespace {
constexpr int processWait = 15000;

const QStringList pairDefault{"relay", "pair", "ABC234", "--server", "https://wrenbox.app",
                              "--json"};

// Opens the window and waits for the refresh its showing starts.
std::unique_ptr<SetupView> open(SetupFixture& f) {
    auto view = std::make_unique<SetupView>(*f.model, f.fake.platform(), f.pairing);
    view->setAttribute(Qt::WA_DeleteOnClose, false);
    view->show();
    return view;
}

bool settled(SetupFixture& f, SetupView& view) {
    return !f.model->isChecking() && !view.pairingRows()->busy();
}
} // namespace

class SetupViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stateTable_data() {
        QTest::addColumn<MaybeStatus>("status");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<quint32>("lightColour");
        QTest::newRow("ok") << MaybeStatus(Status::Ok) << "Done"
                            << "checkmark.circle.fill" << quint32(0x157A52);
        QTest::newRow("warn") << MaybeStatus(Status::Warn) << "Needs a look"
                              << "exclamationmark.circle.fill" << quint32(0x9A5B06);
        QTest::newRow("fail") << MaybeStatus(Status::Fail) << "To do"
                              << "xmark.circle.fill" << quint32(0xB83232);
        QTest::newRow("info") << MaybeStatus(Status::Info) << "Not checked yet"
                              << "circle.dashed" << quint32(0x6B6E6A);
        QTest::newRow("none") << MaybeStatus() << "Not checked yet"
                              << "circle.dashed" << quint32(0x6B6E6A);
    }
    void stateTable() {
        QFETCH(MaybeStatus, status);
        QFETCH(QString, label);
        QFETCH(QString, symbol);
        QFETCH(quint32, lightColour);
        QCOMPARE(CheckRow::stateLabel(status), label);
        QCOMPARE(CheckRow::symbolName(status), symbol);
        QCOMPARE(CheckRow::color(status).light(), lightColour);
    }

    void checkRowShowsItsFixUnlessOk() {
        CheckRow row;
        auto* fix = new QPushButton(QStringLiteral("Fix"));
        row.setFix(fix);
        row.show();
        QVERIFY(fix->isVisible()); // not reported yet
        QCOMPARE(row.iconAccessibleName(), QStringLiteral("Not checked yet"));
        row.setStatus(Status::Ok);
        QVERIFY(!fix->isVisible());
        QCOMPARE(row.iconAccessibleName(), QStringLiteral("Done"));
        row.setStatus(Status::Warn);
        QVERIFY(fix->isVisible());
        row.setChecking(true);
        QCOMPARE(row.iconAccessibleName(), QStringLiteral("Checking"));
    }

    void windowBasics() {
        SetupFixture f;
        auto view = open(f);
        QCOMPARE(view->objectName(), QStringLiteral("setup"));
        QCOMPARE(view->windowTitle(), QStringLiteral("Set Up Wrenbox"));
        QCOMPARE(view->width(), 600);
        QVERIFY(view->height() >= 620);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        // Every showing refreshes: status, then the health report.
        QCOMPARE(f.callsOf("status").size(), 1);
        QCOMPARE(f.callsOf("doctor").size(), 1);
        view->hide();
        view->show();
        QTRY_VERIFY_WITH_TIMEOUT(f.callsOf("doctor").size() == 2, processWait);
    }

    void nothingReportedYet() {
        SetupFixture f;
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QCOMPARE(view->fullDiskAccessRow()->status(), MaybeStatus());
        QVERIFY(view->fullDiskAccessRow()->fix()->isVisible());
        QCOMPARE(view->forwardingRow()->status(), MaybeStatus());
        QCOMPARE(view->forwardingRow()->fix(), nullptr);
        QCOMPARE(view->serverRow()->textLabel()->text(), QStringLiteral("wrenbox.app"));
        QCOMPARE(view->summaryLabel()->text(), QStringLiteral("Everything checks out."));
        QVERIFY(!view->otherChecksSection()->isVisible());
        QVERIFY(!view->launchAgentSection()->isVisible());
        // Sections in order; the header, permissions, pairing and summary always show.
        const QList<QWidget*> sections = view->sections();
        QCOMPARE(sections.size(), 6);
        QCOMPARE(sections.at(1)->property("title").toString(), QStringLiteral("Permissions"));
        QCOMPARE(sections.at(2)->property("title").toString(), QStringLiteral("Pairing"));
        QCOMPARE(sections.at(3), view->otherChecksSection());
        QCOMPARE(sections.at(4), view->launchAgentSection());
    }

    void reportDrivesRowsSummaryAndOtherChecks() {
        SetupFixture f;
        f.replyDoctor(R"({"problems": 3, "checks": [
            {"id": "chatdb", "status": "fail", "title": "Disk", "detail": "no access"},
            {"id": "forwarding", "status": "warn", "title": "Fwd", "detail": "quiet"},
            {"id": "server", "status": "fail", "title": "Srv", "detail": "down"},
            {"id": "version", "status": "warn", "title": "Version", "detail": "old"},
            {"id": "macos", "status": "ok", "title": "OS", "detail": "fine"}]})");
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QCOMPARE(view->fullDiskAccessRow()->status(), MaybeStatus(Status::Fail));
        // Without Full Disk Access the forwarding verdict cannot be trusted.
        QCOMPARE(view->forwardingRow()->textLabel()->text(),
                 QStringLiteral("Wrenbox can check this once it has Full Disk Access."));
        QVERIFY(view->forwardingRow()->fix() != nullptr);
        QCOMPARE(view->serverRow()->textLabel()->text(),
                 QStringLiteral("Can't reach wrenbox.app. Check this Mac's connection."));
        QCOMPARE(view->summaryLabel()->text(), QStringLiteral("3 things to fix"));
        QVERIFY(view->otherChecksSection()->isVisible());
        const QList<CheckRow*> others = view->otherCheckRows();
        QCOMPARE(others.size(), 1);
        QCOMPARE(others.first()->titleLabel()->text(), QStringLiteral("Wrenbox version"));
        QCOMPARE(others.first()->textLabel()->text(),
                 QStringLiteral("Needs a look. The details below say what to do."));
    }

    void forwardingInstructionsOnlyForWarn() {
        SetupFixture f;
        f.replyDoctor(R"({"problems": 1, "checks": [
            {"id": "forwarding", "status": "fail", "title": "Fwd", "detail": "quiet"}]})");
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QCOMPARE(view->forwardingRow()->textLabel()->text(),
                 QStringLiteral("No SMS has reached this Mac lately. Turn on forwarding on your "
                                "iPhone."));
        QCOMPARE(view->forwardingRow()->fix(), nullptr);
    }

    void messagesRowFollowsThePermission() {
        SetupFixture f;
        f.fake.messages.running = true;
        f.fake.messages.answerWithoutAsking = MessagesPermission::Denied;
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QCOMPARE(view->messagesRow()->status(), MaybeStatus(Status::Fail));
        QCOMPARE(view->messagesRow()->textLabel()->text(),
                 QStringLiteral("Turn on Messages under Wrenbox."));
        QVERIFY(view->openAutomationButton()->isVisible());
        QVERIFY(!view->allowMessagesButton()->isVisible());

        f.fake.messages.answerWithoutAsking = MessagesPermission::Granted;
        QTest::keyClick(view.get(), Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(f.model->messagesPermission() == MessagesPermission::Granted,
                                 processWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QCOMPARE(view->messagesRow()->status(), MaybeStatus(Status::Ok));
        QVERIFY(!view->messagesRow()->fix()->isVisible());
    }

    void rowsFollowTheSystemsFacilities_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("a system with the facilities") << true;
        QTest::newRow("a system without them") << false;
    }
    void rowsFollowTheSystemsFacilities() {
        QFETCH(bool, present);
        SetupFixture f;
        if (!present)
            f.fake.facilities.missing = {Facility::PrivacyPanes, Facility::AppleEventAutomation,
                                         Facility::DragIntoList, Facility::GoToFolder};
        f.replyStatus(SetupFixture::paired(QStringLiteral("Studio")));
        f.replyDoctor(R"({"problems": 2, "checks": [
            {"id": "chatdb", "status": "fail", "title": "Disk", "detail": "D"},
            {"id": "automation", "status": "fail", "title": "Auto", "detail": "A"}]})");
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        const QString notNeeded = QStringLiteral("Not needed on this system.");
        for (CheckRow* row : {view->fullDiskAccessRow(), view->messagesRow()}) {
            QCOMPARE(row->textLabel()->text() == notNeeded, !present);
            QCOMPARE(row->fix()->isVisible(), present);
            QCOMPARE(row->iconAccessibleName() == QStringLiteral("Not needed"), !present);
        }
        // Neither counted as failing nor waited for.
        QCOMPARE(view->summaryLabel()->text(), present ? QStringLiteral("2 things to fix")
                                                       : QStringLiteral("Everything checks out."));
        QCOMPARE(f.model->setupComplete(), !present);
        if (present) {
            QCOMPARE(view->fullDiskAccessRow()->textLabel()->text(),
                     QStringLiteral("Lets Wrenbox read replies and send errors from Messages. It "
                                    "reads nothing else."));
            QVERIFY(view->copyPathButton()->isVisible());
            QTest::mouseClick(view->openPrivacyButton(), Qt::LeftButton);
            QCOMPARE(f.fake.workspace.opened, QList<QUrl>{SetupView::fullDiskAccessURL()});
        }
    }

    void copyPathAndDiagnostics() {
        SetupFixture f;
        f.replyDoctor(R"({"problems": 1, "checks": [
            {"id": "chatdb", "status": "warn", "title": "Disk", "detail": "D", "fix": "F"}]})");
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QCOMPARE(view->copyPathButton()->text(), QStringLiteral("Copy path"));
        QTest::mouseClick(view->copyPathButton(), Qt::LeftButton);
        QCOMPARE(f.fake.workspace.copied, QStringList{QStringLiteral("/opt/Wrenbox")});
        QCOMPARE(view->copyPathButton()->text(), QStringLiteral("Path copied"));

        QVERIFY(!view->diagnosticsLabel()->isVisible());
        view->detailsToggle()->click();
        QVERIFY(view->showsDetails());
        QVERIFY(view->diagnosticsLabel()->isVisible());
        QCOMPARE(view->diagnosticsLabel()->text(), f.model->diagnostics());
        QVERIFY(
            view->diagnosticsLabel()->text().endsWith(QStringLiteral("[warn] chatdb: D | fix: F")));
        QTest::mouseClick(view->copyDiagnosticsButton(), Qt::LeftButton);
        QCOMPARE(f.fake.workspace.copied.last(), f.model->diagnostics());
    }

    void codeFieldKeepsOnlyACleanedCode() {
        SetupFixture f;
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        PairingRows* rows = view->pairingRows();
        QVERIFY(rows->form()->isVisible());
        QLineEdit* field = rows->codeField();
        const QList<std::pair<char, QString>> typed{{'a', "A"},      {'b', "AB"},    {'c', "ABC"},
                                                    {'-', "ABC"},    {'2', "ABC2"},  {'3', "ABC23"},
                                                    {'4', "ABC234"}, {'5', "ABC234"}};
        for (const auto& [key, expected] : typed) {
            QTest::keyClicks(field, QString(QLatin1Char(key)));
            QCOMPARE(field->text(), expected);
            QCOMPARE(rows->pairButton()->isEnabled(), expected.size() == 6);
        }
        // A paste goes through the same cleaning.
        field->clear();
        field->insert(QStringLiteral("mn-0pq 1rs"));
        QCOMPARE(field->text(), QStringLiteral("MNPQRS"));
        QVERIFY(f.callsOf("pair").isEmpty());
    }

    void linkWithTheDefaultServerPairsAtOnce() {
        SetupFixture f;
        f.pairing.setPending(MacPairLink{QStringLiteral("https://wrenbox.app"), "ABC234"});
        f.relay.reply(pairDefault, R"({"device": {"id": "d1", "name": "Studio Mac"}})", 0, 300);
        auto view = open(f);
        PairingRows* rows = view->pairingRows();
        // Applied on showing: the link is used up and pairing runs without a press.
        QVERIFY(!f.pairing.pending());
        QVERIFY(rows->busy());
        QCOMPARE(rows->pairButton()->text(), QStringLiteral("Pairing…"));
        QVERIFY(!rows->showsAdvanced());
        f.replyStatus(SetupFixture::paired(QStringLiteral("Studio Mac")));
        QTRY_VERIFY_WITH_TIMEOUT(rows->pairedRow()->isVisible(), processWait);
        QTRY_VERIFY_WITH_TIMEOUT(!rows->busy(), processWait);
        QCOMPARE(f.callsOf("pair"), QList<QStringList>{pairDefault});
        QCOMPARE(rows->pairedTitle()->text(), QStringLiteral("Paired as Studio Mac"));
        QVERIFY(!rows->form()->isVisible());
    }

    void linkWithoutServerArrivingLaterPairsAtOnce() {
        SetupFixture f;
        f.relay.reply(pairDefault, R"({"device": {"id": "d1", "name": "Studio Mac"}})", 0, 300);
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        f.pairing.setPending(MacPairLink{std::nullopt, "ABC234"});
        QVERIFY(view->pairingRows()->busy());
        QVERIFY(!f.pairing.pending());
        QTRY_VERIFY_WITH_TIMEOUT(!view->pairingRows()->busy(), processWait);
        QCOMPARE(f.callsOf("pair"), QList<QStringList>{pairDefault});
    }

    void linkWithAnotherServerOnlyFillsTheForm_data() {
        QTest::addColumn<QString>("server");
        QTest::newRow("other host") << "https://relay.example.net";
        QTest::newRow("default with a trailing slash") << "https://wrenbox.app/";
    }
    void linkWithAnotherServerOnlyFillsTheForm() {
        QFETCH(QString, server);
        SetupFixture f;
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        PairingRows* rows = view->pairingRows();
        f.pairing.setPending(MacPairLink{server, "ABC234"});
        QVERIFY(!f.pairing.pending());
        QCOMPARE(rows->code(), QStringLiteral("ABC234"));
        QCOMPARE(rows->server(), server);
        QVERIFY(rows->showsAdvanced());
        QVERIFY(rows->serverField()->isVisible());
        // Nothing runs until the user presses Pair.
        QVERIFY(!rows->busy());
        QVERIFY(rows->pairButton()->isEnabled());
        QVERIFY(f.callsOf("pair").isEmpty());

        const QStringList pairThere{"relay", "pair", "ABC234", "--server", server, "--json"};
        f.relay.reply(pairThere, R"({"device": {"id": "d1", "name": "Lab Mac"}})");
        QTest::mouseClick(rows->pairButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!rows->busy(), processWait);
        QCOMPARE(f.callsOf("pair"), QList<QStringList>{pairThere});
    }

    void linkNamingTheDefaultServerClosesAdvanced() {
        SetupFixture f;
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        PairingRows* rows = view->pairingRows();
        rows->advancedToggle()->click();
        QVERIFY(rows->showsAdvanced());
        // An incomplete code only fills the field.
        f.pairing.setPending(MacPairLink{QStringLiteral("https://wrenbox.app"), "ABC"});
        QVERIFY(!rows->showsAdvanced());
        QCOMPARE(rows->code(), QStringLiteral("ABC"));
        QVERIFY(!rows->busy());
        // Without a server the form's server and disclosure stay as they are.
        rows->advancedToggle()->click();
        rows->serverField()->setText(QStringLiteral("https://own.example"));
        f.pairing.setPending(MacPairLink{std::nullopt, "MN"});
        QVERIFY(rows->showsAdvanced());
        QCOMPARE(rows->server(), QStringLiteral("https://own.example"));
    }

    void linkWaitsWhilePaired() {
        SetupFixture f;
        f.replyStatus(SetupFixture::paired(QStringLiteral("Studio Mac")));
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QVERIFY(view->pairingRows()->pairedRow()->isVisible());
        const MacPairLink link{std::nullopt, "ABC"};
        f.pairing.setPending(link);
        QCOMPARE(f.pairing.pending(), std::optional(link));
    }

    void failedPairingShowsTheRelaysMessageUntilTheNextAttempt() {
        SetupFixture f;
        f.relay.reply(pairDefault,
                      R"({"error": {"code": "expired", "message": "That code has expired."}})", 1);
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        PairingRows* rows = view->pairingRows();
        QTest::keyClicks(rows->codeField(), QStringLiteral("abc234"));
        QTest::mouseClick(rows->pairButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!rows->busy(), processWait);
        QCOMPARE(rows->errorText(), std::optional(QStringLiteral("That code has expired.")));
        QVERIFY(rows->errorLabel()->isVisible());
        QCOMPARE(rows->errorLabel()->text(), QStringLiteral("That code has expired."));
        QVERIFY(rows->form()->isVisible());

        f.relay.reply(pairDefault, R"({"device": {"id": "d1", "name": "Studio Mac"}})", 0, 300);
        QTest::keyClick(rows->codeField(), Qt::Key_Return);
        // Cleared before the command answers.
        QVERIFY(rows->busy());
        QCOMPARE(rows->errorText(), std::nullopt);
        QVERIFY(!rows->errorLabel()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!rows->busy(), processWait);
        QCOMPARE(f.callsOf("pair").size(), 2);
    }

    void serverIsTrimmedAndTheCodePassedAsShown() {
        SetupFixture f;
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        PairingRows* rows = view->pairingRows();
        rows->advancedToggle()->click();
        rows->serverField()->setText(QStringLiteral("  https://own.example \n"));
        QTest::keyClicks(rows->codeField(), QStringLiteral("MNPQRS"));
        rows->pair();
        QTRY_VERIFY_WITH_TIMEOUT(!rows->busy(), processWait);
        const QStringList expected{"relay", "pair", "MNPQRS", "--server", "https://own.example",
                                   "--json"};
        QCOMPARE(f.callsOf("pair"), QList<QStringList>{expected});
    }

    void unpairThroughTheConfirmation() {
        SetupFixture f;
        f.replyStatus(R"({"paired": true})");
        f.relay.reply({"relay", "unpair", "--json"}, "{}", 0, 300);
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        PairingRows* rows = view->pairingRows();
        QCOMPARE(rows->pairedTitle()->text(), QStringLiteral("Paired as this Mac"));

        // Cancel does nothing.
        QTest::mouseClick(rows->unpairButton(), Qt::LeftButton);
        QMessageBox* dialog = rows->unpairDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), QStringLiteral("Unpair this Mac?"));
        QVERIFY(dialog->informativeText().startsWith(QStringLiteral("It stops sending")));
        QPushButton* cancel = nullptr;
        QPushButton* unpair = nullptr;
        for (QAbstractButton* button : dialog->buttons()) {
            if (button->text() == QStringLiteral("Cancel"))
                cancel = qobject_cast<QPushButton*>(button);
            if (button->text() == QStringLiteral("Unpair"))
                unpair = qobject_cast<QPushButton*>(button);
        }
        QVERIFY(cancel && unpair);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_VERIFY(!rows->unpairDialog());
        QVERIFY(f.callsOf("unpair").isEmpty());

        QTest::mouseClick(rows->unpairButton(), Qt::LeftButton);
        dialog = rows->unpairDialog();
        QVERIFY(dialog);
        for (QAbstractButton* button : dialog->buttons())
            if (button->text() == QStringLiteral("Unpair"))
                QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(rows->busy());
        f.replyStatus(R"({"paired": false})");
        QTRY_VERIFY_WITH_TIMEOUT(rows->form()->isVisible(), processWait);
        QTRY_VERIFY_WITH_TIMEOUT(!rows->busy(), processWait);
        QCOMPARE(f.callsOf("unpair").size(), 1);
        QCOMPARE(rows->errorText(), std::nullopt);
    }

    void commandLineRelaySectionFollowsItsFile() {
        SetupFixture f;
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QVERIFY(!view->launchAgentSection()->isVisible());
        QVERIFY(f.installLaunchAgent());
        view->checkAgainButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QVERIFY(view->launchAgentSection()->isVisible());
        QVERIFY(view->launchAgentRow());

        // A failing removal keeps the row and says what to do.
        f.relay.reply({"relay", "uninstall"}, {}, 1);
        view->launchAgentRow()->removeButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(view->launchAgentRow()->error().has_value(), processWait);
        QCOMPARE(view->launchAgentRow()->errorLabel()->text(),
                 QStringLiteral("Couldn't remove the command-line relay. Run wrenbox relay "
                                "uninstall in Terminal."));
        QVERIFY(view->launchAgentRow()->errorLabel()->isVisible());
        QVERIFY(view->launchAgentSection()->isVisible());

        // A removal that works refreshes; the file is gone, and so is the section.
        f.relay.reply({"relay", "uninstall"}, {}, 0, 300);
        const int doctorRuns = f.callsOf("doctor").size();
        view->launchAgentRow()->removeButton()->click();
        QVERIFY(QFile::remove(f.fake.bundle.launchAgentPath()));
        QTRY_VERIFY_WITH_TIMEOUT(f.callsOf("doctor").size() > doctorRuns, processWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QVERIFY(!view->launchAgentSection()->isVisible());
        QVERIFY(!view->launchAgentRow());
        QCOMPARE(f.callsOf("uninstall").size(), 2);
    }

    void checkAgainIsDisabledWhileChecking() {
        SetupFixture f;
        f.replyDoctor(R"({"checks": [], "problems": 1})");
        auto view = open(f);
        QVERIFY(f.model->isChecking());
        QVERIFY(!view->checkAgainButton()->isEnabled());
        QCOMPARE(view->summaryLabel()->text(), QStringLiteral("Checking…"));
        QCOMPARE(view->fullDiskAccessRow()->iconAccessibleName(), QStringLiteral("Checking"));
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QVERIFY(view->checkAgainButton()->isEnabled());
        QCOMPARE(view->summaryLabel()->text(), QStringLiteral("1 thing to fix"));
        QCOMPARE(view->checkAgainButton()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    }

    void manyChecksShowBoundedRowsUpdatedInPlace() {
        SetupFixture f;
        const auto report = [](const char* seventh) {
            QStringList checks;
            for (int i = 0; i < 500; ++i)
                checks << QStringLiteral("{\"id\": \"c%1\", \"status\": \"%2\", \"title\": \"C\"}")
                              .arg(i)
                              .arg(QLatin1String(i == 7 ? seventh : "fail"));
            return QStringLiteral("{\"problems\": 500, \"checks\": [%1]}")
                .arg(checks.join(QLatin1Char(',')))
                .toUtf8();
        };
        f.replyDoctor(report("fail"));
        auto view = open(f);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        const auto row = [&view](const char* id) {
            return view->otherChecksSection()->findChild<CheckRow*>(id);
        };
        QCOMPARE(view->otherCheckRows().size(), 50);
        QVERIFY(row("c49") && !row("c50"));
        const auto* more = view->otherChecksSection()->findChild<QLabel*>("moreChecks");
        QVERIFY(more && more->isVisible());
        QCOMPARE(more->text(),
                 QStringLiteral("And 450 more checks; Copy diagnostics has them all."));
        QVERIFY(f.model->diagnostics().contains(QStringLiteral("c499")));

        const QPointer<CheckRow> seventh = row("c7");
        const QPointer<CheckRow> first = row("c0");
        f.replyDoctor(report("warn"));
        view->checkAgainButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(row("c7") && row("c7")->status() == Status::Warn, processWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(f, *view), processWait);
        QCOMPARE(row("c7"), seventh.data());
        QCOMPARE(row("c0"), first.data());
        QCOMPARE(view->otherCheckRows().size(), 50);
    }
};

QTEST_MAIN(SetupViewTest)
#include "SetupViewTest.moc"
