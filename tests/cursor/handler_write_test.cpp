// The handler's writes: index upkeep under locks shared by several processes, locks released on every path,
// filter errors after a write, read-ahead at the end of the file, rename, and re-encryption round trips.
#include "engine/cursor/db_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/errors.h"
#include "engine/storage/huge_set.h"
#include "handler_fixture.h"
#include "../index/ndx_verify.h"
#include "process.h"
#include "temp_dir.h"

namespace {

std::vector<PersonRow> Rows(int n) {
    std::vector<PersonRow> rows;
    for (int i = 1; i <= n; ++i) rows.push_back({"P" + std::to_string(1000 - i), "F" + std::to_string(i), "C", i});
    return rows;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from) {
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(from, bytes.size())),
                                bytes.end());
}

// Every record holds the key the NDX file on disk gives it, once, in key order.
void ExpectIndexMatchesTable(const std::string& table, const std::string& ndx) {
    const NdxCheck check = CheckNdx(ndx);
    ASSERT_EQ(check.problem, "");
    auto handler = OpenPeople(table, true);
    ASSERT_EQ(check.entries.size(), static_cast<size_t>(handler->RecordCount()));
    std::set<int32_t> records;
    for (size_t i = 0; i < check.entries.size(); ++i) {
        const NdxEntry& e = check.entries[i];
        EXPECT_TRUE(records.insert(e.record).second) << "record " << e.record << " twice";
        if (i > 0) {
            EXPECT_LE(check.entries[i - 1].key, e.key);
        }
        handler->GetRecord(e.record);
        EXPECT_EQ(e.key.substr(0, 10), handler->FieldGetN("LAST")) << "record " << e.record;
    }
}

class SharedWritersTest : public ::testing::TestWithParam<TdvLokProtocol> {};

TEST_P(SharedWritersTest, ProcessesAppendAndReplaceUnderEveryProtocol) {
    TempDir dir;
    const std::string table = dir.File("SHARED.DBF");
    const std::string ndx = dir.File("LAST.NDX");
    MakePeopleTable(table, {});
    {
        auto handler = OpenPeople(table);
        MakeNdx(*handler, ndx, "LAST");
    }
    constexpr int kWriters = 4, kAppends = 60;
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(std::make_unique<ChildProcess>([&, w](ChildProcess&) {
            SetLockWait(20000, 2);
            auto handler = OpenPeople(table, true);
            handler->SetLockProtocol(GetParam());
            if (handler->OpenIndexFile("LAST.NDX") != 0) return 2;
            std::vector<int32_t> mine;
            for (int i = 0; i < kAppends; ++i) {
                AppendPerson(*handler, {"A" + std::to_string(w) + "-" + std::to_string(100 + i), "X", "Y", i});
                mine.push_back(handler->CurrentRecord());
                if (i % 3 != 2) continue;
                // Replace an earlier record of ours under its record lock, which refuses at once.
                const int32_t n = mine[static_cast<size_t>(i / 2)];
                handler->GetRecord(n);
                int tries = 0;
                while (!handler->LockRecord())
                    if (++tries > 100000) return 3;
                handler->GetRecord(n);
                handler->FieldPutN("LAST", "R" + std::to_string(w) + "-" + std::to_string(n));
                handler->PutRecord(n);
                handler->Unlock();
            }
            return 0;
        }));
    }
    for (auto& writer : writers) EXPECT_EQ(writer->Wait(), 0);

    auto handler = OpenPeople(table, true);
    ASSERT_EQ(handler->RecordCount(), kWriters * kAppends);
    std::set<std::string> names;
    for (handler->GetRecord(recreq::kFirst); !handler->Eof(); handler->GetRecord(recreq::kNext))
        names.insert(handler->StringGetN("LAST"));
    EXPECT_EQ(names.size(), static_cast<size_t>(kWriters * kAppends));
    handler.reset();
    ExpectIndexMatchesTable(table, ndx);
}

INSTANTIATE_TEST_SUITE_P(Protocols, SharedWritersTest,
                         ::testing::Values(TdvLokProtocol::Default, TdvLokProtocol::DB4Lock,
                                           TdvLokProtocol::ClipLock, TdvLokProtocol::FoxLock));

TEST(HandlerSharingTest, AnotherProcessesAppendIsReadPastTheOldEnd) {
    TempDir dir;
    const std::string table = dir.File("GROW.DBF");
    MakePeopleTable(table, Rows(700));  // more than one read-ahead block
    ChildProcess child([&](ChildProcess& self) {
        self.Await();
        auto handler = OpenPeople(table, true);
        AppendPerson(*handler, {"NEW", "ONE", "Z", 701});
        self.Tell();
        return 0;
    });
    auto handler = OpenPeople(table, true);
    handler->SelectOrder("", false);
    ASSERT_TRUE(handler->ReadAheadOn());
    int32_t walked = 0;
    for (handler->GetRecord(recreq::kFirst); !handler->Eof(); handler->GetRecord(recreq::kNext)) ++walked;
    EXPECT_EQ(walked, 700);
    handler->GetRecord(700);
    child.Tell();
    child.Await();
    handler->GetRecord(recreq::kNext);
    EXPECT_FALSE(handler->Eof());
    EXPECT_EQ(handler->CurrentRecord(), 701);
    EXPECT_EQ(handler->StringGetN("LAST"), "NEW");
    EXPECT_EQ(child.Wait(), 0);
}

