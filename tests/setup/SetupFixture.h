#pragma once

#include "Core/PairingRequest.h"
#include "RelayRig.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

// A model over a scripted fake relay and fake platform, with its own home folder so that the
// command-line relay's file can be created and removed.
struct SetupFixture : RelayRig {
    SetupFixture() {
        m_previousHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        fake.bundle.path = QStringLiteral("/opt/Wrenbox");
        replyStatus(R"({"paired": false})");
        replyDoctor(R"({"checks": [], "problems": 0})");
        makeModel();
    }
    ~SetupFixture() {
        model.reset();
        settle();
        qputenv("HOME", m_previousHome);
    }

    void replyStatus(const QByteArray& json) { relay.reply(statusArgs, json); }
    void replyDoctor(const QByteArray& json) { relay.reply(doctorArgs, json); }
    static QByteArray paired(const QString& name) {
        return QStringLiteral(R"({"paired": true, "server": "https://wrenbox.app",
                                  "device": {"id": "d1", "name": "%1"}})")
            .arg(name)
            .toUtf8();
    }

    // Command lines the relay received whose second argument is `command`.
    QList<QStringList> callsOf(const QString& command) const {
        QList<QStringList> found;
        for (const QStringList& call : relay.calls())
            if (call.size() > 1 && call.at(1) == command)
                found << call;
        return found;
    }

    bool installLaunchAgent() const {
        const QString path = fake.bundle.launchAgentPath();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("[Unit]\n") > 0;
    }

    QTemporaryDir home;
    PairingRequest pairing;

private:
    QByteArray m_previousHome;
};
