// Damaged and hostile NDX files, the index lock under each protocol and between processes, and index blocks
// enciphered with the table's keys.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/index/ndx_file.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/errors.h"
#include "index_test_table.h"
#include "ndx_verify.h"
#include "process.h"
#include "temp_dir.h"

namespace {
int32_t WalkCount(DVobjIndexTag* tag) {
    int32_t n = 0;
    for (int32_t r = tag->Navigate(recreq::kFirst); r != 0; r = tag->Navigate(recreq::kNext)) ++n;
    return n;
}

void PutLong(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }
void PutShort(std::vector<uint8_t>& b, size_t at, int16_t v) { std::memcpy(&b[at], &v, 2); }

// A table of 200 names with a two-level NDX over it (key length 20: 18 keys per page).
class NdxRobustnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir_.File("T.DBF"), 0x03, {{"NAME", 'C', 20, 0}});
        table_ = std::make_unique<TestTable>(dir_.File("T.DBF"), true, true);
        for (int i = 0; i < 200; ++i) {
            std::string name = std::to_string(1000 + i);
            name.insert(name.begin(), 'N');
            table_->AppendValues({{"NAME", name}});
        }
        DVobjNDXFile file(table_.get(), true, true, false, false, dir_.File("T.NDX"));
        ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
        file.Tag()->ReleaseNodes();
        good_ = ReadFileBytes(dir_.File("T.NDX"));
        check_ = CheckNdx(dir_.File("T.NDX"));
        ASSERT_EQ(check_.depth, 2);
    }
    size_t RootAt() const { return static_cast<size_t>(check_.root) * 512; }
    int32_t FirstLeaf() const {
        int32_t b;
        std::memcpy(&b, &good_[RootAt() + 4], 4);
        return b;
    }
    TempDir dir_;
    std::unique_ptr<TestTable> table_;
    std::vector<uint8_t> good_;
    NdxCheck check_;
};
}  // namespace

TEST_F(NdxRobustnessTest, DamagedPagesAreClearErrors) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        int32_t code;
    };
    const int32_t leaf = FirstLeaf();
    const size_t root = RootAt();
    const Case cases[] = {
        {"leaf count above keys per page", [&](auto& b) { PutShort(b, leaf * 512u, 200); }, idxerr::kBadPage},
        {"interior count above keys per page", [&](auto& b) { PutShort(b, root, 19); }, idxerr::kBadPage},
        {"child beyond the end of the file", [&](auto& b) { PutLong(b, root + 4, 5000); }, idxerr::kBadPointer},
        {"child looping back to the root", [&](auto& b) { PutLong(b, root + 4, check_.root); },
         idxerr::kBadPointer},
        {"negative child", [&](auto& b) { PutLong(b, root + 4, -3); }, idxerr::kBadPointer},
        {"record number 0 in a leaf", [&](auto& b) { PutLong(b, leaf * 512u + 8, 0); }, idxerr::kBadPage},
        {"file cut inside the root", [&](auto& b) { b.resize(root + 100); }, idxerr::kBadPointer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good_;
        c.damage(bytes);
        WriteFileBytes(dir_.File("T.NDX"), bytes);
        DVobjNDXFile file(table_.get(), false, false, true, false, dir_.File("T.NDX"));
        ASSERT_FALSE(file.Failed()) << file.FailureText();
        try {
            WalkCount(file.Tag());
            ADD_FAILURE() << "no error";
        } catch (const EOrdaneError& e) {
            EXPECT_EQ(e.Code(), c.code);
            EXPECT_NE(std::string(e.what()).find("T.NDX"), std::string::npos) << e.what();
        }
    }
}

TEST_F(NdxRobustnessTest, DeepPageChainIsCapped) {
    // Every page an interior page pointing to the next one: a chain far deeper than any real tree.
    std::vector<uint8_t> bytes(512 * 40, 0);
    std::memcpy(bytes.data(), good_.data(), 512);
    PutLong(bytes, 0, 1);
    for (int32_t b = 1; b < 40; ++b) PutLong(bytes, b * 512u + 4, b + 1 < 40 ? b + 1 : 1);
    WriteFileBytes(dir_.File("T.NDX"), bytes);
    DVobjNDXFile file(table_.get(), false, false, true, false, dir_.File("T.NDX"));
    ASSERT_FALSE(file.Failed());
    try {
        WalkCount(file.Tag());
        ADD_FAILURE() << "no error";
    } catch (const EOrdaneError& e) {
        EXPECT_EQ(e.Code(), idxerr::kTooDeep);
    }
}

