// Linux implementation of the OS layer (files, locks, names, places, time, processes). The 8-bit text services
// live in code_pages.cpp.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>

#include "engine/storage/os_services.h"

extern char** environ;

namespace os {
namespace {

// The byte whose lock stands for the sharing mode of an open file: beyond every lock protocol's ranges.
constexpr off_t kShareByte = off_t{1} << 62;

enum class Op { Open, Read, Write, Other };

int FromErrno(int e, Op op) {
    switch (e) {
        case ENOENT: return 2;
        case ENOTDIR: case ENAMETOOLONG: case ELOOP: return 3;
        case EMFILE: case ENFILE: return 4;
        case EACCES: case EPERM: case EISDIR: case ETXTBSY: return 5;
        case EROFS: return 150;
        case EEXIST: case ENOTEMPTY: return 183;
        case EAGAIN: return 33;
        default: return op == Op::Read ? 100 : 101;
    }
}

thread_local int gLastError = 0;

// Takes or tests a lock on [offset, offset + length) of one open file; never waits.
int SetLock(int fd, short type, off_t offset, off_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = length;
    fl.l_pid = 0;
    while (fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        if (errno == EINTR) continue;
        return errno;
    }
    return 0;
}

std::string Parent(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

bool EqualFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    return true;
}

// The entry of folder whose name matches component without regard to case: the exact name first, else the
// first match in byte order, so that the choice is the same on every run.
std::optional<std::string> FindEntry(const std::string& folder, const std::string& component) {
    std::string exact = (folder == "/" ? "" : folder) + "/" + component;
    struct stat st {};
    if (lstat(exact.c_str(), &st) == 0) return component;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> best;
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (EqualFolded(name, component) && (!best || name < *best)) best = std::string(name);
    }
    closedir(dir);
    return best;
}

}  // namespace

// --- File -----------------------------------------------------------------------------------------------------

File::~File() { Close(); }

int File::Open(const std::string& path, Access access, Share share) {
    Close();
    if (path.size() > kMaxPath) return 3;
    std::string resolved;
    if (int rc = ResolvePath(AbsolutePath(path), &resolved)) return rc;
    // A read-only open still asks for a writable descriptor where the file allows it, so that its locks are
    // exclusive ones, as on the platform this engine's files come from. Writes are refused in WriteAt.
    int fd = open(resolved.c_str(), O_RDWR | O_CLOEXEC);
    bool fdWritable = fd >= 0;
    if (fd < 0 && access == Access::ReadOnly && (errno == EACCES || errno == EPERM || errno == EROFS))
        fd = open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FromErrno(errno, Op::Open);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return 5;
    }
    short shareType = share == Share::Shared || !fdWritable ? F_RDLCK : F_WRLCK;
    if (int e = SetLock(fd, shareType, kShareByte, 1)) {
        ::close(fd);
        return e == EAGAIN || e == EACCES ? 32 : FromErrno(e, Op::Open);
    }
    fd_ = fd;
    writable_ = access == Access::ReadWrite;
    lockWritable_ = fdWritable;
    return 0;
}

