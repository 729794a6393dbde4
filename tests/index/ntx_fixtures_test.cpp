// NTX files written by another xBase system: every one opens, walks in its stored order both ways, finds every
// key it holds, and checks out against its table; the writer's own page dump agrees with our walk; and after we
// append and change records through the table the independent checker still finds a sound tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/index/ntx_file.h"
#include "index_test_table.h"
#include "ntx_verify.h"
#include "temp_dir.h"

namespace {
struct Fixture {
    const char* folder;
    const char* table;
    const char* index;
    bool learnsOrder;  // stored in the writer's collation, not in byte order
};

// The ANSI set (table version 0x07) and the OEM set of the German files hold every byte value in a character
// field, ordered by the writer's collation; the rest are in byte order.
const Fixture kFixtures[] = {
    {"vo-explorer", "Customer.dbf", "Custname.ntx", false},
    {"vo-explorer", "Customer.dbf", "Custnum.ntx", false},
    {"vo-explorer", "Orders.dbf", "Ordcust.ntx", false},
    {"vo-explorer", "Orders.dbf", "Ordernum.ntx", false},
    {"vo-ntx-german", "TEST1ANSI.DBF", "TEST1ANSI1.NTX", true},
    {"vo-ntx-german", "TEST1ANSI.DBF", "TEST1ANSI2.NTX", false},
    {"vo-ntx-german", "TEST1ANSI.DBF", "test1Ansi3.ntx", false},
    {"vo-ntx-german", "TEST1OEM.DBF", "test1Oem1.ntx", true},
    {"vo-ntx-german", "TEST1OEM.DBF", "test1Oem2.ntx", false},
    {"vo-ntx-german", "TEST1OEM.DBF", "test1Oem3.ntx", false},
    {"vo-ntx-test2", "TEST2ANSI.DBF", "test2Ansi1.ntx", false},
    {"vo-ntx-test2", "TEST2ANSI.DBF", "test2Ansi2.ntx", false},
    {"vo-ntx-test2", "TEST2ANSI.DBF", "test2Ansi3.ntx", false},
};

std::string Folder(const Fixture& f) { return std::string("real/xsharp/") + f.folder + "/"; }

std::vector<int32_t> Walk(DVobjIndexTag* tag, bool backwards = false) {
    std::vector<int32_t> out;
    const int start = backwards ? recreq::kLast : recreq::kFirst;
    const int step = backwards ? recreq::kPrior : recreq::kNext;
    for (int32_t r = tag->Navigate(start); r != 0; r = tag->Navigate(step)) out.push_back(r);
    return out;
}

// The tag's key of record r, in its stored form.
DVobjIndexKeyData KeyOf(TestTable& table, DVobjIndexTag* tag, int32_t r) {
    table.ReadRecordPhysical(r);
    DVobjIndexKeyData key(256);
    bool ok = false;
    tag->EvaluateKey(key, ok);
    tag->ConvertKey(key, true);
    return key;
}

// The record numbers of the writer's own dump, in index order.
std::vector<int32_t> DumpOrder(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::vector<int32_t> order;
    bool listing = false;
    while (std::getline(in, line)) {
        if (line.find("List of Records in Index order") != std::string::npos) listing = true;
        std::istringstream words(line);
        int32_t r = 0;
        if (listing && words >> r) order.push_back(r);
    }
    return order;
}
}  // namespace

