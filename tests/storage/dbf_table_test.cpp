#include "engine/storage/dbf_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "engine/storage/crypt.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/errors.h"
#include "process.h"
#include "raised.h"
#include "temp_dir.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Two character fields: NAME C(20), CODE C(5); record length 26, header length 97.
const std::vector<TdvNewField> kFields = {{"NAME", 'C', 20}, {"CODE", 'C', 5}};

void SetRecord(DVO_dBaseDBF& t, const std::string& name, const std::string& code) {
    uint8_t* r = t.RecordBuffer();
    std::memset(r + 1, ' ', 25);
    std::memcpy(r + 1, name.data(), std::min<size_t>(name.size(), 20));
    std::memcpy(r + 21, code.data(), std::min<size_t>(code.size(), 5));
}

std::string NameOf(const DVO_dBaseDBF& t) {
    std::string s(reinterpret_cast<const char*>(t.RecordBuffer()) + 1, 20);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

class TableTest : public ::testing::Test {
protected:
    // A table with n records named R1..Rn.
    std::string MakeTable(int n, const std::string& file = "t.dbf", uint8_t version = 0x03) {
        std::string name = dir.File(file);
        CreateTable(name, version, kFields);
        DVO_dBaseDBF t(name, "", true, false);
        for (int i = 1; i <= n; ++i) {
            SetRecord(t, "R" + std::to_string(i), std::to_string(i));
            t.AppendRecord();
        }
        return name;
    }
    TempDir dir;
};

TEST_F(TableTest, CreatedTablesOpenWithTheirLayout) {
    for (uint8_t version : {0x03, 0x83, 0x8B, 0xF5, 0x30}) {
        std::string name = dir.File("v" + std::to_string(version) + ".dbf");
        CreateTable(name, version, {{"TITLE", 'C', 55}, {"PRICE", 'N', 10, 2}, {"SOLD", 'D'}, {"OK", 'L'}});
        DVO_dBaseDBF t(name, "", false, true);
        EXPECT_EQ(t.Version(), version);
        EXPECT_EQ(t.RecordLength(), 1 + 55 + 10 + 8 + 1);
        EXPECT_EQ(t.HeaderLength(), 32 + 4 * 32 + 1 + (version == 0x30 ? 263 : 0));
        ASSERT_EQ(t.FieldCount(), 4);
        EXPECT_EQ(t.Fields()[1].name, "PRICE");
        EXPECT_EQ(t.Fields()[1].offset, 56);
        EXPECT_EQ(t.Fields()[1].decimals, 2);
        EXPECT_EQ(t.Fields()[3].number, 4);
        EXPECT_EQ(t.RecordCount(), 0);
        EXPECT_EQ(t.HasMemo(), version != 0x03 && version != 0x30);
        t.GetRecord(recreq::kFirst);
        EXPECT_TRUE(t.Eof() && t.Bof());
    }
    EXPECT_TRUE(os::FileExists(dir.File("v131.dbt")));
    EXPECT_TRUE(os::FileExists(dir.File("v139.dbt")));
    EXPECT_FALSE(os::FileExists(dir.File("v245.fpt"))) << "a FoxPro table without memo fields has no memo file";
    CreateTable(dir.File("withmemo.dbf"), 0xF5, {{"NOTE", 'M'}});
    EXPECT_TRUE(std::filesystem::exists(dir.File("withmemo.fpt"))) << "named in the table's own case";
}

TEST_F(TableTest, CreateRefusesBadDefinitionsAndExistingFiles) {
    std::string name = dir.File("bad.dbf");
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x03, {{"1ABC", 'C', 5}}); }).first, errcode::kBadFieldName);
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x03, {{"ELEVENCHARS", 'C', 5}}); }).first, errcode::kBadFieldName);
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x03, {{"A", 'C', 5}, {"a", 'N', 5}}); }).first, errcode::kBadFieldName);
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x03, {{"A", 'I'}}); }).first, errcode::kBadFieldType)
        << "I needs a 0x30 table";
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x03, {{"A", 'M'}}); }).first, errcode::kBadFieldType)
        << "no memo file in 0x03";
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x03, {{"A", 'N', 30}}); }).first, errcode::kBadFieldType);
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x04, {{"A", 'C', 5}}); }).first, errcode::kBadHeader);
    EXPECT_FALSE(os::FileExists(name)) << "nothing is left behind";
    CreateTable(name, 0x03, {{"A", 'C', 5}});
    EXPECT_EQ(Raised([&] { CreateTable(name, 0x03, {{"A", 'C', 5}}); }).first, errcode::kExists);
}

