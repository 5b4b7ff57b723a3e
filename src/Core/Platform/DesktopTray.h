#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

// One size of the tray icon, as a StatusNotifier host takes it: 32-bit ARGB pixels, each in
// network byte order, row by row.
struct TrayPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;

    bool operator==(const TrayPixmap&) const = default;
};

// What the app's item in a StatusNotifier host shows.
struct TrayItem {
    QString title;   // the app's name
    QString toolTip; // what the icon says, as words
    QList<TrayPixmap> icon;
    // The context menu's entries in order; an empty one is a separator.
    QStringList menu;

    bool operator==(const TrayItem&) const = default;
};

// The desktop's tray, watched as it comes and goes: a StatusNotifier host on the session bus,
// where the app publishes its own item here, or a tray that Qt's own tray icon serves (an
// XEmbed tray on X11). Qt may be asked about its tray only once this says Qt is the way, since
// Qt remembers its first answer for good.
class DesktopTray : public QObject {
    Q_OBJECT
public:
    enum class Host {
        Unknown,        // still asking the desktop
        None,           // no tray: the app must be reachable otherwise
        StatusNotifier, // publish() shows the item
        QtTray,         // a QSystemTrayIcon shows
    };

    using QObject::QObject;

    virtual Host host() const = 0;
    // Shows the item in the StatusNotifier host, or updates it; kept and shown again when a host
    // comes back.
    virtual void publish(const TrayItem& item) = 0;
    // Takes the item away.
    virtual void withdraw() = 0;

Q_SIGNALS:
    void hostChanged();
    // The item was clicked. `at`: where, in screen coordinates, when the host says; else null.
    void activated(const QPoint& at);
    // The host asks the app to show its context menu itself, at `at` (null: unknown).
    void menuRequested(const QPoint& at);
    // An entry of the item's menu was chosen: its index in TrayItem::menu.
    void menuChosen(int index);
};
