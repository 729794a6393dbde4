// Order, index files, filters, Locate, Lookup and master/detail of the data-set adaptor over real tables.
#include <gtest/gtest.h>

#include "data_set_fixture.h"
#include "engine/storage/errors.h"
#include "framework/data/data_source.h"
#include "framework/data/field.h"
#include "temp_dir.h"

namespace {

class PeopleTable : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTable(dir.File("PEOPLE.DBF"), 0x03, {{"LAST", 'C', 10}, {"FIRST", 'C', 10}, {"CODE", 'N', 5}},
                  {{{"LAST", "SMITH"}, {"FIRST", "ANN"}, {"CODE", "3"}},
                   {{"LAST", "M\x81LLER"}, {"FIRST", "JO"}, {"CODE", "1"}},
                   {{"LAST", "ADAMS"}, {"FIRST", "BEN"}, {"CODE", "2"}},
                   {{"LAST", "JONES"}, {"FIRST", "CY"}, {"CODE", "4"}}});
        MakeNdx(dir.File("PEOPLE.DBF"), dir.File("LAST.NDX"), "LAST");
        MakeNdx(dir.File("PEOPLE.DBF"), dir.File("NAMES.NDX"), "LAST+FIRST");
        MakeNdx(dir.File("PEOPLE.DBF"), dir.File("UPLAST.NDX"), "UPPER(LAST)");
        ds = DataSetOn(dir.Path(), "PEOPLE");
    }
    TempDir dir;
    std::unique_ptr<TOrdaneDataSet> ds;
};

TEST_F(PeopleTable, IndexFilesOpenFromTheTableDirectoryAndDescribeTheirKeys) {
    ds->BeginLoading();
    ds->IndexFiles().Add("LAST");
    ds->IndexFiles().Add("names.ndx");
    ds->IndexFiles().Add(dir.File("UPLAST.NDX"));
    ds->IndexFiles().Add("LAST");  // a duplicate line at opening is skipped
    ds->EndLoading();
    ds->Open();
    EXPECT_EQ(ds->Handler()->IndexFileCount(), 3);
    ASSERT_EQ(ds->IndexDefs().Count(), 3);
    EXPECT_EQ(ds->IndexDefs()[0].fields, "LAST");
    EXPECT_EQ(ds->IndexDefs()[0].options, 0u);
    EXPECT_EQ(ds->IndexDefs()[1].fields, "LAST;FIRST");
    EXPECT_EQ(ds->IndexDefs()[2].options, ixExpression);
    EXPECT_NE(ds->IndexDefs()[2].fields.find('('), std::string::npos);
    EXPECT_EQ(ds->FieldByName("LAST").AsString(), "SMITH");  // physical order

    ds->SetIndexName(ds->IndexDefs()[1].name);
    EXPECT_EQ(Column(*ds, "LAST"), (std::vector<std::string>{"ADAMS", "JONES", "M\xFCLLER", "SMITH"}));
    EXPECT_TRUE(ds->FieldByName("FIRST").IsIndexField());
    EXPECT_FALSE(ds->FieldByName("CODE").IsIndexField());
    // An unknown tag leaves order and name as they were.
    const std::string before = ds->IndexName();
    EXPECT_EQ(Message([&] { ds->SetIndexName("NOSUCH"); }), "Cannot find index tag NOSUCH");
    EXPECT_EQ(ds->IndexName(), before);
    EXPECT_EQ(Column(*ds, "LAST").front(), "ADAMS");

    // Later changes of the list: a second line for an open file is an error, an empty list is physical order.
    EXPECT_EQ(Message([&] { ds->IndexFiles().Add("LAST"); }), "Index file " + ds->TableDirectory() + "LAST.NDX already open");
    ds->IndexFiles().Clear();
    EXPECT_EQ(ds->IndexName(), "");
    EXPECT_EQ(ds->Handler()->IndexFileCount(), 0);
    EXPECT_EQ(Message([&] { ds->IndexFiles().Add("MISSING"); }), "Cannot find file " + ds->TableDirectory() + "MISSING.NDX");
}

