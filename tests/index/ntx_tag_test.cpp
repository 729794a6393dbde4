// NTX tags kept in step with their table: layouts, the text forms of numbers and dates, splits, separators moving
// on deletion, descending, unique and FOR tags, checked against the file's own B-tree after every change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/index/ntx_file.h"
#include "engine/storage/dbf_create.h"
#include "index_test_table.h"
#include "ntx_verify.h"
#include "temp_dir.h"

namespace {
std::vector<int32_t> Walk(DVobjIndexTag* tag, bool backwards = false) {
    std::vector<int32_t> out;
    const int start = backwards ? recreq::kLast : recreq::kFirst;
    const int step = backwards ? recreq::kPrior : recreq::kNext;
    for (int32_t r = tag->Navigate(start); r != 0; r = tag->Navigate(step)) out.push_back(r);
    return out;
}

const std::vector<TdvNewField> kFields = {
    {"NAME", 'C', 10, 0}, {"AMOUNT", 'N', 10, 2}, {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}};

std::string Pad(const std::string& s, size_t n) { return s + std::string(n > s.size() ? n - s.size() : 0, ' '); }

// Whether the tag's entries are exactly the qualifying records, each at its own key, in key order (a unique tag:
// no key twice, and at most one entry per distinct key).
std::string Mismatch(const NtxCheck& check, const std::vector<std::string>& keys, const std::vector<bool>& in,
                     bool descending, bool unique) {
    std::vector<std::string> want, got;
    std::vector<bool> seen(keys.size(), false);
    for (const NtxEntry& e : check.entries) {
        if (e.record < 1 || static_cast<size_t>(e.record) > keys.size() || seen[e.record - 1])
            return "bad or repeated record " + std::to_string(e.record);
        seen[e.record - 1] = true;
        if (!in[e.record - 1]) return "record " + std::to_string(e.record) + " does not qualify";
        if (e.key != Pad(keys[e.record - 1], e.key.size())) return "record " + std::to_string(e.record) + " key";
        got.push_back(e.key);
    }
    for (size_t i = 0; i < keys.size(); ++i)
        if (in[i]) want.push_back(Pad(keys[i], check.keyLength));
    std::sort(want.begin(), want.end());
    if (unique) want.erase(std::unique(want.begin(), want.end()), want.end());
    if (descending) std::reverse(want.begin(), want.end());
    if (unique) {
        // Refused duplicates do not come back when the key they repeated goes: a subset, in order, each once.
        std::vector<std::string> distinct = got;
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        if (distinct.size() != got.size()) return "a key twice in a unique tag";
        if (!std::includes(want.begin(), want.end(), got.begin(), got.end(),
                           [&](const std::string& a, const std::string& b) { return descending ? b < a : a < b; }))
            return "keys out of order";
        return "";
    }
    return want == got ? "" : "keys differ from the table's";
}

class NtxTagTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir_.File("T.DBF"), 0x03, kFields);
        table_ = std::make_unique<TestTable>(dir_.File("T.DBF"), true, false);
    }
    std::unique_ptr<DVobjNTXFile> Create(const std::string& key, bool unique = false, bool ascending = true,
                                         const std::string& forText = "") {
        auto file = std::make_unique<DVobjNTXFile>(table_.get(), true, true, false, false, dir_.File("T.NTX"));
        EXPECT_NE(file->CreateTag("", key, unique, ascending, forText), nullptr);
        table_->Attach(file.get());
        return file;
    }
    TempDir dir_;
    std::unique_ptr<TestTable> table_;
};
}  // namespace

TEST_F(NtxTagTest, EmptyTableGivesTheLayoutOfItsKey) {
    struct Case {
        const char* expression;
        int keyLength, decimals, keysPerPage, halfPage;
    };
    for (const Case& c : {Case{"NAME", 10, 0, 50, 25}, Case{"AMOUNT", 10, 2, 50, 25}, Case{"BORN", 8, 0, 54, 27},
                          Case{"OK", 1, 0, 90, 45}}) {
        SCOPED_TRACE(c.expression);
        auto file = Create(c.expression);
        file->Tag()->ReleaseNodes();
        const NtxCheck check = CheckNtx(dir_.File("T.NTX"));
        ASSERT_EQ(check.problem, "");
        EXPECT_EQ(check.pages, 2);
        EXPECT_EQ(check.root, 1024);
        EXPECT_EQ(check.signature, 6);
        EXPECT_EQ(check.counter, 1);
        EXPECT_EQ(check.keyLength, c.keyLength);
        EXPECT_EQ(check.entryLength, c.keyLength + 8);
        EXPECT_EQ(check.decimals, c.decimals);
        EXPECT_EQ(check.keysPerPage, c.keysPerPage);
        EXPECT_EQ(check.halfPage, c.halfPage);
        EXPECT_EQ(check.keyExpression, c.expression);
        const std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("T.NTX"));
        // The offset table names the slots in order: slot 0 right after it.
        EXPECT_EQ(bytes[1024 + 2] | (bytes[1024 + 3] << 8), 4 + 2 * c.keysPerPage);
        EXPECT_EQ(Walk(file->Tag()), std::vector<int32_t>{});
    }
}

