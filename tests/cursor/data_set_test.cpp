// The data-set adaptor over real table files: the launcher's own configuration end to end, the buffer and
// bookmark layout, field values by type, deleted records, editing under record locks, and two processes sharing
// one table.
#include "engine/cursor/ordane_data_set.h"

#include <gtest/gtest.h>

#include <cstring>

#include "data_set_fixture.h"
#include "engine/cursor/database_aliases.h"
#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/storage/errors.h"
#include "framework/data/data_source.h"
#include "framework/data/field.h"
#include "process.h"
#include "temp_dir.h"

namespace {

// --- the launcher's configuration -----------------------------------------------------------------------------

class LauncherTable : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTable(dir.File("file0feed.dbf"), 0x03, {{"TITLE", 'C', 55}, {"EXENAME", 'C', 55}},
                  {{{"TITLE", "Starfield"}, {"EXENAME", "stars.scr"}},
                   {{"TITLE", "Aquarium"}, {"EXENAME", "fish.scr"}},
                   {{"TITLE", "Mystify"}, {"EXENAME", "mystify.scr"}}});
        MakeNdx(dir.File("file0feed.dbf"), dir.File("TITLE.NDX"), "TITLE");
    }

    // Configured as the main window stores it: persistent fields, shared, read-only, TITLE without order.
    void Configure(TOrdaneDataSet& ds, int titleSize = 55) {
        ds.BeginLoading();
        ds.SetDatabaseName("Default Directory");
        ds.SetTableName("file0feed.dbf");
        ds.SetReadOnly(true);
        ds.IndexFiles().Add("TITLE");
        ds.EndLoading();
        title = std::make_unique<TStringField>(titleSize);
        title->SetFieldName("TITLE");
        title->SetDataSet(&ds);
        exename = std::make_unique<TStringField>(55);
        exename->SetFieldName("EXENAME");
        exename->SetDataSet(&ds);
    }

    TempDir dir;
    ScopedEnv programDir{"VELMORA_PROGRAM_DIR", dir.Path()};
    std::unique_ptr<TStringField> title, exename;
};

TEST_F(LauncherTable, OpensInPhysicalOrderKeepsTheIndexAndRefusesEdits) {
    TOrdaneDataSet ds;
    Configure(ds);
    TDataSource source;
    std::string exeFile;
    source.OnDataChange = [&](TDataSource&, TField*) { exeFile = ds.FieldByName("EXENAME").AsString(); };
    source.SetDataSet(&ds);
    ds.Open();

    EXPECT_EQ(ds.TableDirectory(), dir.Path() + "/");
    EXPECT_EQ(Column(ds, "TITLE"), (std::vector<std::string>{"Starfield", "Aquarium", "Mystify"}));
    ds.First();
    EXPECT_EQ(exeFile, "stars.scr");
    ds.Next();
    EXPECT_EQ(exeFile, "fish.scr");
    EXPECT_EQ(ds.RecNo(), 2);
    ASSERT_NE(ds.Handler(), nullptr);
    EXPECT_EQ(ds.Handler()->IndexFileCount(), 1);
    EXPECT_EQ(ds.Handler()->MasterTag(), nullptr);
    EXPECT_TRUE(ds.Handler()->ReadAheadOn());
    EXPECT_TRUE(ds.Handler()->IsShared());
    ASSERT_EQ(ds.IndexDefs().Count(), 1);
    EXPECT_EQ(ds.IndexDefs()[0].fields, "TITLE");
    EXPECT_TRUE(ds.IsSequenced());

    EXPECT_FALSE(ds.CanModify());
    EXPECT_EQ(Message([&] { ds.Edit(); }), dbmsg::DataSetReadOnly);
    EXPECT_EQ(Message([&] { ds.Append(); }), dbmsg::DataSetReadOnly);
    EXPECT_EQ(ds.State(), dsBrowse);
    ds.Close();
}

