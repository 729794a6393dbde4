// ordane import TABLE --from FILE.csv|FILE.jsonl: appends records to a table.
#include <cstdio>
#include <fstream>
#include <map>

#include "engine/storage/dbf_fields.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "tools/ordane/command.h"
#include "tools/ordane/csv.h"
#include "tools/ordane/field_text.h"

namespace ordane {
namespace {

class ImportCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "import", "Append records from a CSV or JSON Lines file");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to keep in step (repeatable)");
        sub_->add_option("--from", from_, "The records: a .csv file with a header row, or a .jsonl file")
            ->required()
            ->check(CLI::ExistingFile);
    }

    int Run() override {
        std::ifstream in(from_, std::ios::binary);
        if (!in) throw UsageError("cannot read " + from_);
        table_ptr_ = OpenTable(table_, true);
        table_ptr_->OpenIndexes(indexes_);
        DVO_dBaseFld& t = *table_ptr_;
        const std::string lower = os::LowerCase(from_);
        long count = 0;
        if (lower.ends_with(".csv")) {
            CsvReader reader(in);
            std::vector<std::string> header, row;
            if (!reader.Next(header)) return kExitOk;
            std::vector<const TdvFieldDesc*> targets;
            for (const std::string& name : header) {
                int32_t n = t.FieldNumber(ToTable(name));
                if (n == 0) throw UsageError("the table has no field " + name);
                targets.push_back(&t.Fields()[static_cast<size_t>(n - 1)]);
            }
            while (reader.Next(row)) {
                if (row.size() == 1 && row[0].empty()) continue;  // a blank line
                if (row.size() != header.size())
                    throw UsageError("CSV line " + std::to_string(reader.Line()) + " has " +
                                     std::to_string(row.size()) + " values for " + std::to_string(header.size()) +
                                     " fields");
                t.BlankRecord();
                for (size_t i = 0; i < row.size(); ++i) StoreValue(t, *targets[i], Json(row[i]), codePage_);
                Append(false);
                ++count;
            }
        } else if (lower.ends_with(".jsonl") || lower.ends_with(".json")) {
            std::string line;
            int lineNumber = 0;
            while (std::getline(in, line)) {
                ++lineNumber;
                if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
                Json record = Json::parse(line, nullptr, false);
                if (record.is_discarded() || !record.is_object())
                    throw UsageError("line " + std::to_string(lineNumber) + " is not a JSON object");
                // Takes dump's own lines ({"recno", "deleted", "fields"}) as well as plain objects of fields.
                const Json& values = record.contains("fields") ? record["fields"] : record;
                t.BlankRecord();
                for (auto it = values.begin(); it != values.end(); ++it) {
                    int32_t n = t.FieldNumber(ToTable(it.key()));
                    if (n == 0) throw UsageError("the table has no field " + it.key());
                    StoreValue(t, t.Fields()[static_cast<size_t>(n - 1)], it.value(), codePage_);
                }
                Append(record.value("deleted", false));
                ++count;
            }
        } else {
            throw UsageError("--from takes a .csv or .jsonl file");
        }
        std::fprintf(stderr, "%ld records imported\n", count);
        return kExitOk;
    }

private:
    // Appends the record buffer. Other processes may be appending to the same table: a refused append lock
    // writes nothing, so the append is tried again for a while, as memo and index locks are.
    void Append(bool deleted) {
        DVO_dBaseFld& t = *table_ptr_;
        for (int attempt = 1;; ++attempt) {
            try {
                t.AppendRecord();
                break;
            } catch (const EOrdaneError& e) {
                if (e.Code() != 33 || attempt >= kAppendAttempts) throw;
                os::Sleep(kAppendRetryMilliseconds);
            }
        }
        if (deleted) t.DeleteRecord();
    }

    static constexpr int kAppendAttempts = 200;
    static constexpr int kAppendRetryMilliseconds = 25;

    std::string table_;
    std::vector<std::string> indexes_;
    std::string from_;
    std::unique_ptr<ToolTable> table_ptr_;
};

}  // namespace

std::unique_ptr<Command> MakeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace ordane
