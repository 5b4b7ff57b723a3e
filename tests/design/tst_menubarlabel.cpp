#include "Features/Panel/MenuBarLabel.h"

#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(std::optional<RelayBatch>)

namespace {

using Attention = RelayPhase::Attention;

const QDateTime someSync = QDateTime::fromString("2024-05-01T10:00:00Z", Qt::ISODate);

struct PhaseRow {
    const char* name;
    RelayPhase phase;
};

// Every kind of phase, with different payloads of the same kind.
QList<PhaseRow> everyPhase() {
    return {
        {"starting", RelayPhase::starting()},
        {"idle, never synced", RelayPhase::idle(std::nullopt)},
        {"idle, synced", RelayPhase::idle(someSync)},
        {"sending 0 of 3", RelayPhase::sending(0, 3)},
        {"sending 7 of 10", RelayPhase::sending(7, 10)},
        {"paused by user", RelayPhase::paused(false)},
        {"paused by server", RelayPhase::paused(true)},
        {"relay stopped", RelayPhase::attention(Attention::relayStopped("Relay exited (1)"))},
        {"not paired", RelayPhase::attention(Attention::notPaired())},
        {"full disk access", RelayPhase::attention(Attention::fullDiskAccess())},
        {"automation", RelayPhase::attention(Attention::automation())},
        {"update required", RelayPhase::attention(Attention::updateRequired())},
    };
}

// WCAG relative luminance and contrast ratio.
double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// Opaque white pixels: the symbol's and the count's ink.
int whitePixels(const QImage& image, int fromY = 0) {
    int count = 0;
    for (int y = fromY; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.alpha() > 200 && c.lightness() > 200;
        }
    return count;
}

} // namespace

class TestMenuBarLabel : public QObject {
    Q_OBJECT

private slots:
    void symbolAndSpokenText_data();
    void symbolAndSpokenText();
    void spokenNumberComesFromQueued_data();
    void spokenNumberComesFromQueued();
    void remaining_data();
    void remaining();
    void countShowsOnlyWhileSending_data();
    void countShowsOnlyWhileSending();
    void badgeText_data();
    void badgeText();
    void badgeIsDrawnOnlyWhileSending_data();
    void badgeIsDrawnOnlyWhileSending();
    void badgeFitsEveryTraySize_data();
    void badgeFitsEveryTraySize();
    void readsOnLightAndDarkPanels_data();
    void readsOnLightAndDarkPanels();
    void trayIconHasEveryTraySize();
    void edgeCases();
};

void TestMenuBarLabel::symbolAndSpokenText_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("spoken");
    const QString online = QStringLiteral("Wrenbox, online");
    const QString paused = QStringLiteral("Wrenbox, paused");
    const QString attention = QStringLiteral("Wrenbox, needs attention");
    const QString sending = QStringLiteral("Wrenbox, sending, 3 to go");
    for (const PhaseRow& row : everyPhase()) {
        QString symbol;
        QString spoken;
        switch (row.phase.kind()) {
        case RelayPhase::Kind::Idle:
        case RelayPhase::Kind::Starting:
            symbol = "message";
            spoken = online;
            break;
        case RelayPhase::Kind::Sending:
            symbol = "paperplane.fill";
            spoken = sending;
            break;
        case RelayPhase::Kind::Paused:
            symbol = "pause.circle";
            spoken = paused;
            break;
        case RelayPhase::Kind::Attention:
            symbol = "exclamationmark.triangle";
            spoken = attention;
            break;
        }
        QTest::newRow(row.name) << row.phase << symbol << spoken;
    }
}

void TestMenuBarLabel::symbolAndSpokenText() {
    QFETCH(RelayPhase, phase);
    QFETCH(QString, symbol);
    QFETCH(QString, spoken);
    QCOMPARE(MenuBarLabel::symbol(phase), symbol);
    QCOMPARE(MenuBarLabel::accessibility(phase, 3), spoken);
}