TEST_F(TableTest, RecordCountComesFromTheFileSize) {
    std::string name = MakeTable(12);
    std::vector<uint8_t> bytes = ReadFileBytes(name);
    EXPECT_EQ(bytes.back(), 0x1A) << "an append leaves the end mark";
    EXPECT_EQ(Le32(bytes, 4), 12u);
    bytes[4] = 10;  // the header claims fewer records than the file holds
    WriteFileBytes(name, bytes);
    EXPECT_EQ(DVO_dBaseDBF(name, "", false, true).RecordCount(), 12);
    bytes.pop_back();  // no end mark: the same count
    WriteFileBytes(name, bytes);
    EXPECT_EQ(DVO_dBaseDBF(name, "", false, true).RecordCount(), 12);
    bytes.resize(bytes.size() - 5);  // a partial last record is not counted
    WriteFileBytes(name, bytes);
    EXPECT_EQ(DVO_dBaseDBF(name, "", false, true).RecordCount(), 11);
}

TEST_F(TableTest, PositioningMovesAndStopsAtBothEnds) {
    DVO_dBaseDBF t(MakeTable(3), "", false, true);
    t.GetRecord(recreq::kReread);
    EXPECT_EQ(t.CurrentRecord(), 0) << "re-reading with nothing current reads nothing";
    t.GetRecord(recreq::kLast);
    EXPECT_EQ(NameOf(t), "R3");
    t.GetRecord(recreq::kNext);
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.CurrentRecord(), 3);
    EXPECT_EQ(NameOf(t), "R3") << "the buffer is unchanged";
    t.GetRecord(recreq::kFirst);
    t.GetRecord(recreq::kPrior);
    EXPECT_TRUE(t.Bof());
    EXPECT_EQ(NameOf(t), "R1");
    t.GetRecord(2);
    EXPECT_EQ(NameOf(t), "R2");
    t.GetRecord(recreq::kReread);
    EXPECT_EQ(NameOf(t), "R2");
    t.GetRecord(4);
    EXPECT_TRUE(t.Eof()) << "one past the end is the end, not an error";
    EXPECT_EQ(Raised([&] { t.GetRecord(5); }), std::make_pair(errcode::kBeyondEof, subcode::kRecordRead));
    EXPECT_EQ(Raised([&] { t.GetRecord(-6); }), std::make_pair(errcode::kBeyondEof, subcode::kRecordRead));
}

TEST_F(TableTest, PutRecordReplacesAndOutOfRangeAppends) {
    std::string name = MakeTable(2);
    {
        DVO_dBaseDBF t(name, "", true, false);
        t.GetRecord(2);
        SetRecord(t, "CHANGED", "X");
        t.PutRecord(2);
        SetRecord(t, "APPENDED", "Y");
        t.PutRecord(0);
        EXPECT_EQ(t.RecordCount(), 3);
        EXPECT_EQ(t.CurrentRecord(), 3);
    }
    DVO_dBaseDBF t(name, "", false, true);
    t.GetRecord(2);
    EXPECT_EQ(NameOf(t), "CHANGED");
    t.GetRecord(3);
    EXPECT_EQ(NameOf(t), "APPENDED");
    EXPECT_EQ(ReadFileBytes(name).back(), 0x1A);
}

TEST_F(TableTest, ReadOnlyTablesWriteNothing) {
    std::string name = MakeTable(2);
    std::vector<uint8_t> before = ReadFileBytes(name);
    {
        DVO_dBaseDBF t(name, "", false, false);
        t.GetRecord(1);
        SetRecord(t, "NEVER", "");
        EXPECT_EQ(Raised([&] { t.PutRecord(1); }).first, errcode::kAccessDenied);
        EXPECT_EQ(Raised([&] { t.AppendRecord(); }).first, errcode::kAccessDenied);
        EXPECT_EQ(t.RecordCount(), 2);
    }
    EXPECT_EQ(ReadFileBytes(name), before);
}

