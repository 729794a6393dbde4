// A child for the launcher tests. It writes what it received to the file PROBE_OUT names: one "arg:" line per
// argument after its name, one "fd:" line per open descriptor, and "show:" with the show-window hint. Then it
// ends as PROBE_SIGNAL (a signal number to raise) or PROBE_EXIT (an exit code) say, else with 0.
#include <dirent.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    std::string report;
    for (int i = 1; i < argc; ++i) report += std::string("arg:") + argv[i] + "\n";
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] == '.' || std::atoi(e->d_name) == dirfd(dir)) continue;
            report += std::string("fd:") + e->d_name + "\n";
        }
        closedir(dir);
    }
    const char* show = std::getenv("VELMORA_SHOW_WINDOW");
    report += std::string("show:") + (show ? show : "") + "\n";
    if (const char* out = std::getenv("PROBE_OUT")) {
        // Written under another name and renamed, so that a reader never sees half a report.
        std::string part = std::string(out) + ".part";
        if (FILE* f = std::fopen(part.c_str(), "w")) {
            std::fputs(report.c_str(), f);
            std::fclose(f);
            std::rename(part.c_str(), out);
        }
    }
    if (const char* sig = std::getenv("PROBE_SIGNAL")) raise(std::atoi(sig));
    if (const char* code = std::getenv("PROBE_EXIT")) return std::atoi(code);
    return 0;
}
