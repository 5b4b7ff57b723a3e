#include "Design/DrawnIcon.h"
#include "Design/Theme.h"
#include "Platform/Linux/LinuxDesktopSettings.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QSet>
#include <QWidget>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(std::optional<Appearance>)
Q_DECLARE_METATYPE(TypeStyle)

namespace {

QString describe(const QColor& c) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

// The colour at a point given in device-independent pixels.
QColor at(const QImage& image, QPointF point) {
    const qreal dpr = image.devicePixelRatio();
    return image.pixelColor(int(point.x() * dpr), int(point.y() * dpr));
}

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

const QColor white(255, 255, 255);

// Every symbol name the views draw.
const QStringList viewSymbols{
    "message",
    "paperplane.fill",
    "pause.circle",
    "exclamationmark.triangle",
    "exclamationmark.triangle.fill",
    "checkmark.circle.fill",
    "xmark.circle.fill",
    "exclamationmark.circle.fill",
    "circle.dashed",
    "checkmark",
    "xmark",
    "arrow.down",
    "play.circle",
    "arrow.triangle.2.circlepath",
    "arrow.down.circle.fill",
    "arrow.down.app",
    "link.badge.plus",
    "testtube.2",
    "pause.fill",
    "play.fill",
    "safari",
    "checklist",
    "gearshape",
    "doc.text",
};

struct Expected {
    const char* name;
    const DynamicColor& (*color)();
    quint32 light, dark, highLight, highDark;
};

// The design's table, with the plain value written out where no high-contrast one is given.
const Expected paletteTable[] = {
    {"canvas", Palette::canvas, 0xF3F1EC, 0x111312, 0xF3F1EC, 0x111312},
    {"surface2", Palette::surface2, 0xF8F7F4, 0x1F2220, 0xF8F7F4, 0x1F2220},
    {"text2", Palette::text2, 0x5E625F, 0xA6ABA8, 0x3F4341, 0xCDD1CE},
    {"text3", Palette::text3, 0x6B6E6A, 0x8D928E, 0x4A4D4A, 0xB5BAB6},
    {"primary", Palette::primary, 0x1E5B58, 0x5FB3A9, 0x154340, 0x8AD3CA},
    {"success", Palette::success, 0x157A52, 0x4CC38A, 0x157A52, 0x4CC38A},
    {"warning", Palette::warning, 0x9A5B06, 0xE5A443, 0x9A5B06, 0xE5A443},
    {"danger", Palette::danger, 0xB83232, 0xF07171, 0xB83232, 0xF07171},
    {"info", Palette::info, 0x285DAE, 0x6EA2EC, 0x285DAE, 0x6EA2EC},
    {"brandTileStart", Palette::brandTileStart, 0x2BA77F, 0x2BA77F, 0x2BA77F, 0x2BA77F},
    {"brandTileEnd", Palette::brandTileEnd, 0x1E5B58, 0x1E5B58, 0x1E5B58, 0x1E5B58},
    {"brandDot", Palette::brandDot, 0x237E6D, 0x237E6D, 0x237E6D, 0x237E6D},
};

QPalette paletteWith(const QColor& window, const QColor& text) {
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name)) {
        m_value = qgetenv(name);
    }
    ~EnvGuard() {
        if (m_had)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_value;
};

int opaqueCount(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

} // namespace

class TestTheme : public QObject {
    Q_OBJECT

private slots:
    // The desktop's settings, as the app hands them over at start-up.
    void initTestCase() { Appearances::useDesktop(&m_desktop); }
    void cleanupTestCase() { Appearances::useDesktop(nullptr); }
    void cleanup() { Appearances::setOverride(std::nullopt); }

    // Colours
    void paletteResolves_data();
    void paletteResolves();
    void componentsAreTheHexBytesOver255_data();
    void componentsAreTheHexBytesOver255();
    void paletteColoursAreMadeOnce();
    void highContrastFallsBackToPlainValue();

    // Appearance
    void darkIsReadFromThePalette_data();
    void darkIsReadFromThePalette();
    void highContrastIsReadFromGtkTheme_data();
    void highContrastIsReadFromGtkTheme();
    void overrideScopeRestores();
    void widgetColourFollowsItsPalette();
    void changeEventsAreRecognised();

    // Speech bubble
    void bubbleContainsInUnitSquare_data();
    void bubbleContainsInUnitSquare();
    void bubbleBoundsInUnitSquare();
    void bubbleTailTip();
    void bubbleUsesNonZeroFill();
    void bubbleStretchesWithRect_data();
    void bubbleStretchesWithRect();

    // Brand mark
    void brandMarkPixels_data();
    void brandMarkPixels();
    void brandMarkGradientRunsCornerToCorner();
    void brandMarkCornerRadius();
    void brandMarkPixmapSizes_data();
    void brandMarkPixmapSizes();
    void brandMarkViewIsDecorationOnly();
    void brandMarkViewDrawsTheMark();
    void brandMarkIconHasSizes();
    void drawnIconDrawsOnlyWhatIsAsked();

