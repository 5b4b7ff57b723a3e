// wrenbox-keeper: started once by the app, it outlives the app just long enough to end what the
// app's relays started. A parent-death signal reaches only the relay itself; its children, a
// daemon it double-forked or a child in a session of its own would live on after a crash.
//   wrenbox-keeper MARK    with the read end of a pipe from the app as file descriptor 3
// When the pipe closes (the app ended, however), every process of this user whose environment
// holds WRENBOX_RELAY_OWNER=MARK is killed, sweep after sweep until one finds none. MARK is
// unique to one run of the app, so nothing else can carry it. Plain C++ and POSIX, no Qt.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int appPipe = 3;
constexpr int maxSweeps = 100;
constexpr int sweepWaitMs = 1000;

// Process file descriptors (Linux 5.3), by system call: glibc 2.36 declares its wrappers without
// C linkage for C++.
int pidfdOpen(long pid) {
    return int(::syscall(SYS_pidfd_open, pid, 0));
}
bool pidfdKill(int pidfd) {
    return ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
}

// The app's mark: its process id, "-", and at least 16 hex digits of randomness.
bool wellFormed(const char* mark) {
    const char* dash = std::strchr(mark, '-');
    if (!dash || dash == mark || std::strspn(mark, "0123456789") != size_t(dash - mark))
        return false;
    const size_t hex = std::strlen(dash + 1);
    return hex >= 16 && std::strspn(dash + 1, "0123456789abcdef") == hex;
}

// Whether the process's environment holds exactly `entry` ("\0NAME=VALUE\0"), and the process
// is this user's.
bool carries(long pid, const std::string& entry) {
    const std::string path = "/proc/" + std::to_string(pid) + "/environ";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // gone, a zombie, or another user's
    struct stat owner {};
    std::string environment(1, '\0');
    if (::fstat(fd, &owner) == 0 && owner.st_uid == ::getuid()) {
        char buffer[16384];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
            environment.append(buffer, size_t(std::max<ssize_t>(n, 0)));
    }
    ::close(fd);
    environment.push_back('\0');
    return environment.find(entry) != std::string::npos;
}

// Kills every marked process; returns a pidfd for each one signalled.
std::vector<int> sweep(const std::string& entry) {
    std::vector<int> signalled;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return signalled;
    while (const dirent* item = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(item->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ::getpid())
            continue;
        // The pidfd is taken before the check: should the id be reused in between, the check
        // reads the newcomer, and the signal can only reach the process the pidfd names.
        const int pidfd = pidfdOpen(pid);
        if (pidfd < 0)
            continue;
        if (carries(pid, entry) && pidfdKill(pidfd))
            signalled.push_back(pidfd);
        else
            ::close(pidfd);
    }
    ::closedir(proc);
    return signalled;
}

long long nowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

} // namespace

int main(int argc, char** argv) {
    struct stat channel {};
    if (argc != 2 || !wellFormed(argv[1]) || ::fstat(appPipe, &channel) != 0 ||
        !S_ISFIFO(channel.st_mode))
        return 2;
    // Out of the app's session: a signal to the app's process group or terminal is not for us.
    ::setsid();
    ::close_range(appPipe + 1, ~0U, 0);

    // The app never writes: the read returns when its last copy of the write end closes.
    char byte = 0;
    for (ssize_t n = 1; n != 0;) {
        n = ::read(appPipe, &byte, 1);
        if (n < 0 && errno != EINTR)
            return 1; // not an end of the app: leave its processes alone
    }

    const std::string entry = std::string(1, '\0') + "WRENBOX_RELAY_OWNER=" + argv[1] + '\0';
    for (int round = 0; round < maxSweeps; ++round) {
        const std::vector<int> signalled = sweep(entry);
        if (signalled.empty())
            break;
        // Waits for them to end before looking again, so a process still dying is not taken for
        // a new one; a process that cannot die (stuck in the kernel) holds up no more than this.
        const long long deadline = nowMs() + sweepWaitMs;
        for (const int pidfd : signalled) {
            pollfd ended{pidfd, POLLIN, 0};
            while (::poll(&ended, 1, int(std::max(deadline - nowMs(), 0LL))) < 0 &&
                   errno == EINTR) {
            }
            ::close(pidfd);
        }
    }
    return 0;
}