TEST(NtxFixturesTest, EveryFileWalksBothWaysSeeksEveryKeyAndChecksOut) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.index);
        TempDir dir;
        const std::string tablePath = dir.CopyFixture(Folder(f) + f.table);
        const std::string indexPath = dir.CopyFixture(Folder(f) + f.index);
        TestTable table(tablePath, false, false);
        DVobjNTXFile file(&table, false, false, true, false, indexPath);
        ASSERT_TRUE(file.Opened());
        ASSERT_FALSE(file.Failed()) << file.FailureText();
        DVobjNTXTag* tag = file.Tag();
        EXPECT_EQ(tag->LearnedCollation(), f.learnsOrder);

        // The stored order, read by the tests' own checker in the file's tree order.
        const NtxCheck check = CheckNtx(indexPath, [](const std::string&, const std::string&) { return false; });
        ASSERT_EQ(check.problem, "");
        const std::vector<int32_t> stored = NtxRecords(check);
        // The order files hold no key for the two records appended after them.
        EXPECT_EQ(static_cast<int32_t>(stored.size()), table.RecordCount() - (f.table == std::string("Orders.dbf") ? 2 : 0));
        EXPECT_EQ(Walk(tag), stored);
        std::vector<int32_t> back = Walk(tag, true);
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(back, stored);

        // Every record is found at its own key, and a key without a record finds the first of its equals.
        for (size_t i = 0; i < stored.size(); ++i) {
            const int32_t r = stored[i];
            DVobjIndexKeyData key = KeyOf(table, tag, r);
            key.Target = r;
            EXPECT_EQ(tag->Seek(key), r) << "record " << r;
            key.Target = -1;
            const int32_t first = tag->Seek(key);
            EXPECT_NE(first, 0) << "record " << r;
            if (first != 0) {
                DVobjIndexKeyData found = KeyOf(table, tag, first);
                EXPECT_EQ(found.Compare(&key, nullptr, nullptr, -1), 0) << "record " << r << " found " << first;
            }
        }
        // The walk is in the tag's own order.
        DVobjIndexKeyData previous;
        bool havePrevious = false;
        for (int32_t r = tag->Navigate(recreq::kFirst); r != 0; r = tag->Navigate(recreq::kNext)) {
            if (havePrevious) {
                EXPECT_LE(tag->CompareKeys(previous, tag->CurrentKey(), -1), 0) << "record " << r;
            }
            previous.CopyFrom(tag->CurrentKey());
            havePrevious = true;
        }
    }
}

TEST(NtxFixturesTest, OurWalkAgreesWithTheWritersOwnDump) {
    const std::string folder = "real/xsharp/vo-ntx-test2/";
    const std::vector<int32_t> dumped = DumpOrder(FixturePath(folder + "test2Ansi1.ntx.DMP"));
    ASSERT_EQ(dumped.size(), 224u);
    TempDir dir;
    TestTable table(dir.CopyFixture(folder + "TEST2ANSI.DBF"), false, false);
    DVobjNTXFile file(&table, false, false, true, false, dir.CopyFixture(folder + "test2Ansi1.ntx"));
    ASSERT_FALSE(file.Failed()) << file.FailureText();
    EXPECT_EQ(Walk(file.Tag()), dumped);
    // The header fields the dump names.
    const NtxCheck check = CheckNtx(dir.File("test2Ansi1.ntx"));
    EXPECT_EQ(check.root, 6144);
    EXPECT_EQ(check.entryLength, 18);
    EXPECT_EQ(check.keysPerPage, 50);
    EXPECT_EQ(check.halfPage, 25);
}

TEST(NtxFixturesTest, AppendsAndChangesKeepForeignFilesSound) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.index);
        TempDir dir;
        const std::string tablePath = dir.CopyFixture(Folder(f) + f.table);
        const std::string indexPath = dir.CopyFixture(Folder(f) + f.index);
        TestTable table(tablePath, true, false);
        DVobjNTXFile file(&table, false, false, false, false, indexPath);
        ASSERT_FALSE(file.Failed()) << file.FailureText();
        table.Attach(&file);
        DVobjNTXTag* tag = file.Tag();
        const int32_t before = table.RecordCount();
        const size_t held = CheckNtx(indexPath, [](const std::string&, const std::string&) { return false; }).entries.size();
        // Copies of existing records (their keys land among equals) and changes that move keys.
        for (int i = 1; i <= 40; ++i) {
            table.GetRecord((i * 37) % before + 1);
            table.AppendRecord();
        }
        for (int i = 1; i <= 20; ++i) {
            table.GetRecord((i * 11) % before + 1);
            std::vector<std::pair<std::string, std::string>> values;
            for (int32_t n = 1; n <= table.FieldCount(); ++n) values.emplace_back(table.FieldName(n), table.FieldGet(n));
            table.ChangeValues((i * 53) % before + 1, values);
        }
        table.DetachAll();
        tag->ReleaseNodes();
        const NtxCheck check = CheckNtx(indexPath, [](const std::string&, const std::string&) { return false; });
        ASSERT_EQ(check.problem, "");
        EXPECT_EQ(check.entries.size(), held + 40);
        const std::vector<int32_t> order = NtxRecords(check);
        const std::set<int32_t> records(order.begin(), order.end());
        EXPECT_EQ(records.size(), order.size());
        EXPECT_EQ(Walk(tag), order);
        for (int32_t r : order) {
            DVobjIndexKeyData key = KeyOf(table, tag, r);
            key.Target = r;
            EXPECT_EQ(tag->Seek(key), r) << "record " << r;
        }
    }
}