    // Symbols
    void everyViewSymbolIsMapped_data();
    void everyViewSymbolIsMapped();
    void symbolsDrawInTint_data();
    void symbolsDrawInTint();
    void mappedSymbolsDrawDifferently();
    void unknownSymbolDrawsFallback();
    void symbolsAreCached();
    void symbolIconRendersOnDemand();

    // Type
    void typeStylesScaleWithBase_data();
    void typeStylesScaleWithBase();
    void typeStylesScalePixelFonts();
    void applyTypeStyleDoesNotCompound();
    void monospacedIsFixedPitch();

private:
    LinuxDesktopSettings m_desktop;
};

void TestTheme::paletteResolves_data() {
    QTest::addColumn<DynamicColor>("color");
    QTest::addColumn<std::optional<Appearance>>("appearance");
    QTest::addColumn<quint32>("expected");
    for (const Expected& row : paletteTable) {
        const DynamicColor& c = row.color();
        QTest::addRow("%s light", row.name) << c << std::optional(Appearance::Light) << row.light;
        QTest::addRow("%s dark", row.name) << c << std::optional(Appearance::Dark) << row.dark;
        QTest::addRow("%s high-contrast light", row.name)
            << c << std::optional(Appearance::HighContrastLight) << row.highLight;
        QTest::addRow("%s high-contrast dark", row.name)
            << c << std::optional(Appearance::HighContrastDark) << row.highDark;
        QTest::addRow("%s unmatched appearance", row.name)
            << c << std::optional<Appearance>() << row.light;
    }
}

void TestTheme::paletteResolves() {
    QFETCH(DynamicColor, color);
    QFETCH(std::optional<Appearance>, appearance);
    QFETCH(quint32, expected);
    QCOMPARE(QString::number(color.value(appearance), 16), QString::number(expected, 16));
    const QColor resolved = color.resolve(appearance);
    QCOMPARE(resolved.rgb() & 0xFFFFFF, expected);
    QCOMPARE(resolved.alpha(), 255);
}

void TestTheme::componentsAreTheHexBytesOver255_data() {
    QTest::addColumn<quint32>("value");
    for (quint32 v : {0x000000u, 0xFFFFFFu, 0x123456u, 0x2BA77Fu, 0xF3F1ECu, 0x010203u, 0xFE00FEu})
        QTest::addRow("%06X", v) << v;
}

void TestTheme::componentsAreTheHexBytesOver255() {
    QFETCH(quint32, value);
    // A light-mode colour differing in every channel from its dark value.
    const DynamicColor color(value, ~value & 0xFFFFFF);
    const QColor c = color.resolve(Appearance::Light);
    QCOMPARE(c.spec(), QColor::Rgb);
    // QColor keeps 16 bits a channel and reports floats.
    QCOMPARE(c.redF(), float(((value >> 16) & 0xFF) / 255.0));
    QCOMPARE(c.greenF(), float(((value >> 8) & 0xFF) / 255.0));
    QCOMPARE(c.blueF(), float((value & 0xFF) / 255.0));
    QCOMPARE(c.red(), int((value >> 16) & 0xFF));
    QCOMPARE(c.green(), int((value >> 8) & 0xFF));
    QCOMPARE(c.blue(), int(value & 0xFF));
    QCOMPARE(c.alphaF(), 1.0f);
    const QColor d = color.resolve(Appearance::Dark);
    QCOMPARE(d.rgb() & 0xFFFFFF, ~value & 0xFFFFFF);
}

void TestTheme::paletteColoursAreMadeOnce() {
    for (const Expected& row : paletteTable)
        QVERIFY2(&row.color() == &row.color(), row.name);
}

void TestTheme::highContrastFallsBackToPlainValue() {
    const DynamicColor onlyDark(0x111111, 0x222222, std::nullopt, 0x333333);
    QCOMPARE(onlyDark.value(Appearance::HighContrastLight), 0x111111u);
    QCOMPARE(onlyDark.value(Appearance::HighContrastDark), 0x333333u);
    const DynamicColor onlyLight = DynamicColor::dynamic(0x111111, 0x222222, 0x444444);
    QCOMPARE(onlyLight.value(Appearance::HighContrastLight), 0x444444u);
    QCOMPARE(onlyLight.value(Appearance::HighContrastDark), 0x222222u);
}

void TestTheme::darkIsReadFromThePalette_data() {
    QTest::addColumn<QColor>("window");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<bool>("dark");
    QTest::newRow("white on black") << QColor(Qt::black) << QColor(Qt::white) << true;
    QTest::newRow("black on white") << QColor(Qt::white) << QColor(Qt::black) << false;
    QTest::newRow("Breeze dark") << QColor(0x20, 0x23, 0x26) << QColor(0xfc, 0xfc, 0xfc) << true;
    QTest::newRow("Adwaita light") << QColor(0xf6, 0xf5, 0xf4) << QColor(0x2e, 0x34, 0x36) << false;
}

