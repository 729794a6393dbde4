// NTX files kept by the table handler: the independent Perl reader XBase::Index walks what we build and what the
// handler's appends, replaces and deletions leave; four processes append under the Clipper lock protocol; a
// password change re-ciphers the file once; the registry opens and builds .NTX files.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/cursor/db_handler.h"
#include "engine/cursor/index_formats.h"
#include "engine/index/index_file.h"
#include "engine/index/ntx_file.h"
#include "engine/storage/errors.h"
#include "../cursor/handler_fixture.h"
#include "ntx_verify.h"
#include "process.h"
#include "temp_dir.h"

namespace {
// Creates an NTX file through the format registry, as the tool and the handler do.
void MakeNtx(DVO_dBHandler& table, const std::string& path, const std::string& expression, bool unique = false,
             bool ascending = true, const std::string& forText = "") {
    TdvIndexCreator create = TdvIndexFormats::FindCreator(".NTX");
    ASSERT_NE(create, nullptr);
    std::unique_ptr<DVobjIndexFile> file = create(table.IndexOwner(), table.IsShared(), path);
    ASSERT_NE(file->CreateTag("", expression, unique, ascending, forText), nullptr);
}

struct OracleEntry {
    int32_t record;
    std::string key;
    bool operator==(const OracleEntry& o) const { return record == o.record && key == o.key; }
};

// The file's entries as XBase::Index reads them: "record<TAB>key" lines.
std::vector<OracleEntry> PerlWalk(const std::string& path, bool numeric) {
    int status = 0;
    const std::string out = RunCommand(std::string("'") + VELMORA_ORACLE_PERL + "' '" + VELMORA_TESTS_DIR +
                                           "/index/ntx_oracle.pl' '" + path + "' " + (numeric ? "num" : "char"),
                                       &status);
    EXPECT_EQ(status, 0) << out;
    std::vector<OracleEntry> entries;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        entries.push_back({std::stoi(line.substr(0, tab)), line.substr(tab + 1)});
    }
    return entries;
}

std::vector<OracleEntry> CheckerWalk(const NtxCheck& check) {
    std::vector<OracleEntry> entries;
    for (const NtxEntry& e : check.entries) {
        std::string key = e.key;
        while (!key.empty() && key.back() == ' ') key.pop_back();
        entries.push_back({e.record, key});
    }
    return entries;
}

// Every record of the table once, at its current LAST, in key order, by both readers.
void ExpectBothReadersAgree(const std::string& table, const std::string& ntx, int32_t records) {
    const NtxCheck check = CheckNtx(ntx);
    ASSERT_EQ(check.problem, "");
    const std::vector<OracleEntry> ours = CheckerWalk(check);
    EXPECT_EQ(PerlWalk(ntx, false), ours);
    ASSERT_EQ(static_cast<int32_t>(ours.size()), records);
    auto handler = OpenPeople(table, true);
    std::set<int32_t> seen;
    for (const OracleEntry& e : ours) {
        EXPECT_TRUE(seen.insert(e.record).second) << "record " << e.record << " twice";
        handler->GetRecord(e.record);
        EXPECT_EQ(e.key, Last(*handler)) << "record " << e.record;
    }
}
}  // namespace

TEST(NtxHandlerTest, PerlReaderWalksOurBuildsAndTheHandlersUpkeep) {
    TempDir dir;
    const std::string table = dir.File("PEOPLE.DBF");
    std::mt19937 rng(9);
    std::vector<PersonRow> rows;
    auto name = [&] {
        std::string s;
        for (int i = 0; i < 1 + static_cast<int>(rng() % 8); ++i) s += static_cast<char>('A' + rng() % 26);
        return s;
    };
    for (int i = 0; i < 3000; ++i) rows.push_back({name(), "F", "C", static_cast<int>(rng() % 1000)});
    MakePeopleTable(table, rows);
    auto handler = OpenPeople(table);
    MakeNtx(*handler, dir.File("LAST.NTX"), "LAST");
    MakeNtx(*handler, dir.File("CODE.NTX"), "CODE");
    handler.reset();
    ExpectBothReadersAgree(table, dir.File("LAST.NTX"), 3000);
    const NtxCheck codes = CheckNtx(dir.File("CODE.NTX"));
    ASSERT_EQ(codes.problem, "");
    EXPECT_EQ(codes.keyLength, 6);  // the width of the CODE field
    std::vector<OracleEntry> perlCodes = PerlWalk(dir.File("CODE.NTX"), true);
    ASSERT_EQ(perlCodes.size(), 3000u);
    for (size_t i = 0; i < perlCodes.size(); ++i)
        EXPECT_EQ(std::stoi(perlCodes[i].key), std::stoi(codes.entries[i].key)) << i;

    // Appends, replaces and deletions through the handler, with the file open.
    handler = OpenPeople(table);
    ASSERT_EQ(handler->OpenIndexFile("LAST.NTX"), 0);
    for (int i = 0; i < 800; ++i) {
        AppendPerson(*handler, {name(), "G", "D", i});
        if (i % 7 == 0) handler->DeleteRecord();  // a deleted record keeps its key
    }
    for (int i = 0; i < 1500; ++i) {
        const int32_t r = static_cast<int32_t>(rng() % 3800) + 1;
        handler->GetRecord(r);
        handler->FieldPutN("LAST", i % 10 == 0 ? std::string("ZZZZZZZZZZ") : name());
        handler->PutRecord(r);
    }
    handler.reset();
    ExpectBothReadersAgree(table, dir.File("LAST.NTX"), 3800);
}