TEST_F(LauncherTable, TheIndexFollowsWritesMadeInPhysicalOrder) {
    {
        TOrdaneDataSet writer;
        writer.SetDatabaseName("Default Directory");
        writer.SetTableName("file0feed");
        writer.IndexFiles().Add("TITLE");
        writer.Open();
        EXPECT_EQ(writer.TableName(), "file0feed.DBF");  // the completed name is kept
        writer.Append();
        writer.FieldByName("TITLE").SetAsString("Beziers");
        writer.Post();
        writer.First();
        writer.Edit();
        writer.FieldByName("TITLE").SetAsString("Zebra");
        writer.Post();
        EXPECT_EQ(Column(writer, "TITLE"), (std::vector<std::string>{"Zebra", "Aquarium", "Mystify", "Beziers"}));
    }
    TOrdaneDataSet ordered;
    Configure(ordered);
    ordered.SetIndexName("TITLE");
    ordered.Open();
    EXPECT_EQ(Column(ordered, "TITLE"), (std::vector<std::string>{"Aquarium", "Beziers", "Mystify", "Zebra"}));
    EXPECT_FALSE(ordered.IsSequenced());
    ordered.SetIndexName("");
    EXPECT_EQ(Column(ordered, "TITLE"), (std::vector<std::string>{"Zebra", "Aquarium", "Mystify", "Beziers"}));
}

TEST_F(LauncherTable, ReportsMissingFilesAndMismatchedFieldsWithTheirMessages) {
    {
        TOrdaneDataSet ds;
        Configure(ds, 50);
        EXPECT_EQ(Message([&] { ds.Open(); }), "Size mismatch for field 'TITLE', expecting: 50 actual: 55");
        EXPECT_FALSE(ds.Active());
        EXPECT_EQ(ds.Handler(), nullptr);
    }
    std::remove(dir.File("TITLE.NDX").c_str());
    {
        TOrdaneDataSet ds;
        Configure(ds);
        EXPECT_EQ(Message([&] { ds.Open(); }), "Cannot find file " + dir.Path() + "/TITLE.NDX");
        EXPECT_FALSE(ds.Active());
    }
    std::remove(dir.File("file0feed.dbf").c_str());
    {
        TOrdaneDataSet ds;
        Configure(ds);
        EXPECT_EQ(Message([&] { ds.Open(); }), "Cannot find file " + dir.Path() + "/file0feed.dbf");
    }
    TOrdaneDataSet unnamed;
    EXPECT_EQ(Message([&] { unnamed.Open(); }), "Table name missing");
    EXPECT_EQ(Message([&] { unnamed.RecordCount(); }), dbmsg::DataSetClosed);
    EXPECT_EQ(Message([&] { unnamed.RecNo(); }), dbmsg::DataSetClosed);
}

// --- field values ---------------------------------------------------------------------------------------------

