#pragma once

#include "Core/Platform/MoveServices.h"

#include <functional>

class BundleInfo;
class UserDefaults;
class Workspace;

// A Linux install lives under its prefix (a package or `cmake --install`) and is never moved,
// so no offer is made; the services still work for a platform that does offer.
class LinuxMoveServices final : public FileMoveServices {
public:
    LinuxMoveServices(BundleInfo& bundle, UserDefaults& defaults, Workspace& workspace,
                      std::function<void()> stopRelay, AlertPresenter alert);

    bool offersMove() const override { return false; }
    QString bundlePath() const override;
    QString homePath() const override;
    int alert(const QString& message, const QString& informative,
              const QStringList& buttons) override;
    void activateApp() override;
    void launchNewInstance(const QString& path, std::function<void()> done) override;
    void stopRelay() override;
    void terminate() override;
    UserDefaults& defaults() override { return m_defaults; }

private:
    BundleInfo& m_bundle;
    UserDefaults& m_defaults;
    Workspace& m_workspace;
    std::function<void()> m_stopRelay;
    AlertPresenter m_alert;
};
