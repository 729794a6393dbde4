#include "engine/storage/memo_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_table.h"
#include "engine/storage/errors.h"
#include "expected_fixtures.h"
#include "raised.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Compares two hex texts and says where they part, instead of printing both whole.
::testing::AssertionResult SameHex(const std::string& ours, const std::string& expected) {
    if (ours == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < ours.size() && at < expected.size() && ours[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << "lengths " << ours.size() / 2 << " and " << expected.size() / 2
                                         << " bytes, first difference at byte " << at / 2 << ": "
                                         << ours.substr(at, 16) << " vs " << expected.substr(at, 16);
}

std::string ReadMemo(DVobjMemo& memo, int32_t block) {
    int32_t size = memo.MemoSize(block);
    std::string text(static_cast<size_t>(size) + 1, '\0');
    memo.MemoRead(text.data(), block, size);
    text.resize(static_cast<size_t>(size));
    return text;
}

int32_t Write(DVobjMemo& memo, const std::string& text, int32_t block = 0) {
    return memo.MemoWrite(text.data(), block, static_cast<int32_t>(text.size()));
}

// The block number a memo field of the current record names.
int32_t BlockOf(const DVO_dBaseDBF& t, const TdvFieldDesc& f) {
    const uint8_t* p = t.RecordBuffer() + f.offset;
    if (f.length == 4) {
        return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24));
    }
    std::string text(reinterpret_cast<const char*>(p), static_cast<size_t>(f.length));
    int32_t block = 0;
    for (char c : text)
        if (c >= '0' && c <= '9') block = block * 10 + (c - '0');
    return block;
}

void PutBlock(DVO_dBaseDBF& t, const TdvFieldDesc& f, int32_t block) {
    uint8_t* p = t.RecordBuffer() + f.offset;
    if (f.length == 4) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(block >> (8 * i));
        return;
    }
    std::string text = std::to_string(block);
    text.insert(0, static_cast<size_t>(f.length) - text.size(), ' ');
    std::memcpy(p, text.data(), text.size());
}

TEST(MemoFixtures, PeerMadeMemosReadAsExpected) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    int memos = 0;
    for (const ExpectedTable& e : LoadExpectedTables()) {
        if (e.memos.empty() || e.version == 0x84) continue;
        SCOPED_TRACE(e.path);
        DVO_dBaseDBF t(e.path, "", false, true);
        DVobjMemo* memo = t.OpenMemo();
        ASSERT_NE(memo, nullptr);
        for (const ExpectedMemo& m : e.memos) {
            std::string text = ReadMemo(*memo, m.block);
            EXPECT_TRUE(SameHex(Hex(text.data(), text.size()), m.hex)) << "record " << m.recno << " " << m.field;
            ++memos;
        }
    }
    EXPECT_GT(memos, 50);
}

// The real tables' memos read as the independent reader reads them.
TEST(MemoFixtures, RealMemosReadAsTheIndependentReaderReadsThem) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    int memos = 0;
    for (const auto& entry : fs::recursive_directory_iterator(FixturePath("real"))) {
        if (!entry.is_regular_file()) continue;
        std::string path = entry.path().string();
        std::vector<uint8_t> head = ReadFileBytes(path);
        if (head.size() < 32 || (head[0] != 0x83 && head[0] != 0x8B && head[0] != 0xF5 && head[0] != 0x30)) continue;
        std::string ext = entry.path().extension().string();
        if (ext != ".dbf" && ext != ".DBF") continue;
        if (!os::FileExists(DVobjMemo::MemoFileName(path, head[0]))) continue;
        SCOPED_TRACE(path);
        int status = 0;
        std::istringstream out(RunOracleScript("oracle_memos.py", path, &status));
        ASSERT_EQ(status, 0);
        DVO_dBaseDBF t(path, "", false, true);
        DVobjMemo* memo = t.OpenMemo();
        if (!memo) continue;
        std::string kind, field, hex;
        int recno = 0, block = 0;
        while (out >> kind >> recno >> field >> block >> hex) {
            if (hex == "-") hex.clear();
            std::string text = ReadMemo(*memo, block);
            std::string ours = Hex(text.data(), text.size());
            if (head[0] == 0x8B) {
                // The reader takes the header's length from after the block header (8 bytes too many) and cuts
                // at 0x1F; both must agree up to where either ends.
                size_t cut = text.find('\x1F');
                ours = ours.substr(0, cut == std::string::npos ? ours.size() : 2 * cut);
                hex = hex.substr(0, std::min(hex.size(), ours.size()));
            }
            EXPECT_TRUE(SameHex(ours, hex)) << "record " << recno << " " << field << " block " << block;
            ++memos;
        }
    }
    EXPECT_GT(memos, 500);
}

