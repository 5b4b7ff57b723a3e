#pragma once

#include "App/AppDelegate.h"
#include "Core/PairingRequest.h"
#include "RelayRig.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

inline const QByteArray pairedStatus =
    R"({"paired":true,"server":"http://localhost:8080","device":{"id":"d1","name":"Phone"}})";

struct Alert {
    QString message;
    QString informative;
    QStringList buttons;
};

// A delegate over a real model, the fake relay (a real child process) and the fake platform,
// with its alerts, pairing request and window bridge kept local to the test.
struct ShellRig : RelayRig {
    QTemporaryDir runtime; // its own single-copy socket, so tests never meet a real copy
    PairingRequest pairing;
    QStringList opened; // windows the delegate asked for
    QList<Alert> alerts;
    std::unique_ptr<AppDelegate> delegate; // goes before the model

    QString singleInstancePath() const { return runtime.filePath(QStringLiteral("wrenbox.sock")); }

    AppDelegate& make() {
        makeModel();
        AppDelegate::Services services;
        services.model = model.get();
        services.clock = &fake.clock;
        services.singleInstancePath = singleInstancePath();
        services.workspace = &fake.workspace;
        services.pairing = &pairing;
        services.alert = [this](const QString& message, const QString& informative,
                                const QStringList& buttons) {
            alerts.append({message, informative, buttons});
            return 0;
        };
        delegate = std::make_unique<AppDelegate>(std::move(services));
        QObject::connect(delegate.get(), &AppDelegate::setupRequested,
                         [this] { opened.append(QStringLiteral("setup")); });
        return *delegate;
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
