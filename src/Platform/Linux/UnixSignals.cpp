#include "Platform/Linux/UnixSignals.h"

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
struct sigaction previousChild = {};
pid_t owner = 0;

// A child forked (a relay being started) but not yet running its program still has these
// handlers and our socket: a signal there must take its default action, as it will once the
// program runs, and never reach us as a quit.
bool inForkedChild(int number) {
    if (::getpid() == owner)
        return false;
    ::signal(number, SIG_DFL);
    ::raise(number);
    return true;
}

extern "C" void onSignal(int number) {
    if (inForkedChild(number))
        return;
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const auto written = ::write(fds[0], &byte, 1);
    errno = saved;
}

// Whoever watched SIGCHLD before (Qt may, to learn of its own processes' exits) still hears it.
extern "C" void onChild(int number, siginfo_t* info, void* context) {
    if (inForkedChild(number))
        return;
    onSignal(number);
    if (previousChild.sa_flags & SA_SIGINFO) {
        if (previousChild.sa_sigaction)
            previousChild.sa_sigaction(number, info, context);
    } else if (previousChild.sa_handler != SIG_DFL && previousChild.sa_handler != SIG_IGN) {
        previousChild.sa_handler(number);
    }
}
} // namespace

UnixSignals::UnixSignals(QObject* parent)
    : SystemSignals(parent) {
    if (fds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    // A full pipe must never block the handler; a lost byte only repeats a pending quit.
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignals::drain);
    owner = ::getpid();

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handled)
        ::sigaction(number, &action, nullptr);

    struct sigaction child = {};
    child.sa_sigaction = onChild;
    sigemptyset(&child.sa_mask);
    child.sa_flags = SA_RESTART | SA_SIGINFO | SA_NOCLDSTOP;
    ::sigaction(SIGCHLD, &child, &previousChild);

    // The mask is inherited from whoever started us: one that blocks these would leave every
    // quit pending for ever. Threads started from here on inherit this thread's mask.
    sigset_t ours;
    sigemptyset(&ours);
    for (const int number : handled)
        sigaddset(&ours, number);
    sigaddset(&ours, SIGCHLD);
    ::pthread_sigmask(SIG_UNBLOCK, &ours, nullptr);
}

UnixSignals::~UnixSignals() {
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : handled)
        ::sigaction(number, &action, nullptr);
    ::sigaction(SIGCHLD, &previousChild, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(fds[0]);
    ::close(fds[1]);
    fds[0] = fds[1] = -1;
}

void UnixSignals::drain() {
    char bytes[16];
    const auto count = ::read(fds[1], bytes, sizeof bytes);
    bool childExit = false;
    for (ssize_t i = 0; i < count; ++i) {
        if (int(bytes[i]) == SIGCHLD)
            childExit = true;
        else
            Q_EMIT quitRequested();
    }
    if (childExit)
        Q_EMIT childExited();
}
