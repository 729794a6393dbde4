#include "tools/ordane/command.h"
#include "tools/ordane/edit_commands.h"


namespace ordane {

CLI::App* Command::AddSubcommand(CLI::App& app, const std::string& name, const std::string& description) {
    sub_ = app.add_subcommand(name, description);
    sub_->add_option("--codepage", codePage_, "Code page of the table's text")
        ->check(CLI::IsMember({437, 850, 1252}))
        ->capture_default_str();
    sub_->add_option("--password", password_, "Password of an encrypted table");
    sub_->add_flag("--exclusive", exclusive_, "Open the files without sharing");
    return sub_;
}

std::unique_ptr<ToolTable> Command::OpenTable(const std::string& name, bool readWrite) const {
    return std::make_unique<ToolTable>(name, password_, readWrite, !exclusive_);
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
    commands.push_back(MakeDeleteCommand());
    commands.push_back(MakeRecallCommand());
    commands.push_back(MakeReplaceCommand());
    commands.push_back(MakePackCommand());
    commands.push_back(MakeZapCommand());
    return commands;
}

}  // namespace ordane
