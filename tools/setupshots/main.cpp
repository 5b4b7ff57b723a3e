// Screenshots of the Setup and Settings windows in the states worth reviewing.

#include "Core/AppModel.h"
#include "Core/PairingRequest.h"
#include "Core/Tasks.h"
#include "Design/Appearance.h"
#include "FakePlatform.h"
#include "FakeRelay.h"
#include "Features/Settings/SettingsView.h"
#include "Features/Setup/PairingRows.h"
#include "Features/Setup/SetupView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QScrollArea>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {
struct State {
    QString name;
    QByteArray status;
    QByteArray doctor; // empty: the relay gives no readable report
    MessagesPermission permission = MessagesPermission::Unknown;
    bool launchAgent = false;
    bool details = false;
};

// Waits for the relay processes a refresh started (real processes, not timers).
bool settle(const std::function<bool()>& done) {
    QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return done();
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x25, 0x27, 0x26));
    p.setColor(QPalette::WindowText, QColor(0xEC, 0xEE, 0xED));
    p.setColor(QPalette::Base, QColor(0x1B, 0x1D, 0x1C));
    p.setColor(QPalette::AlternateBase, QColor(0x2C, 0x2F, 0x2D));
    p.setColor(QPalette::Text, QColor(0xEC, 0xEE, 0xED));
    p.setColor(QPalette::Button, QColor(0x33, 0x36, 0x34));
    p.setColor(QPalette::ButtonText, QColor(0xEC, 0xEE, 0xED));
    p.setColor(QPalette::PlaceholderText, QColor(0x8D, 0x92, 0x8E));
    p.setColor(QPalette::Highlight, QColor(0x5F, 0xB3, 0xA9));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::ToolTipBase, QColor(0x33, 0x36, 0x34));
    p.setColor(QPalette::ToolTipText, QColor(0xEC, 0xEE, 0xED));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x70, 0x74, 0x71));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x70, 0x74, 0x71));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x70, 0x74, 0x71));
    return p;
}