TEST(DataSetFields, TypesFollowLengthAndDecimalsAndDatesReadStrictly) {
    TempDir dir;
    MakeTable(dir.File("T.DBF"), 0x03,
              {{"NAME", 'C', 10}, {"SMALL", 'N', 4}, {"WIDE", 'N', 5}, {"PRICE", 'N', 8, 2}, {"DAY", 'D', 8},
               {"OK", 'L', 1}},
              {{{"NAME", "  "}, {"SMALL", "12"}, {"WIDE", "-1234"}, {"PRICE", "3.25"}, {"DAY", "20240229"}, {"OK", "T"}},
               {{"DAY", "        "}},
               {{"DAY", "00000000"}},
               {{"DAY", "20241301"}},
               {{"DAY", "2024x101"}}});
    auto ds = DataSetOn(dir.Path(), "T");
    ds->Open();
    EXPECT_EQ(ds->FieldByName("SMALL").DataType(), ftSmallint);
    EXPECT_EQ(ds->FieldByName("WIDE").DataType(), ftInteger);
    EXPECT_EQ(ds->FieldByName("PRICE").DataType(), ftFloat);
    EXPECT_EQ(ds->FieldByName("DAY").DataType(), ftDate);
    EXPECT_EQ(ds->FieldByName("OK").DataType(), ftBoolean);
    EXPECT_EQ(ds->FieldByName("NAME").Size(), 10);

    EXPECT_TRUE(ds->FieldByName("NAME").IsNull());  // blanks only: no value
    EXPECT_EQ(ds->FieldByName("SMALL").AsInteger(), 12);
    EXPECT_EQ(ds->FieldByName("WIDE").AsInteger(), -1234);
    EXPECT_DOUBLE_EQ(ds->FieldByName("PRICE").AsFloat(), 3.25);
    EXPECT_EQ(ds->FieldByName("DAY").AsString(), "2/29/2024");
    EXPECT_TRUE(ds->FieldByName("OK").AsBoolean());
    for (int record = 2; record <= 5; ++record) {
        ds->Next();
        EXPECT_TRUE(ds->FieldByName("DAY").IsNull()) << "record " << record;
        EXPECT_FALSE(ds->FieldByName("SMALL").IsNull());  // a blank number reads as 0
        EXPECT_EQ(ds->FieldByName("SMALL").AsInteger(), 0);
    }

    ds->First();
    ds->Edit();
    ds->FieldByName("DAY").Clear();
    ds->FieldByName("SMALL").SetAsInteger(-99);
    ds->FieldByName("PRICE").SetAsFloat(1234.5);
    ds->FieldByName("OK").SetAsBoolean(false);
    ds->Post();
    ds->Handler()->GetRecord(1);
    EXPECT_EQ(ds->Handler()->FieldGetN("DAY"), "        ");
    EXPECT_EQ(ds->Handler()->FieldGetN("SMALL"), " -99");
    EXPECT_EQ(ds->Handler()->FieldGetN("PRICE"), " 1234.50");
    EXPECT_EQ(ds->Handler()->FieldGetN("OK"), "F");
    ds->Edit();
    ds->FieldByName("DAY").SetAsString("12/31/1999");
    ds->Post();
    ds->Handler()->GetRecord(1);
    EXPECT_EQ(ds->Handler()->FieldGetN("DAY"), "19991231");
}

TEST(DataSetFields, OemTextReadsAsAnsiAndWritesBackTheSameBytes) {
    TempDir dir;
    MakeTable(dir.File("T.DBF"), 0x03, {{"NAME", 'C', 10}}, {{{"NAME", "M\x81ller"}}});
    auto ds = DataSetOn(dir.Path(), "T");
    ds->Open();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "M\xFCller");
    ds->Edit();
    ds->FieldByName("NAME").SetAsString(ds->FieldByName("NAME").AsString());
    ds->Post();
    ds->Handler()->GetRecord(1);
    EXPECT_EQ(ds->Handler()->FieldGetN("NAME"), "M\x81ller    ");

    ds->SetTranslateASCII(false);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "M\x81ller");
}

// --- bookmarks, record numbers ---------------------------------------------------------------------------------

TEST(DataSetBookmarks, ElevenBytesInRecordNumberOrder) {
    TempDir dir;
    std::vector<RawRecord> rows;
    for (int i = 1; i <= 12; ++i) rows.push_back({{"N", std::to_string(i)}});
    MakeTable(dir.File("T.DBF"), 0x03, {{"N", 'N', 4}}, rows);
    auto ds = DataSetOn(dir.Path(), "T");
    ds->Open();
    ds->SetRecNo(9);
    const TBookmark nine = ds->GetBookmark();
    ds->Next();
    const TBookmark ten = ds->GetBookmark();
    ASSERT_EQ(nine.size(), 11u);
    EXPECT_EQ(std::string(nine.data(), 11), std::string("         9\0", 11));
    EXPECT_EQ(ds->CompareBookmarks(nine, ten), -1);
    EXPECT_EQ(ds->CompareBookmarks(ten, nine), 1);
    EXPECT_EQ(ds->CompareBookmarks(ten, ten), 0);
    EXPECT_EQ(ds->CompareBookmarks({}, ten), -1);
    EXPECT_EQ(ds->CompareBookmarks(ten, {}), 1);

    EXPECT_TRUE(ds->BookmarkValid(ten));
    TBookmark beyond(11, ' ');
    std::memcpy(beyond.data(), "        13", 10);
    beyond[10] = 0;
    EXPECT_FALSE(ds->BookmarkValid(beyond));
    TBookmark junk(11, 'x');
    EXPECT_FALSE(ds->BookmarkValid(junk));

    ds->GotoBookmark(nine);
    EXPECT_EQ(ds->RecNo(), 9);
    EXPECT_EQ(ds->FieldByName("N").AsInteger(), 9);
    EXPECT_EQ(Message([&] { ds->GotoBookmark(beyond); }), "Bookmark is invalid for table T.DBF");
    EXPECT_EQ(Message([&] { ds->GotoBookmark(junk); }), "Bookmark is invalid for table T.DBF");
}

