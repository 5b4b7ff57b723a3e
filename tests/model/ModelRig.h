#pragma once

#include "ModelTestSupport.h"
#include "RelayRig.h"

// A model wired to the fake relay (a real child process) and the fake platform.
struct ModelRig : RelayRig {
    AppModel& make() { return makeModel(); }

    void replyStatus(const QByteArray& json, int exitCode = 0, int delayMs = 0) {
        relay.reply(statusArgs, json, exitCode, delayMs);
    }
};

inline const QByteArray pairedStatus =
    R"({"paired":true,"server":"https://wrenbox.app","device":{"id":"d1","name":"Phone"}})";
inline const QByteArray unpairedStatus = R"({"paired":false})";