void TestMenuBarLabel::spokenNumberComesFromQueued_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<qint64>("queued");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("4 to go") << RelayPhase::sending(0, 100) << qint64(4)
                             << "Wrenbox, sending, 4 to go";
    QTest::newRow("1 to go") << RelayPhase::sending(9, 10) << qint64(1)
                             << "Wrenbox, sending, 1 to go";
    QTest::newRow("0 to go") << RelayPhase::sending(1, 2) << qint64(0)
                             << "Wrenbox, sending, 0 to go";
    QTest::newRow("large") << RelayPhase::sending(0, 1) << qint64(1234567)
                           << "Wrenbox, sending, 1234567 to go";
    QTest::newRow("idle ignores queued")
        << RelayPhase::idle(std::nullopt) << qint64(5) << "Wrenbox, online";
    QTest::newRow("paused ignores queued")
        << RelayPhase::paused(true) << qint64(5) << "Wrenbox, paused";
}

void TestMenuBarLabel::spokenNumberComesFromQueued() {
    QFETCH(RelayPhase, phase);
    QFETCH(qint64, queued);
    QFETCH(QString, spoken);
    QCOMPARE(MenuBarLabel::accessibility(phase, queued), spoken);
}

void TestMenuBarLabel::remaining_data() {
    QTest::addColumn<std::optional<RelayBatch>>("batch");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("no batch") << std::optional<RelayBatch>() << qint64(0);
    QTest::newRow("7 of 10") << std::optional(RelayBatch{7, 10}) << qint64(3);
    QTest::newRow("0 of 3") << std::optional(RelayBatch{0, 3}) << qint64(3);
    QTest::newRow("10 of 10") << std::optional(RelayBatch{10, 10}) << qint64(0);
    QTest::newRow("0 of 0") << std::optional(RelayBatch{0, 0}) << qint64(0);
    QTest::newRow("5 of 2, never negative") << std::optional(RelayBatch{5, 2}) << qint64(0);
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    QTest::newRow("no overflow") << std::optional(RelayBatch{-5, max}) << max;
    QTest::newRow("lowest done") << std::optional(RelayBatch{std::numeric_limits<qint64>::min(), 1})
                                 << max;
}

void TestMenuBarLabel::remaining() {
    QFETCH(std::optional<RelayBatch>, batch);
    QFETCH(qint64, expected);
    QCOMPARE(MenuBarLabel::remaining(batch), expected);
}

void TestMenuBarLabel::countShowsOnlyWhileSending_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<qint64>("remaining");
    QTest::addColumn<bool>("shows");
    for (const PhaseRow& row : everyPhase()) {
        const bool sending = row.phase.kind() == RelayPhase::Kind::Sending;
        QTest::addRow("%s, 3 left", row.name) << row.phase << qint64(3) << sending;
        QTest::addRow("%s, none left", row.name) << row.phase << qint64(0) << false;
    }
}

void TestMenuBarLabel::countShowsOnlyWhileSending() {
    QFETCH(RelayPhase, phase);
    QFETCH(qint64, remaining);
    QFETCH(bool, shows);
    QCOMPARE(MenuBarLabel::showsCount(phase, remaining), shows);
}

void TestMenuBarLabel::badgeText_data() {
    QTest::addColumn<qint64>("remaining");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("badge");
    QTest::newRow("1") << qint64(1) << "1"
                       << "1";
    QTest::newRow("3") << qint64(3) << "3"
                       << "3";
    QTest::newRow("99") << qint64(99) << "99"
                        << "99";
    QTest::newRow("100") << qint64(100) << "100"
                         << "99+";
    QTest::newRow("12345") << qint64(12345) << "12345"
                           << "99+";
}

void TestMenuBarLabel::badgeText() {
    QFETCH(qint64, remaining);
    QFETCH(QString, count);
    QFETCH(QString, badge);
    QCOMPARE(MenuBarLabel::countText(remaining), count);
    QCOMPARE(MenuBarLabel::badgeText(remaining), badge);
}

