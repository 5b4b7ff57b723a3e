#include "Features/Panel/ClockText.h"
#include "Features/Panel/EventRow.h"
#include "Features/Panel/StatusLine.h"
#include "Features/Panel/StatusPanel.h"
#include "Features/Panel/TodayRow.h"
#include "Features/Panel/WebAddress.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(StatusAction::Kind)
Q_DECLARE_METATYPE(Tone)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<qint64>)
Q_DECLARE_METATYPE(RelayEvent::Kind)

using Attention = RelayPhase::Attention;

namespace {
const QDateTime now = QDateTime::fromString(QStringLiteral("2024-05-01T10:00:00Z"), Qt::ISODate);

QDateTime secondsAgo(qint64 seconds) {
    return now.addSecs(-seconds);
}

RelayEvent makeEvent(RelayEvent::Kind kind) {
    return RelayEvent::make(kind, now);
}
} // namespace

class PanelPresentersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headline_data();
    void headline();
    void detail_data();
    void detail();
    void actionTitle_data();
    void actionTitle();
    void act_data();
    void act();
    void ago_data();
    void ago();
    void agoAfterAnHourIsTheClockTime();
    void clockTextIsHourAndMinute_data();
    void clockTextIsHourAndMinute();
    void iconFollowsPhase_data();
    void iconFollowsPhase();
    void progress_data();
    void progress();
    void eventRow_data();
    void eventRow();
    void eventRowTimeIsHourAndMinute();
    void todayCountersOfZero();
    void todayCounters();
    void panelTexts();
    void webAddresses_data();
    void webAddresses();
};

void PanelPresentersTest::headline_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<QString>("expected");
    QTest::newRow("idle, never synced") << RelayPhase::idle(std::nullopt) << "Online";
    QTest::newRow("idle, synced 5 s ago")
        << RelayPhase::idle(secondsAgo(5)) << "Online · last sync 5 s ago";
    QTest::newRow("idle, synced 12 min ago")
        << RelayPhase::idle(secondsAgo(12 * 60 + 30)) << "Online · last sync 12 min ago";
    QTest::newRow("sending first of five") << RelayPhase::sending(0, 5) << "Sending 1 of 5";
    QTest::newRow("sending third of five") << RelayPhase::sending(2, 5) << "Sending 3 of 5";
    QTest::newRow("sending never past the total") << RelayPhase::sending(4, 4) << "Sending 4 of 4";
    QTest::newRow("paused by the user") << RelayPhase::paused(false) << "Paused";
    QTest::newRow("paused by the server") << RelayPhase::paused(true) << "Paused for now";
    QTest::newRow("not paired") << RelayPhase::attention(Attention::notPaired())
                                << "Not paired yet";
    QTest::newRow("full disk access")
        << RelayPhase::attention(Attention::fullDiskAccess()) << "Needs Full Disk Access";
    QTest::newRow("automation") << RelayPhase::attention(Attention::automation())
                                << "Needs permission for Messages";
    QTest::newRow("update required")
        << RelayPhase::attention(Attention::updateRequired()) << "Update Wrenbox";
    QTest::newRow("relay stopped")
        << RelayPhase::attention(Attention::relayStopped(QStringLiteral("boom")))
        << "The relay stopped";
    QTest::newRow("starting") << RelayPhase::starting() << "Starting…";
}

void PanelPresentersTest::headline() {
    QFETCH(RelayPhase, phase);
    QFETCH(QString, expected);
    QCOMPARE(StatusLine::headline(phase, now), expected);
}

