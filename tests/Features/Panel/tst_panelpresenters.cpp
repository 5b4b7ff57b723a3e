// What the status line, the feed and the tray icon show for each state: pure functions.

#include "Features/Panel/ClockText.h"
#include "Features/Panel/EventRow.h"
#include "Features/Panel/MenuBarLabel.h"
#include "Features/Panel/StatusLine.h"

#include "RelayRig.h"

using Attention = RelayPhase::Attention;

namespace {
const QDateTime now(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);
const char* const tones[] = {"text2", "text3", "primary", "success", "warning", "danger", "info"};

} // namespace

// A phase written as in texts.txt: "idle 750" (synced 750 s ago), "sending 2 5", "paused user"…
RelayPhase phaseOf(const QString& text) {
    const QStringList words = text.split(u' ');
    if (words[0] == u"idle")
        return RelayPhase::idle(words.size() > 1 ? std::optional(now.addSecs(-words[1].toInt()))
                                                 : std::nullopt);
    if (words[0] == u"sending")
        return RelayPhase::sending(words[1].toInt(), words[2].toInt());
    if (words[0] == u"paused")
        return RelayPhase::paused(words[1] == u"server");
    const std::map<QString, Attention> attentions{
        {u"not paired"_qs, Attention::notPaired()},
        {u"full disk access"_qs, Attention::fullDiskAccess()},
        {u"automation"_qs, Attention::automation()},
        {u"update required"_qs, Attention::updateRequired()}};
    if (const auto it = attentions.find(text); it != attentions.end())
        return RelayPhase::attention(it->second);
    if (text.startsWith(u"relay stopped "))
        return RelayPhase::attention(Attention::relayStopped(text.mid(14)));
    return RelayPhase::starting();
}

class TestPanelPresenters : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void texts_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        for (const QByteArrayList& row : table("Features/Panel/texts.txt")) {
            const QString kind = QString::fromUtf8(row[0]);
            const QString input = QString::fromUtf8(kind == u"phase" ? row[1] : row[2]);
            QTest::addRow("%s: %s", row[0].constData(), row[1].constData())
                << kind << input
                << QString::fromUtf8(row.mid(kind == u"phase" ? 2 : 3).join(" ¦ "));
        }
    }

    void texts() {
        QFETCH(QString, kind);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        if (!knownKind(kind.toUtf8(), {"phase", "update", "ago", "clock", "tray", "event"}))
            return;
        QString shown;
        if (kind == u"phase") {
            const RelayPhase phase = phaseOf(input);
            shown = QStringList{StatusLine::headline(phase, now),
                                StatusLine::detail(phase).value_or(u"~"_qs),
                                StatusLine::showsAction(phase) ? StatusLine::actionTitle(phase)
                                                               : u"-"_qs,
                                StatusLine::symbol(phase) + u' ' +
                                    QLatin1String(tones[int(StatusLine::tone(phase))]),
                                MenuBarLabel::symbol(phase) + u' ' +
                                    MenuBarLabel::render(phase, 0, 22, 1).pixelColor(11, 1).name(),
                                MenuBarLabel::accessibility(phase, 3)}
                        .join(u" ¦ ");
        } else if (kind == u"update") {
            const StatusAction action =
                StatusLine::act(RelayPhase::attention(Attention::updateRequired()),
                                input == u"~" ? std::nullopt : std::optional(input));
            shown =
                action.kind == StatusAction::Kind::OpenSetup ? u"setup"_qs : action.url.toString();
            // Only the update offers its address.
            QCOMPARE(StatusLine::act(RelayPhase::attention(Attention::notPaired()), input).kind,
                     StatusAction::Kind::OpenSetup);
        } else if (kind == u"ago") {
            shown = StatusLine::ago(now.addMSecs(-input.toLongLong()), now);
            QCOMPARE(StatusLine::ago(now.addSecs(-3600), now), clockText(now.addSecs(-3600)));
        } else if (kind == u"clock") {
            const QDateTime at(QDate(2024, 5, 1), QTime(14, 5, 7), Qt::LocalTime);
            shown = clockText(at.toUTC(), QLocale(input));
        } else if (kind == u"tray") {
            const QStringList n = input.split(u' ');
            const auto batch = n.size() == 2
                                   ? std::optional(RelayBatch{n[0].toLongLong(), n[1].toLongLong()})
                                   : std::nullopt;
            const qint64 remaining = MenuBarLabel::remaining(batch);
            const RelayPhase sending = RelayPhase::sending(0, 1);
            const bool badge = MenuBarLabel::showsCount(sending, remaining);
            QVERIFY(!MenuBarLabel::showsCount(RelayPhase::paused(false), remaining));
            shown = QString::number(remaining) + u" ¦ "_qs +
                    (badge ? MenuBarLabel::badgeText(remaining) : u"-"_qs);
            // The badge shows on every tray size while sending, and nowhere else; the tray icon is
            // it.
            const QIcon icon = MenuBarLabel::trayIcon(sending, remaining);
            for (int size : MenuBarLabel::traySizes()) {
                const QImage image = MenuBarLabel::render(sending, remaining, size, 1);
                QCOMPARE(icon.pixmap(QSize(size, size)).toImage(), image);
                QCOMPARE(image != MenuBarLabel::render(sending, 0, size, 1), badge);
                const RelayPhase idle = RelayPhase::idle(std::nullopt);
                QCOMPARE(MenuBarLabel::render(idle, remaining, size, 1),
                         MenuBarLabel::render(idle, 0, size, 1));
            }
            QCOMPARE(StatusLine::progressMaximum(RelayPhase::sending(0, 0)),
                     1); // never an empty bar
        } else {
            const auto decoded =
                RelayEvent::decode(input.toUtf8(), QDateTime(QDate(2024, 5, 1), QTime(9, 7, 42)));
            QVERIFY2(decoded, "the row's event does not decode");
            const RelayEvent& e = *decoded;
            shown = EventRow::symbol(e) + u' ' + QLatin1String(tones[int(EventRow::tone(e))]) +
                    u'|' + EventRow::text(e);
            QCOMPARE(EventRow::time(e), clockText(e.at, QLocale::system())); // no seconds
        }
        QCOMPARE(shown, expected);
    }
};

QTEST_MAIN(TestPanelPresenters)
#include "tst_panelpresenters.moc"
