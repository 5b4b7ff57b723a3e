// A stand-in for the relay executable. Every answer is scripted by the test in the folder named
// by WRENBOX_FAKE_RELAY_DIR (see FakeRelay.h, which writes it):
//   calls.log          one line per invocation: the arguments separated by tabs (appended here)
//   pids/<pid>         one empty file per process this program started (tests check liveness)
//   reply-<key>.conf   for a one-shot command: "exit N", "delay MS", "repeat N" lines
//   reply-<key>.out    its standard output;  reply-<key>.err  its standard error
//   stream.conf        for "relay run --events json [--dry-run]": settings and chunk pauses
//   stream-<n>.chunk   the bytes of chunk n
// <key> is the FNV-1a hash (16 hex digits) of the arguments joined by tabs.
// Plain C++ and POSIX only, so that it starts as fast as a real helper.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

constexpr int noReply = 64;
std::string g_dir;
int g_termExitCode = -1;

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bool(in);
}

void print(std::FILE* to, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), to);
    std::fflush(to);
}

void notePid(pid_t pid) {
    std::ofstream(g_dir + "/pids/" + std::to_string(pid));
}

// Reads "name value" lines; missing names keep their defaults.
long setting(const std::string& conf, const std::string& name, long fallback) {
    const size_t at = ("\n" + conf).find("\n" + name + ' ');
    return at == std::string::npos ? fallback
                                   : std::strtol(conf.c_str() + at + name.size() + 1, nullptr, 10);
}

void sleepMs(long ms) {
    timespec left{ms / 1000, (ms % 1000) * 1000000};
    while (ms > 0 && ::nanosleep(&left, &left) < 0 && errno == EINTR) {
    }
}

void onTerm(int) {
    ::_exit(g_termExitCode);
}

int runStream() {
    std::string conf;
    if (!readFile(g_dir + "/stream.conf", conf))
        return noReply;
    g_termExitCode = int(setting(conf, "termExitCode", -1));
    if (setting(conf, "ignoreTerm", 0) != 0)
        ::signal(SIGTERM, SIG_IGN);
    else if (g_termExitCode >= 0)
        ::signal(SIGTERM, onTerm);
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
    for (long i = 0; i < setting(conf, "chunks", 0); ++i) {
        sleepMs(setting(conf, "pause" + std::to_string(i), 0));
        std::string bytes;
        readFile(g_dir + "/stream-" + std::to_string(i) + ".chunk", bytes);
        print(stdout, bytes);
    }
    while (setting(conf, "stayAlive", 1) != 0)
        ::pause();
    return int(setting(conf, "exitCode", 0));
}

int oneShot(const std::string& joined) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : joined)
        hash = (hash ^ c) * 1099511628211ull;
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
    const std::string base = g_dir + "/reply-" + key;
    std::string conf;
    std::string bytes;
    if (!readFile(base + ".conf", conf))
        return noReply;
    sleepMs(setting(conf, "delay", 0));
    if (readFile(base + ".err", bytes))
        print(stderr, bytes);
    // The output is printed "repeat" times over; a negative count prints it without end.
    if (readFile(base + ".out", bytes) && !bytes.empty()) {
        std::string block; // whole copies, written in large pieces
        for (long left = setting(conf, "repeat", 1); left != 0; left -= left > 0 ? 1 : 0) {
            block += bytes;
            if (block.size() >= 65536 || left == 1) {
                print(stdout, block);
                block.clear();
            }
        }
    }
    return int(setting(conf, "exit", 0));
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
    for (int i = 1; i < argc; ++i)
        joined += (i > 1 ? "\t" : "") + std::string(argv[i]);
    std::ofstream(g_dir + "/calls.log", std::ios::app) << joined << '\n';
    const bool isRun =
        joined == "relay\trun\t--events\tjson" || joined == "relay\trun\t--events\tjson\t--dry-run";
    return isRun ? runStream() : oneShot(joined);
}
