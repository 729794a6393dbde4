// ordane pack and ordane zap: the table, its memo file and the named index files rewritten as a new set that
// replaces the old one in one step (see table_packer.h); both open the table without sharing.
#include <cstdio>

#include "tools/ordane/edit_commands.h"
#include "tools/ordane/field_text.h"
#include "tools/ordane/table_packer.h"

namespace ordane {
namespace {

class WholeTableCommand : public Command {
public:
    WholeTableCommand(const char* name, const char* description, bool keepNone)
        : name_(name), description_(description), keepNone_(keepNone) {}

    void Configure(CLI::App& app) override {
        AddSubcommand(app, name_, description_);
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to rebuild (repeatable)");
    }

    int Run() override {
        exclusive_ = true;
        std::unique_ptr<ToolTable> t = OpenTable(table_, true);
        t->OpenIndexes(indexes_);
        const TablePacker::Counts counts = TablePacker(*t, password_).Run(keepNone_);
        Json result;
        if (!keepNone_) result["kept"] = counts.kept;
        result["removed"] = counts.removed;
        std::printf("%s\n", result.dump().c_str());
        return kExitOk;
    }

private:
    const char* name_;
    const char* description_;
    bool keepNone_;  // zap: no record stays
    std::string table_;
    std::vector<std::string> indexes_;
};

}  // namespace

std::unique_ptr<Command> MakePackCommand() {
    return std::make_unique<WholeTableCommand>(
        "pack", "Remove the deleted records, compact the memo file and rebuild the named indexes", false);
}

std::unique_ptr<Command> MakeZapCommand() {
    return std::make_unique<WholeTableCommand>(
        "zap", "Remove every record and empty the memo file and the named indexes", true);
}

}  // namespace ordane
