// Seeking, walking, ranges and key upkeep of an NDX tag kept in step with its table.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/index/ndx_file.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "index_test_table.h"
#include "ndx_verify.h"
#include "temp_dir.h"

namespace {
std::vector<int32_t> Walk(DVobjIndexTag* tag, bool backwards = false) {
    std::vector<int32_t> out;
    const int start = backwards ? recreq::kLast : recreq::kFirst;
    const int step = backwards ? recreq::kPrior : recreq::kNext;
    for (int32_t r = tag->Navigate(start); r != 0; r = tag->Navigate(step)) out.push_back(r);
    return out;
}

DVobjIndexKeyData Key(const std::string& text, int32_t target = -1) {
    DVobjIndexKeyData k(256);
    k.SetText(text);
    k.Target = target;
    return k;
}

bool FileExistsAt(const std::string& path) { return os::FileExists(path); }

// A table of names with a long key, so pages hold few keys and trees grow deep quickly.
class NdxTagTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir_.File("T.DBF"), 0x03, {{"NAME", 'C', 100, 0}, {"INC", 'L', 1, 0}});
        table_ = std::make_unique<TestTable>(dir_.File("T.DBF"), true, false);
    }
    DVobjIndexTag* Open(const std::vector<std::string>& names, bool unique = false, const char* forExpr = "") {
        for (const std::string& n : names) table_->AppendValues({{"NAME", n}, {"INC", "T"}});
        file_ = std::make_unique<DVobjNDXFile>(table_.get(), true, true, false, false, dir_.File("T.NDX"));
        DVobjIndexTag* tag = file_->CreateTag("", "NAME", unique, true, forExpr);
        table_->Attach(file_.get());
        return tag;
    }
    // The order the names should have: by name, equal names by record number.
    std::vector<int32_t> Expected() {
        std::vector<std::pair<std::string, int32_t>> v;
        for (int32_t r = 1; r <= table_->RecordCount(); ++r) {
            table_->GetRecord(r);
            std::string n = table_->FieldGet(1);
            n.erase(n.find_last_not_of(' ') + 1);
            v.emplace_back(n, r);
        }
        std::sort(v.begin(), v.end());
        std::vector<int32_t> out;
        for (auto& p : v) out.push_back(p.second);
        return out;
    }
    std::string NameOf(int32_t r) {
        table_->GetRecord(r);
        std::string n = table_->FieldGet(1);
        n.erase(n.find_last_not_of(' ') + 1);
        return n;
    }
    // Equal keys keep the order they were inserted in, so orders are compared by their keys, and the sets of
    // records must agree.
    void ExpectSameOrder(const std::vector<int32_t>& got) {
        std::vector<int32_t> want = Expected();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(NameOf(got[i]), NameOf(want[i])) << i;
        std::vector<int32_t> a = got, b = want;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b);
    }
    void ExpectSound() {
        file_->Tag()->ReleaseNodes();
        NdxCheck c = CheckNdx(dir_.File("T.NDX"));
        EXPECT_EQ(c.problem, "");
        std::vector<int32_t> recs;
        for (auto& e : c.entries) recs.push_back(e.record);
        ExpectSameOrder(recs);
    }
    TempDir dir_;
    std::unique_ptr<TestTable> table_;
    std::unique_ptr<DVobjNDXFile> file_;
};
}  // namespace

TEST_F(NdxTagTest, PrefixSeekWithExactOffAndOn) {
    DVobjIndexTag* tag = Open({"BAKER", "ABLE", "CHARLIE", "BA", "BAKERY"});
    table_->exactMatch = false;
    EXPECT_EQ(tag->Seek(Key("BAK")), 1);  // first key beginning with BAK
    EXPECT_EQ(tag->Seek(Key("BA")), 4);
    EXPECT_EQ(tag->Seek(Key("CHARLIEX")), 0);
    EXPECT_TRUE(tag->Eof());
    table_->exactMatch = true;
    EXPECT_EQ(tag->Seek(Key("BAK")), 0);  // positioned on the next greater key instead
    EXPECT_FALSE(tag->Eof());
    EXPECT_EQ(tag->CurrentKey().Target, 1);
    EXPECT_EQ(tag->Navigate(recreq::kNext), 5);
    EXPECT_EQ(tag->Seek(Key("BAKER")), 1);
    EXPECT_EQ(tag->Seek(Key("BAKER", 5)), 0);  // the key of another record
    // SeekNoMove leaves the position where it was.
    EXPECT_EQ(tag->Seek(Key("ABLE")), 2);
    EXPECT_EQ(tag->SeekNoMove(Key("CHARLIE")), 3);
    EXPECT_EQ(tag->Navigate(recreq::kNext), 4);
}

