// NTX builds: the even fill of the leaves, descending and unique builds, FOR conditions, spilled sorts, the same
// bytes from a creation and a rebuild, emptying, and progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/index/ntx_file.h"
#include "engine/storage/dbf_create.h"
#include "index_test_table.h"
#include "ntx_verify.h"
#include "temp_dir.h"

namespace {
std::vector<int32_t> Walk(DVobjIndexTag* tag) {
    std::vector<int32_t> out;
    for (int32_t r = tag->Navigate(recreq::kFirst); r != 0; r = tag->Navigate(recreq::kNext)) out.push_back(r);
    return out;
}

// Counts of the pages of a two-level file: the root's, then the leaves' in file order.
std::vector<int> PageCounts(const std::vector<uint8_t>& bytes) {
    std::vector<int> counts;
    for (size_t page = 1024; page + 1024 <= bytes.size(); page += 1024) counts.push_back(bytes[page] | bytes[page + 1] << 8);
    return counts;
}

std::string RandomName(std::mt19937& rng, int length) {
    std::string s;
    for (int i = 0; i < length; ++i) s += static_cast<char>('A' + rng() % 26);
    return s;
}

class NtxBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir_.File("T.DBF"), 0x03, {{"NAME", 'C', 10, 0}, {"OK", 'L', 1, 0}});
        table_ = std::make_unique<TestTable>(dir_.File("T.DBF"), true, false);
    }
    TempDir dir_;
    std::unique_ptr<TestTable> table_;
};
}  // namespace

TEST_F(NtxBuildTest, LeavesAreFilledEvenlyWithSeparatorsBetweenThem) {
    // 120 keys, 50 keys per page: three leaves of 40 keys at most, keys 41 and 82 in the root.
    for (int i = 1; i <= 120; ++i) table_->AppendValues({{"NAME", "K" + std::to_string(1000 + i)}});
    DVobjNTXFile file(table_.get(), true, true, false, false, dir_.File("T.NTX"));
    ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
    file.Tag()->ReleaseNodes();
    const NtxCheck check = CheckNtx(dir_.File("T.NTX"));
    ASSERT_EQ(check.problem, "");
    EXPECT_EQ(check.depth, 2);
    const std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("T.NTX"));
    EXPECT_EQ(PageCounts(bytes), (std::vector<int>{40, 40, 38, 2}));  // leaves first, the root last
    EXPECT_EQ(check.root, 4 * 1024);
    const size_t root = static_cast<size_t>(check.root);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[root + 104 + 8]), 5), "K1041");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[root + 104 + 18 + 8]), 5), "K1082");
    std::vector<int32_t> all(120);
    for (int i = 0; i < 120; ++i) all[static_cast<size_t>(i)] = i + 1;
    EXPECT_EQ(NtxRecords(check), all);
    EXPECT_EQ(Walk(file.Tag()), all);
}

