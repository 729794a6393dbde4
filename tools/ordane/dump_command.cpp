// ordane dump TABLE: the visible records, one JSON object per line or as CSV.
#include <cstdio>

#include "engine/storage/dbf_fields.h"
#include "engine/storage/os_services.h"
#include "tools/ordane/command.h"
#include "tools/ordane/csv.h"
#include "tools/ordane/field_text.h"

namespace ordane {
namespace {

class DumpCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "dump", "Show the records of a table");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_flag("--deleted", deleted_, "Show deleted records too");
        sub_->add_flag("--raw", raw_, "Show every value as the hex of its stored bytes");
        sub_->add_option("--format", format_, "Output format")->check(CLI::IsMember({"jsonl", "csv"}))
            ->capture_default_str();
    }

    int Run() override {
        std::unique_ptr<DVO_dBaseFld> t = OpenTable(table_, false);
        const auto& fields = t->Fields();
        const bool csv = format_ == "csv";
        if (csv) {
            std::string header;
            for (size_t i = 0; i < fields.size(); ++i)
                header += (i ? "," : "") + CsvQuote(os::ToUtf8(fields[i].name, codePage_));
            std::printf("%s\r\n", header.c_str());
        }
        for (t->GetRecord(-3); !t->Eof(); t->GetRecord(-1)) {
            if (t->IsDeleted() && !deleted_) continue;
            if (csv) {
                std::string line;
                for (size_t i = 0; i < fields.size(); ++i)
                    line += (i ? "," : "") + CsvQuote(CsvText(FieldValue(*t, fields[i], codePage_, raw_)));
                std::printf("%s\r\n", line.c_str());
                continue;
            }
            Json record;
            record["recno"] = t->CurrentRecord();
            record["deleted"] = t->IsDeleted();
            Json values = Json::object();
            for (const TdvFieldDesc& f : fields) values[os::ToUtf8(f.name, codePage_)] = FieldValue(*t, f, codePage_, raw_);
            record["fields"] = values;
            std::printf("%s\n", record.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
        }
        return kExitOk;
    }

private:
    std::string table_;
    bool deleted_ = false;
    bool raw_ = false;
    std::string format_ = "jsonl";
};

}  // namespace

std::unique_ptr<Command> MakeDumpCommand() { return std::make_unique<DumpCommand>(); }

}  // namespace ordane
