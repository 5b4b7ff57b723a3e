#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class UserDefaults;

// Shows a modal alert and returns the index of the button pressed; with no buttons, one default
// button (index 0). Injected so tests answer alerts instead of blocking on them.
using AlertPresenter = std::function<int(const QString& message, const QString& informative,
                                         const QStringList& buttons)>;

// What the offer to move the app into the Applications folder needs from the system.
class MoveServices {
public:
    virtual ~MoveServices() = default;

    // Only where the app is a relocatable bundle (macOS); a Linux install is never moved.
    virtual bool offersMove() const = 0;

    // The running bundle, as a clean absolute path.
    virtual QString bundlePath() const = 0;
    virtual QString systemApplicationsPath() const { return QStringLiteral("/Applications"); }
    virtual QString homePath() const = 0;

    virtual bool exists(const QString& path) const = 0;
    // Each returns the error's description on failure.
    virtual std::optional<QString> trash(const QString& path) = 0;
    virtual std::optional<QString> copy(const QString& from, const QString& to) = 0;

    // A modal alert; returns the index of the button pressed. No buttons: one default button.
    virtual int alert(const QString& message, const QString& informative,
                      const QStringList& buttons) = 0;
    virtual void activateApp() = 0;
    // Starts a new instance of the app at `path` while this one runs; `done` is called on the
    // main thread when the launch completes, whatever its outcome.
    virtual void launchNewInstance(const QString& path, std::function<void()> done) = 0;
    virtual void stopRelay() = 0;
    virtual void terminate() = 0;

    virtual UserDefaults& defaults() = 0;
};

// Real file operations: the freedesktop trash and a recursive copy. The rest is left to the
// platform.
class FileMoveServices : public MoveServices {
public:
    bool exists(const QString& path) const override;
    std::optional<QString> trash(const QString& path) override;
    std::optional<QString> copy(const QString& from, const QString& to) override;
};
