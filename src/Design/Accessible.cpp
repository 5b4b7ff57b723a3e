#include "Design/Accessible.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QPointer>
#include <QShortcut>
#include <QTabBar>

#include <vector>

namespace {
const char* const roleProperty = "wrenboxAccessibleRole";

// A label's text is its name unless it has one of its own.
class RoleAccessible final : public QAccessibleWidget {
public:
    RoleAccessible(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            if (const auto* label = qobject_cast<const QLabel*>(widget()))
                return label->text();
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (widget()->isWindow() && widget()->windowModality() != Qt::NonModal)
            s.modal = true;
        return s;
    }
};

// One tab of a tab bar: Qt 6.4's own never reports which tab is selected.
class TabAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TabAccessible(QTabBar* bar, int index)
        : m_bar(bar)
        , m_index(index) {}

    bool isValid() const override { return m_bar && m_index < m_bar->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_bar.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (t == QAccessible::Name) {
            const QString name = m_bar->accessibleTabName(m_index);
            return name.isEmpty() ? QString(m_bar->tabText(m_index)).remove(u'&') : name;
        }
        return t == QAccessible::Description ? m_bar->tabToolTip(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect local = m_bar->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = m_index == m_bar->currentIndex();
        s.focused = s.selected && m_bar->hasFocus();
        s.focusable = m_bar->focusPolicy() != Qt::NoFocus;
        s.invisible = !m_bar->isVisible();
        s.disabled = !m_bar->isTabEnabled(m_index);
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction())
            m_bar->setCurrentIndex(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QTabBar> m_bar;
    int m_index;
};

// The tab bar with its tabs as children; the tabs' interfaces live as long as the bar's.
class TabBarAccessible final : public QAccessibleWidget {
public:
    explicit TabBarAccessible(QTabBar* bar)
        : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabBarAccessible() override {
        for (const QAccessible::Id id : m_tabs)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= bar()->count())
            return nullptr;
        while (int(m_tabs.size()) <= index) {
            m_tabs.push_back(QAccessible::registerAccessibleInterface(
                new TabAccessible(bar(), int(m_tabs.size()))));
        }
        return QAccessible::accessibleInterface(m_tabs[size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (size_t i = 0; i < m_tabs.size(); ++i) {
            if (QAccessible::accessibleInterface(m_tabs[i]) == child)
                return int(i);
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        return bar()->hasFocus() ? child(bar()->currentIndex()) : nullptr;
    }

private:
    QTabBar* bar() const { return static_cast<QTabBar*>(widget()); }
    mutable std::vector<QAccessible::Id> m_tabs;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // Asked once for each class from the most derived up: the first answer wins.
    if (const QVariant role = widget->property(roleProperty); role.isValid())
        return new RoleAccessible(widget, QAccessible::Role(role.toInt()));
    if (className == QLatin1String("HeadingLabel"))
        return new RoleAccessible(widget, QAccessible::Heading);
    if (className == QLatin1String("Announcer"))
        return new RoleAccessible(widget, QAccessible::Notification);
    if (className == QLatin1String("QTabBar"))
        return new TabBarAccessible(static_cast<QTabBar*>(widget));
    // Dialogs of any class, before Qt's own answer for it.
    if (qobject_cast<QDialog*>(widget) &&
        className == QLatin1String(object->metaObject()->className()))
        return new RoleAccessible(widget, QAccessible::Dialog);
    return nullptr;
}
} // namespace

namespace Accessible {
void install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void setRole(QWidget* widget, QAccessible::Role role) {
    install();
    widget->setProperty(roleProperty, int(role));
}

void hide(QWidget* widget) {
    setRole(widget, QAccessible::NoRole);
}

void closesByKeyboard(QWidget* window) {
    for (const QKeySequence::StandardKey key : {QKeySequence::Cancel, QKeySequence::Close}) {
        auto* shortcut = new QShortcut(key, window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}
} // namespace Accessible

HeadingLabel::HeadingLabel(QWidget* parent)
    : QLabel(parent) {
    Accessible::install();
}

HeadingLabel::HeadingLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    Accessible::install();
}

Announcer::Announcer(QWidget* parent)
    : QWidget(parent) {
    Accessible::install();
    setFocusPolicy(Qt::NoFocus);
    // Never shown as its window shows, or a screen reader would repeat the last announcement
    // each time the window opens: only announce() says it shows.
    hide();
}

void Announcer::announce(const QString& text) {
    setAccessibleName(text);
    // Screen readers speak a notification as it shows; nothing else needs to change for that.
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    Q_EMIT announced(text);
}
