// ordane verify TABLE --index FILE...: checks every tag against the table, reading its pages from disk.
//
// For each tag: the walk is in key order (and, for unique tags, free of equal keys), names only records that
// exist, and names each at most once; every record that qualifies (its FOR condition holds) has its own key
// in the tag, or for a unique tag an equal key; and the tag holds no more entries than qualifying records.
// Linear: the expected (key, record) pairs are sorted by the engine's sorter and compared with one walk.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/index/sorter.h"
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

    // Every qualifying record's key, sorted by the engine's sorter into (key, record) order.
    std::unique_ptr<TdvSort> ExpectedKeys(ToolTable& t, DVobjIndexTag& tag, Check& check, int64_t& qualifying) {
        const int32_t records = t.RecordCount();
        auto sort = std::make_unique<TdvSort>(std::min(tag.KeyLength() + 1, TdvSort::kMaxKeyLength), nullptr,
                                              tag.Ascending(), false);
        DVobjIndexKeyData key(256);
        t.SetReadAhead(true);
        for (int32_t r = 1; r <= records; ++r) {
            t.progress.Step(r);
            t.DVO_dBaseFld::GetRecord(r);
            if (!tag.ForExpression().empty() && !tag.EvaluateFor()) continue;
            ++qualifying;
            bool ok = true;
            if (!tag.EvaluateKey(key, ok) || !ok) {
                check.Add("the key of record " + std::to_string(r) + " cannot be evaluated");
                continue;
            }
            tag.ConvertKey(key, true);
            sort->Add(key, r);
        }
        t.SetReadAhead(false);
        return sort;
    }

    // One pass over the tag in key order beside the sorted expected keys, a run of equal keys at a time: the
    // walk is in key order (unique tags: free of equal keys), names records that exist, each once; every
    // qualifying record has its own key in the tag (unique tags: an entry of an equal key), and the tag has
    // no entry the table does not give.
    void CheckTag(ToolTable& t, DVobjIndexTag& tag, Check& check) {
        const int32_t records = t.RecordCount();
        t.SelectOrder("", false);
        t.progress.Start("verify " + tag.Name(), 2 * static_cast<int64_t>(records));
        int64_t qualifying = 0;
        std::unique_ptr<TdvSort> expected = ExpectedKeys(t, tag, check, qualifying);

        std::vector<uint8_t> seen(static_cast<size_t>(records) + 1, 0);
        DVobjIndexKeyData walkKey, expectedKey, nextExpected;
        int32_t nextExpectedRecord = 0;
        bool expectedLeft = expected->Next(nextExpected, nextExpectedRecord);
        std::vector<int32_t> walkRun, expectedRun;
        // Takes the expected run of keys equal to nextExpected.
        auto takeExpectedRun = [&] {
            expectedRun.clear();
            expectedKey.CopyFrom(nextExpected);
            while (expectedLeft && tag.CompareKeys(expectedKey, nextExpected, -1) == 0) {
                expectedRun.push_back(nextExpectedRecord);
                expectedLeft = expected->Next(nextExpected, nextExpectedRecord);
            }
        };
        auto missing = [&](const std::vector<int32_t>& run) {
            for (int32_t r : run) check.Add("record " + std::to_string(r) + " is not found at its key");
        };
        // Matches the walk's run of keys equal to walkKey against the expected runs.
        auto matchRun = [&] {
            std::sort(walkRun.begin(), walkRun.end());
            int order = -1;
            while (!expectedRun.empty() || expectedLeft) {
                if (expectedRun.empty()) takeExpectedRun();
                order = tag.CompareKeys(expectedKey, walkKey, -1);
                if (order >= 0) break;
                missing(expectedRun);
                expectedRun.clear();
            }
            if (order != 0) {
                for (int32_t r : walkRun)
                    check.Add("the entry of record " + std::to_string(r) + " holds a key the record does not give");
                return;
            }
            if (tag.Unique()) {
                if (walkRun.size() != 1 ||
                    !std::binary_search(expectedRun.begin(), expectedRun.end(), walkRun.front()))
                    for (int32_t r : walkRun)
                        check.Add("the entry of record " + std::to_string(r) + " holds a key the record does not give");
            } else {
                std::vector<int32_t> only;
                std::set_difference(expectedRun.begin(), expectedRun.end(), walkRun.begin(), walkRun.end(),
                                    std::back_inserter(only));
                missing(only);
                only.clear();
                std::set_difference(walkRun.begin(), walkRun.end(), expectedRun.begin(), expectedRun.end(),
                                    std::back_inserter(only));
                for (int32_t r : only)
                    check.Add("the entry of record " + std::to_string(r) + " holds a key the record does not give");
            }
            expectedRun.clear();
        };

        tag.ResetCursor(2);
        for (int32_t r = tag.Navigate(recreq::kFirst); r != 0 && !tag.Eof(); r = tag.Navigate(recreq::kNext)) {
            t.progress.Step(records + ++check.keys);
            const DVobjIndexKeyData& key = tag.CurrentKey();
            if (r < 1 || r > records) {
                check.Add("entry " + std::to_string(check.keys) + " names record " + std::to_string(r) +
                          ", which does not exist");
            } else if (seen[static_cast<size_t>(r)]++) {
                check.Add("record " + std::to_string(r) + " has more than one entry");
            }
            const int order = check.keys > 1 ? tag.CompareKeys(walkKey, key, -1) : 1;
            if (check.keys > 1 && order > 0)
                check.Add("entry " + std::to_string(check.keys) + " (record " + std::to_string(r) +
                          ") is out of key order");
            if (check.keys > 1 && order == 0 && tag.Unique())
                check.Add("unique tag holds the key of record " + std::to_string(r) + " twice");
            if (order != 0) {
                if (!walkRun.empty()) matchRun();
                walkRun.clear();
                walkKey.CopyFrom(key);
            }
            walkRun.push_back(r);
            if (check.keys > static_cast<int64_t>(records) + 1) {
                check.Add("the walk does not end: more entries than records");
                break;
            }
        }
        if (!walkRun.empty()) matchRun();
        missing(expectedRun);
        while (expectedLeft) {
            takeExpectedRun();
            missing(expectedRun);
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
