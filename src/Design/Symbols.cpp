#include "Design/Symbols.h"

#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSet>
#include <QSvgRenderer>
#include <QtMath>

namespace {

struct Entry {
    const char* systemName;
    const char* file;
};

constexpr Entry table[] = {
#include "SymbolTable.inc"
};

// The table's last line is the generic symbol for names nobody mapped.
constexpr const Entry& fallbackEntry = table[std::size(table) - 1];

const QHash<QString, QString>& files() {
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> result;
        for (const Entry& entry : table)
            result.insert(QString::fromLatin1(entry.systemName), QString::fromLatin1(entry.file));
        return result;
    }();
    return map;
}

QString pathOf(const QString& file) {
    return QStringLiteral(":/wrenbox/symbols/%1.svg").arg(file);
}

void warnUnknown(const QString& systemName) {
    static QSet<QString> warned;
    if (!warned.contains(systemName)) {
        warned.insert(systemName);
        qWarning("Symbols: no drawing for \"%s\", showing a generic symbol",
                 qPrintable(systemName));
    }
}

QPixmap render(const QString& path, const QColor& tint, int size, qreal dpr) {
    const int side = qMax(1, qCeil(size * dpr));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QSvgRenderer renderer(path);
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(0, 0, side, side));
        // Keep the drawing's coverage, replace its colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), tint);
    }
    image.setDevicePixelRatio(dpr);
    return QPixmap::fromImage(std::move(image));
}

class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString systemName, QColor tint)
        : m_name(std::move(systemName))
        , m_tint(tint) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        const QPixmap pm = draw(rect.size(), mode, dpr);
        const QSizeF drawn = pm.deviceIndependentSize();
        painter->drawPixmap(QPointF(rect.x() + (rect.width() - drawn.width()) / 2,
                                    rect.y() + (rect.height() - drawn.height()) / 2),
                            pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return draw(size, mode, 1.0);
    }

    // QIcon asks with the size already multiplied by the scale.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        const qreal s = scale > 0 ? scale : 1.0;
        return draw(QSize(qRound(size.width() / s), qRound(size.height() / s)), mode, s);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_name, m_tint); }
    QString key() const override { return QStringLiteral("WrenboxSymbol"); }
    QString iconName() override { return m_name; }

private:
    QPixmap draw(const QSize& size, QIcon::Mode mode, qreal dpr) const {
        QColor tint = m_tint;
        if (mode == QIcon::Disabled)
            tint.setAlphaF(tint.alphaF() * 0.4f);
        return Symbols::icon(m_name, tint, qMin(size.width(), size.height()), dpr);
    }

    QString m_name;
    QColor m_tint;
};

} // namespace

namespace Symbols {

bool isKnown(const QString& systemName) {
    return files().contains(systemName);
}

QStringList names() {
    QStringList result;
    for (const Entry& entry : table)
        result << QString::fromLatin1(entry.systemName);
    return result;
}

QString fallbackName() {
    return QString::fromLatin1(fallbackEntry.systemName);
}

QString resourcePath(const QString& systemName) {
    const auto found = files().constFind(systemName);
    return pathOf(found != files().constEnd() ? *found : QString::fromLatin1(fallbackEntry.file));
}

QPixmap icon(const QString& systemName, const QColor& tint, int size, qreal devicePixelRatio) {
    if (size <= 0)
        return {};
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (!isKnown(systemName))
        warnUnknown(systemName);

    const QString key = QStringLiteral("wrenbox-symbol:%1:%2:%3:%4")
                            .arg(systemName)
                            .arg(tint.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(size)
                            .arg(dpr);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    QPixmap drawn = render(resourcePath(systemName), tint, size, dpr);
    QPixmapCache::insert(key, drawn);
    return drawn;
}

QIcon qicon(const QString& systemName, const QColor& tint) {
    return QIcon(new SymbolIconEngine(systemName, tint));
}

} // namespace Symbols