TEST(HandlerLockTest, LocksTakenBeforeARefusedIndexLockAreReleased) {
    TempDir dir;
    const std::string table = dir.File("LOCKS.DBF");
    MakePeopleTable(table, Rows(3));
    {
        auto handler = OpenPeople(table);
        MakeNdx(*handler, dir.File("A.NDX"), "LAST");
        MakeNdx(*handler, dir.File("B.NDX"), "FIRST");
    }
    ChildProcess holder([&](ChildProcess& self) {
        auto handler = OpenPeople(table, true);
        if (handler->OpenIndexFile("B") != 0 || !handler->LockIndexes()) return 2;
        self.Tell();
        self.Await();
        return 0;
    });
    holder.Await();
    SetLockWait(60, 10);
    auto handler = OpenPeople(table, true);
    ASSERT_EQ(handler->OpenIndexList("A B", ""), 0);
    DVO_DiskFile* first = handler->IndexFile(1)->Disk();
    EXPECT_THROW(handler->LockIndexes(), EOrdaneError);
    EXPECT_EQ(first->LockCount(), 0);

    handler->GetRecord(1);
    handler->FieldPutN("LAST", "CHANGED");
    EXPECT_THROW(handler->PutRecord(1), EOrdaneError);
    EXPECT_THROW(AppendPerson(*handler, {"X", "Y", "Z", 9}), EOrdaneError);
    EXPECT_EQ(first->LockCount(), 0);
    EXPECT_EQ(handler->LockCount(), 0);
    EXPECT_EQ(handler->RecordCount(), 3);
    handler->GetRecord(1);
    EXPECT_NE(handler->StringGetN("LAST"), "CHANGED");

    // Under this protocol seeks lock too: a refused lock is a miss, and nothing stays locked.
    handler->SetLockProtocol(TdvLokProtocol::ClipLock);
    holder.Tell();
    EXPECT_EQ(holder.Wait(), 0);
    handler->SelectOrder("A", false);
    EXPECT_TRUE(handler->FindKey(handler->FieldGetN("LAST")));
    EXPECT_EQ(first->LockCount(), 0);
    EXPECT_GT(handler->FindTagKey("B", "F2"), 0);
    EXPECT_EQ(first->LockCount(), 0);
    SetLockWait(5000, 50);
}

TEST(HandlerWriteTest, FilterErrorAfterAWriteStillUpdatesTheIndexes) {
    TempDir dir;
    const std::string table = dir.File("FAULT.DBF");
    MakePeopleTable(table, Rows(5));
    auto handler = OpenPeople(table, true);
    MakeNdx(*handler, dir.File("CODE.NDX"), "CODE");
    ASSERT_EQ(handler->OpenIndexList("CODE", ""), 0);
    handler->SetFilterActive(true);
    handler->SetFilter("MOD(7, CODE) >= 0", false, false);
    ASSERT_TRUE(handler->FilterSet()->Test(3));
    handler->GetRecord(3);
    handler->NumberPutN("CODE", 0);  // the filter now divides by zero
    EXPECT_THROW(handler->PutRecord(3), EOrdaneExpression);
    EXPECT_FALSE(handler->FilterSet()->Test(3));
    EXPECT_EQ(handler->IndexFile(1)->Disk()->LockCount(), 0);
    handler->exactMatch = true;
    EXPECT_EQ(handler->FindTagKey("CODE", "0"), 3);
    EXPECT_EQ(handler->FindTagKey("CODE", "3"), 0);
    handler.reset();
    const NdxCheck check = CheckNdx(dir.File("CODE.NDX"));
    EXPECT_EQ(check.problem, "");
    EXPECT_EQ(check.entries.size(), 5u);
}

TEST(HandlerReadAheadTest, ShortRecordAtTheEndIsReportedNotFilledWithOldBytes) {
    TempDir dir;
    const std::string table = dir.File("SHORT.DBF");
    MakePeopleTable(table, Rows(3));
    auto handler = OpenPeople(table);
    handler->SetReadAhead(true);
    const int32_t length = handler->RecordLength();
    std::vector<uint8_t> record(static_cast<size_t>(length));
    const uint64_t last = static_cast<uint64_t>(handler->HeaderLength()) + 2u * static_cast<uint64_t>(length);
    ASSERT_EQ(handler->ReadAt(last, record.data(), length), length);
    // Only the end mark lies past the last record.
    EXPECT_EQ(handler->ReadAt(last + static_cast<uint64_t>(length), record.data(), length), 1);
    EXPECT_EQ(handler->Error(), 221);
    EXPECT_EQ(handler->ReadAt(last + 5u * static_cast<uint64_t>(length), record.data(), length), 0);

    // Writes go through to the buffer: a re-read sees them without a refill.
    handler->GetRecord(1);
    handler->GetRecord(2);
    handler->FieldPutN("LAST", "WRITTEN");
    handler->PutRecord(2);
    handler->GetRecord(1);
    handler->GetRecord(2);
    EXPECT_EQ(handler->StringGetN("LAST"), "WRITTEN");
}

