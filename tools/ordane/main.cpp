// ordane: a command-line tool over the engine for the people who keep xBase files.
#include <cstdio>
#include <exception>
#include <memory>

#include "engine/expr/table_bindings.h"
#include "engine/storage/errors.h"
#include "tools/ordane/command.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0.1.0"
#endif

namespace {

constexpr const char* kFooter = R"help(
Exit codes: 0 success; 1 an error of the files or the engine (message on standard error); 2 a usage error;
3 verify found a problem.

Text on the command line and in imported files is UTF-8; --codepage names the table's code page (437 unless
given). A password can come from --password, --password-file FILE or the variable ORDANE_PASSWORD.

Examples:
  ordane create people.dbf --version 0x03 --fields "NAME C(30); BORN D"
  ordane import people.dbf --from people.csv
  ordane index people.dbf --create name.ndx --key "UPPER(NAME)"
  ordane dump people.dbf --index name.ndx --tag name --filter 'NAME = "Müller"' --format csv
  ordane seek people.dbf --index name.ndx MÜLLER
  ordane verify people.dbf --index name.ndx
  ORDANE_NEW_PASSWORD=secret ordane rekey people.dbf --index name.ndx
)help";

// A message as one line: the engine's reports carry a carriage return before the file name.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    std::string out;
    for (char c : text)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    StartExpressionEngine();
    CLI::App app{"ordane: read, check and write xBase tables, memo files and indexes"};
    app.set_version_flag("--version", std::string("ordane ") + VELMORA_VERSION);
    app.footer(kFooter);
    app.require_subcommand(1);
    std::vector<std::unique_ptr<ordane::Command>> commands = ordane::AllCommands();
    for (auto& command : commands) command->Configure(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? ordane::kExitOk : ordane::kExitUsage;
    }
    for (auto& command : commands) {
        if (!command->Subcommand()->parsed()) continue;
        try {
            return command->Run();
        } catch (const ordane::UsageError& e) {
            std::fprintf(stderr, "ordane: %s\n", e.what());
            return ordane::kExitUsage;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "ordane: %s\n", OneLine(command->ShowTypedNames(e.what())).c_str());
            return ordane::kExitEngine;
        }
    }
    return ordane::kExitUsage;
}