TEST_F(NdxTagTest, UniqueTagKeepsTheFirstRecordOfAKey) {
    DVobjIndexTag* tag = Open({"SMITH", "JONES"}, true);
    table_->AppendValues({{"NAME", "SMITH"}});
    table_->AppendValues({{"NAME", "ADAMS"}});
    EXPECT_EQ(Walk(tag), (std::vector<int32_t>{4, 2, 1}));
    table_->exactMatch = true;
    EXPECT_EQ(tag->Seek(Key("SMITH")), 1);
}

TEST_F(NdxTagTest, DeletingKeysFixesSeparatorsAndUnlinksEmptiedLeaves) {
    // Four keys per page: 12 keys make a two-level tree.
    std::vector<std::string> names;
    for (char c = 'A'; c < 'A' + 12; ++c) names.push_back(std::string(3, c));
    DVobjIndexTag* tag = Open(names);
    NdxCheck c = CheckNdx(dir_.File("T.NDX"));
    ASSERT_EQ(c.keysPerPage, 4);
    ASSERT_EQ(c.depth, 2);
    // Move the last key of the first leaf away: the separator above it must follow.
    table_->ChangeValues(4, {{"NAME", "ZZZ"}});
    ExpectSound();
    // Empty the second leaf completely: the walk goes straight on into the neighbour.
    for (int32_t r : {5, 6, 7, 8}) table_->ChangeValues(r, {{"NAME", "ZZZ" + std::to_string(r)}});
    ExpectSound();
    std::vector<int32_t> walked = Walk(tag);
    EXPECT_EQ(walked, Expected());
    EXPECT_EQ(Walk(tag, true), std::vector<int32_t>(walked.rbegin(), walked.rend()));
}

TEST_F(NdxTagTest, RandomUpkeepKeepsASoundTreeAndFindsEveryRecord) {
    std::mt19937 rng(5);
    std::vector<std::string> names;
    for (int i = 0; i < 60; ++i) names.push_back(std::string(1, static_cast<char>('A' + rng() % 6)));
    DVobjIndexTag* tag = Open(names);
    for (int step = 0; step < 400; ++step) {
        // Few distinct keys: equal keys span many leaves, where a record's own entry must still be found.
        std::string name(1 + rng() % 2, static_cast<char>('A' + rng() % 6));
        if (rng() % 3 == 0 || table_->RecordCount() < 10) table_->AppendValues({{"NAME", name}});
        else table_->ChangeValues(1 + static_cast<int32_t>(rng() % table_->RecordCount()), {{"NAME", name}});
    }
    ExpectSound();
    ExpectSameOrder(Walk(tag));
    table_->exactMatch = true;
    for (int32_t r = 1; r <= table_->RecordCount(); ++r) {
        EXPECT_EQ(tag->Seek(Key(NameOf(r), r)), r);
        EXPECT_EQ(tag->SyncToRecord(r), r);
    }
}

TEST_F(NdxTagTest, RangeWithPartialHigh) {
    DVobjIndexTag* tag = Open({"ALPHA", "BETA", "BRAVO", "CHARLIE", "DELTA", "DX", "ECHO", "D"});
    DVobjIndexKeyData lo = Key("B"), hi = Key("D");
    struct Case {
        bool partialHigh;
        std::vector<int32_t> order;
    };
    for (const Case& c : {Case{true, {2, 3, 4, 8, 5, 6}}, Case{false, {2, 3, 4, 8}}}) {
        tag->SetKeyRange(nullptr, nullptr, false, false, false);
        EXPECT_TRUE(tag->SetKeyRange(&lo, &hi, c.partialHigh, true, false));
        EXPECT_EQ(Walk(tag), c.order) << c.partialHigh;
        std::vector<int32_t> back(c.order.rbegin(), c.order.rend());
        EXPECT_EQ(Walk(tag, true), back) << c.partialHigh;
    }
    EXPECT_FALSE(tag->SetKeyRange(&lo, &hi, false, true, false));  // unchanged
    table_->exactMatch = false;
    EXPECT_EQ(tag->Seek(Key("ECHO")), 0);  // outside the range
    EXPECT_TRUE(tag->Eof());
    EXPECT_TRUE(tag->SetKeyRange(nullptr, nullptr, false, false, false));
    EXPECT_FALSE(tag->HasRange());
    EXPECT_EQ(tag->Seek(Key("ECHO")), 7);
}