class MemoTest : public ::testing::Test {
protected:
    // A new table of the version with one memo field, and its memo object.
    DVobjMemo& Open(uint8_t version, const std::string& password = "", bool shared = false, int blockSize = 0) {
        std::string name = dir.File("m" + std::to_string(version) + ".dbf");
        if (!os::FileExists(name)) {
            CreateTable(name, version, {{"NOTE", 'M'}}, blockSize);
            if (!password.empty()) {
                // Mark the new table encrypted and encipher its one descriptor.
                std::vector<uint8_t> bytes = ReadFileBytes(name);
                bytes[15] = 1;
                int32_t area = (bytes[8] | (bytes[9] << 8)) - (version == 0x30 ? 296 : 33);
                for (int32_t i = 0; i < area; ++i)
                    bytes[32 + i] ^= static_cast<uint8_t>((i & 0xFF) | static_cast<uint8_t>(password[i % password.size()]));
                WriteFileBytes(name, bytes);
            }
        }
        table = std::make_unique<DVO_dBaseDBF>(name, password, true, shared);
        return *table->OpenMemo();
    }
    std::string MemoPath(uint8_t version) const {
        return dir.File("m" + std::to_string(version) + (version == 0x83 || version == 0x8B ? ".dbt" : ".fpt"));
    }
    TempDir dir;
    std::unique_ptr<DVO_dBaseDBF> table;
};

TEST_F(MemoTest, DBase3BlocksCountTheTerminatorAndThePasswordPrefix) {
    struct Case {
        std::string password;
        size_t length;
        int32_t blocks;
    };
    for (Case c : {Case{"", 510, 1}, Case{"", 511, 2}, Case{"pw", 506, 1}, Case{"pw", 507, 2}}) {
        SCOPED_TRACE(std::to_string(c.length) + (c.password.empty() ? "" : " with password"));
        std::filesystem::remove_all(dir.Path());
        std::filesystem::create_directories(dir.Path());
        DVobjMemo& memo = Open(0x83, c.password);
        std::string text(c.length, 'a');
        int32_t first = Write(memo, text);
        EXPECT_EQ(first, 1);
        EXPECT_EQ(memo.BlockCount(), c.blocks);
        EXPECT_EQ(Write(memo, "next"), 1 + c.blocks) << "the next memo starts after all blocks of the first";
        EXPECT_EQ(ReadMemo(memo, first), text);
        EXPECT_EQ(memo.MemoSize(first), static_cast<int32_t>(c.length));
        std::vector<uint8_t> file = ReadFileBytes(MemoPath(0x83));
        size_t at = 512 + (c.password.empty() ? 0 : 4);
        if (!c.password.empty()) {
            EXPECT_EQ(Le32(file, 512), c.length) << "the length prefix is plain";
        }
        EXPECT_EQ(file[at + c.length], 0x1A);
        EXPECT_EQ(file[at + c.length + 1], 0x1A);
        EXPECT_EQ(file[at] == 'a', c.password.empty()) << "memo bytes are enciphered with a password";
    }
}

TEST_F(MemoTest, RewritesStayInPlaceUnlessTheyNeedMoreBlocks) {
    for (uint8_t version : {0x83, 0xF5}) {
        SCOPED_TRACE(static_cast<int>(version));
        DVobjMemo& memo = Open(version);
        const int32_t size = memo.BlockSize();
        int32_t a = Write(memo, std::string(static_cast<size_t>(size) * 2 - 20, 'x'));
        int32_t b = Write(memo, "after");
        EXPECT_EQ(Write(memo, "short", a), a);
        EXPECT_EQ(ReadMemo(memo, a), "short");
        int32_t moved = Write(memo, std::string(static_cast<size_t>(size) * 3, 'y'), a);
        const int32_t end = moved + memo.BlockCount();
        EXPECT_GT(moved, b) << "a longer memo goes to the end";
        EXPECT_EQ(ReadMemo(memo, b), "after");
        EXPECT_EQ(Write(memo, "again"), end) << "old blocks are not reused";
    }
}

