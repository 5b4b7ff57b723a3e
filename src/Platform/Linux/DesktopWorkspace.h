#pragma once

#include "Core/Platform/Platform.h"

// The desktop session: raising the app's window, the default browser, the clipboard.
class DesktopWorkspace final : public Workspace {
public:
    void activateApp() override;
    bool openUrl(const QUrl& url) override;
    void copyText(const QString& text) override;
};
