// The INI store behind registry-style keys: where its files go, ordered sections, and malformed or unreadable
// files reading as defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "framework/window/reg_ini_file.h"
#include "window_support.h"

namespace {

// Points the configuration folder at a temporary one for a test.
struct ConfigHome {
    TempFolder dir;
    std::string old;
    bool had = false;
    ConfigHome() {
        if (const char* v = std::getenv("XDG_CONFIG_HOME")) {
            had = true;
            old = v;
        }
        setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    }
    ~ConfigHome() {
        if (had) setenv("XDG_CONFIG_HOME", old.c_str(), 1);
        else unsetenv("XDG_CONFIG_HOME");
    }
};

}  // namespace

TEST(RegIniFileTest, KeyBecomesAnIniFileUnderTheConfigurationFolder) {
    ConfigHome home;
    TRegIniFile store("Software\\Velmora\\Layouts");
    EXPECT_EQ(store.FileName(), home.dir.Path() + "/velmora/Software/Velmora/Layouts.ini");
    store.WriteString("Form1pkDBGrid1", "TITLE", "55;;TITLE;;F");
    store.WriteString("Form1pkDBGrid1", "EXENAME", "20;;Program;;T");
    auto pairs = store.ReadSectionPairs("Form1pkDBGrid1");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, "TITLE");
    EXPECT_EQ(pairs[1].second, "20;;Program;;T");
    store.EraseSection("Form1pkDBGrid1");
    EXPECT_TRUE(store.ReadSectionPairs("Form1pkDBGrid1").empty());
    EXPECT_THROW(TRegIniFile("..\\escape"), EIniFileException);
}

TEST(RegIniFileTest, MalformedOrUnreadableFilesReadAsDefaults) {
    ConfigHome home;
    TRegIniFile store("Grids");
    std::filesystem::create_directories(home.dir.Path() + "/velmora");
    {
        std::ofstream out(store.FileName(), std::ios::binary);
        out << "[S]\nA=1\n" << std::string("\0\x01\x02", 3) << "\n";
    }
    EXPECT_EQ(store.ReadString("S", "A", "default"), "default");
    EXPECT_EQ(store.ReadInteger("S", "A", 7), 7);
    EXPECT_TRUE(store.ReadSectionPairs("S").empty());
    EXPECT_NE(store.LastError().find("not INI text"), std::string::npos);
    // Writing replaces the unusable file.
    store.WriteString("S", "A", "2");
    EXPECT_EQ(store.ReadString("S", "A", "default"), "2");
    EXPECT_TRUE(store.LastError().empty());

    // A folder where the file should be: defaults, and a reason.
    TRegIniFile folder("Folder");
    std::filesystem::create_directories(folder.FileName());
    EXPECT_EQ(folder.ReadString("S", "A", "d"), "d");
    EXPECT_FALSE(folder.LastError().empty());
    // A missing file is simply empty.
    TRegIniFile missing("Missing");
    EXPECT_EQ(missing.ReadString("S", "A", "d"), "d");
    EXPECT_TRUE(missing.LastError().empty());
}