TEST_F(MemoTest, BlockHeadersOfDBase4AndFoxPro) {
    struct Case {
        uint8_t version;
        std::vector<uint8_t> header;
    };
    for (const Case& c : {Case{0x8B, {0xFF, 0xFF, 0x08, 0x00, 0x6C, 0x00, 0x00, 0x00}},
                          Case{0x30, {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x64}}}) {
        DVobjMemo& memo = Open(c.version);
        int32_t block = Write(memo, std::string(100, 'm'));
        std::vector<uint8_t> file = ReadFileBytes(MemoPath(c.version));
        size_t at = static_cast<size_t>(block) * static_cast<size_t>(memo.BlockSize());
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + at, file.begin() + at + 8), c.header);
        EXPECT_EQ(ReadMemo(memo, block), std::string(100, 'm'));
        EXPECT_EQ(file.size() % memo.BlockSize(), 0u) << "whole blocks are written";
    }
}

TEST_F(MemoTest, DBase4FreesToTheChainAndReusesFirstFit) {
    DVobjMemo& memo = Open(0x8B, "", false, 64);
    ASSERT_EQ(memo.BlockSize(), 64);
    std::vector<int32_t> blocks;
    for (int i = 0; i < 3; ++i) blocks.push_back(Write(memo, std::string(64 * 3 - 8, 'a' + i)));  // 3 blocks each
    EXPECT_EQ(blocks, (std::vector<int32_t>{1, 4, 7}));
    // Rewriting the middle memo with a 1-block text frees its 3 blocks and takes the first of them.
    EXPECT_EQ(Write(memo, "tiny", 4), 4);
    std::vector<uint8_t> file = ReadFileBytes(MemoPath(0x8B));
    EXPECT_EQ(Le32(file, 0), 5u) << "the chain now starts at the run left over";
    EXPECT_EQ(Le32(file, 5 * 64), 10u) << "and that run links to the end of the file";
    EXPECT_EQ(Le32(file, 5 * 64 + 4), 2u);
    EXPECT_EQ(Write(memo, std::string(100, 'z')), 5) << "a 2-block memo fits the left-over run";
    EXPECT_EQ(Write(memo, "end"), 10);
    EXPECT_EQ(ReadMemo(memo, 1), std::string(64 * 3 - 8, 'a'));
    EXPECT_EQ(ReadMemo(memo, 4), "tiny");
    EXPECT_EQ(ReadMemo(memo, 7), std::string(64 * 3 - 8, 'c'));
}

TEST_F(MemoTest, ReadsHonourBlockZeroAndTheCallersRoom) {
    DVobjMemo& memo = Open(0xF5);
    int32_t block = Write(memo, "0123456789");
    char buf[4] = {'x', 'x', 'x', 'x'};
    int32_t size = 4;
    memo.MemoRead(buf, 0, size);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(buf[0], '\0');
    size = 0;
    buf[0] = 'x';
    memo.MemoRead(buf, block, size);
    EXPECT_EQ(buf[0], 'x');
    size = 4;
    memo.MemoRead(buf, block, size);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    int32_t none = 0;
    EXPECT_EQ(memo.MemoWrite("", none, 0), 0);
    EXPECT_EQ(memo.MemoSize(0), 0);
}

TEST_F(MemoTest, MemoLocksSitOnTheProtocolsBytes) {
    struct Case {
        TdvLokProtocol protocol;
        uint64_t offset, length;
    };
    for (Case c : {Case{TdvLokProtocol::Default, 0x7FFFFFFD, 1}, Case{TdvLokProtocol::DB4Lock, 0xEFFFFFFE, 2},
                   Case{TdvLokProtocol::ClipLock, 1000000000, 1}}) {
        DVobjMemo& memo = Open(0x83, "", true);
        table->SetLockProtocol(c.protocol);
        ASSERT_TRUE(memo.LockMemo());
        DVO_DiskFile probe(MemoPath(0x83), true, true);
        probe.Open();
        EXPECT_FALSE(probe.LockRegion(c.offset + c.length - 1, 1));
        EXPECT_TRUE(probe.LockRegion(c.offset + c.length, 1));
        probe.UnlockRegion();
        memo.UnlockRegion();
    }
}