bool save(QWidget* widget, const QString& path) {
    const bool ok = widget->grab().save(path);
    qInfo("%s %s", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

const QByteArray unpaired = R"({"paired": false})";
const QByteArray paired = R"({"paired": true, "server": "https://wrenbox.app", )"
                          R"("device": {"id": "d1", "name": "Studio Mac"}})";
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("WRENBOX_RELAY_DRY_RUN");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(WRENBOX_SHOTS_DIR);
    QDir().mkpath(out);
    const QPalette light = QApplication::style()->standardPalette();

    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));

    const QList<State> states{
        {"nothing-reported", unpaired, {}, MessagesPermission::NotAsked},
        {"all-good", paired,
         R"({"problems": 0, "checks": [)"
         R"({"id": "chatdb", "status": "ok", "title": "Disk", "detail": "readable"},)"
         R"({"id": "forwarding", "status": "ok", "title": "Fwd", "detail": "SMS seen"},)"
         R"({"id": "server", "status": "ok", "title": "Server", "detail": "200 in 80 ms"}]})",
         MessagesPermission::Granted},
        {"fda-failing-messages-denied", unpaired,
         R"({"problems": 2, "checks": [)"
         R"({"id": "chatdb", "status": "fail", "title": "Disk", "detail": "no access"},)"
         R"({"id": "forwarding", "status": "info", "title": "Fwd", "detail": "unknown"},)"
         R"({"id": "server", "status": "ok", "title": "Server", "detail": "ok"}]})",
         MessagesPermission::Denied},
        {"paired-forwarding-warn", paired,
         R"({"problems": 1, "checks": [)"
         R"({"id": "chatdb", "status": "ok", "title": "Disk", "detail": "readable"},)"
         R"({"id": "forwarding", "status": "warn", "title": "Fwd", "detail": "no SMS in 14 days"},)"
         R"({"id": "server", "status": "warn", "title": "Server", "detail": "slow: 2.4 s"}]})",
         MessagesPermission::Granted},
        {"command-line-relay-and-other-checks", paired,
         R"({"problems": 2, "checks": [)"
         R"({"id": "chatdb", "status": "ok", "title": "Disk", "detail": "readable"},)"
         R"({"id": "forwarding", "status": "ok", "title": "Fwd", "detail": "SMS seen"},)"
         R"({"id": "server", "status": "ok", "title": "Server", "detail": "ok"},)"
         R"({"id": "version", "status": "warn", "title": "Version", "detail": "1.4 is out",)"
         R"( "fix": "Update Wrenbox"},)"
         R"({"id": "launchagent", "status": "fail", "title": "Launch agent",)"
         R"( "detail": "a second relay is installed", "fix": "Remove it in Setup"}]})",
         MessagesPermission::Granted, true, true},
    };

    bool ok = true;
    for (const bool dark : {false, true}) {
        const Appearance appearance = dark ? Appearance::Dark : Appearance::Light;
        AppearanceOverride pinned(appearance);
        QApplication::setPalette(dark ? darkPalette() : light);
        const QString suffix = dark ? QStringLiteral("-dark.png") : QStringLiteral("-light.png");

        for (const State& state : states) {
            FakeRelay relay;
            FakePlatform fake;
            fake.bundle.helperPath = relay.helperPath();
            fake.bundle.path = QStringLiteral("/opt/wrenbox");
            fake.messages.running = true;
            fake.messages.answerWithoutAsking = state.permission;
            relay.reply({"relay", "status", "--json"}, state.status);
            relay.reply({"relay", "doctor", "--json"}, state.doctor.isEmpty() ? "?" : state.doctor,
                        state.doctor.isEmpty() ? 1 : 0);
            const QString agent = AppModel::launchAgentPath();
            QFile::remove(agent);
            if (state.launchAgent) {
                QDir().mkpath(QFileInfo(agent).path());
                QFile file(agent);
                ok = file.open(QIODevice::WriteOnly) && ok;
            }
            AppModel model(fake.platform());
            PairingRequest pairing;
            auto view = std::make_unique<SetupView>(model, fake.platform(), pairing);
            view->setAttribute(Qt::WA_DeleteOnClose, false);
            view->show();
            ok = settle([&] { return !model.isChecking(); }) && ok;
            if (state.details)
                view->findChild<QToolButton*>(QStringLiteral("details"))->click();
            // Show the whole column, whatever the offscreen screen's height.
            QCoreApplication::processEvents();
            auto* scroll = view->findChild<QScrollArea*>();
            scroll->widget()->layout()->activate();
            view->resize(600, qMax(620, scroll->widget()->sizeHint().height()));
            QCoreApplication::processEvents();
            ok = save(view.get(), out + QStringLiteral("/setup-") + state.name + suffix) && ok;
            view.reset();
        }

        // Settings, with a command-line relay so the warning shows.
        FakeRelay relay;
        FakePlatform fake;
        fake.bundle.helperPath = relay.helperPath();
        fake.loginItem.enabled = true;
        relay.reply({"relay", "status", "--json"}, paired);
        const QString agent = AppModel::launchAgentPath();
        QDir().mkpath(QFileInfo(agent).path());
        QFile(agent).open(QIODevice::WriteOnly);
        AppModel model(fake.platform());
        detach(model.refreshStatus(), "status");
        ok = settle([&] { return model.status().paired; }) && ok;
        SettingsView settings(model, fake.platform());
        settings.show();
        QCoreApplication::processEvents();
        ok = save(&settings, out + QStringLiteral("/settings-general") + suffix) && ok;
        settings.findChild<QTabWidget*>()->setCurrentIndex(1);
        QCoreApplication::processEvents();
        ok = save(&settings, out + QStringLiteral("/settings-licences") + suffix) && ok;
        QFile::remove(agent);
    }
    return ok ? 0 : 1;
}
