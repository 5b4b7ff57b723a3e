#pragma once

#include "Core/Platform/Platform.h"

// Qt 6.4 has neither a contrast nor a reduced-motion query: each is read where a desktop keeps
// it readable, and counts as off elsewhere.
class LinuxDesktopSettings final : public DesktopSettings {
public:
    // GNOME's and most GTK desktops' high-contrast themes are named HighContrast and
    // HighContrastInverse; the name reaches us through GTK_THEME when the session sets it.
    bool prefersHighContrast() const override;
    // KDE Plasma: "Animation speed" at its instant end writes a factor of 0 into kdeglobals.
    bool reducesMotion() const override;
    // Qt on Wayland, or any app in a session whose compositor speaks Wayland.
    bool compositorPlacesWindows() const override;
};
