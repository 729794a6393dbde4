// TRegIniFile: the store for settings that the classic framework kept under a registry key, kept here as an INI
// file: the key path ("Software\Velmora\Layouts") becomes the file Software/Velmora/Layouts.ini under the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config) in its subfolder velmora. Sections are the key's
// sub-keys, each holding ordered name/value strings. A file that cannot be read, or that is not text in INI form
// (NUL bytes, an over-long line), reads as empty (every read gives its default) and LastError says why; writes
// raise EIniFileException when the file cannot be written.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/data/ini_file.h"
#include "framework/data/strings.h"

class TRegIniFile {
public:
    // REQUIRES: keyPath names no parent folder ("..") and is not absolute.
    explicit TRegIniFile(const std::string& keyPath);

    // The INI file behind the key.
    const std::string& FileName() const { return fileName_; }
    // The folder every key lives under: $XDG_CONFIG_HOME/velmora, else $HOME/.config/velmora.
    static std::string ConfigFolder();

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& ident, int def) const;
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;
    // The pairs of a section in stored order (empty when the file is unreadable or malformed).
    std::vector<std::pair<std::string, std::string>> ReadSectionPairs(const std::string& section) const;
    void ReadSection(const std::string& section, TStrings& idents) const;
    void ReadSectionValues(const std::string& section, TStrings& values) const;
    bool SectionExists(const std::string& section) const;

    // Creates the folders on the way as needed.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);

    // Why the last read found the file unusable; empty when it was fine or absent.
    const std::string& LastError() const { return lastError_; }

private:
    // Whether the file may be read as INI text; sets lastError_.
    bool Usable() const;
    void PrepareWrite();

    std::string fileName_;
    TIniFile ini_;
    mutable std::string lastError_;
};