TEST_F(MemoTest, AContendedMemoLockWaitsTheEngineWideLockWaitThenRefuses) {
    DVobjMemo& memo = Open(0x8B, "", true);
    const int32_t block = Write(memo, "kept");
    // A second open file description of the memo file contends like another process.
    DVO_DiskFile holder(MemoPath(0x8B), true, true);
    holder.Open();
    ASSERT_TRUE(holder.LockRegion(0x7FFFFFFD, 1));
    struct WaitScope {
        TdvLockWait saved = LockWait();
        ~WaitScope() { SetLockWait(saved.waitMilliseconds, saved.intervalMilliseconds); }
    } restoreWait;
    SetLockWait(300, 30);  // 10 attempts, 9 pauses

    const auto start = std::chrono::steady_clock::now();
    int32_t rewritten = block;
    EXPECT_EQ(Raised([&] { memo.MemoWrite("lost", rewritten, 4); }),
              std::make_pair(errcode::kLockViolation, subcode::kMemoLock));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(270)) << "gave up before the configured wait";
    EXPECT_LT(waited, std::chrono::milliseconds(4000)) << "waited the default 5 s, not the configured wait";
    EXPECT_EQ(rewritten, block);
    EXPECT_EQ(memo.LockCount(), 0);
    EXPECT_EQ(ReadMemo(memo, block), "kept");

    holder.UnlockRegion();
    EXPECT_GT(Write(memo, "now", block), 0) << "the lock is free again";
}

TEST_F(MemoTest, AMemoErrorReachesTheReporterOnceThroughItsTable) {
    DVobjMemo& memo = Open(0x8B);
    Write(memo, "abc");
    ReportCounter counter;
    EXPECT_EQ(Raised([&] { memo.MemoSize(99); }), std::make_pair(errcode::kMemoFormat, subcode::kMemoFormat));
    EXPECT_EQ(counter.Reports(), 1);
}

TEST_F(MemoTest, RenameFollowsTheTableAndRecordsItsName) {
    DVobjMemo& memo = Open(0x8B);
    Write(memo, "kept");
    ASSERT_TRUE(table->Rename(dir.File("CUSTOMERS2024.DBF")));
    table.reset();
    std::vector<uint8_t> header = ReadFileBytes(dir.File("CUSTOMERS2024.dbt"));  // the memo keeps its extension
    ASSERT_GE(header.size(), 32u);
    EXPECT_EQ(std::string(header.begin() + 8, header.begin() + 16), "CUSTOMER");
    EXPECT_EQ(header[16], 0);
    DVO_dBaseDBF t(dir.File("CUSTOMERS2024.DBF"), "", false, false);
    EXPECT_EQ(ReadMemo(*t.OpenMemo(), 1), "kept");
}

// Each case damages a memo file; reading must end in error 1005 or a bounded result, never a crash or a hang.
TEST_F(MemoTest, DamagedMemoFilesAreRefusedCleanly) {
    const auto badMemo = std::make_pair(errcode::kMemoFormat, subcode::kMemoFormat);
    {
        DVobjMemo& memo = Open(0x8B, "", false, 64);
        Write(memo, "abc");
        EXPECT_EQ(Raised([&] { memo.MemoSize(99); }), badMemo) << "block past the end";
        std::vector<uint8_t> file = ReadFileBytes(MemoPath(0x8B));
        file[64 + 4] = 0xFF;  // length runs past the end of the file
        file[64 + 5] = 0xFF;
        file[64 + 6] = 0xFF;
        WriteFileBytes(MemoPath(0x8B), file);
        EXPECT_EQ(Raised([&] { memo.MemoSize(1); }), badMemo);
        file[64] = 0;  // no in-use mark
        WriteFileBytes(MemoPath(0x8B), file);
        EXPECT_EQ(Raised([&] { memo.MemoSize(1); }), badMemo);
        // A free chain that loops on itself.
        file.resize(64 * 4, 0);
        file[0] = 2;
        file[2 * 64] = 2;
        file[2 * 64 + 4] = 1;
        WriteFileBytes(MemoPath(0x8B), file);
        EXPECT_EQ(Raised([&] { Write(memo, std::string(200, 'q')); }), badMemo);
    }
    table.reset();
    {
        std::vector<uint8_t> file = ReadFileBytes(MemoPath(0x8B));
        file[20] = file[21] = 0;  // block size 0
        WriteFileBytes(MemoPath(0x8B), file);
        DVO_dBaseDBF t(dir.File("m139.dbf"), "", true, false);
        EXPECT_EQ(Raised([&] { t.OpenMemo(); }).first, errcode::kMemoFormat);
    }
    {
        DVobjMemo& memo = Open(0xF5);
        int32_t block = Write(memo, "x");
        std::vector<uint8_t> file = ReadFileBytes(MemoPath(0xF5));
        file[static_cast<size_t>(block) * memo.BlockSize() + 3] = 7;  // unknown block type
        WriteFileBytes(MemoPath(0xF5), file);
        EXPECT_EQ(Raised([&] { memo.MemoSize(block); }), badMemo);
    }
    {
        DVobjMemo& memo = Open(0x83);
        std::vector<uint8_t> file(512, 0);
        file[0] = 200;
        file.resize(512 + 70000, 'n');  // no terminator anywhere
        WriteFileBytes(MemoPath(0x83), file);
        EXPECT_EQ(memo.MemoSize(1), 65519);
        file[512 + 66000] = 0x1A;
        WriteFileBytes(MemoPath(0x83), file);
        EXPECT_EQ(memo.MemoSize(1), 66000) << "a terminated memo may be longer";
        file.resize(512 + 1000);
        WriteFileBytes(MemoPath(0x83), file);
        EXPECT_EQ(memo.MemoSize(1), 1000) << "the end of the file ends an unterminated memo";
    }
}

