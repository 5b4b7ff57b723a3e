// The theme: colours per appearance, the speech bubble and brand mark, symbols and type styles.

#include "Design/DrawnIcon.h"
#include "Design/Theme.h"

#include "RelayRig.h"

#include <QApplication>

namespace {
QString hex(const QColor& c) {
    return QString::number(c.rgb() & 0xFFFFFF, 16).rightJustified(6, u'0');
}

// How far apart two colours are, channel by channel.
int distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}
} // namespace

class TestDesign : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tables_data() { addRows("Design/design.txt", 3); }

    void tables() {
        QFETCH(QByteArrayList, row);
        if (!knownKind(row[0], {"bubble", "mark", "type", "symbol"}))
            return;
        const QString kind = QString::fromUtf8(row[0]);
        const auto numbers = [&](int column) {
            QList<qreal> values;
            for (const QByteArray& word : row[column].split(' '))
                values.append(word.toDouble());
            return values;
        };
        if (kind == u"bubble") {
            const QList<qreal> r = numbers(1);
            const QList<qreal> p = numbers(2);
            const QPainterPath path = SpeechBubbleShape::path(QRectF(r[0], r[1], r[2], r[3]));
            QCOMPARE(path.contains(QPointF(p[0], p[1])), row[3] == "yes");
        } else if (kind == u"mark") {
            const QList<qreal> p = numbers(1);
            for (qreal dpr : {2.0, 3.0}) {
                const QPixmap mark = BrandMark::pixmap(26, dpr);
                QCOMPARE(mark.size(), QSize(int(26 * dpr), int(26 * dpr)));
                const QColor actual =
                    mark.toImage().pixelColor(QPointF(p[0] * dpr, p[1] * dpr).toPoint());
                if (row[2] == "none")
                    QCOMPARE(actual.alpha(), 0);
                else
                    QVERIFY2(distance(actual, QColor(u'#' + QString::fromUtf8(row[2]))) <= 12,
                             qPrintable(actual.name()));
            }
        } else if (kind == u"type") {
            const auto style = TypeStyle(row[1].toInt());
            const qreal points = row[2].toDouble();
            QFont pixels;
            pixels.setPixelSize(26);
            QCOMPARE(Type::font(style, pixels).pixelSize(), qRound(points * 2));
            // Applied twice, a style does not compound.
            QWidget widget;
            const qreal base = QApplication::font(&widget).pointSizeF();
            applyTypeStyle(&widget, style, QFont::Medium);
            applyTypeStyle(&widget, style);
            QCOMPARE(qRound(widget.font().pointSizeF() * 100), qRound(base * points * 100 / 13));
            QCOMPARE(int(widget.font().weight()), row[3].toInt());
            const QFontMetricsF mono(Type::monospaced(style, pixels));
            QCOMPARE(mono.horizontalAdvance(u"iiii"_qs), mono.horizontalAdvance(u"WWWW"_qs));
        } else {
            // Every symbol the views draw is a glyph in the colour asked for.
            const QColor tint = Palette::danger().resolve(Appearance::Dark);
            for (const QByteArray& name : row[1].split(' ')) {
                QVERIFY2(Symbols::isKnown(QString::fromUtf8(name)), name.constData());
                const QImage image = Symbols::icon(QString::fromUtf8(name), tint, 24, 2).toImage();
                int drawn = 0;
                for (int i = 0; i < image.width() * image.height(); ++i) {
                    const QColor c = image.pixelColor(i % image.width(), i / image.width());
                    drawn += c.alpha() > 0;
                    QVERIFY(c.alpha() < 255 || c.rgb() == tint.rgb());
                }
                QVERIFY2(drawn > 48 * 48 / 20 && drawn < 48 * 48 * 9 / 10, name.constData());
            }
            // An unknown one draws the fallback.
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no\\.such\\.symbol"));
            QCOMPARE(Symbols::icon(u"no.such.symbol"_qs, Qt::red, 20, 1).toImage(),
                     Symbols::icon(Symbols::fallbackName(), Qt::red, 20, 1).toImage());
            const QIcon icon = Symbols::qicon(u"play.fill"_qs, Qt::blue);
            QCOMPARE(hex(icon.pixmap(QSize(37, 37)).toImage().pixelColor(18, 18)), u"0000ff"_qs);
        }
    }

    void appearanceOfTheDesktop() {
        const ScopedEnv noTheme("GTK_THEME");
        QWidget light; // dark text on a light window, and the other way round
        light.setPalette(QPalette(QColor(0xf6, 0xf5, 0xf4), QColor(0xf6, 0xf5, 0xf4)));
        QWidget dark;
        dark.setPalette(QPalette(QColor(0x20, 0x23, 0x26), QColor(0x20, 0x23, 0x26)));
        QCOMPARE(hex(Palette::color(Palette::success(), &light)), u"157a52"_qs);
        QCOMPARE(hex(Palette::color(Palette::success(), &dark)), u"4cc38a"_qs);
        FakeDesktop desktop;
        Appearances::useDesktop(&dark, &desktop);
        Appearances::useDesktop(&light, &desktop);
        for (const bool high : {true, false}) {
            desktop.highContrast = high;
            QCOMPARE(hex(Palette::color(Palette::text2(), &dark)),
                     high ? u"cdd1ce"_qs : u"a6aba8"_qs);
            QCOMPARE(hex(Palette::color(Palette::text2(), &light)),
                     high ? u"3f4341"_qs : u"5e625f"_qs);
        }
    }

    void iconsAreDrawnOnlyAtTheSizesAskedFor() {
        QList<std::pair<int, qreal>> draws;
        const QIcon icon = DrawnIcon::make(
            [&draws](int size, qreal dpr) {
                draws.append({size, dpr});
                QPixmap pm(qCeil(size * dpr), qCeil(size * dpr));
                pm.setDevicePixelRatio(dpr);
                pm.fill(Qt::red);
                return pm;
            },
            {16, 22, 48});
        // Listing its sizes, as a tray or window manager does first, draws nothing.
        QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {48, 48}}));
        QVERIFY(draws.isEmpty());
        QCOMPARE(icon.pixmap(QSize(22, 22), 2.0).size(), QSize(44, 44));
        QCOMPARE(icon.pixmap(QSize(30, 30)).size(), QSize(30, 30));      // drawn, not scaled
        QCOMPARE(icon.pixmap(QSize(22, 22), 2.0).size(), QSize(44, 44)); // reused
        QCOMPARE(draws, (QList<std::pair<int, qreal>>{{22, 2.0}, {30, 1.0}}));
    }
};

QTEST_MAIN(TestDesign)
#include "tst_design.moc"