// --- deleted records -----------------------------------------------------------------------------------------

class DeletedRecords : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTable(dir.File("T.DBF"), 0x03, {{"NAME", 'C', 8}},
                  {{{"NAME", "DELTA"}, {"*", ""}},
                   {{"NAME", "ALPHA"}},
                   {{"NAME", "CHARLIE"}, {"*", ""}},
                   {{"NAME", "BRAVO"}},
                   {{"NAME", "ECHO"}}});
        MakeNdx(dir.File("T.DBF"), dir.File("NAME.NDX"), "NAME");
        ds = DataSetOn(dir.Path(), "T");
        ds->IndexFiles().Add("NAME");
        ds->Open();
    }
    TempDir dir;
    std::unique_ptr<TOrdaneDataSet> ds;
};

TEST_F(DeletedRecords, HiddenInEveryOrderWhileRecordCountStillCountsThem) {
    EXPECT_EQ(Column(*ds, "NAME"), (std::vector<std::string>{"ALPHA", "BRAVO", "ECHO"}));
    ds->SetIndexName("NAME");
    EXPECT_EQ(Column(*ds, "NAME"), (std::vector<std::string>{"ALPHA", "BRAVO", "ECHO"}));
    EXPECT_EQ(ds->RecordCount(), 5);
    ds->SetExactCount(true);
    EXPECT_EQ(ds->RecordCount(), 3);
    ds->SetUseDeleted(true);
    EXPECT_EQ(Column(*ds, "NAME"), (std::vector<std::string>{"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO"}));
    EXPECT_EQ(ds->RecordCount(), 5);
}

TEST_F(DeletedRecords, DeletingTheLastVisibleRecordLeavesTheOneBeforeIt) {
    ds->Last();
    ASSERT_EQ(ds->FieldByName("NAME").AsString(), "ECHO");
    ds->Delete();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "BRAVO");
    EXPECT_EQ(ds->RecNo(), 4);
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(Column(*ds, "NAME"), (std::vector<std::string>{"ALPHA", "BRAVO"}));

    // Recall brings a deleted record back where it stands; the cursor stays.
    ds->SetUseDeleted(true);
    ds->SetRecNo(3);
    ASSERT_EQ(ds->FieldByName("NAME").AsString(), "CHARLIE");
    ds->Recall();
    EXPECT_EQ(ds->RecNo(), 3);
    ds->SetUseDeleted(false);
    EXPECT_EQ(Column(*ds, "NAME"), (std::vector<std::string>{"ALPHA", "CHARLIE", "BRAVO"}));
    // The index followed both writes.
    ds->SetIndexName("NAME");
    EXPECT_EQ(Column(*ds, "NAME"), (std::vector<std::string>{"ALPHA", "BRAVO", "CHARLIE"}));
}

TEST_F(DeletedRecords, ReadOnlyDeleteAndRecallFailWithTheirMessagesAndRestoreTheHandler) {
    ds->Close();
    ds->SetReadOnly(true);
    ds->SetUseDeleted(true);
    ds->Open();
    ds->SetRecNo(1);
    uint8_t* own = ds->Handler()->RecordBuffer();
    EXPECT_EQ(Message([&] { ds->Recall(); }), "Cannot recall the record");
    EXPECT_EQ(ds->Handler()->RecordBuffer(), own);
    EXPECT_TRUE(ds->Handler()->useDeleted);
    ds->SetUseDeleted(false);
    ds->SetReadOnly(false);  // the table was opened read-only: it stays so
    EXPECT_TRUE(ds->ReadOnly());
    EXPECT_FALSE(ds->Handler()->useDeleted);
}

