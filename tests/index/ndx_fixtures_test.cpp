// NDX files written by other programs: they open, walk in their recorded order and answer seeks; after we
// append and change records through the table, an independent reader still walks them in key order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/index/ndx_file.h"
#include "index_test_table.h"
#include "ndx_verify.h"
#include "temp_dir.h"

namespace {
struct ExpectedIndex {
    std::string table, index;
    char keyType = 'C';
    bool unique = false;
    std::vector<int32_t> order;
};

std::vector<ExpectedIndex> LoadExpected() {
    int status = 0;
    std::string out = RunCommand(std::string("'") + VELMORA_ORACLE_PYTHON + "' '" + VELMORA_TESTS_DIR +
                                     "/tools/expected_indexes.py' '" + FixturePath("peer") + "'",
                                 &status);
    std::vector<ExpectedIndex> list;
    std::istringstream in(out);
    std::string word;
    while (in >> word) {
        if (word == "INDEX") {
            ExpectedIndex e;
            int unique = 0, entries = 0;
            in >> e.table >> e.index >> e.keyType >> unique >> entries;
            e.unique = unique != 0;
            list.push_back(e);
        } else if (word == "ORDER" && !list.empty()) {
            std::string line;
            std::getline(in, line);
            std::istringstream nums(line);
            int32_t r;
            while (nums >> r) list.back().order.push_back(r);
        }
    }
    return list;
}

std::string Base(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

std::vector<int32_t> Walk(DVobjIndexTag* tag, bool backwards = false) {
    std::vector<int32_t> out;
    const int start = backwards ? recreq::kLast : recreq::kFirst;
    const int step = backwards ? recreq::kPrior : recreq::kNext;
    for (int32_t r = tag->Navigate(start); r != 0; r = tag->Navigate(step)) out.push_back(r);
    return out;
}

// The tag's key of record r, converted to its stored form.
DVobjIndexKeyData KeyOf(TestTable& table, DVobjIndexTag* tag, int32_t r) {
    table.GetRecord(r);
    DVobjIndexKeyData k(256);
    table.CompileExpression(tag->KeyExpression())->Evaluate(k);
    tag->ConvertKey(k, true);
    k.Target = -1;
    return k;
}

bool OracleAvailable() {
    int status = 0;
    RunCommand("perl -MXBase::Index -e 1 2>/dev/null", &status);
    return status == 0;
}

std::vector<int32_t> OracleOrder(const std::string& path) {
    int status = 0;
    std::string out = RunCommand("perl '" + std::string(VELMORA_TESTS_DIR) + "/tools/ndx_oracle.pl' '" + path + "'",
                                 &status);
    std::vector<int32_t> order;
    std::istringstream in(out);
    int32_t r;
    while (in >> r) order.push_back(r);
    return order;
}
}  // namespace

TEST(NdxFixturesTest, PeerFilesWalkInTheirOrderAndAnswerSeeks) {
    if (!FixturesAvailable()) GTEST_SKIP() << "no fixtures";
    const std::vector<ExpectedIndex> list = LoadExpected();
    ASSERT_GE(list.size(), 11u);
    for (const ExpectedIndex& e : list) {
        SCOPED_TRACE(e.index);
        TempDir dir;
        const std::string tablePath = dir.File(Base(e.table));
        WriteFileBytes(tablePath, ReadFileBytes(e.table));
        WriteFileBytes(dir.File(Base(e.index)), ReadFileBytes(e.index));
        TestTable table(tablePath, false, false);
        DVobjNDXFile file(&table, false, false, true, false, dir.File(Base(e.index)));
        ASSERT_TRUE(file.Opened());
        ASSERT_FALSE(file.Failed()) << file.FailureText();
        DVobjIndexTag* tag = file.Tag();
        EXPECT_EQ(tag->KeyType(), e.keyType);
        EXPECT_EQ(tag->Unique(), e.unique);
        EXPECT_EQ(Walk(tag), e.order);
        EXPECT_EQ(Walk(tag, true), std::vector<int32_t>(e.order.rbegin(), e.order.rend()));
        // Every key finds the first record of its run of equal keys.
        table.exactMatch = true;
        std::vector<DVobjIndexKeyData> keys;
        for (int32_t r : e.order) keys.push_back(KeyOf(table, tag, r));
        size_t first = 0;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (i > 0 && keys[i].Compare(&keys[first], nullptr, nullptr, -1) != 0) first = i;
            EXPECT_EQ(tag->Seek(keys[i]), e.order[first]) << "position " << i;
        }
    }
}