TEST(NtxHandlerTest, FourProcessesAppendUnderTheClipperLockProtocol) {
    TempDir dir;
    const std::string table = dir.File("SHARED.DBF");
    const std::string ntx = dir.File("LAST.NTX");
    MakePeopleTable(table, {});
    {
        auto handler = OpenPeople(table);
        MakeNtx(*handler, ntx, "LAST");
    }
    constexpr int kWriters = 4, kAppends = 60;
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(std::make_unique<ChildProcess>([&, w](ChildProcess&) {
            SetLockWait(20000, 2);
            auto handler = OpenPeople(table, true);
            handler->SetLockProtocol(TdvLokProtocol::ClipLock);
            if (handler->OpenIndexFile("LAST.NTX") != 0) return 2;
            std::vector<int32_t> mine;
            for (int i = 0; i < kAppends; ++i) {
                AppendPerson(*handler, {"A" + std::to_string(w) + "-" + std::to_string(100 + i), "X", "Y", i});
                mine.push_back(handler->CurrentRecord());
                if (i % 3 != 2) continue;
                // Replace an earlier record of ours under its record lock.
                const int32_t n = mine[static_cast<size_t>(i / 2)];
                int tries = 0;
                handler->GetRecord(n);
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
    ExpectBothReadersAgree(table, ntx, kWriters * kAppends);
    // And the tag, seen through the handler, finds every record at its key.
    auto handler = OpenPeople(table, true);
    handler->SetLockProtocol(TdvLokProtocol::ClipLock);
    ASSERT_EQ(handler->OpenIndexFile("LAST.NTX"), 0);
    DVobjIndexTag* tag = handler->IndexFile(1)->TagAt(0);
    for (int32_t r = 1; r <= handler->RecordCount(); ++r) {
        handler->GetRecord(r);
        DVobjIndexKeyData key(32);
        key.SetText(Last(*handler));
        key.Target = r;
        EXPECT_EQ(tag->SeekNoMove(key), r) << "record " << r;
    }
}

TEST(NtxHandlerTest, PasswordChangeReciphersTheFileOnce) {
    TempDir dir;
    const std::string table = dir.File("PEOPLE.DBF");
    std::vector<PersonRow> rows;
    for (int i = 0; i < 400; ++i) rows.push_back({"P" + std::to_string(1000 - i), "F", "C", i});
    MakePeopleTable(table, rows);
    {
        auto handler = OpenPeople(table);
        MakeNtx(*handler, dir.File("LAST.NTX"), "LAST");
    }
    const std::vector<uint8_t> plain = ReadFileBytes(dir.File("LAST.NTX"));
    {
        auto handler = OpenPeople(table);
        ASSERT_EQ(handler->OpenIndexFile("LAST.NTX"), 0);
        handler->SelectOrder("LAST", false);
        handler->GetRecord(recreq::kFirst);
        handler->ChangePassword("secret");
    }
    const std::vector<uint8_t> enciphered = ReadFileBytes(dir.File("LAST.NTX"));
    EXPECT_NE(enciphered, plain);
    {
        // Under the new password the file reads as it did, and changing it back gives the very bytes again.
        auto handler = OpenPeople(table, false, "secret");
        ASSERT_EQ(handler->OpenIndexFile("LAST.NTX"), 0);
        handler->SelectOrder("LAST", false);
        int32_t walked = 0;
        std::string previous;
        for (handler->GetRecord(recreq::kFirst); !handler->Eof(); handler->GetRecord(recreq::kNext)) {
            EXPECT_LE(previous, Last(*handler));
            previous = Last(*handler);
            ++walked;
        }
        EXPECT_EQ(walked, 400);
        handler->ChangePassword("");
    }
    EXPECT_EQ(ReadFileBytes(dir.File("LAST.NTX")), plain);
}

TEST(NtxHandlerTest, RegistryOpensAndBuildsNtxFiles) {
    EXPECT_NE(TdvIndexFormats::Find(".ntx"), nullptr);
    const std::vector<std::string> buildable = TdvIndexFormats::BuildableExtensions();
    EXPECT_NE(std::find(buildable.begin(), buildable.end(), ".NTX"), buildable.end());
    TempDir dir;
    const std::string table = dir.File("PEOPLE.DBF");
    MakePeopleTable(table, {{"B", "F", "C", 1}, {"A", "F", "C", 2}, {"C", "F", "C", 3}});
    {
        auto handler = OpenPeople(table);
        MakeNtx(*handler, dir.File("DESC.NTX"), "LAST", false, false);
    }
    auto handler = OpenPeople(table);
    ASSERT_EQ(handler->OpenIndexFile("DESC.NTX"), 0);
    handler->SelectOrder("DESC", false);
    std::vector<std::string> order;
    for (handler->GetRecord(recreq::kFirst); !handler->Eof(); handler->GetRecord(recreq::kNext))
        order.push_back(Last(*handler));
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
}
