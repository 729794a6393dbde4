// Damaged and hostile NTX files, key expressions that do not compile, the index lock under each protocol, the
// change counter seen by another opener, and pages enciphered with the table's keys.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/index/ntx_file.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/errors.h"
#include "index_test_table.h"
#include "ntx_verify.h"
#include "temp_dir.h"

namespace {
int32_t WalkCount(DVobjIndexTag* tag) {
    int32_t n = 0;
    for (int32_t r = tag->Navigate(recreq::kFirst); r != 0; r = tag->Navigate(recreq::kNext)) ++n;
    return n;
}

void PutLong(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }
void PutShort(std::vector<uint8_t>& b, size_t at, int16_t v) { std::memcpy(&b[at], &v, 2); }
int32_t GetLong(const std::vector<uint8_t>& b, size_t at) {
    int32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}

// A table of 200 names with a two-level NTX over it (key length 10: 50 keys per page, slots from 104).
class NtxRobustnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir_.File("T.DBF"), 0x03, {{"NAME", 'C', 10, 0}});
        table_ = std::make_unique<TestTable>(dir_.File("T.DBF"), true, true);
        for (int i = 0; i < 200; ++i) table_->AppendValues({{"NAME", "N" + std::to_string(1000 + i)}});
        DVobjNTXFile file(table_.get(), true, true, false, false, dir_.File("T.NTX"));
        ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
        file.Tag()->ReleaseNodes();
        good_ = ReadFileBytes(dir_.File("T.NTX"));
        check_ = CheckNtx(dir_.File("T.NTX"));
        ASSERT_EQ(check_.depth, 2);
    }
    size_t Root() const { return static_cast<size_t>(check_.root); }
    size_t FirstLeaf() const { return static_cast<size_t>(GetLong(good_, Root() + 104)); }
    TempDir dir_;
    std::unique_ptr<TestTable> table_;
    std::vector<uint8_t> good_;
    NtxCheck check_;
};
}  // namespace

TEST_F(NtxRobustnessTest, DamagedPagesAreClearErrors) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        int32_t code;
    };
    const size_t leaf = FirstLeaf(), root = Root();
    const Case cases[] = {
        {"leaf count above keys per page", [&](auto& b) { PutShort(b, leaf, 51); }, idxerr::kBadPage},
        {"interior count above keys per page", [&](auto& b) { PutShort(b, root, 300); }, idxerr::kBadPage},
        {"item offset past the page", [&](auto& b) { PutShort(b, leaf + 2, 1020); }, idxerr::kBadPage},
        {"item offset inside the offset table", [&](auto& b) { PutShort(b, leaf + 4, 6); }, idxerr::kBadPage},
        {"child beyond the end of the file", [&](auto& b) { PutLong(b, root + 104, 5000 * 1024); },
         idxerr::kBadPointer},
        {"child off a page boundary", [&](auto& b) { PutLong(b, root + 104, 1024 + 12); }, idxerr::kBadPointer},
        {"child looping back to the root", [&](auto& b) { PutLong(b, root + 104, check_.root); },
         idxerr::kBadPointer},
        {"negative child", [&](auto& b) { PutLong(b, root + 104 + 18, -1024); }, idxerr::kBadPointer},
        {"record number 0 in a leaf", [&](auto& b) { PutLong(b, leaf + 104 + 4, 0); }, idxerr::kBadPage},
        {"separator without a record", [&](auto& b) { PutLong(b, root + 104 + 4, -7); }, idxerr::kBadPage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good_;
        c.damage(bytes);
        WriteFileBytes(dir_.File("T.NTX"), bytes);
        DVobjNTXFile file(table_.get(), false, false, true, false, dir_.File("T.NTX"));
        ASSERT_FALSE(file.Failed()) << file.FailureText();
        try {
            WalkCount(file.Tag());
            DVobjIndexKeyData key(16);
            key.SetText("N1199");
            file.Tag()->Seek(key);
            ADD_FAILURE() << "no error";
        } catch (const EOrdaneError& e) {
            EXPECT_EQ(e.Code(), c.code) << e.what();
            EXPECT_NE(std::string(e.what()).find("T.NTX"), std::string::npos) << e.what();
        }
    }
}

