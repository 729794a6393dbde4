// The framework's lists, memory stream, INI file and message formatting.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/data/db_error.h"
#include "framework/data/index_defs.h"
#include "framework/data/ini_file.h"
#include "framework/data/stream.h"
#include "framework/data/strings.h"

namespace {

TEST(StringList, NameValueAccessAndChangeNotifications) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TStrings&) { ++changes; };
    list.Add("Default Directory=/prog/");
    list.SetValue("SALES", "/data/");
    EXPECT_EQ(list.Values("sales"), "/data/");
    list.SetValue("sales", "/other/");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "sales=/other/");
    EXPECT_EQ(list.Names(0), "Default Directory");
    EXPECT_EQ(list.ValueFromIndex(0), "/prog/");
    EXPECT_EQ(list.IndexOfName("DEFAULT DIRECTORY"), 0);
    list.SetValue("sales", "");  // an empty value removes the line
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(changes, 4);

    list.BeginUpdate();
    list.Add("a");
    list.Add("b");
    list.Move(2, 1);
    list.EndUpdate();
    EXPECT_EQ(changes, 5);  // one notification for the whole update
    EXPECT_EQ(list.Text(), "Default Directory=/prog/\nb\na\n");
    list.SetText("x\r\ny\rz\n");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf("Z"), 2);
    try {
        list.Get(3);
        ADD_FAILURE();
    } catch (const EStringListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
    EXPECT_THROW(list.Delete(-1), EStringListError);
    EXPECT_THROW(list.Insert(5, "q"), EStringListError);
}

TEST(MemoryStream, ReadWriteSeekAndGaps) {
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    s.SetPosition(0);
    s.WriteBuffer("XY", 2);  // overwrites in place
    char buf[16] = {};
    s.SetPosition(0);
    EXPECT_EQ(s.Read(buf, 100), 6);
    EXPECT_EQ(std::string(buf, 6), "XYcdef");
    EXPECT_EQ(s.Read(buf, 1), 0);
    s.Seek(2, TSeekOrigin::soFromEnd);
    s.WriteBuffer("!", 1);  // beyond the end: the gap is zero-filled
    EXPECT_EQ(s.Size(), 9);
    EXPECT_EQ(s.Bytes()[6], '\0');
    EXPECT_THROW(s.Seek(-1, TSeekOrigin::soFromBeginning), EStreamError);
    EXPECT_THROW(s.ReadBuffer(buf, 1), EStreamError);
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
    TMemoryStream copy;
    copy.LoadFromStream(s);
    EXPECT_EQ(std::string(copy.Memory(), 3), "XYc");
}

struct IniFileTest : ::testing::Test {
    std::filesystem::path path;
    void SetUp() override {
        path = std::filesystem::temp_directory_path() /
               ("velmora_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::string Contents() const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
};

TEST_F(IniFileTest, WritesReadsAndErasesSections) {
    TIniFile ini(path.string());
    EXPECT_EQ(ini.ReadString("Grid", "TITLE", "none"), "none");  // no file yet
    ini.WriteString("Form1pkDBGrid1", "TITLE", "55;;TITLE;;F");
    ini.WriteString("Form1pkDBGrid1", "EXENAME", "20;;Program;;T");
    ini.WriteInteger("Other", "Count", 3);
    ini.WriteString("form1pkdbgrid1", "title", "60;;TITLE;;F");  // same key, any case: replaced in place

    auto pairs = ini.ReadSectionPairs("FORM1PKDBGRID1");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"title", "60;;TITLE;;F"}));
    EXPECT_EQ(pairs[1].first, "EXENAME");
    EXPECT_EQ(ini.ReadInteger("Other", "Count", 0), 3);
    EXPECT_EQ(ini.ReadInteger("Other", "Missing", -1), -1);

    ini.EraseSection("Form1pkDBGrid1");
    EXPECT_FALSE(ini.SectionExists("Form1pkDBGrid1"));
    EXPECT_TRUE(ini.ValueExists("Other", "count"));
    EXPECT_EQ(Contents(), "[Other]\r\nCount=3\r\n");
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 1);
}

TEST_F(IniFileTest, KeepsForeignLinesAndReportsUnwritableFiles) {
    {
        std::ofstream out(path, std::ios::binary);
        out << "; comment\n[Alias]\nSales = c:\\data\n\n[Next]\nK=V\n";
    }
    TIniFile ini(path.string());
    ini.WriteString("Alias", "Stock", "d:\\stock");
    EXPECT_EQ(Contents(), "; comment\r\n[Alias]\r\nSales = c:\\data\r\nStock=d:\\stock\r\n\r\n[Next]\r\nK=V\r\n");
    EXPECT_EQ(ini.ReadString("alias", "SALES", ""), "c:\\data");
    TStringList values;
    ini.ReadSectionValues("Alias", values);
    EXPECT_EQ(values.Text(), "Sales=c:\\data\nStock=d:\\stock\n");
    ini.DeleteKey("Alias", "Sales");
    EXPECT_FALSE(ini.ValueExists("Alias", "Sales"));

    TIniFile nowhere((path.parent_path() / "no_such_dir_velmora" / "x.ini").string());
    EXPECT_THROW(nowhere.WriteString("S", "K", "V"), EIniFileException);
}

TEST(Messages, FormatFillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatMessage(dbmsg::FieldSizeMismatch, "TITLE", 55, 40),
              "Size mismatch for field 'TITLE', expecting: 55 actual: 40");
    EXPECT_EQ(FormatMessage("100%% of %s", "x"), "100% of x");
    EXPECT_EQ(FormatMessage("%s and %s", "one"), "one and ");
    try {
        DatabaseErrorFmt(dbmsg::FieldReadOnly, "EXENAME");
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'EXENAME' cannot be modified");
    }
}

TEST(IndexDefs, FindByName) {
    TIndexDefs defs;
    defs.Add("TITLE", "TITLE", 0);
    defs.Add("BYEXPR", "UPPER(TITLE)", ixExpression);
    EXPECT_EQ(defs.IndexOf("byexpr"), 1);
    EXPECT_EQ(defs.Find("ByExpr").Expression(), "UPPER(TITLE)");
    EXPECT_THROW(defs.Find("none"), EDatabaseError);
    EXPECT_THROW(defs[2], EDatabaseError);
}

}  // namespace