void TestTheme::darkIsReadFromThePalette() {
    QFETCH(QColor, window);
    QFETCH(QColor, text);
    QFETCH(bool, dark);
    QCOMPARE(Appearances::isDarkPalette(paletteWith(window, text)), dark);
}

void TestTheme::highContrastIsReadFromGtkTheme_data() {
    QTest::addColumn<QByteArray>("theme");
    QTest::addColumn<bool>("highContrast");
    QTest::newRow("HighContrast") << QByteArray("HighContrast") << true;
    QTest::newRow("HighContrastInverse") << QByteArray("HighContrastInverse") << true;
    QTest::newRow("lower case") << QByteArray("highcontrast") << true;
    QTest::newRow("Adwaita:dark") << QByteArray("Adwaita:dark") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestTheme::highContrastIsReadFromGtkTheme() {
    QFETCH(QByteArray, theme);
    QFETCH(bool, highContrast);
    EnvGuard guard("GTK_THEME");
    if (theme.isEmpty())
        qunsetenv("GTK_THEME");
    else
        qputenv("GTK_THEME", theme);
    QCOMPARE(Appearances::platformPrefersHighContrast(), highContrast);
    QCOMPARE(Appearances::isHighContrast(Appearances::current()), highContrast);
}

void TestTheme::overrideScopeRestores() {
    QVERIFY(!Appearances::overridden());
    {
        AppearanceOverride dark(Appearance::Dark);
        QCOMPARE(currentAppearance(), Appearance::Dark);
        {
            AppearanceOverride high(Appearance::HighContrastLight);
            QCOMPARE(currentAppearance(), Appearance::HighContrastLight);
            QWidget widget;
            QCOMPARE(Appearances::of(&widget), Appearance::HighContrastLight);
        }
        QCOMPARE(currentAppearance(), Appearance::Dark);
        QCOMPARE(Palette::text2().resolve(currentAppearance()).rgb() & 0xFFFFFF, 0xA6ABA8u);
    }
    QVERIFY(!Appearances::overridden());
}

void TestTheme::widgetColourFollowsItsPalette() {
    EnvGuard guard("GTK_THEME");
    qunsetenv("GTK_THEME");
    QWidget light;
    light.setPalette(paletteWith(Qt::white, Qt::black));
    QWidget dark;
    dark.setPalette(paletteWith(QColor(0x20, 0x20, 0x20), QColor(0xee, 0xee, 0xee)));
    QCOMPARE(Palette::color(Palette::success(), &light).rgb() & 0xFFFFFF, 0x157A52u);
    QCOMPARE(Palette::color(Palette::success(), &dark).rgb() & 0xFFFFFF, 0x4CC38Au);

    qputenv("GTK_THEME", "HighContrast");
    QCOMPARE(Palette::color(Palette::text2(), &dark).rgb() & 0xFFFFFF, 0xCDD1CEu);
    // No high-contrast value: the dark one stays.
    QCOMPARE(Palette::color(Palette::success(), &dark).rgb() & 0xFFFFFF, 0x4CC38Au);
    QCOMPARE(Palette::color(Palette::text2(), &light).rgb() & 0xFFFFFF, 0x3F4341u);
}

void TestTheme::changeEventsAreRecognised() {
    QEvent palette(QEvent::PaletteChange);
    QEvent theme(QEvent::ThemeChange);
    QEvent app(QEvent::ApplicationPaletteChange);
    QEvent resize(QEvent::Resize);
    QVERIFY(Appearances::isChange(&palette));
    QVERIFY(Appearances::isChange(&theme));
    QVERIFY(Appearances::isChange(&app));
    QVERIFY(!Appearances::isChange(&resize));
}

void TestTheme::bubbleContainsInUnitSquare_data() {
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("inside");
    QTest::newRow("body centre") << QPointF(0.5, 0.465) << true;
    QTest::newRow("inside left edge") << QPointF(0.19, 0.465) << true;
    QTest::newRow("outside left edge") << QPointF(0.17, 0.465) << false;
    QTest::newRow("inside right edge") << QPointF(0.81, 0.465) << true;
    QTest::newRow("outside right edge") << QPointF(0.83, 0.465) << false;
    QTest::newRow("inside top edge") << QPointF(0.5, 0.24) << true;
    QTest::newRow("outside top edge") << QPointF(0.5, 0.22) << false;
    QTest::newRow("inside bottom edge") << QPointF(0.5, 0.69) << true;
    QTest::newRow("outside bottom edge") << QPointF(0.5, 0.71) << false;
    QTest::newRow("cut-off top-left corner") << QPointF(0.185, 0.235) << false;
    QTest::newRow("cut-off top-right corner") << QPointF(0.815, 0.235) << false;
    QTest::newRow("cut-off bottom-right corner") << QPointF(0.815, 0.695) << false;
    QTest::newRow("inside rounded top-left") << QPointF(0.24, 0.29) << true;
    QTest::newRow("where tail overlaps body") << QPointF(0.32, 0.67) << true;
    QTest::newRow("tail below body") << QPointF(0.32, 0.73) << true;
    QTest::newRow("tail near tip") << QPointF(0.262, 0.79) << true;
    QTest::newRow("below tip") << QPointF(0.25, 0.81) << false;
    QTest::newRow("left of tail") << QPointF(0.20, 0.75) << false;
    QTest::newRow("right of tail") << QPointF(0.42, 0.73) << false;
    QTest::newRow("under body middle") << QPointF(0.5, 0.75) << false;
    QTest::newRow("tile top-left") << QPointF(0.05, 0.05) << false;
}

void TestTheme::bubbleContainsInUnitSquare() {
    QFETCH(QPointF, point);
    QFETCH(bool, inside);
    QCOMPARE(SpeechBubbleShape::path(QRectF(0, 0, 1, 1)).contains(point), inside);
    // The same in a large square, where curve flattening cannot hide a fault.
    QCOMPARE(SpeechBubbleShape::path(QRectF(0, 0, 1000, 1000)).contains(point * 1000), inside);
}

void TestTheme::bubbleBoundsInUnitSquare() {
    const QRectF bounds = SpeechBubbleShape::path(QRectF(0, 0, 1, 1)).boundingRect();
    QVERIFY2(std::abs(bounds.left() - 0.18) < 1e-6, qPrintable(QString::number(bounds.left())));
    QVERIFY2(std::abs(bounds.right() - 0.82) < 1e-6, qPrintable(QString::number(bounds.right())));
    QVERIFY2(std::abs(bounds.top() - 0.23) < 1e-6, qPrintable(QString::number(bounds.top())));
    QVERIFY2(std::abs(bounds.bottom() - 0.80) < 1e-6, qPrintable(QString::number(bounds.bottom())));
}

void TestTheme::bubbleTailTip() {
    // The lowest point of the outline is the tail's tip.
    const QPainterPath path = SpeechBubbleShape::path(QRectF(0, 0, 1, 1));
    QPointF lowest(0, -1);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.y > lowest.y())
            lowest = QPointF(e.x, e.y);
    }
    QVERIFY2(std::abs(lowest.x() - 0.25) < 1e-9 && std::abs(lowest.y() - 0.80) < 1e-9,
             qPrintable(QStringLiteral("tip at (%1, %2)").arg(lowest.x()).arg(lowest.y())));
    const QPainterPath big = SpeechBubbleShape::path(QRectF(0, 0, 1000, 1000));
    QVERIFY(big.contains(QPointF(252.5, 798)));
    QVERIFY(!big.contains(QPointF(250, 801)));
}

