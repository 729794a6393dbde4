#include "engine/storage/os_services.h"

#include <gtest/gtest.h>

#include <fstream>

#include "process.h"
#include "temp_dir.h"

namespace {

TEST(OsNames, AbsolutePathNormalisesLexically) {
    EXPECT_EQ(os::AbsolutePath("/a/b/../c/./d.dbf"), "/a/c/d.dbf");
    EXPECT_EQ(os::AbsolutePath("\\data\\x\\FILE.DBF"), "/data/x/FILE.DBF");
    EXPECT_EQ(os::AbsolutePath("/.."), "/");
    std::string relative = os::AbsolutePath("sub/t.dbf");
    EXPECT_EQ(relative.front(), '/');
    EXPECT_EQ(relative.substr(relative.size() - 10), "/sub/t.dbf");
}

TEST(OsNames, ExistingFilesAreFoundWithoutRegardToCase) {
    TempDir dir;
    WriteFileBytes(dir.File("Mixed.Dbf"), {1, 2, 3});
    std::string resolved;
    ASSERT_EQ(os::ResolvePath(dir.Path() + "/MIXED.DBF", &resolved), 0);
    EXPECT_EQ(resolved, dir.Path() + "/Mixed.Dbf");
    EXPECT_TRUE(os::FileExists(dir.Path() + "\\mixed.dbf"));
    EXPECT_EQ(os::ResolvePath(dir.Path() + "/NOFOLDER/X.DBF", &resolved), 3);

    // An exact match wins over a case-insensitive one.
    WriteFileBytes(dir.File("MIXED.DBF"), {4});
    ASSERT_EQ(os::ResolvePath(dir.Path() + "/MIXED.DBF", &resolved), 0);
    EXPECT_EQ(resolved, dir.Path() + "/MIXED.DBF");
}

TEST(OsFiles, CreateKeepsTheGivenCaseAndOpenReportsMissingFiles) {
    TempDir dir;
    ASSERT_EQ(os::File::Create(dir.Path() + "/new.dbf"), 0);
    EXPECT_TRUE(std::ifstream(dir.File("new.dbf")).good());
    os::File f;
    EXPECT_EQ(f.Open(dir.Path() + "/NEW.DBF", os::Access::ReadWrite, os::Share::Shared), 0);
    os::File missing;
    EXPECT_EQ(missing.Open(dir.Path() + "/none.dbf", os::Access::ReadOnly, os::Share::Shared), 2);
    EXPECT_EQ(missing.Open(dir.Path() + "/nodir/none.dbf", os::Access::ReadOnly, os::Share::Shared), 3);
    EXPECT_EQ(missing.Open(dir.Path() + "/" + std::string(os::kMaxPath, 'x'), os::Access::ReadOnly,
                           os::Share::Shared),
              3);
    EXPECT_FALSE(missing.IsOpen());
}

TEST(OsFiles, TransfersReadFewerBytesAtTheEndAndReadOnlyRefusesWrites) {
    TempDir dir;
    WriteFileBytes(dir.File("t.bin"), {1, 2, 3, 4});
    os::File f;
    ASSERT_EQ(f.Open(dir.File("t.bin"), os::Access::ReadOnly, os::Share::Shared), 0);
    char buf[8];
    size_t got = 0;
    EXPECT_EQ(f.ReadAt(2, buf, 8, &got), 0);
    EXPECT_EQ(got, 2u);
    size_t put = 0;
    EXPECT_EQ(f.WriteAt(0, buf, 1, &put), 5);
    EXPECT_EQ(f.Truncate(0), 5);
    EXPECT_EQ(ReadFileBytes(dir.File("t.bin")).size(), 4u);
}

TEST(OsFiles, RenameNeverReplacesAnExistingFile) {
    TempDir dir;
    WriteFileBytes(dir.File("a.dbf"), {1});
    WriteFileBytes(dir.File("b.dbf"), {2});
    EXPECT_EQ(os::RenameFile(dir.File("A.DBF"), dir.File("b.dbf")), 183);
    EXPECT_EQ(ReadFileBytes(dir.File("b.dbf")), std::vector<uint8_t>{2});
    EXPECT_EQ(os::RenameFile(dir.File("A.DBF"), dir.File("c.dbf")), 0);
    EXPECT_TRUE(os::FileExists(dir.File("c.dbf")));
}

// Sharing and locks are exercised between real processes: the child opens the file on its own.
TEST(OsSharing, ExclusiveAndSharedOpensRefuseEachOtherAcrossProcesses) {
    TempDir dir;
    std::string name = dir.File("s.dbf");
    WriteFileBytes(name, std::vector<uint8_t>(64, 0));
    struct Case {
        os::Share childShare, parentShare;
        int expected;
    };
    for (Case c : {Case{os::Share::Exclusive, os::Share::Shared, 32}, Case{os::Share::Shared, os::Share::Exclusive, 32},
                   Case{os::Share::Shared, os::Share::Shared, 0}, Case{os::Share::Exclusive, os::Share::Exclusive, 32}}) {
        ChildProcess child([&](ChildProcess& self) {
            os::File f;
            if (f.Open(name, os::Access::ReadWrite, c.childShare) != 0) return 1;
            self.Tell();
            self.Await();
            return 0;
        });
        child.Await();
        os::File f;
        EXPECT_EQ(f.Open(name, os::Access::ReadWrite, c.parentShare), c.expected);
        EXPECT_EQ(os::File::Create(name), 32) << "a file another process holds open is never emptied";
        child.Tell();
        EXPECT_EQ(child.Wait(), 0);
    }
    EXPECT_EQ(ReadFileBytes(name).size(), 64u) << "a refused create must not empty the file";
}

TEST(OsLocks, ARangeHeldByAnotherProcessIsRefusedAtOnce) {
    TempDir dir;
    std::string name = dir.File("l.dbf");
    WriteFileBytes(name, std::vector<uint8_t>(64, 0));
    ChildProcess child([&](ChildProcess& self) {
        os::File f;
        if (f.Open(name, os::Access::ReadWrite, os::Share::Shared) != 0) return 1;
        if (f.Lock(0xEFFFFFFFull, 1) != 0) return 2;
        self.Tell();
        self.Await();
        return 0;
    });
    child.Await();
    os::File f;
    ASSERT_EQ(f.Open(name, os::Access::ReadWrite, os::Share::Shared), 0);
    EXPECT_EQ(f.Lock(0xEFFFFFFFull, 1), 33);
    EXPECT_EQ(f.Lock(0xEFFFFFFEull, 1), 0);
    EXPECT_EQ(f.Lock(0x40000000ull, 0xB0000000ull), 33) << "overlaps the child's byte";
    EXPECT_EQ(f.Lock(0, 0), 33) << "a zero length is never a lock";
    child.Tell();
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(f.Lock(0xEFFFFFFFull, 1), 0) << "the child's lock ended with its process";
}

TEST(OsLocks, TwoOpensInOneProcessContendLikeTwoHandles) {
    TempDir dir;
    std::string name = dir.File("l.dbf");
    WriteFileBytes(name, std::vector<uint8_t>(64, 0));
    os::File a, b;
    ASSERT_EQ(a.Open(name, os::Access::ReadWrite, os::Share::Shared), 0);
    ASSERT_EQ(b.Open(name, os::Access::ReadWrite, os::Share::Shared), 0);
    EXPECT_EQ(a.Lock(1000, 1), 0);
    EXPECT_EQ(b.Lock(1000, 1), 33);
    {
        os::File c;
        ASSERT_EQ(c.Open(name, os::Access::ReadOnly, os::Share::Shared), 0);
    }  // closing another open of the file leaves a's lock in place
    EXPECT_EQ(b.Lock(1000, 1), 33);
    EXPECT_EQ(a.Unlock(1000, 1), 0);
    EXPECT_EQ(b.Lock(1000, 1), 0);
}

TEST(OsPlaces, IniSectionAndFolders) {
    TempDir dir;
    std::ofstream(dir.File("ordane.cfg")) << "; aliases\n[Other]\nA=1\n[alias]\n Default Directory = \"/x/y\"\nDATA=/d\r\n\n[Next]\nB=2\n";
    auto section = os::ReadIniSection(dir.Path() + "/ORDANE.CFG", "Alias");
    ASSERT_EQ(section.size(), 2u);
    EXPECT_EQ(section[0], (std::pair<std::string, std::string>{"Default Directory", "/x/y"}));
    EXPECT_EQ(section[1], (std::pair<std::string, std::string>{"DATA", "/d"}));
    EXPECT_TRUE(os::ReadIniSection(dir.File("none.cfg"), "Alias").empty());

    setenv("VELMORA_CONFIG_DIR", dir.Path().c_str(), 1);
    EXPECT_EQ(os::ConfigFolder(), dir.Path());
    unsetenv("VELMORA_CONFIG_DIR");
    EXPECT_EQ(os::ConfigFolder(), "/etc");
    EXPECT_EQ(os::ProgramFolder().front(), '/');
}

TEST(OsLocale, SettingsCanBeReplaced) {
    os::LocaleSettings saved = os::Locale();
    os::LocaleSettings s;
    s.shortDateFormat = "dd.MM.yyyy";
    s.dateSeparator = '.';
    s.decimalSeparator = ',';
    os::SetLocale(s);
    EXPECT_EQ(os::Locale().shortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(os::Locale().decimalSeparator, ',');
    os::SetLocale(saved);
}

TEST(OsTime, NowIsAPlausibleLocalTime) {
    os::LocalTime t = os::Now();
    EXPECT_GE(t.year, 2024);
    EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31);
    EXPECT_TRUE(t.millisecond >= 0 && t.millisecond < 1000);
}

}  // namespace