TEST(NtxNumberTextTest, NumbersAreFixedWidthTextThatSortsInNumericOrder) {
    EXPECT_EQ(DVobjNTXTag::NumberText(12.5, 18, 4), "0000000000012.5000");
    EXPECT_EQ(DVobjNTXTag::NumberText(-12.5, 18, 4), R"(,,,,,,,,,,,+*.',,,)");
    EXPECT_EQ(DVobjNTXTag::NumberText(0, 5, 0), "00000");
    EXPECT_EQ(DVobjNTXTag::NumberText(-0.0001, 6, 2), "000.00");  // rounds to zero: no sign
    EXPECT_EQ(DVobjNTXTag::NumberText(123456, 4, 0), "9999");      // too wide: the largest the width holds
    const std::vector<double> values = {-1e6, -999.99, -10, -9.5, -1, -0.01, 0, 0.01, 1, 9.5, 10, 999.99, 1e6};
    for (size_t i = 1; i < values.size(); ++i)
        EXPECT_LT(DVobjNTXTag::NumberText(values[i - 1], 10, 2), DVobjNTXTag::NumberText(values[i], 10, 2))
            << values[i - 1] << " " << values[i];
}

TEST_F(NtxTagTest, FiftyFirstKeySplitsTheRootLeafAndItsMiddleKeyMovesUp) {
    auto file = Create("NAME");
    for (int i = 1; i <= 50; ++i) table_->AppendValues({{"NAME", "K" + std::to_string(100 + i)}});
    NtxCheck before = CheckNtx(dir_.File("T.NTX"));
    ASSERT_EQ(before.problem, "");
    EXPECT_EQ(before.depth, 1);
    table_->AppendValues({{"NAME", "K151"}});
    const NtxCheck after = CheckNtx(dir_.File("T.NTX"));
    ASSERT_EQ(after.problem, "");
    EXPECT_EQ(after.root, 1024);
    EXPECT_EQ(after.depth, 2);
    const std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("T.NTX"));
    EXPECT_EQ(bytes[1024], 1);  // the root: the 26th key alone
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1024 + 104 + 8]), 10), Pad("K126", 10));
    std::vector<int> counts;
    for (size_t page = 2048; page < bytes.size(); page += 1024) counts.push_back(bytes[page]);
    EXPECT_EQ(counts, (std::vector<int>{25, 25}));
    std::vector<int32_t> all(51);
    for (int i = 0; i < 51; ++i) all[static_cast<size_t>(i)] = i + 1;
    EXPECT_EQ(NtxRecords(after), all);
    EXPECT_EQ(Walk(file->Tag()), all);
}

TEST_F(NtxTagTest, RandomUpkeepKeepsTheTreeSoundInEveryKindOfTag) {
    struct Case {
        const char* what;
        bool unique, ascending;
        const char* forText;
    };
    for (const Case& c : {Case{"ascending", false, true, ""}, Case{"descending", false, false, ""},
                          Case{"unique", true, true, ""}, Case{"unique descending", true, false, ""},
                          Case{"FOR", false, true, "OK"}}) {
        SCOPED_TRACE(c.what);
        table_->DetachAll();
        table_.reset();
        std::remove(dir_.File("T.DBF").c_str());
        SetUp();
        auto file = Create("NAME", c.unique, c.ascending, c.forText);
        std::mt19937 rng(7);
        std::vector<std::string> keys;
        std::vector<bool> in;
        auto name = [&] { return "N" + std::to_string(rng() % 400); };
        for (int step = 0; step < 1500; ++step) {
            const bool ok = rng() % 4 != 0;
            if (keys.empty() || rng() % 3 != 0) {
                keys.push_back(name());
                in.push_back(*c.forText == 0 || ok);
                table_->AppendValues({{"NAME", keys.back()}, {"OK", ok ? "T" : "F"}});
            } else {
                // Replacing a key deletes the old entry: separators move, leaves empty and go away.
                const size_t r = rng() % keys.size();
                keys[r] = rng() % 5 == 0 ? "A" : name();
                in[r] = *c.forText == 0 || ok;
                table_->ChangeValues(static_cast<int32_t>(r + 1), {{"NAME", keys[r]}, {"OK", ok ? "T" : "F"}});
            }
            if (step % 250 != 249) continue;
            file->Tag()->ReleaseNodes();
            const NtxCheck check = CheckNtx(dir_.File("T.NTX"));
            ASSERT_EQ(check.problem, "") << "step " << step;
            EXPECT_EQ(Mismatch(check, keys, in, !c.ascending, c.unique), "") << "step " << step;
            std::vector<int32_t> walked = Walk(file->Tag());
            EXPECT_EQ(walked, NtxRecords(check));
            std::vector<int32_t> back = Walk(file->Tag(), true);
            std::reverse(back.begin(), back.end());
            EXPECT_EQ(back, walked);
        }
    }
}

