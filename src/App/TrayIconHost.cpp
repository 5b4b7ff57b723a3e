#include "App/TrayIconHost.h"

#include "Core/AppModel.h"
#include "Core/Clock.h"
#include "Features/Panel/MenuBarLabel.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include <iterator>

TrayIconHost::TrayIconHost(AppModel& model, Clock& clock, std::function<bool()> trayAvailable,
                           QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_clock(clock)
    , m_trayAvailable(trayAvailable
                          ? std::move(trayAvailable)
                          : std::function<bool()>(&QSystemTrayIcon::isSystemTrayAvailable)) {}

TrayIconHost::~TrayIconHost() {
    // The icon goes before the menu it points at.
    delete m_icon;
    m_icon = nullptr;
}

bool TrayIconHost::start() {
    if (m_icon)
        return true;
    if (!m_trayAvailable()) {
        scheduleRetry();
        return false;
    }
    show();
    return true;
}

QRect TrayIconHost::geometry() const {
    return m_icon ? m_icon->geometry() : QRect();
}

void TrayIconHost::scheduleRetry() {
    if (m_retry || m_attempt >= int(std::size(retryDelays)))
        return;
    ClockTimer* timer = m_clock.startTimer(retryDelays[m_attempt++], this);
    m_retry = timer;
    connect(timer, &ClockTimer::finished, this, [this, timer](bool elapsed) {
        timer->deleteLater();
        m_retry = nullptr;
        if (!elapsed || m_icon)
            return;
        if (m_trayAvailable()) {
            show();
        } else {
            scheduleRetry();
        }
    });
}

void TrayIconHost::show() {
    m_icon = new QSystemTrayIcon(this);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)
                    Q_EMIT clicked(m_icon->geometry());
            });
    // The Settings window has no other way in on desktops without an application menu.
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(tr("Settings…"), this, &TrayIconHost::settingsRequested);
    m_menu->addAction(tr("Quit Wrenbox"), this, &TrayIconHost::quitRequested);
    m_icon->setContextMenu(m_menu.get());
    connect(&m_model, &AppModel::phaseChanged, this, &TrayIconHost::render);
    connect(&m_model, &AppModel::batchChanged, this, &TrayIconHost::render);
    render();
    m_icon->show();
}

void TrayIconHost::render() {
    const RelayPhase phase = m_model.phase();
    const qint64 remaining = MenuBarLabel::remaining(m_model.batch());
    const bool counted = MenuBarLabel::showsCount(phase, remaining);
    // The idle phase changes with every sync; the icon only when the symbol or badge does.
    const QString key = MenuBarLabel::symbol(phase) + QLatin1Char('|') +
                        (counted ? MenuBarLabel::badgeText(remaining) : QString());
    if (key != m_lastKey) {
        m_lastKey = key;
        m_icon->setIcon(MenuBarLabel::trayIcon(phase, remaining));
    }
    const QString tip = MenuBarLabel::accessibility(phase, remaining);
    if (tip != m_icon->toolTip())
        m_icon->setToolTip(tip);
}