TEST_F(NtxRobustnessTest, BadHeadersMarkTheFileFailed) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"key length 0", [](auto& b) { PutShort(b, 14, 0); }},
        {"key length above a page", [](auto& b) { PutShort(b, 14, 600); PutShort(b, 12, 608); }},
        {"entry length not key length + 8", [](auto& b) { PutShort(b, 12, 30); }},
        {"negative keys per page", [](auto& b) { PutShort(b, 18, -1); }},
        {"keys per page too many for the page", [](auto& b) { PutShort(b, 18, 60); }},
        {"negative half page", [](auto& b) { PutShort(b, 20, -2); }},
        {"decimals as wide as the key", [](auto& b) { PutShort(b, 16, 10); }},
        {"root off a page boundary", [](auto& b) { PutLong(b, 4, 1500); }},
        {"root beyond the end of the file", [](auto& b) { PutLong(b, 4, 99 * 1024); }},
        {"root at the header", [](auto& b) { PutLong(b, 4, 0); }},
        {"file cut inside the root", [this](auto& b) { b.resize(Root() + 100); }},
        {"key expression that does not compile", [](auto& b) { std::memcpy(&b[22], "NOSUCH\0", 7); }},
        {"key expression without its terminator", [](auto& b) { std::memset(&b[22], 'A', 256); }},
        {"FOR expression that does not compile", [](auto& b) { b[0] = 7; std::memcpy(&b[282], "NOPE\0", 5); }},
        {"FOR expression without its terminator", [](auto& b) { b[0] = 7; std::memset(&b[282], 'A', 742); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good_;
        c.damage(bytes);
        WriteFileBytes(dir_.File("T.NTX"), bytes);
        DVobjNTXFile file(table_.get(), false, false, true, false, dir_.File("T.NTX"));
        EXPECT_TRUE(file.Opened());
        EXPECT_TRUE(file.Failed());
        EXPECT_EQ(file.TagCount(), 0);
        EXPECT_NE(file.FailureText().find("T.NTX"), std::string::npos) << file.FailureText();
    }
}

TEST_F(NtxRobustnessTest, KeyThatDoesNotCompileLeavesTheFileAsItWas) {
    DVobjNTXFile file(table_.get(), false, false, false, false, dir_.File("T.NTX"));
    EXPECT_THROW(file.CreateTag("", "NOSUCH", false, true, ""), EOrdaneExpression);
    EXPECT_THROW(file.CreateTag("", "NAME", false, true, "NOPE"), EOrdaneExpression);
    EXPECT_EQ(ReadFileBytes(dir_.File("T.NTX")), good_);
    EXPECT_EQ(WalkCount(file.Tag()), 200);
}

TEST_F(NtxRobustnessTest, DeepPageChainIsCapped) {
    // Every page an interior page pointing to the next one: a chain far deeper than any real tree.
    const int pages = 40;
    std::vector<uint8_t> bytes(1024 * (pages + 1), 0);
    std::memcpy(bytes.data(), good_.data(), 1024);
    PutLong(bytes, 4, 1024);
    for (int p = 1; p <= pages; ++p) {
        const size_t at = static_cast<size_t>(p) * 1024;
        for (int j = 0; j <= 50; ++j) PutShort(bytes, at + 2 + 2 * j, static_cast<int16_t>(104 + 18 * j));
        PutLong(bytes, at + 104, (p % pages + 1) * 1024);
    }
    WriteFileBytes(dir_.File("T.NTX"), bytes);
    DVobjNTXFile file(table_.get(), false, false, true, false, dir_.File("T.NTX"));
    ASSERT_FALSE(file.Failed());
    try {
        WalkCount(file.Tag());
        ADD_FAILURE() << "no error";
    } catch (const EOrdaneError& e) {
        EXPECT_TRUE(e.Code() == idxerr::kTooDeep || e.Code() == idxerr::kBadPointer) << e.what();
    }
}

TEST_F(NtxRobustnessTest, PagesLinkedMoreThanOnceEndTheWalk) {
    // Twenty interior levels whose separator and pointer both lead to the next level: no loop on any path, but a
    // walk would visit the one leaf 2^20 times.
    const int levels = 20;
    std::vector<uint8_t> bytes(1024 * (levels + 2), 0);
    std::memcpy(bytes.data(), good_.data(), 1024);
    PutLong(bytes, 4, 1024);
    for (int p = 1; p <= levels + 1; ++p) {
        const size_t at = static_cast<size_t>(p) * 1024;
        for (int j = 0; j <= 50; ++j) PutShort(bytes, at + 2 + 2 * j, static_cast<int16_t>(104 + 18 * j));
        PutShort(bytes, at, 1);
        for (int e = 0; e < 2; ++e) {
            const size_t item = at + 104 + 18 * static_cast<size_t>(e);
            if (p <= levels) PutLong(bytes, item, (p + 1) * 1024);
            PutLong(bytes, item + 4, 1);
            std::memset(&bytes[item + 8], 'A', 10);
        }
    }
    WriteFileBytes(dir_.File("T.NTX"), bytes);
    DVobjNTXFile file(table_.get(), false, false, true, false, dir_.File("T.NTX"));
    ASSERT_FALSE(file.Failed()) << file.FailureText();
    EXPECT_THROW(WalkCount(file.Tag()), EOrdaneError);
}

