// Database aliases: the configuration file read at engine start, DatabaseName assignment and the table
// directory it resolves to.
#include "engine/cursor/database_aliases.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data_set_fixture.h"
#include "engine/storage/os_services.h"
#include "framework/data/db_error.h"
#include "temp_dir.h"

namespace {

class Aliases : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(config.File("ordane.cfg")) << "[Other]\nSales=/nowhere\n"
                                                 << "[Alias]\nSales=" << data.Path() << "\nEmpty=\n"
                                                 << "Archive=/old/place/\nsales=" << data.Path() << "/\n";
        StartDatabaseAliases();
    }
    void TearDown() override { StopDatabaseAliases(); }

    TempDir config, data, program;
    ScopedEnv configDir{"VELMORA_CONFIG_DIR", config.Path()};
    ScopedEnv programDir{"VELMORA_PROGRAM_DIR", program.Path()};
};

TEST_F(Aliases, TheConfigurationFileFillsTheListInUpperCase) {
    TStringList& list = DatabaseAliases();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], "Default Directory");
    // The repeated key replaced the first value; the empty one was not taken; other sections are ignored.
    EXPECT_EQ(list[1], "SALES=" + os::UpperCase(data.Path()) + "/");
    EXPECT_EQ(list[2], "ARCHIVE=/OLD/PLACE/");
    StopDatabaseAliases();
    std::remove(config.File("ordane.cfg").c_str());
    StartDatabaseAliases();
    EXPECT_EQ(DatabaseAliases().Count(), 1);  // no file: the built-in alias alone
}

TEST_F(Aliases, DatabaseNameResolvesThroughTheList) {
    TOrdaneDataSet ds;
    ds.SetDatabaseName("sales");
    EXPECT_EQ(ds.DatabaseName(), "SALES");
    EXPECT_EQ(ds.TableDirectory(), os::UpperCase(data.Path()) + "/");
    ds.SetDatabaseName("archive");
    EXPECT_EQ(ds.TableDirectory(), "/OLD/PLACE/");

    ds.SetDatabaseName("default DIRECTORY");
    EXPECT_EQ(ds.DatabaseName(), "default DIRECTORY");  // kept as given
    EXPECT_EQ(ds.TableDirectory(), program.Path() + "/");

    ds.SetDatabaseName("");
    EXPECT_EQ(ds.TableDirectory(), "");

    const int before = DatabaseAliases().Count();
    ds.SetDatabaseName(data.Path() + "/tables/");
    const std::string stored = os::UpperCase(data.Path() + "/tables");
    EXPECT_EQ(ds.DatabaseName(), stored);
    EXPECT_EQ(DatabaseAliases().Count(), before + 1);
    EXPECT_EQ(DatabaseAliases()[before], stored + "=" + stored);
    EXPECT_EQ(ds.TableDirectory(), stored + "/");
    ds.SetDatabaseName(data.Path() + "/tables");  // already an alias of itself: nothing added
    EXPECT_EQ(DatabaseAliases().Count(), before + 1);
}

TEST_F(Aliases, AnAliasOrADirectoryOpensItsTable) {
    MakeTable(data.File("STOCK.DBF"), 0x03, {{"ITEM", 'C', 6}}, {{{"ITEM", "BOLT"}}});
    TOrdaneDataSet byAlias;
    byAlias.SetDatabaseName("Sales");
    byAlias.SetTableName("stock");
    byAlias.Open();
    EXPECT_EQ(byAlias.FieldByName("ITEM").AsString(), "BOLT");
    try {
        byAlias.SetDatabaseName("ARCHIVE");
        FAIL() << "changed while open";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), dbmsg::DataSetOpen);
    }
    EXPECT_EQ(byAlias.DatabaseName(), "SALES");

    TOrdaneDataSet byFolder;
    byFolder.SetDatabaseName(data.Path() + "/");
    byFolder.SetTableName("STOCK.DBF");
    byFolder.Open();
    EXPECT_EQ(byFolder.RecordCount(), 1);

    TOrdaneDataSet unknown;
    unknown.SetDatabaseName("NOALIAS");
    unknown.SetTableName("STOCK");
    try {
        unknown.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot find file NOALIAS/STOCK.DBF");
    }
}

}  // namespace