// --- editing --------------------------------------------------------------------------------------------------

TEST(DataSetEditing, OldValuesCancelAndInsertUnderTheRecordLock) {
    TempDir dir;
    MakeTable(dir.File("T.DBF"), 0x03, {{"NAME", 'C', 8}}, {{{"NAME", "ONE"}}, {{"NAME", "TWO"}}});
    auto ds = DataSetOn(dir.Path(), "T");
    ds->Open();
    ds->Next();
    ds->Edit();
    EXPECT_EQ(ds->Handler()->LockCount(), 1);
    ds->FieldByName("NAME").SetAsString("ZWEI");
    EXPECT_EQ(ds->FieldByName("NAME").OldValue().AsString(), "TWO");
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "ZWEI");
    ds->Cancel();
    EXPECT_EQ(ds->Handler()->LockCount(), 0);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "TWO");

    ds->Insert();
    EXPECT_EQ(ds->Handler()->LockCount(), 0);  // an insert holds no record lock, so its append is allowed
    ds->FieldByName("NAME").SetAsString("THREE");
    ds->Post();
    EXPECT_EQ(ds->RecordCount(), 3);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "THREE");
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(Message([&] { ds->FieldByName("NAME").SetAsString("X"); }), dbmsg::NotEditing);
}

TEST(DataSetEditing, TwoProcessesShareOneTable) {
    TempDir dir;
    const std::string table = dir.File("SHARED.DBF");
    MakeTable(table, 0x03, {{"NAME", 'C', 8}}, {{{"NAME", "ONE"}}, {{"NAME", "TWO"}}});
    ChildProcess other([&](ChildProcess& self) {
        auto ds = DataSetOn(dir.Path(), "SHARED");
        ds->Open();
        ds->Edit();
        ds->FieldByName("NAME").SetAsString("UNO");
        self.Tell();  // holding the lock of record 1
        self.Await();
        ds->Post();
        self.Tell();  // posted and unlocked
        self.Await();
        return 0;
    });
    auto ds = DataSetOn(dir.Path(), "SHARED");
    ds->Open();
    other.Await();
    EXPECT_EQ(Message([&] { ds->Edit(); }), "Record is locked by another user");
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "ONE");
    other.Tell();
    other.Await();
    ds->Refresh();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "UNO");
    ds->Edit();  // the lock is free now
    ds->FieldByName("NAME").SetAsString("EINS");
    ds->Post();
    other.Tell();
    EXPECT_EQ(other.Wait(), 0);
}

TEST(DataSetEditing, EditRereadsTheRecordAnotherProcessWrote) {
    TempDir dir;
    const std::string table = dir.File("SHARED.DBF");
    MakeTable(table, 0x03, {{"NAME", 'C', 8}, {"CITY", 'C', 8}}, {{{"NAME", "ONE"}, {"CITY", "ROME"}}});
    ChildProcess other([&](ChildProcess& self) {
        self.Await();
        auto ds = DataSetOn(dir.Path(), "SHARED");
        ds->Open();
        ds->Edit();
        ds->FieldByName("CITY").SetAsString("OSLO");
        ds->Post();
        self.Tell();
        return 0;
    });
    auto ds = DataSetOn(dir.Path(), "SHARED");
    ds->Open();
    ASSERT_EQ(ds->FieldByName("CITY").AsString(), "ROME");  // read before the other process writes
    other.Tell();
    other.Await();
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("UNO");
    ds->Post();
    EXPECT_EQ(other.Wait(), 0);
    ds->Handler()->GetRecord(1);
    EXPECT_EQ(ds->Handler()->FieldGetN("NAME"), "UNO     ");
    EXPECT_EQ(ds->Handler()->FieldGetN("CITY"), "OSLO    ");  // not overwritten by the stale copy
}

}  // namespace
