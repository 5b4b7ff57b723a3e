#include "Platform/Linux/StatusNotifierItem.h"

#include <QDBusMetaType>
#include <QGuiApplication>

QDBusArgument& operator<<(QDBusArgument& out, const TrayPixmap& pixmap) {
    out.beginStructure();
    out << pixmap.width << pixmap.height << pixmap.argb;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, TrayPixmap& pixmap) {
    in.beginStructure();
    in >> pixmap.width >> pixmap.height >> pixmap.argb;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const SniToolTip& tip) {
    out.beginStructure();
    out << tip.iconName << tip.icon << tip.title << tip.text;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, SniToolTip& tip) {
    in.beginStructure();
    in >> tip.iconName >> tip.icon >> tip.title >> tip.text;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItem& item) {
    out.beginStructure();
    out << item.id << item.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItem& item) {
    in.beginStructure();
    in >> item.id >> item.properties;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItemKeys& keys) {
    out.beginStructure();
    out << keys.id << keys.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItemKeys& keys) {
    in.beginStructure();
    in >> keys.id >> keys.properties;
    in.endStructure();
    return in;
}

// The protocol nests entries as variants, so the layout type can refer to itself.
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuLayout& layout) {
    out.beginStructure();
    out << layout.id << layout.properties;
    out.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayout& child : layout.children)
        out << QDBusVariant(QVariant::fromValue(child));
    out.endArray();
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuLayout& layout) {
    in.beginStructure();
    in >> layout.id >> layout.properties;
    layout.children.clear();
    in.beginArray();
    while (!in.atEnd()) {
        QDBusVariant child;
        in >> child;
        layout.children.append(qdbus_cast<DBusMenuLayout>(child.variant()));
    }
    in.endArray();
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuEvent& event) {
    out.beginStructure();
    out << event.id << event.eventId << event.data << event.timestamp;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuEvent& event) {
    in.beginStructure();
    in >> event.id >> event.eventId >> event.data >> event.timestamp;
    in.endStructure();
    return in;
}

void registerStatusNotifierTypes() {
    qDBusRegisterMetaType<TrayPixmap>();
    qDBusRegisterMetaType<QList<TrayPixmap>>();
    qDBusRegisterMetaType<SniToolTip>();
    qDBusRegisterMetaType<DBusMenuItem>();
    qDBusRegisterMetaType<QList<DBusMenuItem>>();
    qDBusRegisterMetaType<DBusMenuItemKeys>();
    qDBusRegisterMetaType<QList<DBusMenuItemKeys>>();
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuEvent>();
    qDBusRegisterMetaType<QList<DBusMenuEvent>>();
}

void StatusNotifierItem::show(const TrayItem& item) {
    const TrayItem before = std::exchange(m_item, item);
    if (before.title != item.title)
        Q_EMIT NewTitle();
    if (before.icon != item.icon)
        Q_EMIT NewIcon();
    if (before.toolTip != item.toolTip)
        Q_EMIT NewToolTip();
}

SniToolTip StatusNotifierItem::toolTip() const {
    // Hosts show the title in bold and the text below it; the spoken label is one line.
    return {{}, {}, m_item.toolTip, {}};
}

QDBusObjectPath StatusNotifierItem::menu() const {
    return QDBusObjectPath(QLatin1String(DBusMenu::path));
}

void StatusNotifierItem::Activate(int x, int y) {
    if (activated)
        activated(QPoint(x, y));
}

void StatusNotifierItem::SecondaryActivate(int x, int y) {
    Activate(x, y);
}

void StatusNotifierItem::ContextMenu(int x, int y) {
    if (menuRequested)
        menuRequested(QPoint(x, y));
}

void StatusNotifierItem::Scroll(int, const QString&) {}

void DBusMenu::setEntries(const QStringList& entries) {
    if (entries == m_entries)
        return;
    m_entries = entries;
    Q_EMIT LayoutUpdated(++m_revision, 0);
}

QString DBusMenu::textDirection() const {
    return QGuiApplication::isRightToLeft() ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

QVariantMap DBusMenu::properties(int id, const QStringList& names) const {
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (const QString& entry = m_entries.at(id - 1); entry.isEmpty()) {
        all.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        // An underscore marks the access key; a literal one is doubled.
        all.insert(QStringLiteral("label"), QString(entry).replace(u'_', QStringLiteral("__")));
        all.insert(QStringLiteral("enabled"), true);
        all.insert(QStringLiteral("visible"), true);
    }
    if (names.isEmpty())
        return all;
    QVariantMap asked;
    for (const QString& name : names) {
        if (all.contains(name))
            asked.insert(name, all.value(name));
    }
    return asked;
}

uint DBusMenu::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                         DBusMenuLayout& layout) {
    layout = {parentId, {}, {}};
    if (!exists(parentId))
        return m_revision;
    layout.properties = properties(parentId, propertyNames);
    if (parentId == 0 && recursionDepth != 0) {
        for (int id = 1; id <= m_entries.size(); ++id)
            layout.children.append({id, properties(id, propertyNames), {}});
    }
    return m_revision;
}

QList<DBusMenuItem> DBusMenu::GetGroupProperties(const QList<int>& ids,
                                                 const QStringList& propertyNames) {
    QList<DBusMenuItem> items;
    for (const int id : ids) {
        if (exists(id))
            items.append({id, properties(id, propertyNames)});
    }
    return items;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString& name) {
    return QDBusVariant(exists(id) ? properties(id, {name}).value(name) : QVariant());
}

void DBusMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    handle(id, eventId);
}

QList<int> DBusMenu::EventGroup(const QList<DBusMenuEvent>& events) {
    QList<int> unknown;
    for (const DBusMenuEvent& event : events) {
        if (!handle(event.id, event.eventId))
            unknown.append(event.id);
    }
    return unknown;
}

bool DBusMenu::AboutToShow(int) {
    return false; // the entries never change on opening
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    idErrors.clear();
    for (const int id : ids) {
        if (!exists(id))
            idErrors.append(id);
    }
    return {};
}

bool DBusMenu::handle(int id, const QString& eventId) {
    if (!exists(id))
        return false;
    if (id > 0 && eventId == QLatin1String("clicked") && !m_entries.at(id - 1).isEmpty() && chosen)
        chosen(id - 1);
    return true;
}