void TestTheme::bubbleUsesNonZeroFill() {
    QCOMPARE(SpeechBubbleShape::path(QRectF(0, 0, 1, 1)).fillRule(), Qt::WindingFill);
    // Even filled with a brush, the overlap is painted.
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(SpeechBubbleShape::path(QRectF(0, 0, 200, 200)));
    painter.end();
    QCOMPARE(image.pixelColor(64, 134), white); // (0.32, 0.67): body and tail overlap
    QCOMPARE(image.pixelColor(64, 146), white); // (0.32, 0.73): tail only
}

void TestTheme::bubbleStretchesWithRect_data() {
    // Rectangle (10, 20, 200, 50): body x 46..174, y 31.5..55, corner radius 7.5, tip (60, 60).
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("inside");
    QTest::newRow("body centre") << QPointF(110, 43) << true;
    QTest::newRow("inside left edge") << QPointF(47, 43) << true;
    QTest::newRow("outside left edge") << QPointF(45, 43) << false;
    QTest::newRow("inside right edge") << QPointF(173, 43) << true;
    QTest::newRow("outside right edge") << QPointF(175, 43) << false;
    QTest::newRow("outside top") << QPointF(110, 31) << false;
    QTest::newRow("inside top") << QPointF(110, 32) << true;
    // Radius from the height (7.5), not the width: this corner point is inside.
    QTest::newRow("corner with height radius") << QPointF(49, 34) << true;
    QTest::newRow("cut-off corner") << QPointF(47.5, 33) << false;
    QTest::newRow("tail") << QPointF(64, 59) << true;
    QTest::newRow("below tip") << QPointF(64, 60.5) << false;
    QTest::newRow("right of tail") << QPointF(100, 57) << false;
}

void TestTheme::bubbleStretchesWithRect() {
    QFETCH(QPointF, point);
    QFETCH(bool, inside);
    const QPainterPath path = SpeechBubbleShape::path(QRectF(10, 20, 200, 50));
    QCOMPARE(path.contains(point), inside);
    const QRectF bounds = path.boundingRect();
    QVERIFY(std::abs(bounds.left() - 46) < 1e-6);
    QVERIFY(std::abs(bounds.right() - 174) < 1e-6);
    QVERIFY(std::abs(bounds.top() - 31.5) < 1e-6);
    QVERIFY(std::abs(bounds.bottom() - 60) < 1e-6);
}

