// ordane verify TABLE --index FILE...: checks every tag against the table, reading its pages from disk.
//
// For each tag: the walk is in key order (and, for unique tags, free of equal keys), names only records that
// exist, and names each at most once; every record that qualifies (its FOR condition holds) has its own key
// in the tag, or for a unique tag an equal key; and the tag holds no more entries than qualifying records.
#include <cstdio>
#include <vector>

#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "tools/ordane/command.h"
#include "tools/ordane/field_text.h"

namespace ordane {
namespace {

constexpr size_t kMaxProblems = 20;  // more are counted, not listed

class VerifyCommand : public Command {
public:
    void Configure(CLI::App& app) override {
        AddSubcommand(app, "verify", "Check index files against their table");
        sub_->add_option("TABLE", table_, "The table file")->required();
        sub_->add_option("--index", indexes_, "An index file to check (repeatable)");
    }

    int Run() override {
        std::unique_ptr<ToolTable> t = OpenTable(table_, false);
        t->OpenIndexes(indexes_);
        t->useDeleted = true;
        bool anyProblem = false;
        for (int32_t n = 1; DVobjIndexTag* tag = t->TagByNumber(n); ++n) {
            Check check;
            try {
                CheckTag(*t, *tag, check);
            } catch (const std::exception& e) {
                check.Add(std::string("the tag cannot be read: ") + e.what());
            }
            Json result;
            result["tag"] = tag->Name();
            result["keys"] = check.keys;
            result["ok"] = check.count == 0;
            result["problems"] = check.problems;
            if (check.count > check.problems.size()) result["more_problems"] = check.count - check.problems.size();
            std::printf("%s\n", result.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
            anyProblem = anyProblem || check.count > 0;
        }
        return anyProblem ? kExitProblem : kExitOk;
    }

private:
    struct Check {
        int64_t keys = 0;
        size_t count = 0;
        Json problems = Json::array();
        void Add(const std::string& problem) {
            if (count++ < kMaxProblems) problems.push_back(problem);
        }
    };

    void CheckTag(ToolTable& t, DVobjIndexTag& tag, Check& check) {
        const int32_t records = t.RecordCount();
        // The walk: key order, record numbers that exist, each once.
        std::vector<uint8_t> seen(static_cast<size_t>(records) + 1, 0);
        t.SelectOrder("", false);
        tag.ResetCursor(2);
        DVobjIndexKeyData previous;
        t.progress.Start("verify " + tag.Name(), 2 * static_cast<int64_t>(records));
        for (int32_t r = tag.Navigate(recreq::kFirst); r != 0 && !tag.Eof(); r = tag.Navigate(recreq::kNext)) {
            t.progress.Step(++check.keys);
            const DVobjIndexKeyData& key = tag.CurrentKey();
            if (r < 1 || r > records) {
                check.Add("entry " + std::to_string(check.keys) + " names record " + std::to_string(r) +
                          ", which does not exist");
            } else if (seen[static_cast<size_t>(r)]++) {
                check.Add("record " + std::to_string(r) + " has more than one entry");
            }
            if (check.keys > 1) {
                const int order = tag.CompareKeys(previous, key, -1);
                if (order > 0) check.Add("entry " + std::to_string(check.keys) + " (record " + std::to_string(r) +
                                         ") is out of key order");
                if (order == 0 && tag.Unique())
                    check.Add("unique tag holds the key of record " + std::to_string(r) + " twice");
            }
            previous.CopyFrom(key);
            if (check.keys > static_cast<int64_t>(records) + 1) {
                check.Add("the walk does not end: more entries than records");
                break;
            }
        }
        // Every qualifying record is found at its own key.
        int64_t qualifying = 0;
        DVobjIndexKeyData key(256);
        for (int32_t r = 1; r <= records; ++r) {
            t.progress.Step(records + r);
            t.DVO_dBaseFld::GetRecord(r);
            if (!tag.ForExpression().empty() && !tag.EvaluateFor()) continue;
            ++qualifying;
            bool ok = true;
            if (!tag.EvaluateKey(key, ok) || !ok) {
                check.Add("the key of record " + std::to_string(r) + " cannot be evaluated");
                continue;
            }
            tag.ConvertKey(key, true);
            key.Target = r;
            if (tag.SeekNoMove(key) == r) continue;
            key.Target = -1;
            if (tag.Unique() && tag.SeekNoMove(key) > 0) continue;  // an equal key stands for it
            check.Add("record " + std::to_string(r) + " is not found at its key");
        }
        t.progress.Finish();
        if (tag.Unique() ? check.keys > qualifying : check.keys != qualifying)
            check.Add("the tag holds " + std::to_string(check.keys) + " entries for " + std::to_string(qualifying) +
                      " qualifying records");
    }

    std::string table_;
    std::vector<std::string> indexes_;
};

}  // namespace

std::unique_ptr<Command> MakeVerifyCommand() { return std::make_unique<VerifyCommand>(); }

}  // namespace ordane
