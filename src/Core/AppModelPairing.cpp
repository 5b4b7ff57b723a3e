// Pairing this computer with an account, and undoing it.

#include "Core/AppModel.h"

#include "Core/Relay/RelayRunner.h"

QCoro::Task<RelayDevice> AppModel::pair(QString code, QString server) {
    if (m_dryRun && !isLocal(server))
        throw RelayError::failed(QStringLiteral("dry_run"), dryRunRefusal());
    QPointer<AppModel> self(this);
    const RelayCLI cli = m_cli;
    const RelayDevice device = co_await cli.pair(std::move(code), std::move(server));
    if (!self)
        co_return device;
    co_await refresh();
    if (self)
        applyRunState();
    co_return device;
}

QCoro::Task<> AppModel::unpair() {
    // The relay must not run while its pairing is removed.
    m_runner->stop();
    QPointer<AppModel> self(this);
    const RelayCLI cli = m_cli;
    co_await cli.unpair();
    if (!self)
        co_return;
    setBatch(std::nullopt);
    co_await refresh();
    if (self)
        applyRunState();
}
