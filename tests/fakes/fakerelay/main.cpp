// A stand-in for the relay executable. Every answer is scripted by the test in the folder named
// by WRENBOX_FAKE_RELAY_DIR (see FakeRelay.h, which writes it):
//   calls.log          one line per invocation: the arguments separated by tabs (appended here)
//   pids/<pid>         one empty file per process this program started (tests check liveness)
//   reply-<key>.conf   for a one-shot command: "exit N", "delay MS", "repeat N" lines
//   reply-<key>.out    its standard output;  reply-<key>.err  its standard error
//   stream.conf        for "relay run --events json [--dry-run]": settings and chunk pauses
//   stream-<n>.chunk   the bytes of chunk n;  stream.err  its standard error
// <key> is the FNV-1a hash (16 hex digits) of the arguments joined by tabs.
// Plain C++ and POSIX only, so that it starts as fast as a real helper.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int noReply = 64;

std::string g_dir;
int g_termExitCode = -1;

bool readFile(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

void writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void appendFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    writeAll(fd, text.data(), text.size());
    ::close(fd);
}

void notePid(pid_t pid) {
    const std::string path = g_dir + "/pids/" + std::to_string(pid);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

std::string keyOf(const std::string& joined) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : joined) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// Reads "name value" lines; missing names keep their defaults.
long setting(const std::string& conf, const char* name, long fallback) {
    const std::string wanted = std::string(name) + ' ';
    size_t pos = 0;
    while (pos < conf.size()) {
        size_t end = conf.find('\n', pos);
        if (end == std::string::npos)
            end = conf.size();
        if (conf.compare(pos, wanted.size(), wanted) == 0)
            return std::strtol(conf.c_str() + pos + wanted.size(), nullptr, 10);
        pos = end + 1;
    }
    return fallback;
}

void sleepMs(long ms) {
    if (ms <= 0)
        return;
    timespec left{ms / 1000, (ms % 1000) * 1000000};
    while (::nanosleep(&left, &left) < 0 && errno == EINTR) {
    }
}

void onTerm(int) {
    ::_exit(g_termExitCode);
}

int runStream() {
    std::string conf;
    if (!readFile(g_dir + "/stream.conf", conf))
        return noReply;

    if (setting(conf, "ignoreTerm", 0) != 0) {
        ::signal(SIGTERM, SIG_IGN);
    } else {
        g_termExitCode = static_cast<int>(setting(conf, "termExitCode", -1));
        if (g_termExitCode >= 0)
            ::signal(SIGTERM, onTerm);
    }

    if (setting(conf, "spawnGrandchild", 0) != 0) {
        // The relay goes on once the grandchild has settled: closing its end of `settled`.
        int settled[2] = {-1, -1};
        if (::pipe(settled) != 0)
            return noReply;
        const pid_t child = ::fork();
        if (child == 0) {
            // Stays in the relay's process group (unless told to leave it), reacting to signals
            // by default, until killed.
            ::signal(SIGTERM, SIG_DFL);
            if (setting(conf, "grandchildSetsid", 0) != 0)
                ::setsid();
            ::close(settled[0]);
            ::close(settled[1]);
            for (;;)
                ::pause();
        }
        ::close(settled[1]);
        char byte = 0;
        while (::read(settled[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::close(settled[0]);
        if (child > 0)
            notePid(child);
    }

    std::string err;
    if (readFile(g_dir + "/stream.err", err))
        writeAll(STDERR_FILENO, err.data(), err.size());

    const long chunks = setting(conf, "chunks", 0);
    for (long i = 0; i < chunks; ++i) {
        sleepMs(setting(conf, ("pause" + std::to_string(i)).c_str(), 0));
        std::string bytes;
        readFile(g_dir + "/stream-" + std::to_string(i) + ".chunk", bytes);
        writeAll(STDOUT_FILENO, bytes.data(), bytes.size());
    }

    if (setting(conf, "stayAlive", 1) != 0) {
        for (;;)
            ::pause();
    }
    return static_cast<int>(setting(conf, "exitCode", 0));
}

int oneShot(const std::string& joined) {
    const std::string base = g_dir + "/reply-" + keyOf(joined);
    std::string conf;
    if (!readFile(base + ".conf", conf))
        return noReply;
    sleepMs(setting(conf, "delay", 0));
    std::string bytes;
    if (readFile(base + ".err", bytes))
        writeAll(STDERR_FILENO, bytes.data(), bytes.size());
    bytes.clear();
    // The output is printed "repeat" times over; a negative count prints it without end.
    if (readFile(base + ".out", bytes) && !bytes.empty()) {
        long left = setting(conf, "repeat", 1);
        std::string block; // whole copies, written in large pieces
        long copies = 0;
        for (; copies != left && block.size() < 65536; ++copies)
            block += bytes;
        for (; left != 0; left = left < 0 ? left : left - std::min(left, copies)) {
            const long now = left < 0 ? copies : std::min(left, copies);
            writeAll(STDOUT_FILENO, block.data(), static_cast<size_t>(now) * bytes.size());
        }
    }
    return static_cast<int>(setting(conf, "exit", 0));
}

} // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("WRENBOX_FAKE_RELAY_DIR");
    if (!dir || !*dir) {
        std::fputs("fakerelay: WRENBOX_FAKE_RELAY_DIR is not set\n", stderr);
        return noReply;
    }
    g_dir = dir;
    notePid(::getpid());

    std::string joined;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            joined += '\t';
        joined += args[i];
    }
    appendFile(g_dir + "/calls.log", joined + '\n');

    const bool isRun = args.size() >= 4 && args[0] == "relay" && args[1] == "run" &&
                       args[2] == "--events" && args[3] == "json" &&
                       (args.size() == 4 || (args.size() == 5 && args[4] == "--dry-run"));
    return isRun ? runStream() : oneShot(joined);
}
