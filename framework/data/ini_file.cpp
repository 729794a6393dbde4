#include "framework/data/ini_file.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "framework/data/db_error.h"
#include "framework/data/strings.h"

namespace {

// The section name of a "[name]" line, or false for any other line.
bool SectionOf(const std::string& line, std::string* name) {
    std::string t = TrimSpace(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    *name = TrimSpace(t.substr(1, t.size() - 2));
    return true;
}

// The key and value of a "key=value" line, or false for comments and other lines.
bool PairOf(const std::string& line, std::string* key, std::string* value) {
    std::string t = TrimSpace(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    *key = TrimSpace(t.substr(0, eq));
    *value = TrimSpace(t.substr(eq + 1));
    return !key->empty();
}

// Line range [first, end) of the body of a section (after its header); first = -1 when absent.
struct Range {
    int header = -1;
    int end = -1;
};

Range FindSection(const std::vector<std::string>& lines, const std::string& section) {
    Range r;
    std::string name;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        if (!SectionOf(lines[static_cast<size_t>(i)], &name)) continue;
        if (r.header >= 0) {
            r.end = i;
            return r;
        }
        if (SameText(name, section)) r.header = i;
    }
    if (r.header >= 0) r.end = static_cast<int>(lines.size());
    return r;
}

}  // namespace

std::vector<std::string> TIniFile::Load() const {
    std::vector<std::string> lines;
    std::ifstream in(fileName_, std::ios::binary);
    if (!in) return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void TIniFile::Save(const std::vector<std::string>& lines) const {
    // Written beside the target and renamed over it, so a failed write never leaves half a file.
    std::string temp = fileName_ + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw EIniFileException(FormatMessage("Unable to write to %s", fileName_));
        for (const std::string& line : lines) out << line << "\r\n";
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw EIniFileException(FormatMessage("Unable to write to %s", fileName_));
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, fileName_, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        throw EIniFileException(FormatMessage("Unable to write to %s", fileName_));
    }
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionPairs(const std::string& section) const {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::vector<std::string> lines = Load();
    Range r = FindSection(lines, section);
    if (r.header < 0) return pairs;
    std::string key, value;
    for (int i = r.header + 1; i < r.end; ++i)
        if (PairOf(lines[static_cast<size_t>(i)], &key, &value)) pairs.emplace_back(key, value);
    return pairs;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    for (const auto& [k, v] : ReadSectionPairs(section))
        if (SameText(k, key)) return v;
    return defaultValue;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const {
    std::string text = ReadString(section, key, "");
    if (text.empty()) return defaultValue;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return defaultValue;
    return static_cast<int>(v);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const {
    std::string text = ReadString(section, key, "");
    if (text == "1") return true;
    if (text == "0") return false;
    return defaultValue;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::vector<std::string> lines = Load();
    Range r = FindSection(lines, section);
    std::string line = TrimSpace(key) + "=" + value;
    if (r.header < 0) {
        if (!lines.empty() && !TrimSpace(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(line);
        Save(lines);
        return;
    }
    std::string k, v;
    int insertAt = r.end;
    for (int i = r.header + 1; i < r.end; ++i) {
        if (PairOf(lines[static_cast<size_t>(i)], &k, &v)) {
            if (SameText(k, key)) {
                lines[static_cast<size_t>(i)] = line;
                Save(lines);
                return;
            }
            insertAt = i + 1;
        }
    }
    if (insertAt == r.end) {
        // Keep blank lines that separate this section from the next one after the new pair.
        insertAt = r.header + 1;
        for (int i = r.header + 1; i < r.end; ++i)
            if (!TrimSpace(lines[static_cast<size_t>(i)]).empty()) insertAt = i + 1;
    }
    lines.insert(lines.begin() + insertAt, line);
    Save(lines);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::ReadSection(const std::string& section, TStrings& keys) const {
    keys.BeginUpdate();
    try {
        keys.Clear();
        for (const auto& pair : ReadSectionPairs(section)) keys.Add(pair.first);
    } catch (...) {
        keys.EndUpdate();
        throw;
    }
    keys.EndUpdate();
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings& values) const {
    values.BeginUpdate();
    try {
        values.Clear();
        for (const auto& [k, v] : ReadSectionPairs(section)) values.Add(k + "=" + v);
    } catch (...) {
        values.EndUpdate();
        throw;
    }
    values.EndUpdate();
}

void TIniFile::ReadSections(TStrings& sections) const {
    sections.BeginUpdate();
    try {
        sections.Clear();
        std::string name;
        for (const std::string& line : Load())
            if (SectionOf(line, &name)) sections.Add(name);
    } catch (...) {
        sections.EndUpdate();
        throw;
    }
    sections.EndUpdate();
}

bool TIniFile::SectionExists(const std::string& section) const { return FindSection(Load(), section).header >= 0; }

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    for (const auto& pair : ReadSectionPairs(section))
        if (SameText(pair.first, key)) return true;
    return false;
}

void TIniFile::EraseSection(const std::string& section) {
    std::vector<std::string> lines = Load();
    Range r = FindSection(lines, section);
    if (r.header < 0) return;
    lines.erase(lines.begin() + r.header, lines.begin() + r.end);
    Save(lines);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    std::vector<std::string> lines = Load();
    Range r = FindSection(lines, section);
    if (r.header < 0) return;
    std::string k, v;
    for (int i = r.header + 1; i < r.end; ++i) {
        if (PairOf(lines[static_cast<size_t>(i)], &k, &v) && SameText(k, key)) {
            lines.erase(lines.begin() + i);
            Save(lines);
            return;
        }
    }
}