void TestMenuBarLabel::badgeIsDrawnOnlyWhileSending_data() {
    QTest::addColumn<RelayPhase>("phase");
    QTest::addColumn<qint64>("remaining");
    QTest::addColumn<bool>("badge");
    for (const PhaseRow& row : everyPhase()) {
        const bool sending = row.phase.kind() == RelayPhase::Kind::Sending;
        QTest::addRow("%s, 3 left", row.name) << row.phase << qint64(3) << sending;
    }
    QTest::newRow("sending, none left") << RelayPhase::sending(5, 5) << qint64(0) << false;
}

void TestMenuBarLabel::badgeIsDrawnOnlyWhileSending() {
    QFETCH(RelayPhase, phase);
    QFETCH(qint64, remaining);
    QFETCH(bool, badge);
    for (int size : {16, 32}) {
        const QImage with = MenuBarLabel::render(phase, remaining, size, 1);
        const QImage without = MenuBarLabel::render(phase, 0, size, 1);
        QCOMPARE(with.size(), QSize(size, size));
        QCOMPARE(with != without, badge);
    }
}

void TestMenuBarLabel::badgeFitsEveryTraySize_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<qint64>("remaining");
    for (int size : MenuBarLabel::traySizes()) {
        QTest::addRow("%d px, 3", size) << size << qint64(3);
        QTest::addRow("%d px, 42", size) << size << qint64(42);
        QTest::addRow("%d px, 99+", size) << size << qint64(5000);
    }
}

void TestMenuBarLabel::badgeFitsEveryTraySize() {
    QFETCH(int, size);
    QFETCH(qint64, remaining);
    const RelayPhase phase = RelayPhase::sending(0, remaining);
    for (qreal dpr : {1.0, 2.0}) {
        const QImage image = MenuBarLabel::render(phase, remaining, size, dpr);
        QCOMPARE(image.size(), QSize(int(size * dpr), int(size * dpr)));
        // Another count changes only the badge, below the symbol's top.
        const QImage other = MenuBarLabel::render(phase, remaining == 3 ? 8 : 98, size, dpr);
        const int top = qFloor(image.height() * 0.35);
        int changed = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != other.pixel(x, y)) {
                    QVERIFY2(y >= top, qPrintable(QStringLiteral("changed at y %1").arg(y)));
                    ++changed;
                }
        QVERIFY2(changed >= 3 * dpr * dpr, qPrintable(QString::number(changed)));
        // The symbol keeps most of its ink above the badge.
        const QImage alone = MenuBarLabel::render(phase, 0, size, dpr);
        const auto above = [&](const QImage& i) { return whitePixels(i) - whitePixels(i, top); };
        QVERIFY2(above(image) >= above(alone) * 0.4,
                 qPrintable(QStringLiteral("%1 of %2").arg(above(image)).arg(above(alone))));
    }
}

void TestMenuBarLabel::readsOnLightAndDarkPanels_data() {
    QTest::addColumn<QColor>("panel");
    QTest::addColumn<int>("size");
    QTest::addColumn<qreal>("dpr");
    for (const QColor& panel : {QColor(0xEF, 0xEF, 0xEF), QColor(0x2B, 0x2B, 0x2B)})
        for (int size : {16, 22, 24, 32})
            for (qreal dpr : {1.0, 2.0})
                QTest::addRow("%s, %d px @%gx", qPrintable(panel.name()), size, dpr)
                    << panel << size << dpr;
}

