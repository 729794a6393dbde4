// Start to first paint of the whole program: makes a folder holding file0feed.dbf (30,000 and 1,000,000 records)
// with its TITLE.NDX, starts velmora on it (offscreen) and times from the spawn to the line the program writes
// when its grid has first painted. The grid reads one screenful of records, so both sizes start alike.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kTitleLen = 55, kExeLen = 55, kRecordLen = 1 + kTitleLen + kExeLen;
constexpr int kRuns = 7;
constexpr double kTargetMs = 150.0;

void Put16(std::string& b, size_t at, unsigned v) { b[at] = char(v & 0xFF); b[at + 1] = char(v >> 8); }
void Put32(std::string& b, size_t at, unsigned v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A dBase III table of TITLE C(55) and EXENAME C(55), titles in an order unlike the physical one.
void MakeTable(const std::string& path, unsigned records) {
    std::string header(32 + 2 * 32 + 1, '\0');
    header[0] = 0x03;
    header[1] = 126; header[2] = 12; header[3] = 11;
    Put32(header, 4, records);
    Put16(header, 8, static_cast<unsigned>(header.size()));
    Put16(header, 10, kRecordLen);
    const char* names[2] = {"TITLE", "EXENAME"};
    for (int f = 0; f < 2; ++f) {
        size_t at = 32 + 32 * static_cast<size_t>(f);
        std::memcpy(&header[at], names[f], std::strlen(names[f]));
        header[at + 11] = 'C';
        header[at + 16] = static_cast<char>(f == 0 ? kTitleLen : kExeLen);
    }
    header.back() = 0x0D;
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::string rec(kRecordLen, ' ');
    for (unsigned i = 0; i < records; ++i) {
        std::fill(rec.begin(), rec.end(), ' ');
        char title[64];
        const unsigned scrambled = (i * 2654435761u) % 1000003u;
        int n = std::snprintf(title, sizeof title, "Screensaver %07u", scrambled);
        std::memcpy(&rec[1], title, static_cast<size_t>(n));
        std::memcpy(&rec[1 + kTitleLen], "DEMO.SCR", 8);
        out.write(rec.data(), kRecordLen);
    }
    out.put(0x1A);
}

// Starts args[0] with extraEnv added and its standard output on a pipe; returns the child, or -1.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, int* outFd) {
    std::vector<std::string> argStore(args), envStore(extraEnv);
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (auto& a : argStore) argv.push_back(a.data());
    for (auto& e : envStore) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);  // the platform's chatter
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return -1;
    }
    *outFd = fds[0];
    return pid;
}

std::string ReadLine(int fd) {
    std::string line;
    char ch;
    while (read(fd, &ch, 1) == 1 && ch != '\n') line += ch;
    return line;
}

// Reads what is left and waits for the child; its exit code (128 + signal when killed).
int Finish(pid_t pid, int fd) {
    char buf[256];
    while (read(fd, buf, sizeof buf) > 0) {}
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

double MedianFirstPaintMs(const std::string& velmora, const std::string& folder) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        int fd = -1;
        const auto t0 = std::chrono::steady_clock::now();
        pid_t pid = Spawn({velmora, folder}, {"QT_QPA_PLATFORM=offscreen", "VELMORA_REPORT_FIRST_PAINT=1"}, &fd);
        if (pid < 0) return -1;
        // The line arrives when the grid has painted: the time is taken there, before the program's clean-up.
        const std::string line = ReadLine(fd);
        const auto t1 = std::chrono::steady_clock::now();
        Finish(pid, fd);
        if (line != "first paint") {
            std::fprintf(stderr, "velmora did not report its first paint (got \"%s\")\n", line.c_str());
            return -1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string velmora = argc > 1 ? argv[1] : VELMORA_PATH;
    const std::string ordane = argc > 2 ? argv[2] : ORDANE_PATH;
    char pattern[] = "/tmp/velmora-startup-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string root = pattern;
    int failures = 0;
    std::printf("start to first paint, whole process, median of %d runs (target: under %.0f ms)\n", kRuns, kTargetMs);
    for (unsigned records : {30000u, 1000000u}) {
        const std::string folder = root + "/" + std::to_string(records);
        std::filesystem::create_directories(folder);
        MakeTable(folder + "/file0feed.dbf", records);
        int fd = -1;
        pid_t pid = Spawn({ordane, "index", folder + "/file0feed.dbf", "--create", folder + "/TITLE.NDX", "--tag",
                           "TITLE", "--key", "TITLE"}, {}, &fd);
        if (pid < 0 || Finish(pid, fd) != 0) {
            std::fprintf(stderr, "could not build TITLE.NDX\n");
            ++failures;
            continue;
        }
        const double ms = MedianFirstPaintMs(velmora, folder);
        if (ms < 0) {
            ++failures;
            continue;
        }
        std::printf("%9u records: %7.1f ms%s\n", records, ms, ms < kTargetMs ? "" : "  (over the target)");
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return failures == 0 ? 0 : 1;
}
