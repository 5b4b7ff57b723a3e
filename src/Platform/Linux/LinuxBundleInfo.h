#pragma once

#include "Core/Platform/Platform.h"

#include <QCoreApplication>

// The installed app: the program in <prefix>/bin, its relay at <prefix>/libexec/wrenbox/wrenbox.
// The build tree has the same shape.
class LinuxBundleInfo final : public BundleInfo {
    Q_DECLARE_TR_FUNCTIONS(LinuxBundleInfo)
public:
    // `applicationDir` is the folder of the program; the running program's when empty.
    explicit LinuxBundleInfo(QString applicationDir = {});

    QString relayHelperPath() const override;
    // The keeper that ends what the relays started once the app has ended, beside the relay.
    QString keeperPath() const;
    std::optional<QString> shortVersion() const override;
    QString bundlePath() const override;
    QString systemVersion() const override;
    QString diagnosticsHeader() const override;
    // The systemd user unit the relay's installer writes.
    QString launchAgentPath() const override;
    // $XDG_DATA_HOME/wrenbox/history.sqlite.
    QString historyPath() const override;

private:
    QString applicationDir() const;
    QString m_applicationDir;
};