void TestMenuBarLabel::readsOnLightAndDarkPanels() {
    QFETCH(QColor, panel);
    QFETCH(int, size);
    QFETCH(qreal, dpr);
    QList<QPair<PhaseRow, qint64>> cases;
    for (const PhaseRow& row : everyPhase())
        cases.append({row, 0});
    cases.append({{"sending, 42 left", RelayPhase::sending(0, 42)}, 42});
    for (const auto& [row, remaining] : cases) {
        const QImage image = MenuBarLabel::render(row.phase, remaining, size, dpr)
                                 .convertToFormat(QImage::Format_ARGB32);
        const auto alpha = [&](int x, int y) {
            return x < 0 || y < 0 || x >= image.width() || y >= image.height()
                       ? 0
                       : qAlpha(image.pixel(x, y));
        };
        const auto over = [&](int x, int y) {
            const QColor c = image.pixelColor(x, y);
            const double a = c.alphaF();
            return QColor::fromRgbF(c.redF() * a + panel.redF() * (1 - a),
                                    c.greenF() * a + panel.greenF() * (1 - a),
                                    c.blueF() * a + panel.blueF() * (1 - a));
        };
        // The outline the panel meets: opaque pixels next to a see-through one.
        int rim = 0;
        int rimReads = 0;
        QColor edge;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (alpha(x, y) < 230)
                    continue;
                if (qMin(qMin(alpha(x - 1, y), alpha(x + 1, y)),
                         qMin(alpha(x, y - 1), alpha(x, y + 1))) >= 128)
                    continue;
                ++rim;
                edge = over(x, y);
                rimReads += contrast(edge, panel) >= 3.0;
            }
        QVERIFY2(rim > 0 && rimReads >= rim * 0.9,
                 qPrintable(QStringLiteral("%1: %2 of %3 outline pixels read")
                                .arg(row.name)
                                .arg(rimReads)
                                .arg(rim)));
        // The symbol reads on what surrounds it.
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ink += alpha(x, y) >= 230 && contrast(over(x, y), edge) >= 3.0;
        QVERIFY2(ink >= image.width() * image.height() * 0.05,
                 qPrintable(QStringLiteral("%1: %2 symbol pixels").arg(row.name).arg(ink)));
    }
}

void TestMenuBarLabel::trayIconHasEveryTraySize() {
    const RelayPhase phase = RelayPhase::sending(2, 5);
    const QIcon icon = MenuBarLabel::trayIcon(phase, 3);
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : MenuBarLabel::traySizes()) {
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QCOMPARE(image, MenuBarLabel::render(phase, 3, size, 1));
        const QImage hi = icon.pixmap(QSize(size, size), 2.0).toImage();
        QCOMPARE(hi.size(), QSize(2 * size, 2 * size));
    }
}

void TestMenuBarLabel::edgeCases() {
    // Sending 7 of 10: the paper plane, the number 3, and 3 to go.
    const std::optional<RelayBatch> batch = RelayBatch{7, 10};
    const RelayPhase sending = RelayPhase::sending(7, 10);
    const qint64 left = MenuBarLabel::remaining(batch);
    QCOMPARE(left, qint64(3));
    QCOMPARE(MenuBarLabel::symbol(sending), QStringLiteral("paperplane.fill"));
    QVERIFY(MenuBarLabel::showsCount(sending, left));
    QCOMPARE(MenuBarLabel::badgeText(left), QStringLiteral("3"));
    QCOMPARE(MenuBarLabel::accessibility(sending, left),
             QStringLiteral("Wrenbox, sending, 3 to go"));

    // Idle with a leftover batch of 10 of 10: no number, the message symbol, online.
    const std::optional<RelayBatch> leftover = RelayBatch{10, 10};
    const RelayPhase idle = RelayPhase::idle(someSync);
    const qint64 none = MenuBarLabel::remaining(leftover);
    QCOMPARE(none, qint64(0));
    QVERIFY(!MenuBarLabel::showsCount(idle, none));
    QCOMPARE(MenuBarLabel::symbol(idle), QStringLiteral("message"));
    QCOMPARE(MenuBarLabel::accessibility(idle, none), QStringLiteral("Wrenbox, online"));
    QCOMPARE(MenuBarLabel::render(idle, none, 22, 1),
             MenuBarLabel::render(RelayPhase::starting(), 0, 22, 1));

    // Every attention reason looks and reads the same.
    const QImage stopped =
        MenuBarLabel::render(RelayPhase::attention(Attention::relayStopped("x")), 4, 24, 2);
    for (const PhaseRow& row : everyPhase()) {
        if (row.phase.kind() != RelayPhase::Kind::Attention)
            continue;
        QCOMPARE(MenuBarLabel::render(row.phase, 4, 24, 2), stopped);
        QCOMPARE(MenuBarLabel::accessibility(row.phase, 4),
                 QStringLiteral("Wrenbox, needs attention"));
    }
}

QTEST_MAIN(TestMenuBarLabel)
#include "tst_menubarlabel.moc"
