// ordane rekey TABLE [--index FILE]...: the table, its memo and the named index files under a new password.
#include "tools/ordane/command.h"

namespace ordane {
namespace {

class RekeyCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "rekey",
                      "Encrypt a table (memo and named indexes too) under a new password; an empty one decrypts it");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to keep readable under the new password (repeatable)");
        newPassword_.Declare(*sub_, newPasswordText_);
    }

    int Run() override {
        const std::string newPassword = newPassword_.Value();
        // Re-encryption rewrites every record: no other process may have the files open meanwhile.
        ToolTable t(table_, Password(), true, false);
        t.OpenIndexes(indexes_);
        t.ChangePassword(newPassword);
        return kExitOk;
    }

private:
    std::string table_;
    std::vector<std::string> indexes_;
    std::string newPasswordText_;
    PasswordOption newPassword_{"new-password", "ORDANE_NEW_PASSWORD", "to encrypt with (empty: none)"};
};

}  // namespace

std::unique_ptr<Command> MakeRekeyCommand() { return std::make_unique<RekeyCommand>(); }

}  // namespace ordane
