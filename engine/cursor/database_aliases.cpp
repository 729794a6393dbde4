#include "engine/cursor/database_aliases.h"

#include <memory>

#include "engine/storage/os_services.h"

namespace {

constexpr const char* kDefaultDirectory = "Default Directory";
constexpr const char* kConfigurationName = "ordane.cfg";

std::unique_ptr<TStringList>& AliasSlot() {
    static std::unique_ptr<TStringList> aliases;
    return aliases;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string WithSeparator(std::string directory) {
    if (!directory.empty() && !IsSeparator(directory.back())) directory += '/';
    return directory;
}

}  // namespace

TStringList& DatabaseAliases() {
    if (!AliasSlot()) StartDatabaseAliases();
    return *AliasSlot();
}

void StartDatabaseAliases() {
    auto aliases = std::make_unique<TStringList>();
    aliases->Add(kDefaultDirectory);
    ReadAliasConfiguration(*aliases, AliasConfigurationFile());
    AliasSlot() = std::move(aliases);
}

void StopDatabaseAliases() { AliasSlot().reset(); }

std::string AliasConfigurationFile() { return WithSeparator(os::ConfigFolder()) + kConfigurationName; }

void ReadAliasConfiguration(TStrings& aliases, const std::string& fileName) {
    for (const auto& [key, value] : os::ReadIniSection(fileName, "Alias"))
        if (!value.empty()) aliases.SetValue(key, value);
    for (int i = 1; i < aliases.Count(); ++i) aliases.Put(i, os::UpperCase(aliases.Get(i)));
}

bool IsDefaultDirectory(const std::string& name) {
    return os::UpperCase(name) == os::UpperCase(kDefaultDirectory);
}

std::string StoredDatabaseName(const std::string& value) {
    if (IsDefaultDirectory(value)) return value;
    std::string name = os::UpperCase(value);
    // A lone separator names the root and keeps it.
    if (name.size() > 1 && IsSeparator(name.back())) name.pop_back();
    if (!name.empty()) {
        TStringList& aliases = DatabaseAliases();
        if (aliases.Values(name).empty()) aliases.Add(name + "=" + name);
    }
    return name;
}

std::string DatabaseDirectory(const std::string& databaseName) {
    if (IsDefaultDirectory(databaseName)) return WithSeparator(os::ProgramFolder());
    std::string directory = databaseName.empty() ? std::string() : DatabaseAliases().Values(os::UpperCase(databaseName));
    if (directory.empty()) directory = databaseName;
    return WithSeparator(directory);
}
