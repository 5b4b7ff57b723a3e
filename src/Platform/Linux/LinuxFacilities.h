#pragma once

#include "Core/Platform/Platform.h"

// A Linux desktop has no privacy panes, no Apple events and no go-to-folder sheet: Messages
// and its database are not here to be granted.
class LinuxFacilities final : public SystemFacilities {
public:
    bool has(Facility) const override { return false; }
    QUrl settingsPane(SettingsPane) const override { return {}; }
};
