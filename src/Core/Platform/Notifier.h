#pragma once

#include <QString>

#include <functional>

// Desktop notifications. Where the desktop shows none, nothing happens and nothing is reported.
class Notifier {
public:
    virtual ~Notifier() = default;
    // Shows `title` and `body` with one action named `actionLabel`; `act` runs on the main
    // thread when the user picks it.
    virtual void notify(const QString& title, const QString& body, const QString& actionLabel,
                        std::function<void()> act) = 0;
};