TEST_F(NdxRobustnessTest, BadHeadersMarkTheFileFailed) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"key length 0", [](auto& b) { PutShort(b, 12, 0); }},
        {"key length above the page", [](auto& b) { PutShort(b, 12, 600); }},
        {"negative keys per page", [](auto& b) { PutShort(b, 14, -1); }},
        {"keys per page too many for the page", [](auto& b) { PutShort(b, 14, 40); }},
        {"entry length below key length + 8", [](auto& b) { PutShort(b, 18, 12); }},
        {"root beyond the end of the file", [](auto& b) { PutLong(b, 0, 99); }},
        {"root block 0", [](auto& b) { PutLong(b, 0, 0); }},
        {"key expression that does not compile", [](auto& b) { std::memcpy(&b[24], "NOSUCH\0", 7); }},
        {"expression without its terminator", [](auto& b) { std::memset(&b[24], 'A', 488); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good_;
        c.damage(bytes);
        WriteFileBytes(dir_.File("T.NDX"), bytes);
        DVobjNDXFile file(table_.get(), false, false, true, false, dir_.File("T.NDX"));
        EXPECT_TRUE(file.Opened());
        EXPECT_TRUE(file.Failed());
        EXPECT_EQ(file.TagCount(), 0);
        EXPECT_NE(file.FailureText().find("T.NDX"), std::string::npos) << file.FailureText();
    }
}

TEST_F(NdxRobustnessTest, StoredKeyLengthThatDoesNotFitTheExpressionFailsTheFile) {
    // Self-consistent headers (entry length = key length + 8) whose key length is shorter than what the key
    // expression gives: trusted, they would cut keys and make seeks answer the wrong record.
    struct Case {
        char type;
        int length, decimals;
        int16_t storedKeyLength;
        const char* misfit;
    };
    const Case cases[] = {{'N', 10, 2, 4, "(numeric)"}, {'C', 24, 0, 1, "(character, 24 wide)"},
                          {'C', 24, 0, 23, "(character, 24 wide)"}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "K" + std::to_string(n++);
        CreateTable(dir_.File(name + ".DBF"), 0x03, {{"V", c.type, c.length, c.decimals}});
        TestTable table(dir_.File(name + ".DBF"), true, false);
        for (int i = 0; i < 200; ++i) table.AppendValues({{"V", std::to_string(i * 3 % 200)}});
        {
            DVobjNDXFile file(&table, true, true, false, false, dir_.File(name + ".NDX"));
            ASSERT_NE(file.CreateTag("", "V", false, true, ""), nullptr);
        }
        std::vector<uint8_t> bytes = ReadFileBytes(dir_.File(name + ".NDX"));
        PutShort(bytes, 12, c.storedKeyLength);
        PutShort(bytes, 18, static_cast<int16_t>((c.storedKeyLength + 8 + 3) / 4 * 4));
        WriteFileBytes(dir_.File(name + ".NDX"), bytes);
        DVobjNDXFile file(&table, false, false, true, false, dir_.File(name + ".NDX"));
        ASSERT_TRUE(file.Failed()) << c.type << " " << c.storedKeyLength;
        EXPECT_NE(file.FailureText().find("do not fit key expression V " + std::string(c.misfit)), std::string::npos)
            << file.FailureText();
    }
}

TEST_F(NdxRobustnessTest, LockOffsetsFollowTheProtocol) {
    struct Case {
        TdvLokProtocol protocol;
        uint64_t offset, length;
    };
    {
        DVobjNDXFile file(table_.get(), false, false, false, true, dir_.File("T.NDX"));
        const Case cases[] = {{TdvLokProtocol::Default, 0x7FFFFFFD, 1}, {TdvLokProtocol::FoxLock, 0x7FFFFFFD, 1},
                              {TdvLokProtocol::DB4Lock, 0xEFFFFFFE, 2}, {TdvLokProtocol::ClipLock, 1000000000, 1}};
        for (const Case& c : cases) {
            file.SetLockProtocol(c.protocol);
            ASSERT_TRUE(file.Lock());
            EXPECT_EQ(file.Disk()->LockedOffset(), c.offset);
            EXPECT_EQ(file.Disk()->LockedLength(), c.length);
            EXPECT_EQ(file.Disk()->LockCount(), 1);
            file.Unlock();
            EXPECT_EQ(file.Disk()->LockCount(), 0);
        }
    }
    DVobjNDXFile exclusive(nullptr, false, false, false, false, dir_.File("T.NDX"));
    EXPECT_TRUE(exclusive.Lock());
    EXPECT_EQ(exclusive.Disk()->LockCount(), 0);
}