TEST_F(NtxRobustnessTest, LockOffsetsFollowTheProtocol) {
    struct Case {
        TdvLokProtocol protocol;
        uint64_t offset, length;
    };
    DVobjNTXFile file(table_.get(), false, false, false, true, dir_.File("T.NTX"));
    const Case cases[] = {{TdvLokProtocol::Default, 0x7FFFFFFD, 1}, {TdvLokProtocol::FoxLock, 0x7FFFFFFD, 1},
                          {TdvLokProtocol::DB4Lock, 0xEFFFFFFE, 2}, {TdvLokProtocol::ClipLock, 1000000000, 1}};
    for (const Case& c : cases) {
        file.SetLockProtocol(c.protocol);
        ASSERT_TRUE(file.Lock());
        EXPECT_EQ(file.Disk()->LockedOffset(), c.offset);
        EXPECT_EQ(file.Disk()->LockedLength(), c.length);
        file.Unlock();
        EXPECT_EQ(file.Disk()->LockCount(), 0);
    }
}

TEST_F(NtxRobustnessTest, AnotherOpenerSeesTheChangeCounterMove) {
    DVobjNTXFile watcher(table_.get(), false, false, true, true, dir_.File("T.NTX"));
    EXPECT_FALSE(watcher.ChangedOnDisk());
    {
        DVobjNTXFile writer(table_.get(), false, false, false, true, dir_.File("T.NTX"));
        table_->Attach(&writer);
        table_->AppendValues({{"NAME", "N0500"}});
        table_->DetachAll();
        EXPECT_EQ(writer.Counter(), 2);
    }
    EXPECT_EQ(CheckNtx(dir_.File("T.NTX")).counter, 2);
    EXPECT_TRUE(watcher.ChangedOnDisk());
    EXPECT_FALSE(watcher.ChangedOnDisk());
    watcher.Tag()->ResetCursor(2);
    EXPECT_EQ(WalkCount(watcher.Tag()), 201);
}

TEST_F(NtxRobustnessTest, ChangeCounterWrapsAfter0x7FFF) {
    std::vector<uint8_t> bytes = good_;
    PutShort(bytes, 2, 0x7FFF);
    WriteFileBytes(dir_.File("T.NTX"), bytes);
    DVobjNTXFile file(table_.get(), false, false, false, false, dir_.File("T.NTX"));
    table_->Attach(&file);
    table_->AppendValues({{"NAME", "N0500"}});
    table_->DetachAll();
    EXPECT_EQ(file.Counter(), 1);
}

namespace {
// A table that pretends to be enciphered for its index files only: their pages go through the cipher.
class CipherTable : public TestTable {
public:
    using TestTable::TestTable;
    bool Encrypted() override { return true; }
    std::string ReadKey() override { return readKey; }
    std::string WriteKey() override { return writeKey; }
    std::string readKey, writeKey;
};
}  // namespace

TEST_F(NtxRobustnessTest, PagesAreEncipheredWithTheTableKeysAndReencrypted) {
    table_.reset();
    CipherTable table(dir_.File("T.DBF"), true, false);
    table.readKey = table.writeKey = "secret";
    {
        DVobjNTXFile file(&table, true, true, false, false, dir_.File("C.NTX"));
        ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
        EXPECT_EQ(WalkCount(file.Tag()), 200);
    }
    std::vector<uint8_t> enciphered = ReadFileBytes(dir_.File("C.NTX"));
    ASSERT_EQ(enciphered.size(), good_.size());
    EXPECT_NE(enciphered, good_);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&enciphered[22]), 4).find("NAME"), std::string::npos);
    {
        DVobjNTXFile file(&table, false, false, false, false, dir_.File("C.NTX"));
        ASSERT_FALSE(file.Failed()) << file.FailureText();
        EXPECT_EQ(WalkCount(file.Tag()), 200);
        file.Tag()->ReleaseNodes();
        table.writeKey = "";
        file.Reencrypt();
    }
    EXPECT_EQ(ReadFileBytes(dir_.File("C.NTX")), good_);
}
