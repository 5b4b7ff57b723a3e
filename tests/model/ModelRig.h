#pragma once

#include "Core/AppModel.h"
#include "FakePlatform.h"
#include "FakeRelay.h"
#include "ModelTestSupport.h"

#include <QCoreApplication>
#include <QEvent>

#include <chrono>
#include <memory>

// A model wired to the fake relay (a real child process) and the fake platform.
struct ModelRig {
    FakeRelay relay;
    FakePlatform fake;
    std::unique_ptr<AppModel> model; // declared last: goes first

    ModelRig() {
        fake.bundle.helperPath = relay.helperPath();
        relay.reply(doctorArgs, "{}");
    }

    ~ModelRig() {
        // Tasks of a destroyed model wake on the next turns of the event loop and end there.
        model.reset();
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    ModelRig(const ModelRig&) = delete;
    ModelRig& operator=(const ModelRig&) = delete;

    // Moves the clock; sleepers whose time ran out resume on the next turn of the event loop.
    void advance(std::chrono::milliseconds span) {
        fake.clock.advance(span);
        QCoreApplication::processEvents();
    }

    AppModel& make() {
        model = std::make_unique<AppModel>(fake.platform());
        return *model;
    }

    // How often the relay was run with exactly these arguments.
    int count(const QStringList& args) const {
        int n = 0;
        const auto calls = relay.calls();
        for (const QStringList& call : calls)
            n += call == args ? 1 : 0;
        return n;
    }

    void replyStatus(const QByteArray& json, int exitCode = 0, int delayMs = 0) {
        relay.reply(statusArgs, json, exitCode, delayMs);
    }
};

inline const QByteArray pairedStatus =
    R"({"paired":true,"server":"https://wrenbox.app","device":{"id":"d1","name":"Phone"}})";
inline const QByteArray unpairedStatus = R"({"paired":false})";
