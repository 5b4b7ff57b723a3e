#pragma once

#include "Core/Relay/RelayRunner.h"
#include "Features/Panel/StatusPanel.h"
#include "RelayRig.h"

#include <QByteArray>
#include <QStringList>
#include <QTest>

#include <memory>

// A status panel over a real model, which talks to the fake relay (a real child process) and
// the fake platform. Every state the panel can show is reached through the model's own inputs:
// the relay's answers and the events it prints.
struct PanelRig : RelayRig {
    static QByteArray paired(const QByteArray& extra = {}) {
        return R"({"paired":true,"server":"https://wrenbox.example","device":{"id":"d1","name":"Studio Mac"})" +
               extra + "}";
    }
    static QByteArray unpaired() { return R"({"paired":false})"; }
    static QByteArray failingCheck(const char* id) {
        return QByteArray(R"({"problems":1,"checks":[{"id":")") + id +
               R"(","status":"fail","title":"Check","detail":"Fails"}]})";
    }

    int setupOpens = 0;
    std::unique_ptr<StatusPanel> panel; // goes before the model

    explicit PanelRig(const QByteArray& status = paired(), const QByteArray& doctor = "{}") {
        relay.reply(statusArgs, status);
        relay.reply(doctorArgs, doctor);
        FakeRelay::Stream stream;
        stream.stayAlive = true;
        relay.runStream(stream);
    }

    // Starts the model and waits for its first full refresh.
    [[nodiscard]] bool start() {
        if (!model)
            makeModel();
        model->start();
        return QTest::qWaitFor([this] { return model->loaded() && !model->isChecking(); }, 10'000);
    }

    StatusPanel& makePanel() {
        if (!model)
            makeModel();
        panel = std::make_unique<StatusPanel>(
            *model, fake.workspace, [this] { ++setupOpens; }, fake.clock);
        panel->setReduceMotion(true);
        return *panel;
    }

    // Lines the relay prints, one JSON object each.
    void print(const QList<QByteArray>& lines) {
        for (const QByteArray& line : lines)
            consume(line + '\n');
    }

    // The states the panel is shown in by the tests and the screenshots.
    enum class Scenario {
        Starting,
        Idle,
        IdleSynced,
        Sending,
        PausedByUser,
        PausedByServer,
        NotPaired,
        FullDiskAccess,
        Automation,
        UpdateRequired,
        RelayStopped
    };

    static std::unique_ptr<PanelRig> make(Scenario scenario) {
        switch (scenario) {
        case Scenario::PausedByServer:
            return std::make_unique<PanelRig>(paired(R"(,"sendingEnabled":false)"));
        case Scenario::NotPaired:
            return std::make_unique<PanelRig>(unpaired());
        case Scenario::IdleSynced:
            return std::make_unique<PanelRig>(
                paired(R"(,"today":{"sent":14,"failed":1,"received":5})"));
        case Scenario::FullDiskAccess:
            return std::make_unique<PanelRig>(paired(), failingCheck("chatdb"));
        case Scenario::Automation:
            return std::make_unique<PanelRig>(paired(), failingCheck("automation"));
        case Scenario::UpdateRequired:
            return std::make_unique<PanelRig>(
                paired(R"(,"updateRequired":true,"updateUrl":"https://wrenbox.example/download")"));
        case Scenario::RelayStopped: {
            auto rig = std::make_unique<PanelRig>();
            FakeRelay::Stream stream;
            stream.stayAlive = false;
            stream.exitCode = 2;
            rig->relay.runStream(stream);
            return rig;
        }
        case Scenario::Starting:
        case Scenario::Idle:
        case Scenario::Sending:
        case Scenario::PausedByUser:
            break;
        }
        return std::make_unique<PanelRig>();
    }

    // Brings the model into `scenario`; false when it did not get there.
    [[nodiscard]] bool reach(Scenario scenario) {
        if (!model)
            makeModel();
        if (scenario == Scenario::Starting)
            return model->phase().kind() == RelayPhase::Kind::Starting;
        if (!start())
            return false;
        switch (scenario) {
        case Scenario::IdleSynced:
            print(
                {R"({"event":"started","at":")" + stamp(300) + "\"}",
                 R"({"event":"synced","jobs":3,"at":")" + stamp(40) + "\"}",
                 R"({"event":"sent","at":")" + stamp(38) + "\"}",
                 R"({"event":"received","at":")" + stamp(30) + "\"}",
                 R"({"event":"failed","message":"The carrier refused this text because the number is not reachable by SMS right now","at":")" +
                     stamp(25) + "\"}",
                 R"({"event":"sent","at":")" + stamp(13) + "\"}",
                 R"({"event":"synced","at":")" + stamp(12) + "\"}"});
            break;
        case Scenario::Sending:
            print({R"({"event":"synced","jobs":5,"at":")" + stamp(20) + "\"}",
                   R"({"event":"sent","at":")" + stamp(10) + "\"}",
                   R"({"event":"sent","at":")" + stamp(5) + "\"}"});
            break;
        case Scenario::PausedByUser:
            model->setPaused(true);
            break;
        case Scenario::RelayStopped:
            return QTest::qWaitFor(
                [this] { return model->phase().kind() == RelayPhase::Kind::Attention; }, 10'000);
        default:
            break;
        }
        return true;
    }

    // A relay timestamp `seconds` before the fake clock's now.
    QByteArray stamp(qint64 seconds) const {
        return fake.clock.now().addSecs(-seconds).toUTC().toString(Qt::ISODate).toUtf8();
    }
};