TEST_F(TableTest, TableLockDefersTheHeaderUntilTheLastUnlock) {
    std::string name = MakeTable(1);
    DVO_dBaseDBF t(name, "", true, true);
    ASSERT_TRUE(t.LockTable());
    ASSERT_TRUE(t.LockTable());
    SetRecord(t, "A", "");
    t.AppendRecord();
    t.AppendRecord();
    EXPECT_TRUE(t.HeaderDirty());
    EXPECT_EQ(Le32(ReadFileBytes(name), 4), 1u);
    t.Unlock();
    EXPECT_EQ(Le32(ReadFileBytes(name), 4), 1u) << "one level is still held";
    t.Unlock();
    EXPECT_FALSE(t.FileLocked());
    EXPECT_EQ(Le32(ReadFileBytes(name), 4), 3u);
}

TEST_F(TableTest, HeaderIsWrittenAtClosingWhenStillDirty) {
    std::string name = MakeTable(1);
    {
        DVO_dBaseDBF t(name, "", true, false);
        ASSERT_TRUE(t.LockTable());
        t.AppendRecord();
    }  // destroyed with the table lock held
    EXPECT_EQ(Le32(ReadFileBytes(name), 4), 2u);
}

TEST_F(TableTest, SharedReplaceLeavesThePeersRecordCountAlone) {
    std::string name = MakeTable(2);
    DVO_dBaseDBF t(name, "", true, true);
    t.GetRecord(1);
    // A peer has just appended and written its count; this process has not seen it yet.
    std::vector<uint8_t> bytes = ReadFileBytes(name);
    bytes[4] = 7;
    WriteFileBytes(name, bytes);
    ASSERT_TRUE(t.LockRecord());
    t.PutRecord(1);
    t.Unlock();
    bytes = ReadFileBytes(name);
    EXPECT_EQ(bytes[4], 7);
    os::LocalTime now = os::Now();
    EXPECT_EQ(bytes[1], now.year % 100) << "the date is still kept current";
}

struct LockCase {
    TdvLokProtocol protocol;
    bool indexLocking;
    uint64_t lockedByte;  // for record 1 of a table with header length 97 and record length 26
};

class IndexedTable : public DVO_dBaseDBF {
public:
    using DVO_dBaseDBF::DVO_dBaseDBF;
    bool UsesIndexLocking() override { return indexed; }
    bool indexed = false;
};

TEST_F(TableTest, RecordLocksTakeTheProtocolsByte) {
    std::string name = MakeTable(1);
    for (LockCase c : {LockCase{TdvLokProtocol::Default, false, 0x40000000u + 97},
                       LockCase{TdvLokProtocol::Default, true, 0x7FFFFFFEu - 1},
                       LockCase{TdvLokProtocol::FoxLock, false, 0x40000000u + 97},
                       LockCase{TdvLokProtocol::DB4Lock, false, 0xEFFFFFFFu - 2},
                       LockCase{TdvLokProtocol::ClipLock, false, 1000000001u}}) {
        IndexedTable t(name, "", true, true);
        t.indexed = c.indexLocking;
        t.SetLockProtocol(c.protocol);
        t.GetRecord(1);
        ASSERT_TRUE(t.LockRecord());
        DVO_DiskFile probe(name, true, true);
        probe.Open();
        EXPECT_FALSE(probe.LockRegion(c.lockedByte, 1)) << static_cast<int>(c.protocol);
        EXPECT_TRUE(probe.LockRegion(c.lockedByte + 1, 1));
        probe.UnlockRegion();
        EXPECT_FALSE(t.LockAppend()) << "a file holds one region at a time";
        EXPECT_EQ(t.Error(), 33);
        t.Unlock();
    }
    IndexedTable t(name, "", true, true);
    t.SetLockProtocol(static_cast<TdvLokProtocol>(7));
    t.GetRecord(1);
    EXPECT_FALSE(t.LockRecord());
    EXPECT_EQ(t.LockCount(), 0);
}

