// A stand-in for the relay executable. Every answer is scripted by the test in the folder named
// by WRENBOX_FAKE_RELAY_DIR (see FakeRelay.h, which writes it):
//   calls.log       one line per invocation: the arguments separated by tabs (appended here)
//   pids/<pid>      one empty file per process this program started (tests check liveness)
//   <key>.conf      the script for one command line: "name value" settings (see FakeRelay.cpp)
//   <key>.err       printed on standard error first;  <key>.<n>  the bytes of output chunk n
// <key> is the FNV-1a hash (16 hex digits) of the arguments joined by tabs. A command line
// without a script exits 64 silently. Plain C++ and POSIX only, so that it starts as fast as a
// real helper.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string g_dir;
std::string g_conf;
int g_termExitCode = -1;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void print(std::FILE* to, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), to);
    std::fflush(to);
}

void notePid(pid_t pid) {
    std::ofstream(g_dir + "/pids/" + std::to_string(pid));
}

// Reads a "name value" line of the script; missing names keep their defaults.
long setting(const std::string& name, long fallback) {
    const size_t at = ("\n" + g_conf).find("\n" + name + ' ');
    return at == std::string::npos
               ? fallback
               : std::strtol(g_conf.c_str() + at + name.size() + 1, nullptr, 10);
}

void onTerm(int) {
    ::_exit(g_termExitCode);
}

// A child that stays until killed, reacting to signals by default: 0 in the relay's process
// group, 1 a daemon in that group (double-forked: its parent is gone, so it is adopted), 2 in a
// session of its own. The relay goes on once it has settled.
void spawnChild(long kind) {
    int settled[2] = {-1, -1};
    if (::pipe(settled) != 0)
        ::_exit(64);
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGTERM, SIG_DFL);
        if (kind == 2)
            ::setsid();
        if (const pid_t daemon = kind == 1 ? ::fork() : 0; daemon != 0) {
            if (daemon > 0)
                notePid(daemon);
            ::_exit(0);
        }
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
    if (kind == 1)
        ::waitpid(child, nullptr, 0);
    else if (child > 0)
        notePid(child);
}

} // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("WRENBOX_FAKE_RELAY_DIR");
    if (!dir || !*dir)
        return 64;
    g_dir = dir;
    notePid(::getpid());
    std::string joined;
    // Appended piece by piece: g++ 12 at -O3 reports a false -Wrestrict for "..." + std::string.
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            joined += '\t';
        joined += argv[i];
    }
    std::ofstream(g_dir + "/calls.log", std::ios::app) << joined << '\n';
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : joined)
        hash = (hash ^ c) * 1099511628211ull;
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
    const std::string base = g_dir + "/" + key;
    g_conf = readFile(base + ".conf");
    if (g_conf.empty())
        return 64;

    g_termExitCode = int(setting("termExitCode", -1));
    if (setting("ignoreTerm", 0) != 0)
        ::signal(SIGTERM, SIG_IGN);
    else if (g_termExitCode >= 0)
        ::signal(SIGTERM, onTerm);
    for (long i = 0; i < setting("children", 0); ++i)
        spawnChild(setting("child" + std::to_string(i), 0));
    print(stderr, readFile(base + ".err"));
    for (long i = 0; i < setting("chunks", 0); ++i) {
        const long ms = setting("pause" + std::to_string(i), 0);
        timespec left{ms / 1000, (ms % 1000) * 1000000};
        while (::nanosleep(&left, &left) < 0 && errno == EINTR) {
        }
        // A chunk is printed "repeat" times over; without end when negative, in large pieces.
        std::string bytes = readFile(base + "." + std::to_string(i));
        long repeat = setting("repeat", 1);
        while (repeat < 0 && !bytes.empty() && bytes.size() < 65536)
            bytes += bytes;
        for (; repeat != 0; repeat -= repeat > 0 ? 1 : 0)
            print(stdout, bytes);
    }
    while (setting("stayAlive", 0) != 0)
        ::pause();
    return int(setting("exitCode", 0));
}