int File::Create(const std::string& path) {
    if (path.size() > kMaxPath) return 3;
    std::string resolved;
    if (int rc = ResolvePath(AbsolutePath(path), &resolved)) return rc;
    int fd = open(resolved.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return FromErrno(errno, Op::Open);
    // Emptying a file that another open holds is a sharing violation, as it is for the platform's create.
    if (int e = SetLock(fd, F_WRLCK, kShareByte, 1)) {
        ::close(fd);
        return e == EAGAIN || e == EACCES ? 32 : FromErrno(e, Op::Open);
    }
    int rc = ftruncate(fd, 0) == 0 ? 0 : FromErrno(errno, Op::Write);
    ::close(fd);
    return rc;
}

void File::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int File::ReadAt(uint64_t offset, void* buffer, size_t count, size_t* got) const {
    *got = 0;
    if (fd_ < 0) return 103;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return 100;
    auto* p = static_cast<char*>(buffer);
    while (*got < count) {
        ssize_t n = pread(fd_, p + *got, count - *got, static_cast<off_t>(offset + *got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FromErrno(errno, Op::Read);
        }
        if (n == 0) break;  // end of file: fewer bytes, no error
        *got += static_cast<size_t>(n);
    }
    return 0;
}

int File::WriteAt(uint64_t offset, const void* buffer, size_t count, size_t* put) const {
    *put = 0;
    if (fd_ < 0) return 103;
    if (!writable_) return 5;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return 101;
    const auto* p = static_cast<const char*>(buffer);
    while (*put < count) {
        ssize_t n = pwrite(fd_, p + *put, count - *put, static_cast<off_t>(offset + *put));
        if (n < 0) {
            if (errno == EINTR) continue;
            return FromErrno(errno, Op::Write);
        }
        if (n == 0) return 101;
        *put += static_cast<size_t>(n);
    }
    return 0;
}

int File::Size(uint64_t* size) const {
    *size = 0;
    if (fd_ < 0) return 103;
    struct stat st {};
    if (fstat(fd_, &st) != 0) return FromErrno(errno, Op::Read);
    *size = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::Flush() const {
    if (fd_ < 0) return 103;
    return fsync(fd_) == 0 ? 0 : FromErrno(errno, Op::Write);
}

int File::Truncate(uint64_t size) const {
    if (fd_ < 0) return 103;
    if (!writable_) return 5;
    if (size > static_cast<uint64_t>(INT64_MAX)) return 101;
    return ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : FromErrno(errno, Op::Write);
}

int File::Lock(uint64_t offset, uint64_t length) const {
    if (fd_ < 0) return 103;
    // A length of 0 would mean "to the end of the file"; no caller means that.
    if (length == 0 || offset >= static_cast<uint64_t>(kShareByte) || length > static_cast<uint64_t>(kShareByte))
        return 33;
    int e = SetLock(fd_, lockWritable_ ? F_WRLCK : F_RDLCK, static_cast<off_t>(offset), static_cast<off_t>(length));
    if (e == 0) return 0;
    return e == EAGAIN || e == EACCES ? 33 : FromErrno(e, Op::Other);
}

int File::Unlock(uint64_t offset, uint64_t length) const {
    if (fd_ < 0) return 103;
    if (length == 0 || offset >= static_cast<uint64_t>(kShareByte) || length > static_cast<uint64_t>(kShareByte))
        return 33;
    int e = SetLock(fd_, F_UNLCK, static_cast<off_t>(offset), static_cast<off_t>(length));
    return e == 0 ? 0 : FromErrno(e, Op::Other);
}

// --- names and places -------------------------------------------------------------------------------------------

std::string AbsolutePath(std::string_view name) {
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path[0] != '/') {
        char cwd[kMaxPath + 1];
        std::string base = getcwd(cwd, sizeof cwd) ? cwd : "/";
        path = base + "/" + path;
    }
    std::vector<std::string_view> parts;
    std::string_view rest = path;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (std::string_view part : parts) {
        out += '/';
        out += part;
    }
    return out.empty() ? "/" : out;
}

int ResolvePath(const std::string& name, std::string* resolved) {
    std::string path = AbsolutePath(name);
    std::string current = "/";
    std::string_view rest = std::string_view(path).substr(1);
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string component(rest.substr(0, slash));
        bool last = slash == std::string_view::npos;
        rest = last ? std::string_view{} : rest.substr(slash + 1);
        std::optional<std::string> found = FindEntry(current, component);
        if (!found) {
            if (!last) return 3;
            found = component;
        }
        current = (current == "/" ? "" : current) + "/" + *found;
    }
    *resolved = current;
    return 0;
}

bool FileExists(const std::string& name) {
    std::string resolved;
    if (ResolvePath(name, &resolved) != 0) return false;
    struct stat st {};
    return stat(resolved.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int RenameFile(const std::string& from, const std::string& to) {
    if (from.size() > kMaxPath || to.size() > kMaxPath) return 3;
    std::string source, target;
    if (int rc = ResolvePath(from, &source)) return rc;
    if (int rc = ResolvePath(to, &target)) return rc;
    if (FileExists(target) && source != target) return 183;
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return FromErrno(errno, Op::Other);
    // File systems without the no-replace flag: a hard link refuses an existing target just the same.
    if (link(source.c_str(), target.c_str()) != 0) return FromErrno(errno, Op::Other);
    unlink(source.c_str());
    return 0;
}

int ReplaceFile(const std::string& from, const std::string& to) {
    if (from.size() > kMaxPath || to.size() > kMaxPath) return 3;
    std::string source, target;
    if (int rc = ResolvePath(AbsolutePath(from), &source)) return rc;
    if (int rc = ResolvePath(AbsolutePath(to), &target)) return rc;
    return rename(source.c_str(), target.c_str()) == 0 ? 0 : FromErrno(errno, Op::Other);
}

int SyncFolder(const std::string& folder) {
    std::string resolved;
    if (int rc = ResolvePath(AbsolutePath(folder), &resolved)) return rc;
    int fd = open(resolved.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FromErrno(errno, Op::Open);
    int rc = fsync(fd) == 0 ? 0 : FromErrno(errno, Op::Write);
    ::close(fd);
    return rc;
}

int DeleteFile(const std::string& name) {
    std::string resolved;
    if (int rc = ResolvePath(name, &resolved)) return rc;
    return unlink(resolved.c_str()) == 0 ? 0 : FromErrno(errno, Op::Other);
}

std::string ProgramFolder() {
    if (const char* dir = std::getenv("VELMORA_PROGRAM_DIR"); dir && *dir) return AbsolutePath(dir);
    char buf[kMaxPath + 1];
    ssize_t n = readlink("/proc/self/exe", buf, kMaxPath);
    if (n <= 0) return AbsolutePath(".");
    return Parent(std::string(buf, static_cast<size_t>(n)));
}

std::string ConfigFolder() {
    if (const char* dir = std::getenv("VELMORA_CONFIG_DIR"); dir && *dir) return AbsolutePath(dir);
    return "/etc";
}

std::vector<std::pair<std::string, std::string>> ReadIniSection(const std::string& file, std::string_view section) {
    std::vector<std::pair<std::string, std::string>> result;
    std::string resolved;
    if (ResolvePath(file, &resolved) != 0) return result;
    std::ifstream in(resolved, std::ios::binary);
    if (!in) return result;
    auto trim = [](std::string s) {
        size_t b = s.find_first_not_of(" \t\r\n");
        size_t e = s.find_last_not_of(" \t\r\n");
        return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    };
    bool inSection = false;
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            inSection = close != std::string::npos && EqualFolded(trim(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        size_t eq = line.find('=');
        std::string key = trim(line.substr(0, eq));
        std::string value = eq == std::string::npos ? std::string() : trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (!key.empty()) result.emplace_back(key, value);
    }
    return result;
}

// --- last error, time ---------------------------------------------------------------------------------------------

int LastError() { return gLastError; }
void SetLastError(int code) { gLastError = code; }

LocalTime Now() {
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local {};
    localtime_r(&ts.tv_sec, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min, local.tm_sec, static_cast<int>(ts.tv_nsec / 1000000)};
}

void Sleep(int milliseconds) {
    if (milliseconds <= 0) return;
    timespec ts {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {}
}

// --- locale settings -------------------------------------------------------------------------------------------

namespace {
LocaleSettings FromEnvironment() {
    LocaleSettings s;
    if (const char* v = std::getenv("VELMORA_SHORT_DATE"); v && *v) s.shortDateFormat = v;
    if (const char* v = std::getenv("VELMORA_DATE_SEPARATOR"); v && *v) s.dateSeparator = v[0];
    if (const char* v = std::getenv("VELMORA_DECIMAL_SEPARATOR"); v && *v) s.decimalSeparator = v[0];
    if (const char* v = std::getenv("VELMORA_CENTURY_PIVOT"); v && *v) {
        int pivot = std::atoi(v);
        if (pivot >= 100 && pivot <= 9900) s.centuryPivot = pivot;
    }
    if (const char* v = std::getenv("VELMORA_OEM_CODEPAGE"); v && std::strcmp(v, "850") == 0) s.oemCodePage = 850;
    return s;
}

LocaleSettings& Settings() {
    static LocaleSettings settings = FromEnvironment();
    return settings;
}
}  // namespace

const LocaleSettings& Locale() { return Settings(); }
void SetLocale(const LocaleSettings& settings) { Settings() = settings; }

// --- processes -------------------------------------------------------------------------------------------------

int Execute(const std::string& commandLine, int /*showWindow*/) {
    // Words separated by blanks; double quotes group a word with blanks in it.
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    if (words.empty()) return 2;
    std::string program = words[0];
    if (program.find_first_of("/\\") != std::string::npos) {
        std::string resolved;
        if (ResolvePath(AbsolutePath(program), &resolved) == 0) program = resolved;
    }
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (size_t i = 1; i < words.size(); ++i) argv.push_back(words[i].data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) return FromErrno(rc, Op::Open);
    return 33;
}

}  // namespace os