TEST_F(PeopleTable, AnIndexFileThatCannotBeOpenedIsReported) {
    WriteFileBytes(dir.File("BROKEN.NDX"), std::vector<uint8_t>(100, 0xFF));
    ds->IndexFiles().Add("BROKEN");  // closed data set: checked by a temporary opening, which fails quietly
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(Message([&] { ds->Open(); }), "Error getting " + ds->TableDirectory() + "BROKEN.NDX");
    EXPECT_EQ(ds->Handler(), nullptr);
}

TEST_F(PeopleTable, FiltersExpressionsAndEventsTranslatedToTheTable) {
    ds->SetFilterText("LAST = \"M\xFC*\"");
    ds->SetFiltered(true);
    ds->Open();
    EXPECT_EQ(Column(*ds, "LAST"), (std::vector<std::string>{"M\xFCLLER"}));
    EXPECT_FALSE(ds->IsSequenced());
    ds->SetFilterText("CODE > 1");
    EXPECT_EQ(Column(*ds, "LAST"), (std::vector<std::string>{"SMITH", "ADAMS", "JONES"}));
    ds->OnFilterRecord = [](TDataSet& d, bool& accept) { accept = d.FieldByName("FIRST").AsString() != "BEN"; };
    ds->First();
    EXPECT_EQ(Column(*ds, "LAST"), (std::vector<std::string>{"SMITH", "JONES"}));
    ds->SetFilterOptions(foCaseInsensitive);
    ds->SetFilterText("LAST = \"s*\"");
    EXPECT_EQ(Column(*ds, "LAST"), (std::vector<std::string>{"SMITH"}));
    ds->SetFiltered(false);
    EXPECT_EQ(Column(*ds, "LAST").size(), 4u);
    ds->SetFiltered(true);
    EXPECT_EQ(Message([&] { ds->SetFilterText("CODE + 1"); }), "Filter expression must return boolean result");
}

TEST_F(PeopleTable, AnErrorWhileFetchingIsAFailedFetch) {
    ds->Open();
    ds->SetFiltered(true);
    uint8_t* own = ds->Handler()->RecordBuffer();
    ds->OnFilterRecord = [](TDataSet&, bool&) { throw EOrdaneError("disk trouble", 100, 1101); };
    EXPECT_EQ(Message([&] { ds->Next(); }), "Record request beyond range of table");
    EXPECT_EQ(ds->Handler()->RecordBuffer(), own);
    ds->OnFilterRecord = nullptr;
    EXPECT_EQ(Column(*ds, "LAST").size(), 4u);
}

