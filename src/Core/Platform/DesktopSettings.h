#pragma once

// What the desktop asks of every application's look. Cheap enough to ask on every paint.
class DesktopSettings {
public:
    virtual ~DesktopSettings() = default;
    virtual bool prefersHighContrast() const = 0;
    virtual bool reducesMotion() const = 0;
    // Whether the compositor places every window itself (a Wayland session, X11 apps under
    // Xwayland included): a popup can be neither put at the tray icon nor trusted to get the
    // keyboard there.
    virtual bool compositorPlacesWindows() const = 0;
};