TEST_F(NdxTagTest, ForConditionDecidesMembershipOnEdit) {
    DVobjIndexTag* tag = Open({"A", "B", "C"}, false, "INC");
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(Walk(tag), (std::vector<int32_t>{1, 2, 3}));
    table_->ChangeValues(2, {{"INC", "F"}});  // condition turns false: leaves the tag
    EXPECT_EQ(Walk(tag), (std::vector<int32_t>{1, 3}));
    table_->ChangeValues(1, {{"NAME", "A"}});  // key unchanged: left alone
    EXPECT_EQ(Walk(tag), (std::vector<int32_t>{1, 3}));
    table_->ChangeValues(2, {{"INC", "T"}, {"NAME", "D"}});
    EXPECT_EQ(Walk(tag), (std::vector<int32_t>{1, 3, 2}));
    EXPECT_EQ(tag->SyncToRecord(2), 2);
}

TEST_F(NdxTagTest, BlankKeysSortFirstAndSurviveReopening) {
    Open({"M", "", "A"});
    file_.reset();
    table_->DetachAll();
    DVobjNDXFile file(table_.get(), false, false, false, false, dir_.File("T.NDX"));
    ASSERT_FALSE(file.Failed()) << file.FailureText();
    EXPECT_EQ(file.Tag()->KeyType(), 'C');
    EXPECT_EQ(Walk(file.Tag()), (std::vector<int32_t>{2, 3, 1}));
    EXPECT_EQ(file.Tag()->KeyExpressionText(), "NAME");
}

TEST_F(NdxTagTest, LongKeysAreCutToTheKeyLength) {
    DVobjIndexTag* tag = Open({"B", "D"});
    const std::string longKey = std::string(100, 'C') + "TAIL";
    DVobjIndexKeyData k = Key(longKey, 7);
    EXPECT_TRUE(tag->AddKey(k));
    table_->exactMatch = true;
    EXPECT_EQ(tag->Seek(Key(longKey)), 7);          // the search key is cut the same way
    EXPECT_EQ(tag->Seek(Key(std::string(100, 'C'))), 7);
    EXPECT_EQ(tag->CurrentKey().Size(), 100);
    file_->Tag()->ReleaseNodes();
    EXPECT_EQ(CheckNdx(dir_.File("T.NDX")).problem, "");
}

TEST_F(NdxTagTest, BadKeyExpressionLeavesTheFileAlone) {
    Open({"A", "B"});
    const std::vector<uint8_t> before = ReadFileBytes(dir_.File("T.NDX"));
    EXPECT_THROW(file_->CreateTag("", "NOSUCH", false, true, ""), EOrdaneExpression);
    EXPECT_EQ(ReadFileBytes(dir_.File("T.NDX")), before);
    DVobjIndexTag* logical = file_->CreateTag("", "INC", false, true, "");  // a logical key: 1-byte text
    EXPECT_EQ(logical, file_->Tag());
    EXPECT_EQ(logical->KeyLength(), 1);
}

TEST_F(NdxTagTest, NamesMatchAndRenameKeepsTheExtension) {
    Open({"A"});
    EXPECT_EQ(file_->FileName(), "T.NDX");
    EXPECT_EQ(file_->Tag()->Name(), "T");
    EXPECT_TRUE(file_->MatchesName("C:\\DATA\\t.ndx"));
    EXPECT_FALSE(file_->MatchesName("T.NTX"));
    EXPECT_TRUE(file_->RenameFile("other.idx"));
    EXPECT_EQ(file_->FileName(), "OTHER.NDX");
    EXPECT_TRUE(FileExistsAt(dir_.File("OTHER.NDX")) || FileExistsAt(dir_.File("other.NDX")));
    EXPECT_EQ(Walk(file_->Tag()), (std::vector<int32_t>{1}));
}
