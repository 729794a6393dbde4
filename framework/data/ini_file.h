// An INI file of sections of ordered key=value lines. Every read loads the file anew and every write or erase
// rewrites it at once, so other readers see changes immediately and nothing is lost when the object goes away.
// Section and key names compare without regard to ASCII case; keys and values are trimmed of blanks. A missing
// file reads as empty; lines that are neither sections nor pairs (comments) are kept as they stand.
#pragma once

#include <string>
#include <vector>

#include "framework/base/exception.h"
#include "framework/data/strings.h"

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // The value as a decimal integer; a missing or non-numeric value gives defaultValue.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // "1"/"0" as written by WriteBool; any other value gives defaultValue.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Sets key=value in section (both created when absent). A failed write raises EIniFileException.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // The keys of a section in file order, into keys (cleared first).
    void ReadSection(const std::string& section, TStrings& keys) const;
    // The key=value lines of a section in file order, into values (cleared first).
    void ReadSectionValues(const std::string& section, TStrings& values) const;
    // The section names in file order.
    void ReadSections(TStrings& sections) const;
    // The pairs of a section in file order.
    std::vector<std::pair<std::string, std::string>> ReadSectionPairs(const std::string& section) const;

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Removes the section with all its lines; nothing happens when it is absent.
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

private:
    std::vector<std::string> Load() const;
    void Save(const std::vector<std::string>& lines) const;

    std::string fileName_;
};
