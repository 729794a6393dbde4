// NTX files named in a data set's IndexFiles: the order of another system's file, and the text of a table of
// version 0x07, which holds ANSI text and so is not translated from OEM as other tables are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../cursor/data_set_fixture.h"
#include "ntx_verify.h"
#include "temp_dir.h"

namespace {
// The CHARFIELD values of the file's entries in stored order, trailing blanks removed.
std::vector<std::string> StoredOrder(const std::string& ntx) {
    std::vector<std::string> out;
    for (const NtxEntry& e : CheckNtx(ntx, [](const std::string&, const std::string&) { return false; }).entries) {
        std::string key = e.key;
        while (!key.empty() && key.back() == ' ') key.pop_back();
        out.push_back(key);
    }
    return out;
}
}  // namespace

TEST(NtxDataSetTest, AnsiTableWalksInTheFilesOrderWithItsTextAsStored) {
    TempDir dir;
    dir.CopyFixture("real/xsharp/vo-ntx-german/TEST1ANSI.DBF");
    const std::string ntx = dir.CopyFixture("real/xsharp/vo-ntx-german/TEST1ANSI1.NTX");
    auto ds = DataSetOn(dir.Path(), "TEST1ANSI");
    ds->IndexFiles().Add("TEST1ANSI1.NTX");
    ds->SetIndexName("TEST1ANSI1");
    ds->Open();
    const std::vector<std::string> walked = Column(*ds, "CHARFIELD");
    EXPECT_EQ(walked, StoredOrder(ntx));
    // Record 228 holds the ANSI a-umlaut; a table of version 0x03 would have it translated from OEM.
    ds->SetIndexName("");
    ds->SetRecNo(228);
    EXPECT_EQ(ds->FieldByName("CHARFIELD").AsString(), std::string(10, '\xE4'));
}

TEST(NtxDataSetTest, OemTableIsTranslatedAndWalksInTheFilesOrder) {
    TempDir dir;
    dir.CopyFixture("real/xsharp/vo-ntx-german/TEST1OEM.DBF");
    const std::string ntx = dir.CopyFixture("real/xsharp/vo-ntx-german/test1Oem1.ntx", "TEST1OEM1.NTX");
    auto ds = DataSetOn(dir.Path(), "TEST1OEM");
    ds->IndexFiles().Add("TEST1OEM1.NTX");
    ds->SetIndexName("TEST1OEM1");
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 255);
    int32_t walked = 0;
    for (ds->First(); !ds->Eof(); ds->Next()) ++walked;
    EXPECT_EQ(walked, 255);
    ds->SetIndexName("");
    ds->SetRecNo(0x8E);  // the OEM A-umlaut, shown as the ANSI one
    EXPECT_EQ(ds->FieldByName("CHARFIELD").AsString(), std::string(10, '\xC4'));
}