TEST(NdxFixturesTest, DosWrittenNumericIndexOpensWalksAndSeeks) {
    if (!FixturesAvailable()) GTEST_SKIP() << "no fixtures";
    TempDir dir;
    const std::string tablePath = dir.CopyFixture("real/altemiq-geometry/test.dbf");
    dir.CopyFixture("real/altemiq-geometry/test.ndx");
    TestTable table(tablePath, false, false);
    DVobjNDXFile file(&table, false, false, true, false, "test.ndx");
    ASSERT_TRUE(file.Opened());
    ASSERT_FALSE(file.Failed()) << file.FailureText();
    DVobjIndexTag* tag = file.Tag();
    EXPECT_EQ(tag->KeyType(), 'N');
    std::vector<int32_t> order = Walk(tag);
    ASSERT_EQ(order.size(), 3u);
    for (int32_t r : order) EXPECT_EQ(tag->Seek(KeyOf(table, tag, r)), r);
    if (OracleAvailable()) {
        EXPECT_EQ(OracleOrder(dir.File("test.ndx")), order);
    }
}

TEST(NdxFixturesTest, PeerIndexesStayWellFormedAfterAppendsAndChanges) {
    if (!FixturesAvailable()) GTEST_SKIP() << "no fixtures";
    struct Case {
        const char* folder;
        const char* table;
        std::vector<const char*> indexes;
        const char* charField;
        const char* numberField;
        const char* dateField;
    };
    const Case cases[] = {
        {"peer/xbase64/ndx_people", "PEOPLE.DBF", {"LNAME.NDX", "NAMES.NDX", "AMOUNT.NDX", "BORN.NDX", "ULNAME.NDX"},
         "LNAME", "AMOUNT", "BORN"},
        {"peer/libreoffice/ndx_dbase3", "ITEMS.dbf", {"INAME.ndx", "IPRICE.ndx", "ISOLD.ndx", "ICODE.ndx"}, "NAME",
         "PRICE", "SOLD"},
    };
    const bool oracle = OracleAvailable();
    std::mt19937 rng(9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        TempDir dir;
        const std::string tablePath = dir.CopyFixture(std::string(c.folder) + "/" + c.table);
        for (const char* ix : c.indexes) dir.CopyFixture(std::string(c.folder) + "/" + ix);
        {
            TestTable table(tablePath, true, false);
            std::vector<std::unique_ptr<DVobjNDXFile>> files;
            for (const char* ix : c.indexes) {
                files.push_back(std::make_unique<DVobjNDXFile>(&table, false, false, false, false, ix));
                ASSERT_FALSE(files.back()->Failed()) << files.back()->FailureText();
                table.Attach(files.back().get());
            }
            for (int i = 0; i < 300; ++i) {
                std::string name = "NEW" + std::string(1, static_cast<char>('A' + rng() % 26)) + std::to_string(i);
                std::vector<std::pair<std::string, std::string>> values = {
                    {c.charField, name},
                    {c.numberField, std::to_string(static_cast<int>(rng() % 20000) - 10000)},
                    {c.dateField, i % 10 == 0 ? "" : std::to_string(19500101 + (rng() % 60) * 10000)}};
                if (i % 2 == 0) table.AppendValues(values);
                else table.ChangeValues(1 + static_cast<int32_t>(rng() % table.RecordCount()), values);
            }
            table.DetachAll();
        }
        for (const char* ix : c.indexes) {
            SCOPED_TRACE(ix);
            NdxCheck check = CheckNdx(dir.File(ix), false);
            EXPECT_EQ(check.problem, "");
            if (!oracle) continue;
            std::vector<int32_t> own;
            for (const NdxEntry& e : check.entries) own.push_back(e.record);
            const std::vector<int32_t> theirs = OracleOrder(dir.File(ix));
            EXPECT_EQ(theirs.size(), own.size());
            const auto diff = std::mismatch(theirs.begin(), theirs.end(), own.begin(), own.end());
            EXPECT_TRUE(diff.first == theirs.end() && diff.second == own.end())
                << "first difference at " << (diff.first - theirs.begin());
        }
        // Reopened, every tag walks every record (unique ones: one per key) in key order.
        TestTable table(tablePath, false, false);
        for (const char* ix : c.indexes) {
            DVobjNDXFile file(&table, false, false, true, false, ix);
            ASSERT_FALSE(file.Failed());
            std::vector<int32_t> order = Walk(file.Tag());
            if (!file.Tag()->Unique()) {
                EXPECT_EQ(static_cast<int32_t>(order.size()), table.RecordCount()) << ix;
            }
            for (size_t i = 1; i < order.size(); ++i) {
                DVobjIndexKeyData a = KeyOf(table, file.Tag(), order[i - 1]), b = KeyOf(table, file.Tag(), order[i]);
                EXPECT_LE(file.Tag()->CompareKeys(a, b, -1), 0) << ix << " at " << i;
            }
        }
    }
}