TEST_F(TableTest, RefusedAppendLockWritesNothing) {
    std::string name = MakeTable(1);
    std::vector<uint8_t> before = ReadFileBytes(name);
    DVO_DiskFile peer(name, true, true);
    peer.Open();
    ASSERT_TRUE(peer.LockRegion(0x7FFFFFFE, 1));
    {
        DVO_dBaseDBF t(name, "", true, true);
        EXPECT_EQ(Raised([&] { t.AppendRecord(); }).first, errcode::kLockViolation);
        EXPECT_EQ(t.RecordCount(), 1);
        EXPECT_EQ(t.LockCount(), 0);
    }
    EXPECT_EQ(ReadFileBytes(name), before);
}

TEST_F(TableTest, AnotherProcessesRecordLockIsRefusedAtOnceAndItsAppendIsSeen) {
    std::string name = MakeTable(2);
    ChildProcess child([&](ChildProcess& self) {
        DVO_dBaseDBF t(name, "", true, true);
        t.GetRecord(1);
        if (!t.LockRecord()) return 1;
        self.Tell();
        self.Await();
        t.Unlock();
        SetRecord(t, "FROM CHILD", "C");
        t.AppendRecord();
        self.Tell();
        self.Await();
        return 0;
    });
    child.Await();
    DVO_dBaseDBF t(name, "", true, true);
    t.GetRecord(1);
    EXPECT_FALSE(t.LockRecord());
    EXPECT_EQ(t.Error(), 33);
    t.GetRecord(2);
    EXPECT_TRUE(t.LockRecord()) << "another record is free";
    t.Unlock();
    child.Tell();
    child.Await();
    EXPECT_EQ(t.RecordCount(), 2);
    t.GetRecord(3);  // beyond the known end: the header is refreshed first
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(NameOf(t), "FROM CHILD");
    EXPECT_EQ(t.RecordCount(), 3);
    child.Tell();
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(TableTest, SecondExclusiveOpenIsASharingViolation) {
    std::string name = MakeTable(1);
    ChildProcess child([&](ChildProcess& self) {
        DVO_dBaseDBF t(name, "", true, false);
        self.Tell();
        self.Await();
        return 0;
    });
    child.Await();
    EXPECT_EQ(Raised([&] { DVO_dBaseDBF t(name, "", false, true); }),
              std::make_pair(errcode::kSharingViolation, subcode::kOpen));
    child.Tell();
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_NO_THROW(DVO_dBaseDBF(name, "", false, true));
}

// Each case damages a good table; every one must be refused cleanly.
struct DamageCase {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    int32_t code;
};

TEST_F(TableTest, MalformedHeadersAreRefused) {
    std::string good = MakeTable(2);
    const std::vector<uint8_t> original = ReadFileBytes(good);
    const std::vector<DamageCase> cases = {
        {"shorter than 32 bytes", [](auto& b) { b.resize(20); }, 221},
        {"unknown version", [](auto& b) { b[0] = 0x04; }, errcode::kBadHeader},
        {"version 0x02", [](auto& b) { b[0] = 0x02; }, errcode::kBadHeader},
        {"record length 0", [](auto& b) { b[10] = b[11] = 0; }, errcode::kBadHeader},
        {"header length too small", [](auto& b) { b[8] = 32; b[9] = 0; }, errcode::kBadHeader},
        {"file shorter than its header", [](auto& b) { b.resize(80); }, errcode::kBadHeader},
        {"fields longer than the record", [](auto& b) { b[32 + 16] = 200; }, errcode::kBadHeader},
    };
    for (const DamageCase& c : cases) {
        std::vector<uint8_t> bytes = original;
        c.damage(bytes);
        WriteFileBytes(good, bytes);
        auto raised = Raised([&] { DVO_dBaseDBF t(good, "", false, true); });
        EXPECT_EQ(raised, std::make_pair(c.code, subcode::kTableOpen)) << c.what;
        EXPECT_EQ(ReadFileBytes(good), bytes) << c.what << ": nothing written";
    }
}

// What opening a table raises: "code/subcode" for an engine error, "password: message" for a password error,
// "" when it opens.
std::string OpenFailure(const std::string& name, const std::string& password) {
    try {
        DVO_dBaseDBF t(name, password, false, true);
    } catch (const EOrdaneError& e) {
        return std::to_string(e.Code()) + "/" + std::to_string(e.SubCode()) + " " + e.what();
    } catch (const EOrdaneEncryption& e) {
        return std::string("password: ") + e.what();
    }
    return {};
}

// A header length or descriptor that points past what the file or the record holds is refused by the header's
// view: error 1001 with subcode 1204, naming the table, and nothing is read past it.
TEST_F(TableTest, HostileHeadersAreRefusedByTheHeadersView) {
    std::string good = MakeTable(2);
    const std::vector<uint8_t> original = ReadFileBytes(good);
    const std::vector<DamageCase> cases = {
        {"header length far past the end of the file", [](auto& b) { b[8] = b[9] = 0xFF; }, 1001},
        {"header length one byte past the end of the file",
         [](auto& b) {
             b[8] = static_cast<uint8_t>((b.size() + 1) & 0xFF);
             b[9] = static_cast<uint8_t>((b.size() + 1) >> 8);
         },
         1001},
        {"character length high byte running past the record", [](auto& b) { b[32 + 17] = 1; }, 1001},
        {"last field one byte past the record", [](auto& b) { b[64 + 16] = 6; }, 1001},
    };
    for (const DamageCase& c : cases) {
        std::vector<uint8_t> bytes = original;
        c.damage(bytes);
        WriteFileBytes(good, bytes);
        const std::string failure = OpenFailure(good, "");
        EXPECT_EQ(failure.substr(0, 10), std::to_string(c.code) + "/1204 ") << c.what << ": " << failure;
        EXPECT_NE(failure.find(os::UpperCase(good)), std::string::npos) << c.what << ": " << failure;
        EXPECT_NE(failure.find(" lie outside "), std::string::npos) << c.what << ": the message says where";
        EXPECT_EQ(ReadFileBytes(good), bytes) << c.what << ": nothing written";
    }
}

// The check that every field lies inside the record belongs to the table, so a bare DVO_dBaseDBF makes it too.
// In an encrypted table descriptors that do not add up to the record length are the wrong password.
TEST_F(TableTest, BareTableRefusesFieldsPastTheRecordEncryptedOrNot) {
    const std::string key = "secret";
    struct Case {
        const char* what;
        bool encrypted;
        std::string password;
        std::function<void(std::vector<uint8_t>&)> damage;  // applied to the plain descriptors
        std::string failure;                                 // what OpenFailure starts with
    };
    const std::vector<Case> cases = {
        {"plain, a field past the record", false, "", [](auto& b) { b[64 + 16] = 9; }, "1001/1204 "},
        {"plain, a record shorter than its fields", false, "", [](auto& b) { b[10] = 20; }, "1001/1204 "},
        {"encrypted, a field past the record", true, key, [](auto& b) { b[64 + 16] = 9; },
         "password: Invalid Password for encrypted file "},
        {"encrypted, a record shorter than its fields", true, key, [](auto& b) { b[10] = 20; },
         "password: Invalid Password for encrypted file "},
        {"encrypted, the wrong password", true, "xyzzy", [](auto&) {},
         "password: Invalid Password for encrypted file "},
        {"encrypted, the right password", true, key, [](auto&) {}, ""},
    };
    for (const Case& c : cases) {
        std::string name = MakeTable(1, "bare.dbf");
        std::vector<uint8_t> bytes = ReadFileBytes(name);
        c.damage(bytes);
        if (c.encrypted) {
            bytes[15] = 1;
            CryptBuffer(key, &bytes[32], &bytes[32], 97 - 33, 1);
        }
        WriteFileBytes(name, bytes);
        const std::string failure = OpenFailure(name, c.password);
        EXPECT_EQ(failure.substr(0, c.failure.size()), c.failure) << c.what << ": " << failure;
        if (!c.failure.empty()) {
            EXPECT_NE(failure.find(os::UpperCase(name)), std::string::npos) << c.what;
        }
        os::DeleteFile(name);
    }
}

TEST_F(TableTest, DescriptorsEndAtTheTerminatorWhateverTheHeaderLength) {
    std::string name = MakeTable(1);
    std::vector<uint8_t> bytes = ReadFileBytes(name);
    // Pad the header with a 263-byte area after the terminator, as some writers do for every version.
    bytes.insert(bytes.begin() + 97, 263, 0);
    bytes[8] = static_cast<uint8_t>((97 + 263) & 0xFF);
    bytes[9] = static_cast<uint8_t>((97 + 263) >> 8);
    WriteFileBytes(name, bytes);
    DVO_dBaseDBF t(name, "", false, true);
    EXPECT_EQ(t.FieldCount(), 2);
    t.GetRecord(1);
    EXPECT_EQ(NameOf(t), "R1");
}

TEST_F(TableTest, EncryptedTablesNeedTheirPasswordAndStayPlainAtTheEdges) {
    std::string name = MakeTable(0);
    const std::string key = "secret";
    std::vector<uint8_t> bytes = ReadFileBytes(name);
    bytes[15] = 1;
    CryptBuffer(key, &bytes[32], &bytes[32], 97 - 33, 1);
    WriteFileBytes(name, bytes);

    auto messageOf = [&](const std::string& password, const std::string& file) {
        try {
            DVO_dBaseDBF t(file, password, false, true);
        } catch (const EOrdaneEncryption& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(messageOf("", name), "No Password for encrypted file " + os::UpperCase(name));
    std::string plain = MakeTable(0, "plain.dbf");
    EXPECT_EQ(messageOf("x", plain), "A Password is included for unencrypted file " + os::UpperCase(plain));

    {
        DVO_dBaseDBF t(name, key, true, false);
        ASSERT_EQ(t.FieldCount(), 2);
        EXPECT_EQ(t.Fields()[0].name, "NAME");
        SetRecord(t, "SAME", "1");
        t.AppendRecord();
        t.AppendRecord();
    }
    bytes = ReadFileBytes(name);
    ASSERT_EQ(bytes.size(), 97u + 2 * 26 + 1);
    EXPECT_EQ(bytes.back(), 0x1A);
    std::vector<uint8_t> first(bytes.begin() + 97, bytes.begin() + 97 + 26);
    std::vector<uint8_t> second(bytes.begin() + 97 + 26, bytes.begin() + 97 + 52);
    EXPECT_EQ(first, second) << "each record is enciphered from position 0";
    EXPECT_NE(first[1], 'S');
    DVO_dBaseDBF t(name, key, false, true);
    t.GetRecord(2);
    EXPECT_EQ(NameOf(t), "SAME");
}

TEST(CryptBufferTest, TwiceRestoresAndThePositionTermRepeatsEvery256Bytes) {
    std::vector<uint8_t> data(600);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint8_t> out(600), back(600);
    EXPECT_EQ(CryptBuffer("k3y", data.data(), out.data(), 600, 1), 1);
    EXPECT_EQ(CryptBuffer("k3y", out.data(), back.data(), 600, 0), -1);
    EXPECT_EQ(back, data);
    EXPECT_EQ(out[0], data[0] ^ ('k' | 0));
    EXPECT_EQ(out[256], data[256] ^ ("k3y"[256 % 3] | 0));
    EXPECT_EQ(out[5], data[5] ^ (5 | 'y'));
    EXPECT_EQ(CryptBuffer("", data.data(), out.data(), 600, 1), 0);
    EXPECT_EQ(out, data);
}

TEST_F(TableTest, RenameMovesTheMemoFileAndUndoesAFailedHalf) {
    std::string name = dir.File("memo.dbf");
    CreateTable(name, 0x83, {{"NOTE", 'M'}});
    {
        DVO_dBaseDBF t(name, "", true, false);
        EXPECT_TRUE(t.Rename(dir.File("moved.dbf")));
        EXPECT_EQ(t.Name(), os::UpperCase(dir.File("moved.dbf")));
    }
    EXPECT_TRUE(os::FileExists(dir.File("moved.dbf")));
    EXPECT_TRUE(os::FileExists(dir.File("moved.dbt")));
    EXPECT_FALSE(os::FileExists(dir.File("memo.dbt")));

    WriteFileBytes(dir.File("taken.dbt"), {0});
    DVO_dBaseDBF t(dir.File("moved.dbf"), "", true, false);
    EXPECT_EQ(Raised([&] { t.Rename(dir.File("taken.dbf")); }), std::make_pair(errcode::kExists, subcode::kRename));
    EXPECT_TRUE(os::FileExists(dir.File("moved.dbf"))) << "the table went back to its old name";
    EXPECT_FALSE(os::FileExists(dir.File("taken.dbf")));
    EXPECT_EQ(t.Name(), os::UpperCase(dir.File("moved.dbf")));
}

TEST_F(TableTest, FlushDoesNotOpenAMissingMemoFile) {
    std::string name = dir.File("m.dbf");
    CreateTable(name, 0x8B, {{"NOTE", 'M'}});
    os::DeleteFile(dir.File("m.dbt"));
    DVO_dBaseDBF t(name, "", true, false);
    EXPECT_NO_THROW(t.Flush());
    EXPECT_EQ(Raised([&] { t.OpenMemo(); }), std::make_pair(errcode::kFileNotFound, subcode::kMemoOpen));
}

}  // namespace

namespace {

// Tables this engine creates and appends to read back the same in two independent readers.
TEST(TableOracle, CreatedAndAppendedTablesReadBackElsewhere) {
    int status = 0;
    RunCommand(std::string("'") + VELMORA_ORACLE_PYTHON + "' -c 'import dbf, dbfread' 2>/dev/null", &status);
    if (status != 0) GTEST_SKIP() << "python3-dbf and python3-dbfread are not installed";
    TempDir dir;
    for (uint8_t version : {0x03, 0x83, 0x8B, 0xF5, 0x30}) {
        SCOPED_TRACE(static_cast<int>(version));
        std::string name = dir.File("o" + std::to_string(version) + ".dbf");
        CreateTable(name, version, {{"TITLE", 'C', 12}, {"QTY", 'N', 6, 1}, {"BORN", 'D'}, {"OK", 'L'}});
        {
            DVO_dBaseDBF t(name, "", true, true);
            // deletion flag, TITLE C(12), QTY N(6,1), BORN D, OK L
            const std::string rows[] = {std::string(" Hello       ") + "  12.5" + "20240131" + "T",
                                        std::string(" Box \xC9\xCD\xBB     ") + "  -3.0" + "19991231" + "F",
                                        std::string("*Gone        ") + "   0.0" + "        " + "?"};
            for (const std::string& row : rows) {
                ASSERT_EQ(row.size(), 28u);
                std::memcpy(t.RecordBuffer(), row.data(), 28);
                t.AppendRecord();
                if (row[0] == '*') {  // an append always stores a live record; delete it by a replace
                    t.RecordBuffer()[0] = '*';
                    t.PutRecord(t.CurrentRecord());
                }
            }
        }
        std::string out = RunCommand(std::string("'") + VELMORA_ORACLE_PYTHON + "' '" + VELMORA_TESTS_DIR +
                                         "/tools/oracle_read.py' '" + name + "' 2>&1",
                                     &status);
        ASSERT_EQ(status, 0) << out;
        EXPECT_NE(out.find("DBFREAD 0 TITLE='Hello'|QTY=12.5|BORN=datetime.date(2024, 1, 31)|OK=True\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("DBFREAD 0 TITLE='Box \u2554\u2550\u2557'|QTY=-3.0|BORN=datetime.date(1999, 12, 31)|OK=False\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("DBFREAD 1 TITLE='Gone'|QTY=0.0|BORN=None|OK=None\n"), std::string::npos) << out;
        EXPECT_NE(out.find(version == 0x8B ? "DBF unsupported" : "DBF 3 title,qty,born,ok"), std::string::npos) << out;
    }
}

}  // namespace