void TestTheme::brandMarkPixels_data() {
    // Points in a 26-point mark: tile radius 7.02, dots of 2.288 at x 8.762, 13, 17.238 and
    // y 12.09, bubble body x 4.68..21.32, y 5.98..18.2.
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QColor>("expected");
    const QColor transparent(0, 0, 0, 0);
    const QColor dot = Palette::brandDot().resolve(Appearance::Light);
    for (qreal dpr : {2.0, 3.0}) {
        const QByteArray scale = QByteArray::number(dpr) + "x";
        auto row = [&](const char* what, QPointF p, QColor c) {
            QTest::addRow("%s %s", scale.constData(), what) << dpr << p << c;
        };
        row("tile corner", QPointF(0.2, 0.2), transparent);
        row("just outside the corner arc", QPointF(1.6, 1.6), transparent);
        row("bottom-right corner", QPointF(25.8, 25.8), transparent);
        row("left dot", QPointF(8.762, 12.09), dot);
        row("middle dot", QPointF(13, 12.09), dot);
        row("right dot", QPointF(17.238, 12.09), dot);
        row("gap between dots", QPointF(10.88, 12.09), white);
        row("below the lifted dot", QPointF(13, 13.6), white);
        row("bubble body", QPointF(10.92, 15.6), white);
        row("bubble top", QPointF(13, 7), white);
        row("tail", QPointF(8.32, 18.98), white);
    }
}

void TestTheme::brandMarkPixels() {
    QFETCH(qreal, dpr);
    QFETCH(QPointF, point);
    QFETCH(QColor, expected);
    const QImage image = BrandMark::pixmap(26, dpr).toImage();
    const QColor actual = at(image, point);
    const bool ok = expected.alpha() == 0 ? actual.alpha() == 0 : near(actual, expected, 2);
    QVERIFY2(ok, qPrintable(describe(actual) + " expected " + describe(expected)));
}

void TestTheme::brandMarkGradientRunsCornerToCorner() {
    const QImage image = BrandMark::pixmap(26, 2).toImage();
    const QColor start = Palette::brandTileStart().resolve(Appearance::Light);
    const QColor end = Palette::brandTileEnd().resolve(Appearance::Light);
    // Tile points outside the bubble; along the diagonal gradient t = (x + y) / 2s.
    const QPointF points[] = {{2.6, 2.6}, {13, 2}, {2, 13}, {24, 13}, {13, 23.5}, {23.4, 23.4}};
    for (const QPointF& p : points) {
        const QColor expected = mix(start, end, (p.x() + p.y()) / 52.0);
        const QColor actual = at(image, p);
        QVERIFY2(near(actual, expected, 4),
                 qPrintable(QStringLiteral("(%1, %2): ").arg(p.x()).arg(p.y()) + describe(actual) +
                            " expected " + describe(expected)));
    }
    // Just inside the rounded corner of radius 7.02 the tile is solid.
    QCOMPARE(at(image, QPointF(2.6, 2.6)).alpha(), 255);
}

void TestTheme::brandMarkCornerRadius() {
    // Along the diagonal, a corner of radius r begins r (1 - 1/sqrt 2) from the corner: 2.056
    // for 7.02. Rendered finely enough, the first half-covered pixel must sit there.
    const qreal dpr = 8;
    const QImage image = BrandMark::pixmap(26, dpr).toImage();
    const qreal expected = 7.02 * (1 - 1 / std::sqrt(2.0));
    int first = -1;
    for (int i = 0; i < image.width() / 2 && first < 0; ++i) {
        if (image.pixelColor(i, i).alpha() >= 128)
            first = i;
    }
    const qreal found = (first + 0.5) / dpr;
    QVERIFY2(std::abs(found - expected) < 0.15,
             qPrintable(QStringLiteral("edge at %1, expected %2").arg(found).arg(expected)));
    // The straight edges reach the frame.
    QCOMPARE(at(image, QPointF(13, 0.02)).alpha(), 255);
    QCOMPARE(at(image, QPointF(0.02, 13)).alpha(), 255);
    QCOMPARE(at(image, QPointF(25.98, 13)).alpha(), 255);
}

void TestTheme::brandMarkPixmapSizes_data() {
    QTest::addColumn<qreal>("size");
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<int>("pixels");
    QTest::newRow("26 @1x") << 26.0 << 1.0 << 26;
    QTest::newRow("26 @2x") << 26.0 << 2.0 << 52;
    QTest::newRow("40 @1x") << 40.0 << 1.0 << 40;
    QTest::newRow("40 @2x") << 40.0 << 2.0 << 80;
}

