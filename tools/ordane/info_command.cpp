// ordane info TABLE: the table's header facts and fields as one JSON object.
#include <cstdio>

#include "engine/storage/dbf_fields.h"
#include "engine/storage/os_services.h"
#include "tools/ordane/command.h"
#include "tools/ordane/field_text.h"

namespace ordane {
namespace {

class InfoCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "info", "Show a table's header and fields as JSON");
        sub_->add_option("TABLE", table_, "The table file")->required();
    }

    int Run() override {
        std::unique_ptr<ToolTable> t = OpenTable(table_, false);
        std::string resolved;
        os::ResolvePath(t->OsName(), &resolved);
        Json info;
        info["file"] = resolved.substr(resolved.find_last_of('/') + 1);
        info["version"] = t->Version();
        info["header_length"] = t->HeaderLength();
        info["record_length"] = t->RecordLength();
        info["record_count"] = t->RecordCount();
        info["encrypted"] = t->IsEncrypted();
        if (!t->HasMemo()) {
            info["memo"] = nullptr;
        } else {
            info["memo"] = t->Version() == 0x83 ? "dbt3" : t->Version() == 0x8B ? "dbt4" : "fpt";
        }
        Json fields = Json::array();
        for (const TdvFieldDesc& f : t->Fields()) {
            Json field;
            field["name"] = os::ToUtf8(f.name, codePage_);
            field["type"] = std::string(1, f.type);
            field["length"] = f.length;
            field["decimals"] = f.decimals;
            fields.push_back(field);
        }
        info["fields"] = fields;
        std::printf("%s\n", info.dump().c_str());
        return kExitOk;
    }

private:
    std::string table_;
};

}  // namespace

std::unique_ptr<Command> MakeInfoCommand() { return std::make_unique<InfoCommand>(); }

}  // namespace ordane
