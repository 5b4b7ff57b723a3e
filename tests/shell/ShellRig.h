#pragma once

#include "App/AppDelegate.h"
#include "Core/AppModel.h"
#include "Core/OpenWindowBridge.h"
#include "Core/PairingRequest.h"
#include "FakePlatform.h"
#include "FakeRelay.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

inline const QStringList statusArgs{"relay", "status", "--json"};
inline const QStringList doctorArgs{"relay", "doctor", "--json"};
inline const QByteArray pairedStatus =
    R"({"paired":true,"server":"http://localhost:8080","device":{"id":"d1","name":"Phone"}})";

struct Alert {
    QString message;
    QString informative;
    QStringList buttons;
};

// A delegate over a real model, the fake relay (a real child process) and the fake platform,
// with its alerts, pairing request and window bridge kept local to the test.
struct ShellRig {
    FakeRelay relay;
    FakePlatform fake;
    QTemporaryDir runtime; // its own single-copy socket, so tests never meet a real copy
    PairingRequest pairing;
    OpenWindowBridge windows;
    QStringList opened; // ids asked of the window bridge
    QList<Alert> alerts;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<AppDelegate> delegate; // declared last: goes first

    ShellRig() {
        fake.bundle.helperPath = relay.helperPath();
        relay.reply(doctorArgs, "{}");
        windows.open = [this](const QString& id) { opened.append(id); };
    }
    ~ShellRig() {
        delegate.reset();
        model.reset();
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    QString singleInstancePath() const { return runtime.filePath(QStringLiteral("wrenbox.sock")); }
    ShellRig(const ShellRig&) = delete;
    ShellRig& operator=(const ShellRig&) = delete;

    AppDelegate& make() {
        model = std::make_unique<AppModel>(fake.platform());
        AppDelegate::Services services;
        services.model = model.get();
        services.clock = &fake.clock;
        services.singleInstancePath = singleInstancePath();
        services.workspace = &fake.workspace;
        services.pairing = &pairing;
        services.windows = &windows;
        services.alert = [this](const QString& message, const QString& informative,
                                const QStringList& buttons) {
            alerts.append({message, informative, buttons});
            return 0;
        };
        delegate = std::make_unique<AppDelegate>(std::move(services));
        return *delegate;
    }

    void advance(std::chrono::milliseconds span) {
        fake.clock.advance(span);
        QCoreApplication::processEvents();
    }

    int count(const QStringList& args) const {
        int n = 0;
        const auto calls = relay.calls();
        for (const QStringList& call : calls)
            n += call == args ? 1 : 0;
        return n;
    }
};

// Sets an environment variable for one scope, restoring the previous state afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};
