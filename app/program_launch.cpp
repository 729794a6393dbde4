#include "app/program_launch.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace {

// Children started without waiting, collected once they end so that none stays a zombie.
std::vector<pid_t>& PendingChildren() {
    static std::vector<pid_t> pending;
    return pending;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// folder/name, or the one file of folder whose name differs from name only in case (table data names programs
// the way a case-blind file system would find them).
std::string FindInFolder(const std::string& folder, const std::string& name) {
    std::string base = folder.empty() ? std::string(".") : folder;
    std::string exact = base + "/" + name;
    if (IsRegularFile(exact)) return exact;
    DIR* dir = opendir(base.c_str());
    if (!dir) return {};
    std::string found;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0 && IsRegularFile(base + "/" + entry->d_name)) {
            found = base + "/" + entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

int ResultOfErrno(int error) {
    switch (error) {
        case ENOENT: return kLaunchFileNotFound;
        case ENOTDIR: case ENAMETOOLONG: case ELOOP: return kLaunchPathNotFound;
        case EACCES: case EPERM: case EISDIR: case ETXTBSY: return kLaunchAccessDenied;
        case ENOEXEC: return kLaunchBadFormat;
        default: return kLaunchOutOfResources;
    }
}

// Everything posix_spawn needs, released on every path.
class SpawnSetup {
public:
    explicit SpawnSetup(int showWindow) {
        ok_ = posix_spawn_file_actions_init(&actions_) == 0;
        if (!ok_) return;
        actionsMade_ = true;
        // Only standard input, output and error reach the child, whatever the caller opened without close-on-exec.
        ok_ = posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
        if (!ok_) return;
        ok_ = posix_spawnattr_init(&attr_) == 0;
        if (!ok_) return;
        attrMade_ = true;
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        // A fresh signal state and a session of its own, so that the child does not share our terminal's signals.
        ok_ = posix_spawnattr_setsigmask(&attr_, &none) == 0 && posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
              posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID) == 0;
        std::string hint = "VELMORA_SHOW_WINDOW=" + std::to_string(showWindow);
        for (char** e = environ; e && *e; ++e)
            if (std::string_view(*e).substr(0, 20) != "VELMORA_SHOW_WINDOW=") env_.emplace_back(*e);
        env_.push_back(hint);
    }
    ~SpawnSetup() {
        if (attrMade_) posix_spawnattr_destroy(&attr_);
        if (actionsMade_) posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // posix_spawn's result (an errno value), the child's id in *pid.
    int Spawn(const std::string& path, const std::vector<std::string>& words, pid_t* pid) {
        if (!ok_) return ENOMEM;
        std::vector<char*> argv, envp;
        for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
        argv.push_back(nullptr);
        for (const std::string& e : env_) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        return posix_spawn(pid, path.c_str(), &actions_, &attr_, argv.data(), envp.data());
    }

private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attr_{};
    bool actionsMade_ = false;
    bool attrMade_ = false;
    bool ok_ = false;
    std::vector<std::string> env_;  // the caller's environment with the show-window hint
};

// Resolves and starts the program: kLaunchStarted with *pid, or an error result.
int Start(const TLaunchRequest& request, pid_t* pid) {
    if (request.commandLine.size() > kMaxCommandLine)
        throw ECommandLineError("The command line is " + std::to_string(request.commandLine.size()) +
                                " characters long; at most " + std::to_string(kMaxCommandLine) + " are allowed");
    std::vector<std::string> words;
    try {
        words = SplitCommandLine(request.commandLine);
    } catch (const ECommandLineError&) {
        return kLaunchBadFormat;
    }
    if (words.empty() || words[0].empty()) return kLaunchFileNotFound;
    const std::string& name = words[0];
    std::string path;
    if (name.find('/') != std::string::npos) {
        struct stat st {};
        if (stat(name.c_str(), &st) != 0) {
            int error = errno;
            std::string folder = name.substr(0, name.rfind('/'));
            if (error == ENOTDIR || (!folder.empty() && !IsDirectory(folder))) return kLaunchPathNotFound;
            return ResultOfErrno(error);
        }
        path = name;
    } else {
        path = FindProgram(name, request.programFolder.empty() ? RunningProgramFolder() : request.programFolder);
        if (path.empty()) return kLaunchFileNotFound;
    }
    SpawnSetup setup(request.showWindow);
    int error = setup.Spawn(path, words, pid);
    return error == 0 ? kLaunchStarted : ResultOfErrno(error);
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == line.size()) throw ECommandLineError("The command line ends with a lone backslash");
            if (line[i] != '\n') word += line[i];  // backslash-newline joins lines
        } else if (c == '\'') {
            size_t end = line.find('\'', i + 1);
            if (end == std::string::npos) throw ECommandLineError("The command line has an unterminated ' quote");
            word.append(line, i + 1, end - i - 1);
            i = end;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == line.size()) throw ECommandLineError("The command line has an unterminated \" quote");
                char d = line[i];
                if (d == '"') break;
                if (d == '\\' && i + 1 < line.size() && std::string_view("$`\"\\\n").find(line[i + 1]) != std::string_view::npos) {
                    ++i;
                    if (line[i] != '\n') word += line[i];
                } else {
                    word += d;
                }
            }
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::string FindProgram(const std::string& name, const std::string& programFolder) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsRegularFile(name) ? name : std::string();
    std::vector<std::string> folders{programFolder, "."};
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (true) {
            size_t colon = rest.find(':');
            std::string entry(rest.substr(0, colon));
            folders.push_back(entry.empty() ? std::string(".") : entry);
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::string found = FindInFolder(folder, name);
        if (!found.empty()) return found;
    }
    return {};
}

std::string RunningProgramFolder() {
    std::string buffer(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return ".";
    buffer.resize(static_cast<size_t>(n));
    size_t slash = buffer.rfind('/');
    return slash == 0 ? std::string("/") : buffer.substr(0, slash);
}

int LaunchProgram(const TLaunchRequest& request) {
    ReapFinishedChildren();
    pid_t pid = 0;
    int result = Start(request, &pid);
    if (result == kLaunchStarted) PendingChildren().push_back(pid);
    return result;
}

int LaunchProgramAndWait(const TLaunchRequest& request) {
    ReapFinishedChildren();
    pid_t pid = 0;
    if (Start(request, &pid) != kLaunchStarted) return kLaunchNotStarted;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return kLaunchNotStarted;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return kLaunchNotStarted;
}

int ReapFinishedChildren() {
    std::vector<pid_t>& pending = PendingChildren();
    for (size_t i = 0; i < pending.size();) {
        int status = 0;
        pid_t r = waitpid(pending[i], &status, WNOHANG);
        if (r == 0 || (r < 0 && errno == EINTR)) {
            ++i;
        } else {
            pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));  // ended, or no longer ours to wait for
        }
    }
    return static_cast<int>(pending.size());
}
