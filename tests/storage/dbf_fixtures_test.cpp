// Tables written by other programs: every peer-made table opens with the header facts and the record bytes its
// expected.json lists, and every real table either reads or, for versions this engine does not take, is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>

#include "engine/storage/dbf_table.h"
#include "engine/storage/errors.h"
#include "expected_fixtures.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

bool Accepted(int version) {
    return version == 0x03 || version == 0x07 || version == 0x30 || version == 0x83 || version == 0x8B || version == 0xF5;
}

TEST(PeerFixtures, EveryTableOpensWithItsHeaderAndRecordBytes) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    std::vector<ExpectedTable> tables = LoadExpectedTables();
    ASSERT_GE(tables.size(), 20u);
    for (const ExpectedTable& e : tables) {
        SCOPED_TRACE(e.path);
        if (!Accepted(e.version)) {
            try {
                DVO_dBaseDBF t(e.path, "", false, true);
                ADD_FAILURE() << "version " << e.version << " was accepted";
            } catch (const EOrdaneError& error) {
                EXPECT_EQ(error.Code(), errcode::kBadHeader);
            }
            continue;
        }
        DVO_dBaseDBF t(e.path, "", false, true);
        EXPECT_EQ(t.Version(), e.version);
        EXPECT_EQ(t.HeaderLength(), e.headerLength);
        EXPECT_EQ(t.RecordLength(), e.recordLength);
        EXPECT_EQ(t.RecordCount(), e.records);
        ASSERT_EQ(t.FieldCount(), e.fieldCount);
        for (size_t i = 0; i < e.fields.size(); ++i) {
            EXPECT_EQ(t.Fields()[i].name, e.fields[i].name);
            EXPECT_EQ(t.Fields()[i].type, e.fields[i].type);
            EXPECT_EQ(t.Fields()[i].length, e.fields[i].length);
            EXPECT_EQ(t.Fields()[i].offset, e.fields[i].offset);
            if (e.fields[i].type != 'C') {
                EXPECT_EQ(t.Fields()[i].decimals, e.fields[i].decimals);
            }
        }
        ASSERT_EQ(static_cast<int>(e.rows.size()), t.RecordCount());
        for (const auto& [recno, hex] : e.rows) {
            t.GetRecord(recno);
            ASSERT_EQ(Hex(t.RecordBuffer(), static_cast<size_t>(t.RecordLength())), hex) << "record " << recno;
        }
        t.GetRecord(recreq::kNext);
        EXPECT_TRUE(t.Eof());
    }
}

TEST(RealFixtures, AcceptedVersionsReadAndOthersAreRefusedCleanly) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    int opened = 0, refused = 0;
    for (const auto& entry : fs::recursive_directory_iterator(FixturePath("real"))) {
        std::string ext = entry.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!entry.is_regular_file() || (ext != ".DBF" && ext != ".DBC")) continue;
        SCOPED_TRACE(entry.path().string());
        std::vector<uint8_t> bytes = ReadFileBytes(entry.path().string());
        ASSERT_FALSE(bytes.empty());
        if (!Accepted(bytes[0])) {
            try {
                DVO_dBaseDBF t(entry.path().string(), "", false, true);
                ADD_FAILURE() << "version " << int(bytes[0]) << " was accepted";
            } catch (const EOrdaneError& e) {
                EXPECT_EQ(e.Code(), errcode::kBadHeader);
                ++refused;
            }
            continue;
        }
        DVO_dBaseDBF t(entry.path().string(), "", false, true);
        int32_t hdr = bytes[8] | (bytes[9] << 8), len = bytes[10] | (bytes[11] << 8);
        EXPECT_EQ(t.RecordCount(), static_cast<int32_t>((bytes.size() - hdr) / len));
        int read = 0;
        for (t.GetRecord(recreq::kFirst); !t.Eof(); t.GetRecord(recreq::kNext)) {
            uint64_t at = static_cast<uint64_t>(hdr) + static_cast<uint64_t>(t.CurrentRecord() - 1) * len;
            ASSERT_EQ(0, std::memcmp(t.RecordBuffer(), &bytes[at], static_cast<size_t>(len)));
            ++read;
        }
        EXPECT_EQ(read, t.RecordCount());
        ++opened;
    }
    EXPECT_GT(opened, 10);
    EXPECT_GT(refused, 3);
}

}  // namespace
