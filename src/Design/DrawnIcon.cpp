#include "Design/DrawnIcon.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>

#include <memory>

namespace {

class DrawnIconEngine final : public QIconEngine {
public:
    struct Shared {
        DrawnIcon::Draw draw;
        QList<int> sizes;
        // Keyed by the side, the disabled mode and the scale in hundredths.
        QHash<quint64, QPixmap> rendered;
    };

    explicit DrawnIconEngine(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        const QPixmap pm = draw(qMin(rect.width(), rect.height()), mode, dpr);
        const QSizeF drawn = pm.deviceIndependentSize();
        painter->drawPixmap(QPointF(rect.x() + (rect.width() - drawn.width()) / 2,
                                    rect.y() + (rect.height() - drawn.height()) / 2),
                            pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return draw(qMin(size.width(), size.height()), mode, 1.0);
    }

    // QIcon asks with the size already multiplied by the scale.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        const qreal s = scale > 0 ? scale : 1.0;
        return draw(qRound(qMin(size.width(), size.height()) / s), mode, s);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> result;
        result.reserve(m_shared->sizes.size());
        for (const int side : std::as_const(m_shared->sizes))
            result.append(QSize(side, side));
        return result;
    }

    bool isNull() override { return !m_shared->draw; }
    QIconEngine* clone() const override { return new DrawnIconEngine(m_shared); }
    QString key() const override { return QStringLiteral("WrenboxDrawn"); }

private:
    QPixmap draw(int size, QIcon::Mode mode, qreal dpr) const {
        if (size <= 0 || !m_shared->draw)
            return {};
        const bool disabled = mode == QIcon::Disabled;
        const quint64 key =
            (quint64(size) << 32) | (quint64(disabled) << 31) | quint64(qRound(dpr * 100));
        if (const auto found = m_shared->rendered.constFind(key);
            found != m_shared->rendered.constEnd())
            return *found;
        QPixmap drawn = m_shared->draw(size, dpr);
        if (disabled) {
            // The same drawing, faded.
            QPixmap faded(drawn.size());
            faded.setDevicePixelRatio(drawn.devicePixelRatio());
            faded.fill(Qt::transparent);
            QPainter painter(&faded);
            painter.setOpacity(0.4);
            painter.drawPixmap(0, 0, drawn);
            painter.end();
            drawn = faded;
        }
        m_shared->rendered.insert(key, drawn);
        return drawn;
    }

    // Copies of the icon share the renders: they draw the same thing.
    std::shared_ptr<Shared> m_shared;
};

} // namespace

namespace DrawnIcon {

QIcon make(Draw draw, QList<int> sizes) {
    auto shared = std::make_shared<DrawnIconEngine::Shared>();
    shared->draw = std::move(draw);
    shared->sizes = std::move(sizes);
    return QIcon(new DrawnIconEngine(std::move(shared)));
}

} // namespace DrawnIcon
