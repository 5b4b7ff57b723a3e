#pragma once

#include "Core/Platform/Platform.h"

#include <QWidget>

#include <optional>

class AppModel;
class QCheckBox;
class QLabel;
class QScrollArea;
class QTabWidget;

// The General tab: start at login, what this computer's relay is, and a warning about a
// second relay installed from the command line.
class GeneralSettings : public QWidget {
    Q_OBJECT
public:
    GeneralSettings(AppModel& model, const BundleInfo& bundle, QWidget* parent = nullptr);

    void sync();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Start at login and notifications; what this computer's relay is.
    QWidget* buildSwitches();
    QWidget* buildThisMac();

    AppModel& m_model;
    const BundleInfo& m_bundle;
    QCheckBox* m_login;
    QLabel* m_loginNote;
    QCheckBox* m_notify;
    QLabel* m_device;
    QLabel* m_server;
    QLabel* m_relay;
    QLabel* m_version;
    QWidget* m_launchAgent;
    QLabel* m_launchAgentText;
};

// The Licences tab: the notices of every outside component this build uses, unchanged.
class LicencesView : public QWidget {
    Q_OBJECT
public:
    // `relayNotice`: the notice shipped beside a bundled relay, when there is one.
    explicit LicencesView(std::optional<QString> relayNotice, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void sync();

    QScrollArea* m_scroll;
    QList<QLabel*> m_texts;
    QList<QLabel*> m_notes;
};

// The Settings window: the General and Licences tabs.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    SettingsView(AppModel& model, const Platform& platform, QWidget* parent = nullptr);

    static QString identifier() { return QStringLiteral("settings"); }

private:
    QTabWidget* m_tabs;
    GeneralSettings* m_general;
    LicencesView* m_licences;
};