void PanelPresentersTest::detail_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<std::optional<QString>>("expected");
    const std::optional<QString> idle =
        QStringLiteral("Texts go out from your iPhone's number as soon as they're queued.");
    QTest::newRow("idle, never synced") << RelayPhase::idle(std::nullopt) << idle;
    QTest::newRow("idle, synced") << RelayPhase::idle(secondsAgo(5)) << idle;
    QTest::newRow("sending") << RelayPhase::sending(1, 3) << std::optional<QString>();
    QTest::newRow("paused by the user")
        << RelayPhase::paused(false)
        << std::optional<QString>("Nothing is sent until you resume. Texts wait on the server.");
    QTest::newRow("paused by the server")
        << RelayPhase::paused(true)
        << std::optional<QString>("Wrenbox has paused sending everywhere. It resumes by itself.");
    QTest::newRow("not paired") << RelayPhase::attention(Attention::notPaired())
                                << std::optional<QString>(
                                       "Pair this Mac with a code from the dashboard.");
    QTest::newRow("full disk access")
        << RelayPhase::attention(Attention::fullDiskAccess())
        << std::optional<QString>("Wrenbox reads replies and send errors from Messages' database.");
    QTest::newRow("automation") << RelayPhase::attention(Attention::automation())
                                << std::optional<QString>(
                                       "Allow Wrenbox to use Messages so it can send.");
    QTest::newRow("update required")
        << RelayPhase::attention(Attention::updateRequired())
        << std::optional<QString>(
               "This version is older than the server accepts, so sending has stopped.");
    QTest::newRow("relay stopped shows its message unchanged")
        << RelayPhase::attention(Attention::relayStopped(QStringLiteral("Paused %1 · 50%")))
        << std::optional<QString>("Paused %1 · 50%");
    QTest::newRow("starting") << RelayPhase::starting() << std::optional<QString>();
}

void PanelPresentersTest::detail() {
    QFETCH(RelayPhase, phase);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(StatusLine::detail(phase), expected);
}

void PanelPresentersTest::actionTitle_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("shown");
    QTest::newRow("not paired") << RelayPhase::attention(Attention::notPaired()) << "Pair this Mac"
                                << true;
    QTest::newRow("update required")
        << RelayPhase::attention(Attention::updateRequired()) << "Download the update" << true;
    QTest::newRow("full disk access")
        << RelayPhase::attention(Attention::fullDiskAccess()) << "Open Setup" << true;
    QTest::newRow("automation") << RelayPhase::attention(Attention::automation()) << "Open Setup"
                                << true;
    QTest::newRow("relay stopped")
        << RelayPhase::attention(Attention::relayStopped(QStringLiteral("x"))) << "Open Setup"
        << true;
    QTest::newRow("idle") << RelayPhase::idle(std::nullopt) << "Open Setup" << false;
    QTest::newRow("sending") << RelayPhase::sending(0, 1) << "Open Setup" << false;
    QTest::newRow("paused") << RelayPhase::paused(true) << "Open Setup" << false;
    QTest::newRow("starting") << RelayPhase::starting() << "Open Setup" << false;
}

void PanelPresentersTest::actionTitle() {
    QFETCH(RelayPhase, phase);
    QFETCH(QString, expected);
    QFETCH(bool, shown);
    QCOMPARE(StatusLine::actionTitle(phase), expected);
    QCOMPARE(StatusLine::showsAction(phase), shown);
}

void PanelPresentersTest::act_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<std::optional<QString>>("updateUrl");
    QTest::addColumn<StatusAction::Kind>("kind");
    QTest::addColumn<QUrl>("url");
    const auto update = RelayPhase::attention(Attention::updateRequired());
    const auto setup = StatusAction::Kind::OpenSetup;
    const auto open = StatusAction::Kind::OpenUrl;
    QTest::newRow("update with an https address")
        << update << std::optional<QString>("https://wrenbox.app/download") << open
        << QUrl(QStringLiteral("https://wrenbox.app/download"));
    QTest::newRow("update with an http address")
        << update << std::optional<QString>("http://localhost:8080/get") << open
        << QUrl(QStringLiteral("http://localhost:8080/get"));
    QTest::newRow("update without an address")
        << update << std::optional<QString>() << setup << QUrl();
    QTest::newRow("update with an empty address")
        << update << std::optional<QString>("") << setup << QUrl();
    QTest::newRow("update with a file address")
        << update << std::optional<QString>("file:///etc/passwd") << setup << QUrl();
    QTest::newRow("update with a script address")
        << update << std::optional<QString>("javascript:alert(1)") << setup << QUrl();
    QTest::newRow("update with an app link")
        << update << std::optional<QString>("wrenbox-mac://pair?code=ABC123") << setup << QUrl();
    QTest::newRow("update with no address at all")
        << update << std::optional<QString>("not a url") << setup << QUrl();
    QTest::newRow("update with a host-less address")
        << update << std::optional<QString>("https:///nothing") << setup << QUrl();
    QTest::newRow("not paired ignores the address")
        << RelayPhase::attention(Attention::notPaired())
        << std::optional<QString>("https://wrenbox.app/download") << setup << QUrl();
    QTest::newRow("relay stopped")
        << RelayPhase::attention(Attention::relayStopped(QStringLiteral("x")))
        << std::optional<QString>() << setup << QUrl();
    QTest::newRow("full disk access") << RelayPhase::attention(Attention::fullDiskAccess())
                                      << std::optional<QString>() << setup << QUrl();
    QTest::newRow("automation") << RelayPhase::attention(Attention::automation())
                                << std::optional<QString>() << setup << QUrl();
}