TEST(HandlerWriteTest, RenameTakesTheTablesIndexFilesAlong) {
    TempDir dir;
    const std::string table = dir.File("OLD.DBF");
    MakePeopleTable(table, Rows(3));
    auto handler = OpenPeople(table);
    MakeNdx(*handler, dir.File("OLD.NDX"), "LAST");
    MakeNdx(*handler, dir.File("OTHER.NDX"), "FIRST");
    ASSERT_EQ(handler->OpenIndexList("OLD OTHER", ""), 0);
    EXPECT_TRUE(handler->Rename(dir.File("NEW.DBF")));
    EXPECT_EQ(handler->IndexFile(1)->FileName(), "NEW.NDX");
    EXPECT_EQ(handler->IndexFile(2)->FileName(), "OTHER.NDX");
    AppendPerson(*handler, {"AFTER", "RENAME", "X", 4});
    handler.reset();
    EXPECT_EQ(CheckNdx(dir.File("NEW.NDX")).entries.size(), 4u);
    EXPECT_EQ(CheckNdx(dir.File("OTHER.NDX")).entries.size(), 4u);
}

TEST(HandlerPasswordTest, EncryptChangeAndDecryptRoundTrip) {
    TempDir dir;
    const std::string table = dir.File("SECRET.DBF");
    const std::string ndx = dir.File("LAST.NDX");
    auto rows = Rows(400);
    rows[1].deleted = rows[399].deleted = true;
    MakePeopleTable(table, rows);
    {
        auto handler = OpenPeople(table);
        MakeNdx(*handler, ndx, "LAST");
    }
    const std::vector<uint8_t> startTable = ReadFileBytes(table);
    const std::vector<uint8_t> startIndex = ReadFileBytes(ndx);
    size_t headerLength = 0;
    {
        auto handler = OpenPeople(table, true);
        headerLength = static_cast<size_t>(handler->HeaderLength());
        try {
            handler->ChangePassword("x");
            ADD_FAILURE() << "re-encrypted a shared table";
        } catch (const EOrdaneError& e) {
            EXPECT_EQ(e.Code(), errcode::kAccessDenied);
            EXPECT_EQ(e.SubCode(), subcode::kSharedPassword);
        }
    }
    std::string current;
    for (const std::string next : {"first key", "k2", ""}) {
        {
            auto handler = OpenPeople(table, false, current);
            ASSERT_EQ(handler->OpenIndexList("LAST", "LAST"), 0);
            handler->GetRecord(7);
            handler->ChangePassword(next);
            EXPECT_EQ(handler->CurrentRecord(), 7);
            EXPECT_EQ(handler->tableState, tsNormal);
            EXPECT_EQ(handler->IsEncrypted(), !next.empty());
        }
        current = next;
        auto handler = OpenPeople(table, false, current);
        ASSERT_EQ(handler->OpenIndexList("LAST", "LAST"), 0);
        handler->exactMatch = true;
        ASSERT_TRUE(handler->FindKey("P900")) << "key " << next;
        EXPECT_EQ(handler->CurrentRecord(), 100);
        handler->GetRecord(2);
        EXPECT_TRUE(handler->IsDeleted());
        EXPECT_EQ(handler->StringGetN("FIRST"), "F2");
        if (!next.empty()) {
            EXPECT_NE(Slice(ReadFileBytes(table), headerLength), Slice(startTable, headerLength));
        }
    }
    EXPECT_EQ(Slice(ReadFileBytes(table), 32), Slice(startTable, 32));
    EXPECT_EQ(ReadFileBytes(ndx), startIndex);
}

TEST(HandlerPasswordTest, MemosFollowThePassword) {
    TempDir dir;
    const std::string table = dir.File("NOTES.DBF");
    CreateTable(table, 0x83, {{"NAME", 'C', 8}, {"NOTE", 'M', 10}});
    const std::vector<std::string> notes = {"first memo", std::string(700, 'm'), ""};
    {
        auto handler = OpenPeople(table);
        for (const std::string& note : notes) {
            handler->BlankRecord();
            handler->FieldPutN("NAME", "N");
            if (!note.empty()) handler->MemoWrite(2, note.data(), static_cast<int32_t>(note.size()));
            handler->AppendRecord();
        }
    }
    std::string current;
    for (const std::string next : {"memo key", ""}) {
        OpenPeople(table, false, current)->ChangePassword(next);
        current = next;
        auto handler = OpenPeople(table, false, current);
        for (int32_t n = 1; n <= 3; ++n) {
            handler->GetRecord(n);
            std::string text(static_cast<size_t>(handler->MemoSize(2)), '\0');
            if (!text.empty()) handler->MemoRead(2, text.data(), static_cast<int32_t>(text.size()));
            EXPECT_EQ(text, notes[static_cast<size_t>(n - 1)]) << "record " << n << " key '" << next << "'";
        }
    }
}

}  // namespace
