#include "App/UnixSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int fds[2] = {-1, -1};
constexpr std::array handled{SIGTERM, SIGINT, SIGHUP};

extern "C" void onSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const auto written = ::write(fds[0], &byte, 1);
    errno = saved;
}
} // namespace

UnixSignals::UnixSignals(QObject* parent)
    : QObject(parent) {
    if (fds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    // A full pipe must never block the handler; a lost byte only repeats a pending quit.
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignals::drain);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handled)
        ::sigaction(number, &action, nullptr);
}

UnixSignals::~UnixSignals() {
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : handled)
        ::sigaction(number, &action, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(fds[0]);
    ::close(fds[1]);
    fds[0] = fds[1] = -1;
}

void UnixSignals::drain() {
    char bytes[16];
    const auto count = ::read(fds[1], bytes, sizeof bytes);
    for (ssize_t i = 0; i < count; ++i)
        Q_EMIT received(int(bytes[i]));
}
