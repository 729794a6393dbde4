// The commands of the ordane tool. Each command declares its options on its own subcommand and runs over the
// engine's public classes. Exit codes: 0 success, 1 engine error (the engine's message on standard error),
// 2 usage error, 3 a problem found by verify.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "tools/ordane/tool_table.h"


namespace ordane {

constexpr int kExitOk = 0, kExitEngine = 1, kExitUsage = 2, kExitProblem = 3;

// Raised for a usage error found after parsing (exit 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Command {
public:
    virtual ~Command() = default;
    // Declares the subcommand and its options on app.
    virtual void Configure(CLI::App& app) = 0;
    // Runs the command once the options are parsed; answers the exit code.
    virtual int Run() = 0;
    CLI::App* Subcommand() const { return sub_; }

protected:
    // Adds the subcommand with the options every command shares (--codepage, --password, --exclusive).
    CLI::App* AddSubcommand(CLI::App& app, const std::string& name, const std::string& description);
    // Opens a table as the shared options say: shared unless --exclusive.
    std::unique_ptr<ToolTable> OpenTable(const std::string& name, bool readWrite) const;

    CLI::App* sub_ = nullptr;
    int codePage_ = 437;      // code page of the table's text
    std::string password_;    // key of an encrypted table
    bool exclusive_ = false;  // open without sharing
};

std::unique_ptr<Command> MakeInfoCommand();
std::unique_ptr<Command> MakeDumpCommand();
std::unique_ptr<Command> MakeCreateCommand();
std::unique_ptr<Command> MakeImportCommand();
std::unique_ptr<Command> MakeKeysCommand();
std::unique_ptr<Command> MakeSeekCommand();
std::unique_ptr<Command> MakeVerifyCommand();
std::unique_ptr<Command> MakeIndexCommand();
std::unique_ptr<Command> MakeReindexCommand();
// Every command of the tool, in the order --help lists them.
std::vector<std::unique_ptr<Command>> AllCommands();

}  // namespace ordane