TEST_F(NtxBuildTest, BuildsOfEverySizeAndKindAreSoundAndInOrder) {
    std::mt19937 rng(5);
    std::vector<std::string> names;
    std::vector<bool> ok;
    struct Case {
        const char* what;
        bool unique, ascending;
        const char* forText;
    };
    // Sizes around the page boundaries, where the even fill and the interior levels change shape.
    for (int count : {0, 1, 2, 49, 50, 51, 52, 101, 102, 2550, 2601, 2652, 7000}) {
        while (static_cast<int>(names.size()) < count) {
            names.push_back(RandomName(rng, 1 + rng() % 3));
            ok.push_back(rng() % 3 != 0);
            table_->AppendValues({{"NAME", names.back()}, {"OK", ok.back() ? "T" : "F"}});
        }
        for (const Case& c : {Case{"plain", false, true, ""}, Case{"descending", false, false, ""},
                              Case{"unique", true, true, ""}, Case{"FOR", false, true, "OK"}}) {
            SCOPED_TRACE(std::string(c.what) + " " + std::to_string(count));
            DVobjNTXFile file(table_.get(), true, true, false, false, dir_.File("B.NTX"));
            ASSERT_NE(file.CreateTag("", "NAME", c.unique, c.ascending, c.forText), nullptr);
            const std::vector<int32_t> walked = Walk(file.Tag());
            file.Tag()->ReleaseNodes();
            const NtxCheck check = CheckNtx(dir_.File("B.NTX"));
            ASSERT_EQ(check.problem, "");
            std::vector<std::string> want;
            for (int i = 0; i < count; ++i)
                if (*c.forText == 0 || ok[static_cast<size_t>(i)]) want.push_back(names[static_cast<size_t>(i)]);
            std::sort(want.begin(), want.end());
            if (c.unique) want.erase(std::unique(want.begin(), want.end()), want.end());
            if (!c.ascending) std::reverse(want.begin(), want.end());
            std::vector<std::string> got;
            for (const NtxEntry& e : check.entries) got.push_back(e.key.substr(0, e.key.find(' ')));
            EXPECT_EQ(got, want);
            EXPECT_EQ(walked, NtxRecords(check));
            // No page is empty in a tag with keys, and no interior page is without a separator (readers that
            // take the count as the number of separators would not find its only child).
            const std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("B.NTX"));
            for (size_t page = 1024; page + 1024 <= bytes.size() && !want.empty(); page += 1024) {
                const int n = bytes[page] | bytes[page + 1] << 8;
                EXPECT_GE(n, 1) << "page " << page;
            }
        }
    }
}

TEST_F(NtxBuildTest, LargeSpillingBuildIsDeterministicAndRebuildsToTheSameBytes) {
    std::mt19937 rng(3);
    std::vector<std::string> names;
    for (int i = 0; i < 40000; ++i) {
        names.push_back(RandomName(rng, 10));
        table_->AppendValues({{"NAME", names.back()}});
    }
    std::vector<uint8_t> first;
    for (int round = 0; round < 2; ++round) {
        DVobjNTXFile file(table_.get(), true, true, false, false, dir_.File("L.NTX"));
        ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
        file.Tag()->ReleaseNodes();
        const std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("L.NTX"));
        if (round == 0) first = bytes;
        else EXPECT_TRUE(bytes == first) << "the same table gave different index bytes";
    }
    const NtxCheck check = CheckNtx(dir_.File("L.NTX"));
    ASSERT_EQ(check.problem, "");
    EXPECT_EQ(check.entries.size(), 40000u);
    EXPECT_EQ(check.depth, 3);
    DVobjNTXFile file(table_.get(), false, false, false, false, dir_.File("L.NTX"));
    file.Reindex();
    file.Tag()->ReleaseNodes();
    EXPECT_TRUE(ReadFileBytes(dir_.File("L.NTX")) == first);
}

TEST_F(NtxBuildTest, EmptyFileLeavesAnEmptyRootAndReindexReportsProgress) {
    for (const char* n : {"C", "A", "B"}) table_->AppendValues({{"NAME", n}});
    DVobjNTXFile file(table_.get(), true, true, false, false, dir_.File("P.NTX"));
    ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
    file.EmptyFile();
    EXPECT_EQ(ReadFileBytes(dir_.File("P.NTX")).size(), 2048u);
    EXPECT_EQ(CheckNtx(dir_.File("P.NTX")).problem, "");
    EXPECT_EQ(file.Tag()->Navigate(recreq::kFirst), 0);
    table_->recordProgress = true;
    file.Reindex();
    const std::vector<std::vector<int32_t>> want = {{-1, 1, 3}, {1, 1, 0}, {1, 2, 0}, {1, 3, 0}, {0, 0, 0},
                                                    {-1, 2, 3}, {2, 1, 0}, {2, 2, 0}, {2, 3, 0}, {0, 0, 0}};
    EXPECT_EQ(table_->progress, want);
    EXPECT_EQ(Walk(file.Tag()), (std::vector<int32_t>{2, 3, 1}));
}
