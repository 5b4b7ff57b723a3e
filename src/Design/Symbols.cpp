#include "Design/Symbols.h"

#include "Design/DrawnIcon.h"

#include <QHash>
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
    return DrawnIcon::make(
        [systemName, tint](int size, qreal dpr) { return icon(systemName, tint, size, dpr); }, {});
}

} // namespace Symbols
