#pragma once

#include <QString>

#include <functional>
#include <optional>

// Lets code outside the windows (the delegate) open a window by its id: "setup", "panel",
// "settings". Empty until the app installs its window opener.
class OpenWindowBridge {
public:
    static OpenWindowBridge& shared() {
        static OpenWindowBridge instance;
        return instance;
    }

    std::optional<std::function<void(const QString& id)>> open;
};
