#pragma once

// What the desktop asks of every application's look. Cheap enough to ask on every paint.
class DesktopSettings {
public:
    virtual ~DesktopSettings() = default;
    virtual bool prefersHighContrast() const = 0;
    virtual bool reducesMotion() const = 0;
};