void PutBe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// A memo file whose header or block header points past what the file holds. Each case damages a memo file that
// holds one memo and then opens it, sizes that memo or writes a new one: the result is error 1005 naming the
// memo file, and the file is left as it was.
struct HostileMemoCase {
    const char* what;
    uint8_t version;
    std::string password;
    // The damage, given the memo file, the block of its one memo and the block size.
    std::function<void(std::vector<uint8_t>& file, size_t block, size_t blockSize)> damage;
    enum { kOpen, kSize, kWrite } step;
    int32_t subCode;  // 6101 while opening, 6199 after
    bool byView;      // a header or block header read short: the message says which bytes were missing
};

TEST_F(MemoTest, HostileHeadersGetTheMemoFormatError) {
    using C = HostileMemoCase;
    const std::vector<C> cases = {
        {"dBase III: next block far past the end", 0x83, "",
         [](auto& f, size_t, size_t) { PutLe32(f, 0, 1000000); }, C::kWrite, 6199, false},
        {"dBase III: length prefix past the end", 0x83, "pw",
         [](auto& f, size_t b, size_t bs) { PutLe32(f, b * bs, 0x7FFFFFF0); }, C::kSize, 6199, false},
        {"dBase III: length prefix cut by the end of the file", 0x83, "pw",
         [](auto& f, size_t b, size_t bs) { f.resize(b * bs + 2); }, C::kSize, 6199, true},
        {"dBase IV: block size beyond any block", 0x8B, "",
         [](auto& f, size_t, size_t) { PutLe32(f, 20, 0xFFFFFFFF); }, C::kOpen, 6101, false},
        {"dBase IV: header cut before its block size", 0x8B, "",
         [](auto& f, size_t, size_t) { f.resize(22); }, C::kOpen, 6101, true},
        {"dBase IV: block length past the end", 0x8B, "",
         [](auto& f, size_t b, size_t bs) { PutLe32(f, b * bs + 4, 0x7FFFFFF0); }, C::kSize, 6199, false},
        {"dBase IV: block header cut by the end of the file", 0x8B, "",
         [](auto& f, size_t b, size_t bs) { f.resize(b * bs + 3); }, C::kSize, 6199, true},
        {"dBase IV: free run claiming blocks past the end", 0x8B, "",
         [](auto& f, size_t b, size_t bs) {
             const size_t run = b + 1;
             f.resize((run + 1) * bs, 0);
             PutLe32(f, 0, static_cast<uint32_t>(run));
             PutLe32(f, run * bs, 99);
             PutLe32(f, run * bs + 4, 1000);
         },
         C::kWrite, 6199, false},
        {"FoxPro: header cut before its block size", 0xF5, "",
         [](auto& f, size_t, size_t) { f.resize(7); }, C::kOpen, 6101, true},
        {"FoxPro: next block far past the end", 0xF5, "",
         [](auto& f, size_t, size_t) { PutBe32(f, 0, 1000000); }, C::kWrite, 6199, false},
        {"FoxPro: block length past the end", 0xF5, "",
         [](auto& f, size_t b, size_t bs) { PutBe32(f, b * bs + 4, 0x7FFFFFF0); }, C::kSize, 6199, false},
        {"FoxPro: block header cut by the end of the file", 0xF5, "",
         [](auto& f, size_t b, size_t bs) { f.resize(b * bs + 5); }, C::kSize, 6199, true},
    };
    for (const C& c : cases) {
        SCOPED_TRACE(c.what);
        table.reset();
        std::filesystem::remove_all(dir.Path());
        std::filesystem::create_directories(dir.Path());
        DVobjMemo& made = Open(c.version, c.password, false, c.version == 0x8B ? 64 : 0);
        const int32_t block = Write(made, "abc");
        const size_t blockSize = static_cast<size_t>(made.BlockSize());
        table.reset();
        std::vector<uint8_t> file = ReadFileBytes(MemoPath(c.version));
        c.damage(file, static_cast<size_t>(block), blockSize);
        WriteFileBytes(MemoPath(c.version), file);

        std::string message;
        int32_t code = 0, subCode = 0;
        try {
            table = std::make_unique<DVO_dBaseDBF>(dir.File("m" + std::to_string(c.version) + ".dbf"), c.password,
                                                   true, false);
            DVobjMemo* memo = table->OpenMemo();
            if (c.step == C::kSize) memo->MemoSize(block);
            if (c.step == C::kWrite) Write(*memo, "a new memo");
        } catch (const EOrdaneError& e) {
            code = e.Code();
            subCode = e.SubCode();
            message = e.what();
        }
        EXPECT_EQ(std::make_pair(code, subCode), std::make_pair(1005, c.subCode)) << message;
        EXPECT_NE(message.find(os::UpperCase(MemoPath(c.version))), std::string::npos) << message;
        if (c.byView) {
            EXPECT_NE(message.find(" lie outside "), std::string::npos) << message;
        }
        EXPECT_EQ(ReadFileBytes(MemoPath(c.version)), file) << "nothing written";
    }
}

