#include "framework/window/reg_ini_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxLine = 64 * 1024;          // longer lines are no INI text
constexpr uintmax_t kMaxFile = 16 * 1024 * 1024; // nor are larger files

std::string KeyToFile(const std::string& keyPath) {
    std::string path;
    std::string part;
    auto flush = [&] {
        if (part.empty()) return;
        if (part == "." || part == "..") throw EIniFileException("Invalid registry key path: " + keyPath);
        if (!path.empty()) path += '/';
        path += part;
        part.clear();
    };
    for (char c : keyPath) {
        if (c == '\\' || c == '/') {
            flush();
        } else {
            part += c;
        }
    }
    flush();
    if (path.empty()) throw EIniFileException("Empty registry key path");
    return (fs::path(TRegIniFile::ConfigFolder()) / (path + ".ini")).string();
}

}  // namespace

std::string TRegIniFile::ConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg && fs::path(xdg).is_absolute()) return (fs::path(xdg) / "velmora").string();
    const char* home = std::getenv("HOME");
    return (fs::path(home && *home ? home : ".") / ".config" / "velmora").string();
}

TRegIniFile::TRegIniFile(const std::string& keyPath) : fileName_(KeyToFile(keyPath)), ini_(fileName_) {}

bool TRegIniFile::Usable() const {
    lastError_.clear();
    std::error_code ec;
    if (!fs::exists(fileName_, ec)) return false;
    if (!fs::is_regular_file(fileName_, ec)) {
        lastError_ = fileName_ + " is not a file";
        return false;
    }
    if (fs::file_size(fileName_, ec) > kMaxFile) {
        lastError_ = fileName_ + " is too large for a settings file";
        return false;
    }
    std::ifstream in(fileName_, std::ios::binary);
    if (!in) {
        lastError_ = "Cannot read " + fileName_;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.size() > kMaxLine || line.find('\0') != std::string::npos) {
            lastError_ = fileName_ + " line " + std::to_string(number) + ": not INI text";
            return false;
        }
    }
    if (in.bad()) {
        lastError_ = "Cannot read " + fileName_;
        return false;
    }
    return true;
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& def) const {
    return Usable() ? ini_.ReadString(section, ident, def) : def;
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) const {
    return Usable() ? ini_.ReadInteger(section, ident, def) : def;
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) const {
    return Usable() ? ini_.ReadBool(section, ident, def) : def;
}

std::vector<std::pair<std::string, std::string>> TRegIniFile::ReadSectionPairs(const std::string& section) const {
    if (!Usable()) return {};
    return ini_.ReadSectionPairs(section);
}

void TRegIniFile::ReadSection(const std::string& section, TStrings& idents) const {
    idents.Clear();
    if (Usable()) ini_.ReadSection(section, idents);
}

void TRegIniFile::ReadSectionValues(const std::string& section, TStrings& values) const {
    values.Clear();
    if (Usable()) ini_.ReadSectionValues(section, values);
}

bool TRegIniFile::SectionExists(const std::string& section) const {
    return Usable() && ini_.SectionExists(section);
}

void TRegIniFile::PrepareWrite() {
    std::error_code ec;
    fs::create_directories(fs::path(fileName_).parent_path(), ec);
    if (ec) throw EIniFileException("Cannot create the folder of " + fileName_ + ": " + ec.message());
    // A malformed file is replaced rather than extended: its content reads as nothing anyway.
    if (fs::exists(fileName_, ec) && !Usable() && fs::is_regular_file(fileName_, ec)) fs::remove(fileName_, ec);
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    PrepareWrite();
    ini_.WriteString(section, ident, value);
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    PrepareWrite();
    ini_.WriteInteger(section, ident, value);
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    PrepareWrite();
    ini_.WriteBool(section, ident, value);
}

void TRegIniFile::EraseSection(const std::string& section) {
    if (!Usable()) return;
    ini_.EraseSection(section);
}

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    if (!Usable()) return;
    ini_.DeleteKey(section, ident);
}