void PanelPresentersTest::act() {
    QFETCH(RelayPhase, phase);
    QFETCH(std::optional<QString>, updateUrl);
    QFETCH(StatusAction::Kind, kind);
    QFETCH(QUrl, url);
    const StatusAction action = StatusLine::act(phase, updateUrl);
    QCOMPARE(action.kind, kind);
    QCOMPARE(action.url, url);
}

void PanelPresentersTest::ago_data() {
    QTest::addColumn<qint64>("msAgo");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0 s") << qint64(0) << "0 s ago";
    QTest::newRow("0.9 s truncates") << qint64(900) << "0 s ago";
    QTest::newRow("59 s") << qint64(59'000) << "59 s ago";
    QTest::newRow("59.9 s truncates") << qint64(59'900) << "59 s ago";
    QTest::newRow("60 s") << qint64(60'000) << "1 min ago";
    QTest::newRow("119 s") << qint64(119'000) << "1 min ago";
    QTest::newRow("3540 s") << qint64(3'540'000) << "59 min ago";
    QTest::newRow("3599 s") << qint64(3'599'000) << "59 min ago";
    QTest::newRow("3 s in the future") << qint64(-3'000) << "0 s ago";
    QTest::newRow("a day in the future") << qint64(-86'400'000) << "0 s ago";
}

void PanelPresentersTest::ago() {
    QFETCH(qint64, msAgo);
    QFETCH(QString, expected);
    QCOMPARE(StatusLine::ago(now.addMSecs(-msAgo), now), expected);
}

void PanelPresentersTest::agoAfterAnHourIsTheClockTime() {
    for (const qint64 seconds : {qint64(3600), qint64(3601), qint64(86'400 * 3)}) {
        const QDateTime date = secondsAgo(seconds);
        const QString shown = StatusLine::ago(date, now);
        QCOMPARE(shown, clockText(date));
        QVERIFY(!shown.contains(QStringLiteral("ago")));
    }
}

void PanelPresentersTest::clockTextIsHourAndMinute_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("C drops its seconds") << "C"
                                         << "14:05";
    QTest::newRow("German") << "de_DE"
                            << "14:05";
    QTest::newRow("US English, 12-hour") << "en_US"
                                         << "2:05 PM";
}

void PanelPresentersTest::clockTextIsHourAndMinute() {
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const QDateTime at(QDate(2024, 5, 1), QTime(14, 5, 7), Qt::LocalTime);
    QCOMPARE(clockText(at, QLocale(locale)), expected);
    // A time given in UTC is shown in local time.
    QCOMPARE(clockText(at.toUTC(), QLocale(locale)), expected);
}

void PanelPresentersTest::iconFollowsPhase_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<Tone>("tone");
    QTest::newRow("idle") << RelayPhase::idle(secondsAgo(1)) << "message" << Tone::Success;
    QTest::newRow("starting") << RelayPhase::starting() << "message" << Tone::Text2;
    QTest::newRow("sending") << RelayPhase::sending(0, 2) << "paperplane.fill" << Tone::Primary;
    QTest::newRow("paused by the user")
        << RelayPhase::paused(false) << "pause.circle" << Tone::Text2;
    QTest::newRow("paused by the server")
        << RelayPhase::paused(true) << "pause.circle" << Tone::Text2;
    QTest::newRow("not paired") << RelayPhase::attention(Attention::notPaired())
                                << "exclamationmark.triangle" << Tone::Warning;
    QTest::newRow("relay stopped")
        << RelayPhase::attention(Attention::relayStopped(QStringLiteral("x")))
        << "exclamationmark.triangle" << Tone::Warning;
}

void PanelPresentersTest::iconFollowsPhase() {
    QFETCH(RelayPhase, phase);
    QFETCH(QString, symbol);
    QFETCH(Tone, tone);
    QCOMPARE(StatusLine::symbol(phase), symbol);
    QCOMPARE(StatusLine::tone(phase), tone);
}

void PanelPresentersTest::progress_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("maximum");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("0 of 5") << RelayPhase::sending(0, 5) << qint64(0) << qint64(5) << "0 of 5 sent";
    QTest::newRow("2 of 5") << RelayPhase::sending(2, 5) << qint64(2) << qint64(5) << "2 of 5 sent";
    QTest::newRow("a total of 0 counts as 1")
        << RelayPhase::sending(0, 0) << qint64(0) << qint64(1) << "0 of 0 sent";
}

void PanelPresentersTest::progress() {
    QFETCH(RelayPhase, phase);
    QFETCH(qint64, value);
    QFETCH(qint64, maximum);
    QFETCH(QString, spoken);
    QCOMPARE(StatusLine::progressValue(phase), value);
    QCOMPARE(StatusLine::progressMaximum(phase), maximum);
    QCOMPARE(StatusLine::progressText(phase), spoken);
    QCOMPARE(StatusLine::progressName(), QStringLiteral("Batch progress"));
}

void PanelPresentersTest::eventRow_data() {
    using Kind = RelayEvent::Kind;
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<std::optional<qint64>>("jobs");
    QTest::addColumn<std::optional<QString>>("message");
    QTest::addColumn<std::optional<QString>>("error");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<Tone>("tone");
    QTest::addColumn<QString>("text");
    const std::optional<qint64> noJobs;
    const std::optional<QString> none;
    const std::optional<QString> msg = QStringLiteral("Recipient unknown");
    const std::optional<QString> err = QStringLiteral("bad_recipient");
    const QString sync = QStringLiteral("arrow.triangle.2.circlepath");
    const QString cross = QStringLiteral("xmark.circle.fill");
    const QString triangle = QStringLiteral("exclamationmark.triangle.fill");

    QTest::newRow("started") << Kind::Started << noJobs << none << none << "play.circle"
                             << Tone::Text2 << "Relay started";
    QTest::newRow("synced, no jobs") << Kind::Synced << noJobs << none << none << sync
                                     << Tone::Text2 << "Synced · nothing to send";
    QTest::newRow("synced, 0 jobs") << Kind::Synced << std::optional<qint64>(0) << none << none
                                    << sync << Tone::Text2 << "Synced · nothing to send";
    QTest::newRow("synced, -1 jobs") << Kind::Synced << std::optional<qint64>(-1) << none << none
                                     << sync << Tone::Text2 << "Synced · nothing to send";
    QTest::newRow("synced, 1 job") << Kind::Synced << std::optional<qint64>(1) << none << none
                                   << sync << Tone::Text2 << "Synced · 1 text to send";
    QTest::newRow("synced, 7 jobs") << Kind::Synced << std::optional<qint64>(7) << none << none
                                    << sync << Tone::Text2 << "Synced · 7 texts to send";
    QTest::newRow("sent") << Kind::Sent << noJobs << none << none << "checkmark.circle.fill"
                          << Tone::Success << "Text sent";
    QTest::newRow("failed with message and error") << Kind::Failed << noJobs << msg << err << cross
                                                   << Tone::Danger << "Not sent: Recipient unknown";
    QTest::newRow("failed with error only") << Kind::Failed << noJobs << none << err << cross
                                            << Tone::Danger << "Not sent: bad_recipient";
    QTest::newRow("failed with neither") << Kind::Failed << noJobs << none << none << cross
                                         << Tone::Danger << "Not sent: unknown reason";
    QTest::newRow("received") << Kind::Received << noJobs << none << none
                              << "arrow.down.circle.fill" << Tone::Info << "Reply received";
    QTest::newRow("paused") << Kind::Paused << noJobs << none << none << "pause.circle"
                            << Tone::Text2 << "Paused";
    QTest::newRow("resumed") << Kind::Resumed << noJobs << none << none << "play.circle"
                             << Tone::Text2 << "Resumed";
    QTest::newRow("update required") << Kind::UpdateRequired << noJobs << none << none
                                     << "arrow.down.app" << Tone::Warning << "Update required";
    QTest::newRow("unpaired") << Kind::Unpaired << noJobs << none << none << "link.badge.plus"
                              << Tone::Warning << "This Mac was removed from the account";
    QTest::newRow("error with a message, shown bare")
        << Kind::Error << noJobs << std::optional<QString>("Messages is not running") << err
        << triangle << Tone::Danger << "Messages is not running";
    QTest::newRow("error without a message")
        << Kind::Error << noJobs << none << err << triangle << Tone::Danger << "Relay error";
    QTest::newRow("unknown") << Kind::Unknown << noJobs << none << none << triangle << Tone::Text2
                             << "Relay event";
}

void PanelPresentersTest::eventRow() {
    QFETCH(RelayEvent::Kind, kind);
    QFETCH(std::optional<qint64>, jobs);
    QFETCH(std::optional<QString>, message);
    QFETCH(std::optional<QString>, error);
    QFETCH(QString, symbol);
    QFETCH(Tone, tone);
    QFETCH(QString, text);
    RelayEvent e = makeEvent(kind);
    e.jobs = jobs;
    e.message = message;
    e.error = error;
    QCOMPARE(EventRow::symbol(e), symbol);
    QCOMPARE(EventRow::tone(e), tone);
    QCOMPARE(EventRow::text(e), text);
}

void PanelPresentersTest::eventRowTimeIsHourAndMinute() {
    const RelayEvent e =
        RelayEvent::make(RelayEvent::Kind::Sent, QDateTime(QDate(2024, 5, 1), QTime(9, 7, 42)));
    QCOMPARE(EventRow::time(e), clockText(e.at, QLocale::system()));
    QVERIFY(!EventRow::time(e).contains(QStringLiteral("42")));
}

void PanelPresentersTest::todayCountersOfZero() {
    const auto stats = TodayRow::stats(RelayToday{});
    QCOMPARE(stats.size(), 3);
    for (const auto& stat : stats) {
        QCOMPARE(stat.value, QStringLiteral("0"));
        QCOMPARE(stat.spokenValue, QStringLiteral("0 today"));
    }
    QCOMPARE(TodayRow::spokenName(), QStringLiteral("Today"));
}

void PanelPresentersTest::todayCounters() {
    const auto stats = TodayRow::stats(RelayToday{4, 1, 12});
    const QList<TodayRow::Stat> expected{{"Sent", "4", "checkmark", "4 today"},
                                         {"Failed", "1", "xmark", "1 today"},
                                         {"Received", "12", "arrow.down", "12 today"}};
    QCOMPARE(stats, expected);
}

void PanelPresentersTest::panelTexts() {
    QCOMPARE(StatusPanel::subtitle(std::nullopt), QStringLiteral("Mac relay"));
    QCOMPARE(StatusPanel::subtitle(QStringLiteral("Studio Mac")), QStringLiteral("Studio Mac"));
    QCOMPARE(StatusPanel::pauseTitle(false), QStringLiteral("Pause"));
    QCOMPARE(StatusPanel::pauseSymbol(false), QStringLiteral("pause.fill"));
    QCOMPARE(StatusPanel::pauseToolTip(false), QStringLiteral("Stop sending until you resume"));
    QCOMPARE(StatusPanel::pauseTitle(true), QStringLiteral("Resume"));
    QCOMPARE(StatusPanel::pauseSymbol(true), QStringLiteral("play.fill"));
    QCOMPARE(StatusPanel::pauseToolTip(true), QStringLiteral("Start sending again"));
    QCOMPARE(StatusPanel::dryRunText(),
             QStringLiteral("Dry run: the relay reports texts as sent without touching Messages."));
}

void PanelPresentersTest::webAddresses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("web");
    QTest::newRow("https") << "https://wrenbox.app/app" << true;
    QTest::newRow("http on a port") << "http://127.0.0.1:3000/app" << true;
    QTest::newRow("upper-case scheme") << "HTTPS://wrenbox.app" << true;
    QTest::newRow("file") << "file:///home/user/.ssh/id_rsa" << false;
    QTest::newRow("ftp") << "ftp://example.com/x" << false;
    QTest::newRow("custom scheme") << "wrenbox-mac://pair?code=X" << false;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
    QTest::newRow("bare host") << "wrenbox.app" << false;
    QTest::newRow("empty") << "" << false;
}

void PanelPresentersTest::webAddresses() {
    QFETCH(QString, text);
    QFETCH(bool, web);
    QCOMPARE(webAddress(text).has_value(), web);
    QCOMPARE(isWebAddress(QUrl(text)), web);
}

QTEST_MAIN(PanelPresentersTest)
#include "tst_panelpresenters.moc"