void TestTheme::brandMarkPixmapSizes() {
    QFETCH(qreal, size);
    QFETCH(qreal, dpr);
    QFETCH(int, pixels);
    const QPixmap pm = BrandMark::pixmap(size, dpr);
    QCOMPARE(pm.size(), QSize(pixels, pixels));
    QCOMPARE(pm.devicePixelRatio(), dpr);
    const QImage image = pm.toImage();
    // Scaled proportions hold at every size: the middle dot and the bubble. A dot covers only
    // part of a pixel when the mark is small, so there it must merely lean towards the dot.
    const QColor dot = Palette::brandDot().resolve(Appearance::Light);
    const QColor middle = at(image, QPointF(0.5 * size, 0.465 * size));
    if (pixels >= 50) {
        QVERIFY2(near(middle, dot, 3), qPrintable(describe(middle)));
    } else {
        auto distance = [](const QColor& a, const QColor& b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue());
        };
        QVERIFY2(distance(middle, dot) < distance(middle, white), qPrintable(describe(middle)));
    }
    QCOMPARE(at(image, QPointF(0.42 * size, 0.60 * size)), white);
    QCOMPARE(at(image, QPointF(0.005 * size, 0.005 * size)).alpha(), 0);
}

void TestTheme::brandMarkViewIsDecorationOnly() {
    BrandMarkView view(26);
    QCOMPARE(view.size(), QSize(26, 26));
    QCOMPARE(view.minimumSize(), QSize(26, 26));
    QCOMPARE(view.maximumSize(), QSize(26, 26));
    QCOMPARE(view.focusPolicy(), Qt::NoFocus);
    QVERIFY(view.accessibleName().isEmpty());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(accessible);
    QVERIFY(accessible->state().invisible);
    QVERIFY(!accessible->state().focusable);
    QVERIFY(accessible->text(QAccessible::Name).isEmpty());

    BrandMarkView large(40);
    QCOMPARE(large.size(), QSize(40, 40));
}

void TestTheme::brandMarkViewDrawsTheMark() {
    QWidget parent;
    parent.setPalette(paletteWith(Qt::magenta, Qt::black));
    parent.setAutoFillBackground(true);
    parent.resize(40, 40);
    auto* view = new BrandMarkView(26, &parent);
    view->move(0, 0);
    parent.show();
    const QImage grabbed = view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage mark = BrandMark::pixmap(26, grabbed.devicePixelRatio()).toImage();
    QCOMPARE(grabbed.size(), mark.size());
    int solid = 0;
    for (int y = 0; y < mark.height(); ++y) {
        for (int x = 0; x < mark.width(); ++x) {
            if (mark.pixelColor(x, y).alpha() == 255) {
                ++solid;
                QVERIFY2(near(grabbed.pixelColor(x, y), mark.pixelColor(x, y), 1),
                         qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            }
        }
    }
    QVERIFY(solid > 26 * 26 / 2);
}

void TestTheme::brandMarkIconHasSizes() {
    const QIcon icon = BrandMark::icon();
    QVERIFY(!icon.isNull());
    for (int size : {16, 32, 48, 64})
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));
    // Each size offered is drawn and sent to the display for every window: no huge ones.
    for (const QSize& size : icon.availableSizes())
        QVERIFY2(size.width() <= 64, qPrintable(QString::number(size.width())));
    const QImage image = icon.pixmap(QSize(48, 48)).toImage();
    QCOMPARE(at(image, QPointF(0.42 * 48, 0.60 * 48)), white);
}

void TestTheme::drawnIconDrawsOnlyWhatIsAsked() {
    QList<QPair<int, qreal>> draws;
    const QIcon icon = DrawnIcon::make(
        [&draws](int size, qreal dpr) {
            draws.append({size, dpr});
            QPixmap pm(qCeil(size * dpr), qCeil(size * dpr));
            pm.setDevicePixelRatio(dpr);
            pm.fill(Qt::red);
            return pm;
        },
        {16, 22, 48});
    // Making the icon and listing its sizes (what a tray or window manager does first) draws
    // nothing.
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {48, 48}}));
    QVERIFY(!icon.isNull());
    QVERIFY(draws.isEmpty());

    QCOMPARE(icon.pixmap(QSize(22, 22)).size(), QSize(22, 22));
    const QPixmap hi = icon.pixmap(QSize(22, 22), 2.0);
    QCOMPARE(hi.size(), QSize(44, 44));
    QCOMPARE(hi.devicePixelRatio(), 2.0);
    // Sizes nobody offered are drawn as asked, not scaled from a neighbour.
    QCOMPARE(icon.pixmap(QSize(30, 30)).size(), QSize(30, 30));
    QCOMPARE(draws, (QList<QPair<int, qreal>>{{22, 1.0}, {22, 2.0}, {30, 1.0}}));

    // Asked again, by the icon or a copy of it, the renders are reused.
    const QIcon copy = icon;
    QIcon detached = icon;
    detached.detach();
    QCOMPARE(copy.pixmap(QSize(22, 22)).size(), QSize(22, 22));
    QCOMPARE(detached.pixmap(QSize(22, 22), 2.0).size(), QSize(44, 44));
    QCOMPARE(draws.size(), 3);
}

