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

// A password the user gives as --NAME TEXT, as --NAME-file FILE (the file's first line), or in an environment
// variable; the last two keep it out of the process list.
class PasswordOption {
public:
    // name: "password"; variable: "ORDANE_PASSWORD"; what: "of an encrypted table".
    PasswordOption(std::string name, std::string variable, std::string what);
    // Declares --NAME (bound to text) and --NAME-file on sub.
    void Declare(CLI::App& sub, std::string& text);
    // The text of --NAME, else the file's first line, else the variable, else empty. UsageError for --NAME and
    // --NAME-file together, or a file that cannot be read.
    std::string Value() const;

private:
    std::string name_, variable_, what_;
    const CLI::Option* option_ = nullptr;  // --NAME, to tell an empty text from none
    const std::string* text_ = nullptr;    // its value
    std::string file_;                     // --NAME-file
};

class Command {
public:
    virtual ~Command() = default;
    // Declares the subcommand and its options on app.
    virtual void Configure(CLI::App& app) = 0;
    // Runs the command once the options are parsed; answers the exit code.
    virtual int Run() = 0;
    CLI::App* Subcommand() const { return sub_; }
    // An engine message with each file name the engine made absolute and upper case shown as the user typed it.
    std::string ShowTypedNames(std::string message) const;

protected:
    // Adds the subcommand with the options every command shares (--codepage, --password, --password-file,
    // --exclusive).
    CLI::App* AddSubcommand(CLI::App& app, const std::string& name, const std::string& description);
    // Opens a table as the shared options say: shared unless --exclusive, with Password().
    std::unique_ptr<ToolTable> OpenTable(const std::string& name, bool readWrite) const;
    // The table's password as the user gave it (see PasswordOption).
    std::string Password() const { return passwordOption_.Value(); }
    // What the user typed (UTF-8) in the table's code page; TextError for a character the page lacks.
    std::string ToTable(const std::string& utf8) const;

    CLI::App* sub_ = nullptr;
    int codePage_ = 437;      // code page of the table's text
    std::string password_;    // --password as typed; Password() also reads the file and the environment
    bool exclusive_ = false;  // open without sharing

private:
    PasswordOption passwordOption_{"password", "ORDANE_PASSWORD", "of an encrypted table"};
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
std::unique_ptr<Command> MakeRekeyCommand();
// Every command of the tool, in the order --help lists them.
std::vector<std::unique_ptr<Command>> AllCommands();

}  // namespace ordane
