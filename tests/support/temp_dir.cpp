#include "temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string FixturesDir() {
    if (const char* dir = std::getenv("VELMORA_FIXTURES_DIR"); dir && *dir) return dir;
    return VELMORA_FIXTURES_DIR;
}

bool FixturesAvailable() { return fs::is_directory(FixturesDir() + "/peer"); }

std::string FixturePath(const std::string& relative) { return FixturesDir() + "/" + relative; }

std::string TempDir::CopyFixture(const std::string& relative, const std::string& as) const {
    fs::path source = FixturePath(relative);
    fs::path target = fs::path(path_) / (as.empty() ? source.filename().string() : as);
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return target.string();
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string RunCommand(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        *status = -1;
        return output;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
    int rc = pclose(pipe);
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}
