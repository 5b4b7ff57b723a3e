#pragma once

#include "Core/AppModel.h"
#include "Core/Relay/RelayRunner.h"
#include "FakePlatform.h"
#include "FakeRelay.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>

#include <chrono>
#include <memory>

// The command lines the model runs most, as tests script the fake relay with them.
inline const QStringList statusArgs{"relay", "status", "--json"};
inline const QStringList doctorArgs{"relay", "doctor", "--json"};

// A model over the fake relay (a real child process) and the fake platform with its manual
// clock; the rigs of the model, shell, panel and Setup tests build on it. The relay answers
// the health report with an empty one until a test scripts another.
struct RelayRig {
    FakeRelay relay;
    FakePlatform fake;
    std::unique_ptr<AppModel> model; // after the fakes: goes before them

    RelayRig() {
        fake.bundle.helperPath = relay.helperPath();
        relay.reply(doctorArgs, "{}");
    }
    // Whatever a derived rig holds over the model is gone by now.
    ~RelayRig() {
        model.reset();
        settle();
    }
    RelayRig(const RelayRig&) = delete;
    RelayRig& operator=(const RelayRig&) = delete;

    AppModel& makeModel() {
        model = std::make_unique<AppModel>(fake.platform());
        return *model;
    }

    // Output bytes for the model's relay, as if the relay had printed them.
    void consume(const QByteArray& chunk) { model->m_runner->consume(chunk); }

    // Moves the clock; sleepers whose time ran out resume on the next turn of the event loop.
    void advance(std::chrono::milliseconds span) {
        fake.clock.advance(span);
        QCoreApplication::processEvents();
    }

    // How often the relay was run with exactly these arguments.
    int count(const QStringList& args) const {
        int n = 0;
        const auto calls = relay.calls();
        for (const QStringList& call : calls)
            n += call == args ? 1 : 0;
        return n;
    }

    // Tasks of a destroyed model wake on the next turns of the event loop and end there.
    static void settle() {
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
};
