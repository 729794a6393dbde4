// Test support: a temporary folder that is removed with everything in it, and small file helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Copies a fixture file (relative to the fixtures folder) into this folder; returns the copy's path.
    std::string CopyFixture(const std::string& relative, const std::string& as = "") const;

private:
    std::string path_;
};

// The folder of peer-made and real fixtures (VELMORA_FIXTURES_DIR overrides the configured one).
std::string FixturesDir();
bool FixturesAvailable();
std::string FixturePath(const std::string& relative);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Runs a command through the shell; returns its standard output, and its exit status in *status.
std::string RunCommand(const std::string& command, int* status);