TEST_F(PeopleTable, LocateMovesOnlyWhenFoundAndLookupNeverMoves) {
    ds->IndexFiles().Add("NAMES");
    ds->Open();
    ds->Last();
    ASSERT_EQ(ds->RecNo(), 4);
    EXPECT_FALSE(ds->Locate("LAST", Variant("NOBODY"), 0));
    EXPECT_EQ(ds->RecNo(), 4);
    EXPECT_EQ(ds->FieldByName("LAST").AsString(), "JONES");
    ds->Next();
    EXPECT_TRUE(ds->Eof());  // still the last record

    // The ANSI text finds the OEM record, by the tag and by a scan.
    EXPECT_TRUE(ds->Locate("LAST;FIRST", Variant(Variant::Array{"M\xFCLLER", "JO"}), 0));
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_TRUE(ds->Locate("LAST", Variant("ada"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(ds->RecNo(), 3);

    const Variant found = ds->Lookup("LAST", Variant("SMITH"), "FIRST;CODE");
    ASSERT_TRUE(found.IsArray());
    EXPECT_EQ(found[0].AsString(), "ANN");
    EXPECT_EQ(found[1].AsNumber(), 3);
    EXPECT_TRUE(ds->Lookup("LAST", Variant("NOBODY"), "FIRST").IsNull());
    EXPECT_EQ(ds->Lookup("FIRST", Variant("JO"), "LAST").AsString(), "M\xFCLLER");
    EXPECT_EQ(ds->RecNo(), 3);
    ds->Next();
    EXPECT_EQ(ds->RecNo(), 4);
}

// --- master/detail --------------------------------------------------------------------------------------------

class Orders : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTable(dir.File("CUST.DBF"), 0x03, {{"CUSTNO", 'C', 4}, {"NAME", 'C', 10}},
                  {{{"CUSTNO", "C002"}, {"NAME", "BETA"}}, {{"CUSTNO", "C001"}, {"NAME", "ALPHA"}},
                   {{"CUSTNO", "C003"}, {"NAME", "GAMMA"}}, {{"CUSTNO", "\x81X01"}, {"NAME", "UMLAUT"}}});
        MakeTable(dir.File("ORDERS.DBF"), 0x03, {{"CUSTNO", 'C', 4}, {"ORDERNO", 'C', 4}},
                  {{{"CUSTNO", "C001"}, {"ORDERNO", "O003"}}, {{"CUSTNO", "C002"}, {"ORDERNO", "O001"}},
                   {{"CUSTNO", "C001"}, {"ORDERNO", "O001"}}, {{"CUSTNO", "C003"}, {"ORDERNO", "O002"}},
                   {{"CUSTNO", "C001"}, {"ORDERNO", "O002"}}, {{"CUSTNO", "\x81X01"}, {"ORDERNO", "O009"}}});
        MakeNdx(dir.File("ORDERS.DBF"), dir.File("ORDKEY.NDX"), "CUSTNO+ORDERNO");
        master = DataSetOn(dir.Path(), "CUST");
        detail = DataSetOn(dir.Path(), "ORDERS");
        source.SetDataSet(master.get());
        master->Open();
    }
    TempDir dir;
    std::unique_ptr<TOrdaneDataSet> master, detail;
    TDataSource source;
};

TEST_F(Orders, TheDetailShowsOnlyTheMastersOrdersAndFollowsIt) {
    detail->IndexFiles().Add("ORDKEY");
    detail->SetIndexName("ORDKEY");
    detail->SetMasterFields("CUSTNO");
    detail->SetMasterSource(&source);
    detail->Open();
    EXPECT_EQ(Column(*detail, "ORDERNO"), (std::vector<std::string>{"O001"}));  // C002 is the first customer
    master->Next();
    EXPECT_EQ(Column(*detail, "ORDERNO"), (std::vector<std::string>{"O001", "O002", "O003"}));
    EXPECT_EQ(Column(*detail, "CUSTNO"), (std::vector<std::string>{"C001", "C001", "C001"}));
    master->Next();
    EXPECT_EQ(Column(*detail, "ORDERNO"), (std::vector<std::string>{"O002"}));
    source.SetEnabled(false);  // the master goes away: every order again
    EXPECT_EQ(Column(*detail, "ORDERNO").size(), 6u);
    TDataSource back;
    back.SetDataSet(detail.get());
    EXPECT_EQ(Message([&] { master->SetMasterSource(&back); }), dbmsg::CircularDataLink);
}

TEST_F(Orders, AMasterKeyWithOemTextMatchesOnEveryPath) {
    master->Last();
    ASSERT_EQ(master->FieldByName("CUSTNO").AsString(), "\xFCX01");
    detail->IndexFiles().Add("ORDKEY");
    detail->SetIndexName("ORDKEY");
    detail->SetMasterFields("CUSTNO");
    detail->SetMasterSource(&source);
    detail->Open();
    const std::vector<std::string> mine{"O009"};
    EXPECT_EQ(Column(*detail, "ORDERNO"), mine);  // at opening
    detail->SetIndexName("ORDKEY");
    EXPECT_EQ(Column(*detail, "ORDERNO"), mine);  // after selecting the order again
    master->Prior();
    master->Next();
    EXPECT_EQ(Column(*detail, "ORDERNO"), mine);  // after the master moved
}

TEST_F(Orders, LinkFailuresNameTheTable) {
    detail->SetMasterFields("CUSTNO");
    detail->SetMasterSource(&source);
    EXPECT_EQ(Message([&] { detail->Open(); }), "Master/Detail relation failed, no index open for ORDERS.DBF");
    MakeNdx(dir.File("ORDERS.DBF"), dir.File("ORDNO.NDX"), "ORDERNO");
    detail->IndexFiles().Add("ORDNO");
    detail->SetIndexName("ORDNO");
    detail->SetMasterFields("CUSTNO;NAME");
    EXPECT_EQ(Message([&] { detail->Open(); }), "Master/Detail relation failed, field missmatch for ORDERS.DBF");
}

}  // namespace