void TestTheme::everyViewSymbolIsMapped_data() {
    QTest::addColumn<QString>("name");
    for (const QString& name : viewSymbols)
        QTest::newRow(qPrintable(name)) << name;
}

void TestTheme::everyViewSymbolIsMapped() {
    QFETCH(QString, name);
    QVERIFY(Symbols::isKnown(name));
    QVERIFY(Symbols::names().contains(name));
    QVERIFY2(QFile::exists(Symbols::resourcePath(name)), qPrintable(Symbols::resourcePath(name)));
}

void TestTheme::symbolsDrawInTint_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("tint");
    QTest::addColumn<qreal>("dpr");
    const QColor tints[] = {Palette::success().resolve(Appearance::Light),
                            Palette::danger().resolve(Appearance::Dark), QColor(Qt::white)};
    for (const QString& name : Symbols::names()) {
        for (int i = 0; i < 3; ++i) {
            const qreal dpr = i == 2 ? 2.0 : 1.0;
            QTest::addRow("%s %s @%gx", qPrintable(name), qPrintable(tints[i].name()), dpr)
                << name << tints[i] << dpr;
        }
    }
}

void TestTheme::symbolsDrawInTint() {
    QFETCH(QString, name);
    QFETCH(QColor, tint);
    QFETCH(qreal, dpr);
    const QPixmap pm = Symbols::icon(name, tint, 24, dpr);
    QVERIFY(!pm.isNull());
    QCOMPARE(pm.size(), QSize(int(24 * dpr), int(24 * dpr)));
    QCOMPARE(pm.devicePixelRatio(), dpr);
    const QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 0)
                continue;
            ++drawn;
            // Edge pixels lose precision to premultiplication; solid ones must be exact, and
            // the faintest carry no colour worth checking.
            if (c.alpha() < 16)
                continue;
            const int tolerance = c.alpha() == 255 ? 0 : c.alpha() >= 64 ? 4 : 16;
            QColor opaque = c;
            opaque.setAlpha(255);
            QVERIFY2(near(opaque, tint, tolerance),
                     qPrintable(QStringLiteral("(%1, %2) ").arg(x).arg(y) + describe(c)));
        }
    }
    const int area = image.width() * image.height();
    // A real glyph: neither empty nor a filled square.
    QVERIFY2(drawn > area / 20 && drawn < area * 9 / 10, qPrintable(QString::number(drawn)));
}

void TestTheme::mappedSymbolsDrawDifferently() {
    QHash<QByteArray, QString> seen;
    for (const QString& name : Symbols::names()) {
        const QImage image = Symbols::icon(name, Qt::black, 32, 1).toImage();
        const QByteArray bits(reinterpret_cast<const char*>(image.constBits()),
                              image.sizeInBytes());
        QVERIFY2(!seen.contains(bits), qPrintable(name + " draws like " + seen.value(bits)));
        seen.insert(bits, name);
    }
}

void TestTheme::unknownSymbolDrawsFallback() {
    const QString name = QStringLiteral("no.such.symbol");
    QVERIFY(!Symbols::isKnown(name));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no\\.such\\.symbol"));
    const QPixmap pm = Symbols::icon(name, Qt::red, 20, 1);
    QVERIFY(!pm.isNull());
    const QImage image = pm.toImage();
    QVERIFY(opaqueCount(image) > 20);
    QCOMPARE(image, Symbols::icon(Symbols::fallbackName(), Qt::red, 20, 1).toImage());
    QCOMPARE(Symbols::resourcePath(name), Symbols::resourcePath(Symbols::fallbackName()));
    // Nonsense sizes do not crash.
    QVERIFY(Symbols::icon(QStringLiteral("message"), Qt::red, 0, 1).isNull());
    QVERIFY(!Symbols::icon(QStringLiteral("message"), Qt::red, 3, 0).isNull());
}

void TestTheme::symbolsAreCached() {
    const QPixmap a = Symbols::icon(QStringLiteral("paperplane.fill"), Qt::blue, 22, 2);
    const QPixmap b = Symbols::icon(QStringLiteral("paperplane.fill"), Qt::blue, 22, 2);
    QCOMPARE(a.cacheKey(), b.cacheKey());
    const QPixmap otherTint = Symbols::icon(QStringLiteral("paperplane.fill"), Qt::green, 22, 2);
    const QPixmap otherSize = Symbols::icon(QStringLiteral("paperplane.fill"), Qt::blue, 24, 2);
    const QPixmap otherScale = Symbols::icon(QStringLiteral("paperplane.fill"), Qt::blue, 22, 1);
    QVERIFY(otherTint.cacheKey() != a.cacheKey());
    QVERIFY(otherSize.cacheKey() != a.cacheKey());
    QVERIFY(otherScale.cacheKey() != a.cacheKey());
    QCOMPARE(otherTint.toImage().pixelColor(otherTint.toImage().rect().center()).alpha() > 0,
             a.toImage().pixelColor(a.toImage().rect().center()).alpha() > 0);
}

