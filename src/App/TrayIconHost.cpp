#include "App/TrayIconHost.h"

#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Features/Panel/MenuBarLabel.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QtEndian>

namespace {
// Every tray size at 1x and 2x, as 32-bit ARGB in network byte order: the host picks.
QList<TrayPixmap> pixmaps(const RelayPhase& phase, qint64 remaining) {
    QList<int> sizes;
    for (const int size : MenuBarLabel::traySizes()) {
        for (const int scaled : {size, 2 * size}) {
            if (!sizes.contains(scaled))
                sizes.append(scaled);
        }
    }
    QList<TrayPixmap> out;
    for (const int size : std::as_const(sizes)) {
        const QImage image = MenuBarLabel::render(phase, remaining, size, 1.0)
                                 .convertToFormat(QImage::Format_ARGB32);
        TrayPixmap pixmap{image.width(), image.height(), {}};
        pixmap.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto* to = reinterpret_cast<quint32*>(pixmap.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *to++ = qToBigEndian(row[x]);
        }
        out.append(pixmap);
    }
    return out;
}
} // namespace

TrayIconHost::TrayIconHost(AppModel& model, DesktopTray* tray, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_tray(tray)
    , m_clock(clock) {
    // The Settings window has no other way in on desktops without an application menu.
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(tr("Open Wrenbox"), this, &TrayIconHost::openRequested);
    m_menu->addAction(tr("Settings…"), this, &TrayIconHost::settingsRequested);
    m_menu->addAction(tr("Quit Wrenbox"), this, &TrayIconHost::quitRequested);
}

TrayIconHost::~TrayIconHost() {
    // The icon goes before the menu it points at.
    delete m_icon;
    m_icon = nullptr;
    if (m_published)
        m_tray->withdraw();
}

void TrayIconHost::start() {
    connect(&m_model, &AppModel::phaseChanged, this, &TrayIconHost::render);
    connect(&m_model, &AppModel::batchChanged, this, &TrayIconHost::render);
    if (m_tray) {
        connect(m_tray, &DesktopTray::hostChanged, this, &TrayIconHost::follow);
        connect(m_tray, &DesktopTray::activated, this, [this](const QPoint& at) {
            // Hosts that do not say where the click was leave the pointer there.
            const QPoint point = at.isNull() ? QCursor::pos() : at;
            Q_EMIT clicked(QRect(point, QSize(1, 1)));
        });
        connect(m_tray, &DesktopTray::menuRequested, this,
                [this](const QPoint& at) { m_menu->popup(at.isNull() ? QCursor::pos() : at); });
        connect(m_tray, &DesktopTray::menuChosen, this, [this](int index) {
            if (QAction* action = m_menu->actions().value(index))
                action->trigger();
        });
    }
    follow();
}

QRect TrayIconHost::geometry() const {
    return m_icon ? m_icon->geometry() : QRect();
}

void TrayIconHost::follow() {
    const DesktopTray::Host host = m_tray ? m_tray->host() : DesktopTray::Host::None;
    if (host == DesktopTray::Host::Unknown)
        return;
    if (host != DesktopTray::Host::QtTray) {
        delete m_icon;
        m_icon = nullptr;
    }
    if (host != DesktopTray::Host::StatusNotifier && m_published) {
        m_published = false;
        m_tray->withdraw();
    }
    // Qt is asked about its tray only now that it is the way: it remembers its first answer.
    if (host == DesktopTray::Host::QtTray && !m_icon)
        showQtIcon();
    if (host == DesktopTray::Host::StatusNotifier && !m_published) {
        m_published = true;
        m_lastLook.clear();
        m_lastTip.clear();
        render();
    }

    const bool first = !m_followed;
    m_followed = true;
    if (isShown()) {
        if (m_grace)
            m_grace->cancel();
        if (std::exchange(m_missing, false))
            Q_EMIT found();
    } else if (first) {
        m_missing = true;
        Q_EMIT missing();
    } else if (!m_missing && !m_grace) {
        ClockTimer* grace = m_clock.startTimer(lostGrace, this);
        m_grace = grace;
        connect(grace, &ClockTimer::finished, this, &TrayIconHost::graceOver);
    }
}

void TrayIconHost::graceOver(bool elapsed) {
    if (m_grace)
        m_grace->deleteLater();
    m_grace = nullptr;
    if (elapsed && !isShown() && !m_missing) {
        m_missing = true;
        Q_EMIT missing();
    }
}

void TrayIconHost::showQtIcon() {
    m_icon = new QSystemTrayIcon(this);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)
                    Q_EMIT clicked(m_icon->geometry());
            });
    m_icon->setContextMenu(m_menu.get());
    m_lastLook.clear();
    m_lastTip.clear();
    render();
    m_icon->show();
}

void TrayIconHost::render() {
    if (!isShown())
        return;
    const RelayPhase phase = m_model.phase();
    const qint64 remaining = MenuBarLabel::remaining(m_model.batch());
    const bool counted = MenuBarLabel::showsCount(phase, remaining);
    // The idle phase changes with every sync; the icon only when the symbol or badge does.
    const QString look = MenuBarLabel::symbol(phase) + QLatin1Char('|') +
                         (counted ? MenuBarLabel::badgeText(remaining) : QString());
    const QString tip = MenuBarLabel::accessibility(phase, remaining);
    const bool newLook = look != m_lastLook;
    if (!newLook && tip == m_lastTip)
        return;
    m_lastLook = look;
    m_lastTip = tip;
    if (m_icon) {
        if (newLook)
            m_icon->setIcon(MenuBarLabel::trayIcon(phase, remaining));
        m_icon->setToolTip(tip);
        return;
    }
    if (newLook)
        m_pixmaps = pixmaps(phase, remaining);
    QStringList entries;
    for (const QAction* action : m_menu->actions())
        entries.append(action->isSeparator() ? QString() : action->text());
    m_tray->publish({tr("Wrenbox"), tip, m_pixmaps, entries});
}