// Memos this engine writes read back in both independent readers, also after rewriting, moving and reuse.
TEST_F(MemoTest, WrittenMemosReadBackInTheIndependentReader) {
    int status = 0;
    RunCommand(std::string("'") + VELMORA_ORACLE_PYTHON + "' -c 'import dbf, dbfread' 2>/dev/null", &status);
    if (status != 0) GTEST_SKIP() << "python3-dbf and python3-dbfread are not installed";
    for (uint8_t version : {0x83, 0x8B, 0xF5, 0x30}) {
        SCOPED_TRACE(static_cast<int>(version));
        DVobjMemo& memo = Open(version);
        const TdvFieldDesc& field = table->Fields()[0];
        std::map<int, std::string> expected;
        const std::string texts[] = {"first memo", std::string(700, 'L'), "third \xE9\xE8 memo"};
        for (int i = 0; i < 3; ++i) {
            PutBlock(*table, field, Write(memo, texts[i]));
            table->AppendRecord();
            expected[i + 1] = texts[i];
        }
        // Rewrite record 1 shorter (in place), record 2 longer (moved, or first fit in dBase IV).
        for (auto [recno, text] : {std::pair<int, std::string>{1, "1st"}, {2, std::string(1500, 'M')}}) {
            table->GetRecord(recno);
            PutBlock(*table, field, Write(memo, text, BlockOf(*table, field)));
            table->PutRecord(recno);
            expected[recno] = text;
        }
        std::istringstream out(RunOracleScript("oracle_memos.py", table->OsName(), &status));
        ASSERT_EQ(status, 0);
        std::string kind, name, hex;
        int recno = 0, block = 0, seen = 0;
        while (out >> kind >> recno >> name >> block >> hex) {
            std::string want = expected[recno];
            if (version == 0x8B) hex = hex.substr(0, 2 * want.size());  // the reader overreads by 8 bytes
            EXPECT_TRUE(SameHex(hex, Hex(want.data(), want.size()))) << "record " << recno;
            ++seen;
        }
        EXPECT_EQ(seen, 3);

        // The other reader, for the versions it takes (not dBase IV).
        std::istringstream other(RunOracleScript("oracle_memos_dbf.py", table->OsName(), &status));
        ASSERT_EQ(status, 0);
        seen = 0;
        while (other >> kind >> recno >> name >> block >> hex) {
            const std::string& want = expected[recno];
            EXPECT_TRUE(SameHex(hex, Hex(want.data(), want.size()))) << "record " << recno;
            ++seen;
        }
        EXPECT_EQ(seen, version == 0x8B ? 0 : 3);
    }
}

