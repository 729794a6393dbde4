// NDX files built and kept by the engine, walked end to end by an independent reader (the Perl XBase::Index):
// every key count from 1 up over several key lengths, and the same files after appends and key changes through
// the table handler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "engine/cursor/db_handler.h"
#include "engine/cursor/index_formats.h"
#include "engine/expr/table_bindings.h"
#include "engine/index/index_file.h"
#include "engine/storage/dbf_create.h"
#include "process.h"
#include "temp_dir.h"

namespace {

bool OracleAvailable() {
    int status = 0;
    RunCommand("perl -MXBase::Index -e 1 2>/dev/null", &status);
    return status == 0;
}

// The oracle's walk of each file: its record numbers in index order.
std::vector<std::vector<int32_t>> OracleWalks(const std::vector<std::string>& files) {
    std::string command = "perl '" + std::string(VELMORA_TESTS_DIR) + "/ordane/ndx_walk.pl'";
    for (const std::string& f : files) command += " '" + f + "'";
    int status = 0;
    std::istringstream out(RunCommand(command + " 2>&1", &status));
    std::vector<std::vector<int32_t>> walks;
    std::string line;
    while (std::getline(out, line)) {
        std::istringstream numbers(line);
        std::vector<int32_t> walk;
        for (int32_t r; numbers >> r;) walk.push_back(r);
        walks.push_back(walk);
    }
    EXPECT_EQ(status, 0) << command;
    return walks;
}

// A key kind under test: the field that holds it and the stored text of each key.
struct KeyKind {
    const char* name;
    char type;
    int length;
    // Distinct keys in an order unrelated to the record numbers.
    std::string Text(int64_t key) const {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%07lld", static_cast<long long>(key));
        if (type == 'N') return digits;
        std::string text(digits);
        text.resize(static_cast<size_t>(length), 'k');
        return text;
    }
};

int64_t Scrambled(int32_t record) { return (static_cast<int64_t>(record) * 7919) % 1000003; }

// The table of one key kind; the handler keeps it open for appends.
class KeyTable {
public:
    KeyTable(const std::string& path, const KeyKind& kind) : kind_(kind) {
        StartExpressionEngine();
        CreateTable(path, 0x03, {{"K", kind.type, kind.length, 0}});
        table_ = std::make_unique<DVO_dBHandler>(path, "", true, false);
    }
    void Append(int64_t key) {
        table_->BlankRecord();
        if (kind_.type == 'N') table_->NumberPutN("K", static_cast<long double>(key));
        else table_->FieldPutN("K", kind_.Text(key));
        table_->AppendRecord();
        keys_.push_back(key);
    }
    void Change(int32_t record, int64_t key) {
        table_->GetRecord(record);
        if (kind_.type == 'N') table_->NumberPutN("K", static_cast<long double>(key));
        else table_->FieldPutN("K", kind_.Text(key));
        table_->PutRecord(record);
        keys_[static_cast<size_t>(record - 1)] = key;
    }
    // Builds a new NDX file over every record.
    void Build(const std::string& path) {
        std::unique_ptr<DVobjIndexFile> file = TdvIndexFormats::FindCreator(".NDX")(table_->IndexOwner(), false, path);
        ASSERT_TRUE(file->CreateTag("", "K", false, true, ""));
    }
    // The record numbers in key order.
    std::vector<int32_t> Expected() const {
        std::vector<int32_t> order(keys_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i + 1);
        std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            return keys_[static_cast<size_t>(a - 1)] < keys_[static_cast<size_t>(b - 1)];
        });
        return order;
    }
    DVO_dBHandler& Handler() { return *table_; }

private:
    KeyKind kind_;
    std::unique_ptr<DVO_dBHandler> table_;
    std::vector<int64_t> keys_;
};

// Numeric keys (31 per page), and text keys of 30 (12 per page), 50 (8) and 100 (4) characters.
const KeyKind kKinds[] = {{"numeric", 'N', 10}, {"text30", 'C', 30}, {"text50", 'C', 50}, {"text100", 'C', 100}};

TEST(NdxOracleWalk, EveryKeyCountBuildsAFileAnotherReaderWalksWhole) {
    if (!OracleAvailable()) GTEST_SKIP() << "perl XBase::Index not installed";
    // Each far enough for one more tree level than the last full one.
    const std::map<std::string, int32_t> upTo{{"numeric", 1100}, {"text30", 1800}, {"text50", 600}, {"text100", 400}};
    constexpr int32_t kBatch = 100;
    for (const KeyKind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        TempDir dir;
        KeyTable table(dir.File("t.dbf"), kind);
        for (int32_t first = 1; first <= upTo.at(kind.name); first += kBatch) {
            std::vector<std::string> files;
            std::vector<std::vector<int32_t>> expected;
            for (int32_t n = first; n < first + kBatch && n <= upTo.at(kind.name); ++n) {
                table.Append(Scrambled(n));
                files.push_back(dir.File(std::to_string(n) + ".ndx"));
                table.Build(files.back());
                expected.push_back(table.Expected());
            }
            const std::vector<std::vector<int32_t>> walks = OracleWalks(files);
            ASSERT_EQ(walks.size(), files.size());
            for (size_t i = 0; i < files.size(); ++i) {
                ASSERT_EQ(walks[i].size(), expected[i].size()) << "keys: " << first + static_cast<int32_t>(i);
                ASSERT_EQ(walks[i], expected[i]) << "keys: " << first + static_cast<int32_t>(i);
            }
            for (const std::string& f : files) std::remove(f.c_str());
        }
    }
}

// Builds over `built` records, then lets the handler's upkeep change the file (appends, then when keysChange
// every other record's key moved past all others) and has the other reader walk it.
void CheckUpkeep(bool keysChange) {
    for (const KeyKind& kind : kKinds) {
        for (int32_t built : {1, 150, 700}) {
            SCOPED_TRACE(std::string(kind.name) + ", built over " + std::to_string(built));
            TempDir dir;
            KeyTable table(dir.File("t.dbf"), kind);
            for (int32_t n = 1; n <= built; ++n) table.Append(Scrambled(n));
            const std::string ndx = dir.File("k.ndx");
            table.Build(ndx);
            ASSERT_EQ(table.Handler().OpenIndexFile(ndx), 0);
            for (int32_t n = built + 1; n <= built + 400; ++n) table.Append(Scrambled(n));
            if (keysChange)
                for (int32_t r = 1; r <= built + 400; r += 2) table.Change(r, 2000000 + r);
            table.Handler().CloseIndexFiles();
            const std::vector<std::vector<int32_t>> walks = OracleWalks({ndx});
            ASSERT_EQ(walks.size(), 1u);
            EXPECT_EQ(walks[0], table.Expected());
        }
    }
}

// Appends land all over the tree and split its pages.
TEST(NdxOracleWalk, FilesStayWalkableAfterAppends) {
    if (!OracleAvailable()) GTEST_SKIP() << "perl XBase::Index not installed";
    CheckUpkeep(false);
}

// Moving keys away empties leaves; the upkeep unlinks them and can leave an interior page holding only its
// pointer-only entry, which the other reader skips. Enable once key removal shares or merges such pages.
TEST(NdxOracleWalk, DISABLED_FilesStayWalkableAfterKeysMove) {
    if (!OracleAvailable()) GTEST_SKIP() << "perl XBase::Index not installed";
    CheckUpkeep(true);
}

}  // namespace
