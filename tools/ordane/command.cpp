#include "tools/ordane/command.h"
#include "tools/ordane/edit_commands.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "engine/cursor/file_names.h"
#include "engine/storage/os_services.h"
#include "tools/ordane/user_text.h"

namespace ordane {

PasswordOption::PasswordOption(std::string name, std::string variable, std::string what)
    : name_(std::move(name)), variable_(std::move(variable)), what_(std::move(what)) {}

void PasswordOption::Declare(CLI::App& sub, std::string& text) {
    text_ = &text;
    option_ = sub.add_option("--" + name_, text,
                             "Password " + what_ + " (visible to other users in the process list: prefer --" +
                                 name_ + "-file or " + variable_ + ")");
    sub.add_option("--" + name_ + "-file", file_, "A file whose first line is the password " + what_);
}

std::string PasswordOption::Value() const {
    const bool typed = option_ && option_->count() > 0;
    if (typed && !file_.empty()) throw UsageError("give --" + name_ + " or --" + name_ + "-file, not both");
    if (typed) return *text_;
    if (!file_.empty()) {
        std::ifstream in(file_, std::ios::binary);
        if (!in) throw UsageError("cannot read the password file " + file_);
        std::string line;
        std::getline(in, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    const char* fromEnvironment = std::getenv(variable_.c_str());
    return fromEnvironment ? fromEnvironment : "";
}

CLI::App* Command::AddSubcommand(CLI::App& app, const std::string& name, const std::string& description) {
    sub_ = app.add_subcommand(name, description);
    sub_->add_option("--codepage", codePage_, "Code page of the table's text")
        ->check(CLI::IsMember({437, 850, 1252}))
        ->capture_default_str();
    passwordOption_.Declare(*sub_, password_);
    sub_->add_flag("--exclusive", exclusive_, "Open the files without sharing");
    return sub_;
}

std::unique_ptr<ToolTable> Command::OpenTable(const std::string& name, bool readWrite) const {
    return std::make_unique<ToolTable>(name, Password(), readWrite, !exclusive_);
}

std::string Command::ToTable(const std::string& utf8) const { return TableText(utf8, codePage_); }

std::string Command::ShowTypedNames(std::string message) const {
    if (!sub_) return message;
    std::vector<std::string> typed;
    for (const CLI::Option* option : sub_->get_options())
        for (const std::string& value : option->results())
            if (!value.empty()) typed.push_back(value);
    // The engine's forms of each name: absolute and upper case; beside a typed table when it has no folder;
    // with the extension the engine adds to a name without one.
    std::vector<std::pair<std::string, std::string>> forms;  // engine form, as typed
    auto add = [&](const std::string& engineName, const std::string& shown) {
        forms.emplace_back(os::UpperCase(engineName), shown);
        if (filename::Extension(shown).empty())
            for (const char* extension : {".DBF", ".NDX"})
                forms.emplace_back(os::UpperCase(engineName) + extension, shown + extension);
    };
    for (const std::string& name : typed) {
        add(os::AbsolutePath(name), name);
        // The table's memo file sits beside it under the same name.
        const std::string extension = filename::Extension(name);
        if (!extension.empty()) {
            const std::string stem = name.substr(0, name.size() - extension.size());
            const bool lower = os::UpperCase(extension) != extension;
            for (const std::string memo : {".DBT", ".FPT"})
                add(os::AbsolutePath(stem + memo), stem + (lower ? os::LowerCase(memo) : memo));
        }
        if (filename::NameStart(name) == 0)
            for (const std::string& other : typed) {
                const std::string folder = os::AbsolutePath(other);
                add(folder.substr(0, filename::NameStart(folder)) + name, name);
            }
    }
    std::stable_sort(forms.begin(), forms.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    std::string out;
    for (size_t i = 0; i < message.size();) {
        bool replaced = false;
        for (const auto& [engineName, shown] : forms) {
            if (engineName.size() > 1 && message.compare(i, engineName.size(), engineName) == 0) {
                out += shown;
                i += engineName.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += message[i++];
    }
    return out;
}

std::vector<std::unique_ptr<Command>> AllCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(MakeInfoCommand());
    commands.push_back(MakeDumpCommand());
    commands.push_back(MakeCreateCommand());
    commands.push_back(MakeImportCommand());
    commands.push_back(MakeKeysCommand());
    commands.push_back(MakeSeekCommand());
    commands.push_back(MakeVerifyCommand());
    commands.push_back(MakeIndexCommand());
    commands.push_back(MakeReindexCommand());
    commands.push_back(MakeRekeyCommand());
    commands.push_back(MakeDeleteCommand());
    commands.push_back(MakeRecallCommand());
    commands.push_back(MakeReplaceCommand());
    commands.push_back(MakePackCommand());
    commands.push_back(MakeZapCommand());
    return commands;
}

}  // namespace ordane