// CopyMemo moves a memo as stored to another file of the layout, block for block, at that file's end; Empty
// cuts a file back to its header so that the next memo takes the first block after it.
TEST_F(MemoTest, CopyMemoAppendsTheStoredBlocksAndEmptyStartsOver) {
    for (uint8_t version : {uint8_t{0x83}, uint8_t{0x8B}, uint8_t{0xF5}}) {
        for (const std::string password : {"", "pw"}) {
            SCOPED_TRACE(std::to_string(version) + (password.empty() ? "" : " with password"));
            std::filesystem::remove_all(dir.Path());
            std::filesystem::create_directories(dir.Path());
            DVobjMemo& source = Open(version, password);
            std::vector<int32_t> blocks;
            std::vector<std::string> texts;
            for (size_t length : {1u, 700u, 0u, 1300u, 9u}) {
                texts.push_back(std::string(length, static_cast<char>('a' + length % 26)));
                blocks.push_back(Write(source, texts.back()));
            }
            const std::string copyName = dir.File("copy.dbf");
            std::filesystem::copy_file(dir.File("m" + std::to_string(version) + ".dbf"), copyName);
            std::filesystem::copy_file(MemoPath(version), DVobjMemo::MemoFileName(copyName, version));
            DVO_dBaseDBF copy(copyName, password, true, false);
            DVobjMemo& target = *copy.OpenMemo();
            target.Empty();
            EXPECT_EQ(std::filesystem::file_size(DVobjMemo::MemoFileName(copyName, version)),
                      static_cast<uintmax_t>(target.FirstDataBlock() * target.BlockSize()));
            int32_t previous = 0;
            std::vector<std::pair<int32_t, std::string>> copies;
            for (size_t i = blocks.size(); i-- > 0;) {  // backwards: the copy follows the caller's order
                const int32_t copied = source.CopyMemo(blocks[i], target);
                if (blocks[i] == 0) {
                    EXPECT_EQ(copied, 0);
                    continue;
                }
                EXPECT_GT(copied, previous) << "appended after the memos copied before";
                if (previous == 0) {
                    EXPECT_EQ(copied, target.FirstDataBlock());
                }
                previous = copied;
                copies.emplace_back(copied, texts[i]);
            }
            for (const auto& [block, text] : copies) EXPECT_EQ(ReadMemo(target, block), text);
            EXPECT_EQ(Write(target, "after"), previous + 1) << "the header names the end";
        }
    }
}

// A dBase IV memo whose stored length runs into the next memo's first block (as some writers store them) is
// rewritten without handing that block out as free space: the next memo stays readable.
TEST_F(MemoTest, DBase4RewriteKeepsAMemoThatStartsInTheBlockTheOldOneSpillsInto) {
    if (!FixturesAvailable()) GTEST_SKIP() << "no fixtures";
    const std::string table = dir.CopyFixture("peer/xbase64/dbt4_memo/MEMO4.DBF");
    dir.CopyFixture("peer/xbase64/dbt4_memo/MEMO4.DBT");
    DVO_dBaseDBF t(table, "", true, false);
    DVobjMemo& memo = *t.OpenMemo();
    // Block 4 holds 505 bytes (513 with its header) and the next memo starts at block 5.
    ASSERT_EQ(memo.MemoSize(4), 505);
    const std::string next = ReadMemo(memo, 5);
    ASSERT_EQ(next.size(), 511u);
    int32_t block = 4;
    memo.MemoWrite("short", block, 5);
    int32_t other = 0;
    const std::string big(600, 'z');
    other = memo.MemoWrite(big.data(), other, static_cast<int32_t>(big.size()));
    EXPECT_EQ(ReadMemo(memo, block), "short");
    EXPECT_EQ(ReadMemo(memo, other), big);
    EXPECT_EQ(ReadMemo(memo, 5), next);
}

}  // namespace