void TestTheme::symbolIconRendersOnDemand() {
    const QColor tint(0x28, 0x5D, 0xAE);
    const QIcon icon = Symbols::qicon(QStringLiteral("play.fill"), tint);
    QVERIFY(!icon.isNull());
    for (int size : {16, 22, 37}) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // A filled triangle: solid tint at its centre.
        QCOMPARE(image.pixelColor(size / 2, size / 2).rgb(), tint.rgb());
    }
    const QImage hi = icon.pixmap(QSize(16, 16), 2.0).toImage();
    QCOMPARE(hi.size(), QSize(32, 32));
    // Painted straight onto a 2x surface, it is drawn sharp, centred in the rectangle.
    QImage surface(64, 64, QImage::Format_ARGB32_Premultiplied);
    surface.setDevicePixelRatio(2);
    surface.fill(Qt::transparent);
    QPainter painter(&surface);
    icon.paint(&painter, QRect(0, 0, 32, 16));
    painter.end();
    QCOMPARE(surface.pixelColor(32, 16).rgb(), tint.rgb());
    QCOMPARE(surface.pixelColor(4, 16).alpha(), 0);
    const QImage disabled = icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage();
    const int alpha = disabled.pixelColor(8, 8).alpha();
    QVERIFY2(alpha > 0 && alpha < 200, qPrintable(QString::number(alpha)));
}

void TestTheme::typeStylesScaleWithBase_data() {
    QTest::addColumn<TypeStyle>("style");
    QTest::addColumn<qreal>("basePoints");
    QTest::addColumn<qreal>("expectedPoints");
    QTest::addColumn<int>("weight");
    const struct {
        const char* name;
        TypeStyle style;
        qreal macPoints;
        int weight;
    } styles[] = {
        {"title 2", TypeStyle::Title2, 17, QFont::Normal},
        {"title 3", TypeStyle::Title3, 15, QFont::Normal},
        {"headline", TypeStyle::Headline, 13, QFont::DemiBold},
        {"body", TypeStyle::Body, 13, QFont::Normal},
        {"callout", TypeStyle::Callout, 12, QFont::Normal},
        {"caption", TypeStyle::Caption, 10, QFont::Normal},
    };
    for (const auto& s : styles) {
        for (qreal base : {13.0, 10.0}) {
            QTest::addRow("%s on %g pt", s.name, base)
                << s.style << base << s.macPoints * base / 13.0 << s.weight;
        }
    }
}

void TestTheme::typeStylesScaleWithBase() {
    QFETCH(TypeStyle, style);
    QFETCH(qreal, basePoints);
    QFETCH(qreal, expectedPoints);
    QFETCH(int, weight);
    QFont base;
    base.setPointSizeF(basePoints);
    const QFont font = Type::font(style, base);
    QVERIFY2(std::abs(font.pointSizeF() - expectedPoints) < 0.01,
             qPrintable(QString::number(font.pointSizeF())));
    QCOMPARE(int(font.weight()), weight);
    QCOMPARE(Type::font(style, QFont::Medium, base).weight(), QFont::Medium);
}

void TestTheme::typeStylesScalePixelFonts() {
    QFont base;
    base.setPixelSize(26);
    QCOMPARE(Type::font(TypeStyle::Title2, base).pixelSize(), 34);
    QCOMPARE(Type::font(TypeStyle::Caption, base).pixelSize(), 20);
    QFont points;
    points.setPointSizeF(13);
    QVERIFY(std::abs(Type::scaled(24, QFont::DemiBold, points).pointSizeF() - 24) < 0.01);
}

void TestTheme::applyTypeStyleDoesNotCompound() {
    QWidget widget;
    const qreal base = QApplication::font(&widget).pointSizeF();
    QVERIFY(base > 0);
    applyTypeStyle(&widget, TypeStyle::Title2);
    applyTypeStyle(&widget, TypeStyle::Title2, QFont::DemiBold);
    QVERIFY(std::abs(widget.font().pointSizeF() - base * 17 / 13) < 0.01);
    QCOMPARE(widget.font().weight(), QFont::DemiBold);
    applyTypeStyle(&widget, TypeStyle::Caption);
    QVERIFY(std::abs(widget.font().pointSizeF() - base * 10 / 13) < 0.01);
    QCOMPARE(widget.font().weight(), QFont::Normal);
}

void TestTheme::monospacedIsFixedPitch() {
    QFont base;
    base.setPointSizeF(13);
    const QFont font = Type::monospaced(TypeStyle::Caption, base);
    QVERIFY(std::abs(font.pointSizeF() - 10) < 0.01);
    const QFontMetricsF metrics(font);
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
             metrics.horizontalAdvance(QStringLiteral("WWWW")));
}

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
