// ordane dump TABLE: the visible records in physical or index order, one JSON object per line or as CSV.
#include <cstdio>

#include "tools/ordane/command.h"
#include "tools/ordane/record_writer.h"
#include "tools/ordane/sql_format.h"

namespace ordane {
namespace {

class DumpCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "dump", "Show the records of a table");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to open (repeatable)");
        sub_->add_option("--tag", tag_, "The index tag that orders the records (physical order without it)");
        sub_->add_option("--filter", filter_, "Show only the records for which this expression is true");
        sub_->add_flag("--deleted", deleted_, "Show deleted records too");
        sub_->add_flag("--raw", raw_, "Show every value as the hex of its stored bytes");
        sub_->add_option("--format", format_, "Output format")->check(CLI::IsMember({"jsonl", "csv", "sql"}))
            ->capture_default_str();
        sub_->add_option("--dialect", dialect_, "SQL dialect of --format sql")
            ->check(CLI::IsMember({"postgres", "sqlite"}))->capture_default_str();
    }

    int Run() override {
        std::unique_ptr<ToolTable> t = OpenTable(table_, false);
        t->useDeleted = deleted_;
        t->OpenIndexes(indexes_);
        t->UseTag(tag_, false);
        if (!filter_.empty()) {
            t->SetFilter(ToTable(filter_), false, false);
            t->SetFilterActive(true);
        }
        t->SetReadAhead(t->MasterTag() == nullptr);
        if (format_ == "sql") {
            if (raw_) throw UsageError("--raw is for --format jsonl and csv");
            return DumpSql(*t, table_, dialect_, codePage_, deleted_);
        }
        RecordWriter writer(*t, codePage_, raw_, format_ == "csv", stdout);
        writer.WriteHeader();
        t->progress.Start("dump", t->RecordCount());
        int64_t shown = 0;
        for (t->GetRecord(recreq::kFirst); !t->Eof(); t->GetRecord(recreq::kNext)) {
            t->progress.Step(++shown);
            writer.WriteRecord();
        }
        t->progress.Finish();
        return kExitOk;
    }

private:
    std::string table_;
    std::vector<std::string> indexes_;
    std::string tag_;
    std::string filter_;
    bool deleted_ = false;
    bool raw_ = false;
    std::string format_ = "jsonl";
    std::string dialect_ = "postgres";
};

}  // namespace

std::unique_ptr<Command> MakeDumpCommand() { return std::make_unique<DumpCommand>(); }

}  // namespace ordane
