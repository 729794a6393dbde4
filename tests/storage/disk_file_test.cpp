#include "engine/storage/disk_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/storage/errors.h"
#include "raised.h"
#include "temp_dir.h"

namespace {

class DiskFileTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(name, std::vector<uint8_t>(100, 'x')); }
    TempDir dir;
    std::string name = dir.File("data.bin");
};

TEST_F(DiskFileTest, NameIsAbsoluteAndUpperCasedButTheFileKeepsItsCase) {
    DVO_DiskFile f(name, true, true);
    EXPECT_EQ(f.Name(), os::UpperCase(name));
    EXPECT_TRUE(f.Existed());
    EXPECT_TRUE(f.IsClosed());
    f.Open();
    EXPECT_FALSE(f.IsClosed());
    EXPECT_EQ(f.FileSize(), 100);
}

TEST_F(DiskFileTest, OpenAndCreateReportTheirSubcodes) {
    DVO_DiskFile missing(dir.File("none.bin"), false, true);
    EXPECT_FALSE(missing.Existed());
    EXPECT_EQ(Raised([&] { missing.Open(); }), std::make_pair(errcode::kFileNotFound, subcode::kOpen));
    try {
        missing.Open();
    } catch (const EOrdaneError& e) {
        EXPECT_EQ(std::string(e.what()), "File not found - " + missing.Name());
    }
    DVO_DiskFile noFolder(dir.File("none/x.bin"), true, false);
    EXPECT_EQ(Raised([&] { noFolder.CreateNew(); }), std::make_pair(errcode::kPathNotFound, subcode::kCreate));
}

TEST_F(DiskFileTest, ShortReadSetsErrorWithoutAReport) {
    DVO_DiskFile f(name, false, true);
    f.Open();
    char buf[50];
    EXPECT_EQ(f.ReadAt(80, buf, 50), 20);
    EXPECT_EQ(f.Error(), 221);
    EXPECT_EQ(f.Position(), 100u);
    EXPECT_EQ(f.ReadAt(0, buf, 50), 50);
    EXPECT_EQ(f.Error(), 0);
}

TEST_F(DiskFileTest, ReadOnlyFileRefusesWritesAndTruncates) {
    DVO_DiskFile f(name, false, false);
    f.Open();
    EXPECT_EQ(Raised([&] { f.WriteAt(0, "y", 1); }), std::make_pair(errcode::kAccessDenied, subcode::kWrite));
    EXPECT_EQ(Raised([&] { f.Truncate(10); }), std::make_pair(errcode::kAccessDenied, subcode::kTruncate));
    EXPECT_EQ(ReadFileBytes(name), std::vector<uint8_t>(100, 'x'));
}

TEST_F(DiskFileTest, SharedTruncateNeedsTheWholeFileLock) {
    DVO_DiskFile f(name, true, true);
    f.Open();
    EXPECT_EQ(Raised([&] { f.Truncate(10); }), std::make_pair(errcode::kAccessDenied, subcode::kTruncate));
    ASSERT_TRUE(f.LockWhole());
    EXPECT_TRUE(f.HasWriteAccess());
    f.Truncate(10);
    EXPECT_EQ(f.FileSize(), 10);
}

TEST_F(DiskFileTest, SharedLocksNestAndAreExclusiveOfOtherOpens) {
    DVO_DiskFile a(name, true, true), b(name, true, true);
    a.Open();
    b.Open();
    ASSERT_TRUE(a.LockRegion(0x40000000, 1));
    ASSERT_TRUE(a.LockRegion(0x40000000, 1));
    EXPECT_EQ(a.LockCount(), 2);
    EXPECT_FALSE(a.LockRegion(0x40000001, 1)) << "a file holds a single region";
    EXPECT_EQ(a.Error(), 33);
    EXPECT_EQ(a.LockCount(), 2);

    EXPECT_FALSE(b.LockRegion(0x40000000, 1));
    EXPECT_EQ(b.Error(), 33);
    EXPECT_TRUE(a.UnlockRegion());
    EXPECT_FALSE(b.LockRegion(0x40000000, 1)) << "one unlock of two leaves the lock";
    EXPECT_TRUE(a.UnlockRegion());
    EXPECT_TRUE(b.LockRegion(0x40000000, 1));
    EXPECT_EQ(b.LockCount(), 1);
}

TEST_F(DiskFileTest, UnsharedLocksAlwaysSucceedAndLockWholeDoesNotCount) {
    DVO_DiskFile f(name, true, false);
    f.Open();
    EXPECT_TRUE(f.LockRegion(5, 1));
    EXPECT_TRUE(f.LockRegion(9, 1));
    EXPECT_EQ(f.LockCount(), 2);
    EXPECT_TRUE(f.LockWhole());
    EXPECT_EQ(f.LockCount(), 2);
}

TEST_F(DiskFileTest, CloseReleasesANestedLockInOneStep) {
    DVO_DiskFile a(name, true, true), b(name, true, true);
    a.Open();
    b.Open();
    ASSERT_TRUE(a.LockRegion(0x7FFFFFFE, 1));
    ASSERT_TRUE(a.LockRegion(0x7FFFFFFE, 1));
    EXPECT_TRUE(a.Close());
    EXPECT_TRUE(a.IsClosed());
    EXPECT_EQ(a.LockCount(), 0);
    EXPECT_TRUE(b.LockRegion(0x7FFFFFFE, 1));
    EXPECT_TRUE(a.Close()) << "closing twice is harmless";
}

TEST_F(DiskFileTest, RenameKeepsTheOldNameWhenTheTargetExists) {
    WriteFileBytes(dir.File("other.bin"), {1});
    DVO_DiskFile f(name, true, false);
    f.Open();
    std::string before = f.Name();
    EXPECT_EQ(Raised([&] { f.Rename(dir.File("other.bin")); }), std::make_pair(errcode::kExists, subcode::kRename));
    EXPECT_EQ(f.Name(), before);
    EXPECT_FALSE(f.IsClosed()) << "reopened under the stored name";
    EXPECT_TRUE(f.Rename(dir.File("moved.bin")));
    EXPECT_EQ(f.Name(), os::UpperCase(dir.File("moved.bin")));
    EXPECT_EQ(f.FileSize(), 100);
    EXPECT_TRUE(os::FileExists(dir.File("moved.bin")));
}

TEST_F(DiskFileTest, OpenFilesAreListedAndProgramEndClosesThem) {
    DVobjFileColl& list = DVobjFileColl::Instance();
    size_t before = list.Count();
    {
        DVO_DiskFile a(name, true, true);
        a.Open();
        ASSERT_TRUE(a.LockRegion(0x40000000, 1));
        EXPECT_EQ(list.Count(), before + 1);
        DVO_DiskFile b(name, true, true);
        b.Open();
        list.CloseAll();
        EXPECT_TRUE(a.IsClosed());
        EXPECT_TRUE(b.IsClosed());
        EXPECT_EQ(list.Count(), 0u);
        DVO_DiskFile c(name, true, true);
        c.Open();
        EXPECT_TRUE(c.LockRegion(0x40000000, 1)) << "the clean-up released a's lock";
    }
    EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
