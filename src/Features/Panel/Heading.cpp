#include "Features/Panel/Heading.h"

#include <QAccessibleWidget>

namespace {
class HeadingAccessible final : public QAccessibleWidget {
public:
    explicit HeadingAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Heading) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* headingFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("HeadingLabel") && object && object->isWidgetType())
        return new HeadingAccessible(static_cast<QWidget*>(object));
    return nullptr;
}
} // namespace

HeadingLabel::HeadingLabel(QWidget* parent)
    : QLabel(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(headingFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
