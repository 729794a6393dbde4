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

int main(int argc, char** argv) {
    StartExpressionEngine();
    CLI::App app{"ordane: read, check and write xBase tables, memo files and indexes"};
    app.set_version_flag("--version", std::string("ordane ") + VELMORA_VERSION);
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
            std::fprintf(stderr, "%s\n", e.what());
            return ordane::kExitEngine;
        }
    }
    return ordane::kExitUsage;
}
