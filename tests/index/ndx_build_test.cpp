// NDX creation and builds: layouts, blank dates, spilled builds, determinism, splits, emptying and progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/index/ndx_file.h"
#include "engine/storage/dbf_create.h"
#include "index_test_table.h"
#include "ndx_verify.h"
#include "temp_dir.h"

namespace {
const std::vector<TdvNewField> kFields = {
    {"NAME", 'C', 20, 0}, {"AMOUNT", 'N', 10, 2}, {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}};

std::vector<int32_t> WalkForward(DVobjIndexTag* tag) {
    std::vector<int32_t> out;
    for (int32_t r = tag->Navigate(recreq::kFirst); r != 0; r = tag->Navigate(recreq::kNext)) out.push_back(r);
    return out;
}

std::vector<int32_t> Records(const NdxCheck& c) {
    std::vector<int32_t> out;
    for (const NdxEntry& e : c.entries) out.push_back(e.record);
    return out;
}

// Record numbers 1..n ordered by key, equal keys by record number.
template <typename Key>
std::vector<int32_t> OrderBy(const std::vector<Key>& keys) {
    std::vector<int32_t> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) order[i] = static_cast<int32_t>(i + 1);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return keys[a - 1] < keys[b - 1]; });
    return order;
}

std::string RandomName(std::mt19937& rng, int length) {
    std::string s;
    for (int i = 0; i < length; ++i) s += static_cast<char>('A' + rng() % 26);
    return s;
}
}  // namespace