TEST_F(NtxTagTest, DeletingTheSeparatorMovesTheLeafsLastKeyUp) {
    auto file = Create("NAME");
    for (int i = 1; i <= 51; ++i) table_->AppendValues({{"NAME", "K" + std::to_string(100 + i)}});
    // Record 26 is the root's separator: change its key so that it leaves the tree's middle.
    table_->ChangeValues(26, {{"NAME", "Z"}});
    const NtxCheck check = CheckNtx(dir_.File("T.NTX"));
    ASSERT_EQ(check.problem, "");
    const std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("T.NTX"));
    EXPECT_EQ(bytes[1024], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1024 + 104 + 8]), 10), Pad("K125", 10));
    ASSERT_EQ(check.entries.size(), 51u);
    EXPECT_EQ(check.entries.back().record, 26);
    // Emptying the right leaf leaves the separator where nothing above can hold it.
    for (int r = 27; r <= 51; ++r) table_->ChangeValues(r, {{"NAME", "A" + std::to_string(r)}});
    table_->ChangeValues(26, {{"NAME", "B"}});
    const NtxCheck emptied = CheckNtx(dir_.File("T.NTX"));
    ASSERT_EQ(emptied.problem, "");
    EXPECT_EQ(emptied.entries.size(), 51u);
    EXPECT_EQ(Walk(file->Tag()).size(), 51u);
}

TEST_F(NtxTagTest, NumbersAndDatesSortAsTheirTextForms) {
    auto amounts = Create("AMOUNT");
    const std::vector<std::string> values = {"5", "-3.5", "", "-100", "0", "12.25", "-0.5", "99"};
    for (const std::string& v : values) table_->AppendValues({{"AMOUNT", v}, {"BORN", v.empty() ? "" : "20240101"}});
    // Blank numbers count as zero: after the negatives, beside record 5.
    EXPECT_EQ(Walk(amounts->Tag()), (std::vector<int32_t>{4, 2, 7, 3, 5, 1, 6, 8}));
    DVobjIndexKeyData key(32);
    key.SetNumber(-3.5);
    EXPECT_EQ(amounts->Tag()->Seek(key), 2);
    key.SetText("-3.5");  // a number typed as text, as the handler's FindKey passes it
    EXPECT_EQ(amounts->Tag()->Seek(key), 2);
    key.SetText("12.25");
    EXPECT_EQ(amounts->Tag()->Seek(key), 6);
    table_->DetachAll();
    amounts.reset();
    auto dates = Create("BORN");
    // A blank date is "00000000": first in ascending order.
    EXPECT_EQ(Walk(dates->Tag()).front(), 3);
    key.SetDate(0);
    EXPECT_EQ(dates->Tag()->Seek(key), 3);
}

TEST_F(NtxTagTest, ReopenedTagLearnsItsKeyTypeAndFlagsFromTheHeader) {
    for (int i = 0; i < 300; ++i)
        table_->AppendValues({{"NAME", "N" + std::to_string(i % 97)}, {"AMOUNT", std::to_string(i % 13 - 6)},
                              {"OK", i % 3 ? "T" : "F"}});
    {
        auto file = Create("AMOUNT", false, false, "OK");
        table_->DetachAll();
    }
    DVobjNTXFile file(table_.get(), false, false, true, false, dir_.File("T.NTX"));
    ASSERT_FALSE(file.Failed()) << file.FailureText();
    DVobjNTXTag* tag = file.Tag();
    EXPECT_EQ(tag->KeyType(), 'N');
    EXPECT_FALSE(tag->Ascending());
    EXPECT_EQ(tag->ForExpression(), "OK");
    EXPECT_EQ(CheckNtx(dir_.File("T.NTX")).signature, 7);
    const std::vector<int32_t> walked = Walk(tag);
    EXPECT_EQ(walked.size(), 200u);
    DVobjIndexKeyData key(32);
    key.SetNumber(6);
    EXPECT_EQ(tag->Seek(key), walked.front());
}