TEST_F(NdxRobustnessTest, LockRefusedByAnotherProcessRetriesThenFails) {
    const std::string path = dir_.File("T.NDX");
    table_.reset();
    ChildProcess child([&](ChildProcess& self) {
        DVobjNDXFile file(nullptr, false, false, false, true, path);
        if (!file.Lock()) return 1;
        self.Tell();
        self.Await();
        file.Unlock();
        self.Tell();
        self.Await();
        return 0;
    });
    child.Await();
    SetLockWait(200, 50);
    {
        DVobjNDXFile file(nullptr, false, false, false, true, path);
        try {
            file.Lock();
            ADD_FAILURE() << "lock taken while another process holds it";
        } catch (const EOrdaneError& e) {
            EXPECT_EQ(e.Code(), resmsg::kLockFailed);
            EXPECT_NE(std::string(e.what()).find("T.NDX"), std::string::npos) << e.what();
        }
        child.Tell();
        child.Await();
        EXPECT_TRUE(file.Lock());
        file.Unlock();
    }
    SetLockWait(5000, 50);
    child.Tell();
    EXPECT_EQ(child.Wait(), 0);
}

namespace {
// A table that pretends to be enciphered for its index files only: their blocks go through the cipher.
class CipherTable : public TestTable {
public:
    using TestTable::TestTable;
    bool Encrypted() override { return true; }
    std::string ReadKey() override { return readKey; }
    std::string WriteKey() override { return writeKey; }
    std::string readKey, writeKey;
};
}  // namespace

TEST_F(NdxRobustnessTest, BlocksAreEncipheredWithTheTableKeysAndReencrypted) {
    table_.reset();
    CipherTable table(dir_.File("T.DBF"), true, false);
    table.readKey = table.writeKey = "secret";
    {
        DVobjNDXFile file(&table, true, true, false, false, dir_.File("C.NDX"));
        ASSERT_NE(file.CreateTag("", "NAME", false, true, ""), nullptr);
        EXPECT_EQ(WalkCount(file.Tag()), 200);
    }
    std::vector<uint8_t> enciphered = ReadFileBytes(dir_.File("C.NDX"));
    ASSERT_EQ(enciphered.size(), good_.size());
    EXPECT_NE(enciphered, good_);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&enciphered[24]), 4).find("NAME"), std::string::npos);
    {
        DVobjNDXFile file(&table, false, false, false, false, dir_.File("C.NDX"));
        ASSERT_FALSE(file.Failed()) << file.FailureText();
        EXPECT_EQ(WalkCount(file.Tag()), 200);
        table.writeKey = "";
        file.Reencrypt();
    }
    EXPECT_EQ(ReadFileBytes(dir_.File("C.NDX")), good_);
}

TEST_F(NdxRobustnessTest, PagesLinkedMoreThanOnceEndTheWalk) {
    // Twenty interior levels whose every entry points to the next level: no loop on any path, but a walk
    // would visit the one leaf 2^20 times and a seek past it would try every path.
    const int levels = 20;
    std::vector<uint8_t> bytes(512 * (levels + 2), 0);
    std::memcpy(bytes.data(), good_.data(), 512);
    PutLong(bytes, 0, 1);
    const int32_t entryLength = check_.entryLength;
    for (int32_t b = 1; b <= levels; ++b) {
        PutShort(bytes, b * 512u, 1);  // one separator and the pointer-only entry, both to the next page
        for (int e = 0; e < 2; ++e) {
            PutLong(bytes, b * 512u + 4 + e * entryLength, b + 1);
            std::memset(&bytes[b * 512u + 4 + e * entryLength + 8], 'A', 3);
        }
    }
    const size_t leaf = static_cast<size_t>(levels + 1) * 512;
    PutShort(bytes, leaf, 1);
    PutLong(bytes, leaf + 8, 1);
    std::memset(&bytes[leaf + 12], 'A', 3);
    WriteFileBytes(dir_.File("T.NDX"), bytes);
    DVobjNDXFile file(table_.get(), false, false, true, false, dir_.File("T.NDX"));
    ASSERT_FALSE(file.Failed()) << file.FailureText();
    EXPECT_THROW(WalkCount(file.Tag()), EOrdaneError);
    DVobjIndexKeyData key(16);
    key.SetText("AAA");
    key.Target = 5;  // equal keys, another record: every path is tried
    EXPECT_THROW(file.Tag()->Seek(key), EOrdaneError);
}