TEST(NdxBuildTest, EmptyTableGivesHeaderAndEmptyRoot) {
    TempDir dir;
    CreateTable(dir.File("T.DBF"), 0x03, kFields);
    TestTable table(dir.File("T.DBF"), true, false);
    struct Case {
        const char* expression;
        int keyLength, entryLength, keysPerPage, typeWord;
    };
    for (const Case& c : {Case{"NAME", 20, 28, 18, 0}, Case{"AMOUNT", 8, 20, 25, 1}, Case{"BORN", 8, 16, 31, 1},
                          Case{"OK", 1, 12, 42, 0}}) {
        DVobjNDXFile file(&table, true, true, false, false, dir.File("E.NDX"));
        ASSERT_NE(file.CreateTag("", c.expression, false, true, ""), nullptr) << c.expression;
        file.Tag()->ReleaseNodes();
        std::vector<uint8_t> bytes = ReadFileBytes(dir.File("E.NDX"));
        ASSERT_EQ(bytes.size(), 1024u) << c.expression;
        EXPECT_EQ(bytes[0], 1);  // root block 1
        EXPECT_EQ(bytes[12], c.keyLength);
        EXPECT_EQ(bytes[14], c.keysPerPage);
        EXPECT_EQ(bytes[16], c.typeWord);
        EXPECT_EQ(bytes[18], c.entryLength);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(&bytes[24])), c.expression);
        EXPECT_TRUE(std::all_of(bytes.begin() + 512, bytes.end(), [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(file.Tag()->Navigate(recreq::kFirst), 0);
        EXPECT_TRUE(file.Tag()->Eof() || file.Tag()->Bof());
    }
}

TEST(NdxBuildTest, ReindexWithoutKeysGivesTheEmptyRootOfACreation) {
    // A rebuild that collects no key must still leave a root: the file opens again and reads as empty.
    TempDir dir;
    CreateTable(dir.File("T.DBF"), 0x03, kFields);
    TestTable table(dir.File("T.DBF"), true, false);
    std::vector<uint8_t> created;
    {
        DVobjNDXFile file(&table, true, true, false, false, dir.File("E.NDX"));
        ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
        file.Tag()->ReleaseNodes();
        created = ReadFileBytes(dir.File("E.NDX"));
        file.Reindex();
        EXPECT_EQ(file.Tag()->Navigate(recreq::kFirst), 0);
    }
    EXPECT_EQ(ReadFileBytes(dir.File("E.NDX")), created);
    DVobjNDXFile reopened(&table, false, false, false, false, dir.File("E.NDX"));
    ASSERT_FALSE(reopened.Failed()) << reopened.FailureText();
    EXPECT_EQ(reopened.Tag()->Navigate(recreq::kFirst), 0);
}

TEST(NdxBuildTest, BuildsInKeyOrderWithBlankDatesLast) {
    TempDir dir;
    CreateTable(dir.File("T.DBF"), 0x03, kFields);
    TestTable table(dir.File("T.DBF"), true, false);
    std::mt19937 rng(11);
    std::vector<std::string> names;
    std::vector<double> amounts;
    std::vector<int32_t> days;
    for (int i = 0; i < 700; ++i) {
        std::string name = RandomName(rng, 1 + rng() % 3);  // short names: many ties
        if (i % 50 == 0) name = "";                         // blank keys come first
        const double amount = static_cast<double>(static_cast<int>(rng() % 20001) - 10000) / 4.0;
        const bool blank = i % 7 == 0;
        const std::string born = blank ? "" : std::to_string(19000101 + (rng() % 90) * 10000 + (rng() % 12) * 100);
        table.AppendValues({{"NAME", name}, {"AMOUNT", std::to_string(amount)}, {"BORN", born}});
        if (i % 9 == 0) table.DeleteRecord();  // deleted records are indexed too
        names.push_back(name);
        amounts.push_back(amount);
        days.push_back(blank ? 0x7FFFFFFF : table.DateGet(3));
    }
    struct Case {
        const char* expression;
        std::vector<int32_t> order;
    };
    for (const Case& c : {Case{"NAME", OrderBy(names)}, Case{"AMOUNT", OrderBy(amounts)}, Case{"BORN", OrderBy(days)}}) {
        DVobjNDXFile file(&table, true, true, false, false, dir.File("B.NDX"));
        DVobjIndexTag* tag = file.CreateTag("", c.expression, false, true, "");
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(WalkForward(tag), c.order) << c.expression;
        tag->ReleaseNodes();
        const NdxCheck check = CheckNdx(dir.File("B.NDX"));
        EXPECT_EQ(check.problem, "") << c.expression;
        EXPECT_EQ(Records(check), c.order) << c.expression;
        EXPECT_GE(check.depth, 2);
    }
}

TEST(NdxBuildTest, LargeSpillingBuildMatchesOrderAndIsDeterministic) {
    TempDir dir;
    CreateTable(dir.File("T.DBF"), 0x03, {{"NAME", 'C', 20, 0}});
    TestTable table(dir.File("T.DBF"), true, false);
    std::mt19937 rng(3);
    std::vector<std::string> names;
    for (int i = 0; i < 40000; ++i) {
        names.push_back(RandomName(rng, 20));
        table.AppendValues({{"NAME", names.back()}});
    }
    std::vector<uint8_t> first;
    for (int round = 0; round < 2; ++round) {
        DVobjNDXFile file(&table, true, true, false, false, dir.File("L.NDX"));
        DVobjIndexTag* tag = file.CreateTag("", "NAME", false, true, "");
        ASSERT_NE(tag, nullptr);
        if (round == 0) {
            EXPECT_EQ(WalkForward(tag), OrderBy(names));
        }
        tag->ReleaseNodes();
        std::vector<uint8_t> bytes = ReadFileBytes(dir.File("L.NDX"));
        if (round == 0) {
            first = bytes;
        } else {
            EXPECT_TRUE(bytes == first) << "the same table gave different index bytes";
        }
    }
    // Reindex of the open file gives the same bytes again.
    DVobjNDXFile file(&table, false, false, false, false, dir.File("L.NDX"));
    file.Reindex();
    file.Tag()->ReleaseNodes();
    EXPECT_TRUE(ReadFileBytes(dir.File("L.NDX")) == first);
}

TEST(NdxBuildTest, TwentySixthNumericKeySplitsTheRootLeafKeepingTheRootBlock) {
    TempDir dir;
    CreateTable(dir.File("T.DBF"), 0x03, kFields);
    TestTable table(dir.File("T.DBF"), true, false);
    DVobjNDXFile file(&table, true, true, false, false, dir.File("N.NDX"));
    ASSERT_NE(file.CreateTag("", "AMOUNT", false, true, ""), nullptr);
    table.Attach(&file);
    for (int i = 1; i <= 25; ++i) table.AppendValues({{"AMOUNT", std::to_string(100 - i)}});
    NdxCheck before = CheckNdx(dir.File("N.NDX"));
    EXPECT_EQ(before.blocks, 2);
    EXPECT_EQ(before.depth, 1);
    table.AppendValues({{"AMOUNT", "50.5"}});
    NdxCheck after = CheckNdx(dir.File("N.NDX"));
    ASSERT_EQ(after.problem, "");
    EXPECT_EQ(after.root, 1);
    EXPECT_EQ(after.depth, 2);
    EXPECT_EQ(after.blocks, 4);
    std::vector<uint8_t> bytes = ReadFileBytes(dir.File("N.NDX"));
    EXPECT_EQ(bytes[512], 1);  // root: one separator and the pointer-only entry
    EXPECT_EQ(bytes[2 * 512], 13);
    EXPECT_EQ(bytes[3 * 512], 13);
    std::vector<double> amounts;
    for (int i = 1; i <= 25; ++i) amounts.push_back(100 - i);
    amounts.push_back(50.5);
    EXPECT_EQ(Records(after), OrderBy(amounts));
}

TEST(NdxBuildTest, EmptyFileAndReindexReportProgress) {
    TempDir dir;
    CreateTable(dir.File("T.DBF"), 0x03, kFields);
    TestTable table(dir.File("T.DBF"), true, false);
    for (const char* n : {"C", "A", "B"}) table.AppendValues({{"NAME", n}});
    DVobjNDXFile file(&table, true, true, false, false, dir.File("P.NDX"));
    ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
    file.EmptyFile();
    EXPECT_EQ(ReadFileBytes(dir.File("P.NDX")).size(), 1024u);
    EXPECT_EQ(file.Tag()->Navigate(recreq::kFirst), 0);
    table.recordProgress = true;
    file.Reindex();
    const std::vector<std::vector<int32_t>> want = {{-1, 1, 3}, {1, 1, 0}, {1, 2, 0}, {1, 3, 0}, {0, 0, 0},
                                                    {-1, 2, 3}, {2, 1, 0}, {2, 2, 0}, {2, 3, 0}, {0, 0, 0}};
    EXPECT_EQ(table.progress, want);
    EXPECT_EQ(WalkForward(file.Tag()), (std::vector<int32_t>{2, 3, 1}));
}
