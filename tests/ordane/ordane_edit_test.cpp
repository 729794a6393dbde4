// The ordane tool's in-place edits, run as a process: delete, recall and replace beside other processes, pack
// and zap, and a pack killed at random moments.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "engine/storage/dbf_fields.h"
#include "ordane_run.h"
#include "process.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

using ordane_test::Lines;
using ordane_test::Ordane;
using ordane_test::Quote;
using ordane_test::Result;

std::vector<Json> Dump(const std::string& table, const std::string& extra = "--deleted") {
    Result r = Ordane("dump " + extra + " " + Quote(table));
    EXPECT_EQ(r.status, 0) << r.err;
    return Lines(r.out);
}

// The record numbers of an NDX file in index order, as the independent Perl reader walks it.
std::vector<int> OracleWalk(const std::string& ndx) {
    int status = 0;
    const std::string out =
        RunCommand("perl " + Quote(std::string(VELMORA_TESTS_DIR) + "/tools/ndx_oracle.pl") + " " + Quote(ndx), &status);
    EXPECT_EQ(status, 0);
    std::vector<int> order;
    std::istringstream in(out);
    for (int r; in >> r;) order.push_back(r);
    return order;
}

// A table made by the tool from CSV text.
std::string MakeTable(const TempDir& dir, const std::string& name, const std::string& version,
                      const std::string& fields, const std::string& csv) {
    const std::string table = dir.File(name);
    EXPECT_EQ(Ordane("create " + Quote(table) + " --version " + version + " --fields " + Quote(fields)).status, 0);
    std::ofstream(dir.File(name + ".csv")) << csv;
    Result r = Ordane("import " + Quote(table) + " --from " + Quote(dir.File(name + ".csv")));
    EXPECT_EQ(r.status, 0) << r.err;
    return table;
}

// The peer tables with memo files, one of every table version that has them.
struct PeerTable {
    const char* folder;
    const char* table;
    const char* memo;
    const char* text;  // a character field to replace
};
const PeerTable kPeerMemoTables[] = {
    {"pydbf/db3_memo", "MEMO3.DBF", "MEMO3.DBT", "TITLE"},      // 0x83
    {"xbasepm/dbt3_memo", "table.dbf", "table.dbt", "NAME"},    // 0x83, lower-case names
    {"xbase64/dbt4_memo", "MEMO4.DBF", "MEMO4.DBT", "TITLE"},   // 0x8B
    {"pydbf/fp_memo", "FOX.DBF", "FOX.FPT", "NAME"},            // 0xF5
    {"pydbf/vfp_all", "VFPALL.DBF", "VFPALL.FPT", "NAME"},      // 0x30
};

// Delete, recall and replace change exactly the records their filters name and nothing else; pack then keeps
// the others with every memo readable, in a memo file that holds only what they refer to.
TEST(OrdaneEdit, DeleteRecallReplaceAndPackOverPeerTables) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    for (const PeerTable& peer : kPeerMemoTables) {
        SCOPED_TRACE(peer.folder);
        TempDir dir;
        const std::string table = dir.CopyFixture(std::string("peer/") + peer.folder + "/" + peer.table);
        const std::string memo = dir.CopyFixture(std::string("peer/") + peer.folder + "/" + peer.memo);
        const std::vector<Json> before = Dump(table);
        ASSERT_FALSE(before.empty());

        Result deleted = Ordane("delete " + Quote(table) + " --filter 'MOD(RECNO(), 2) = 0'");
        ASSERT_EQ(deleted.status, 0) << deleted.err;
        int expectDeleted = 0;
        for (const Json& r : before) expectDeleted += r["recno"].get<int>() % 2 == 0 && !r["deleted"].get<bool>();
        EXPECT_EQ(Json::parse(deleted.out), Json({{"deleted", expectDeleted}}));

        Result recalled = Ordane("recall " + Quote(table) + " --filter 'MOD(RECNO(), 4) = 0'");
        ASSERT_EQ(recalled.status, 0) << recalled.err;
        int expectRecalled = 0;
        for (const Json& r : before) expectRecalled += r["recno"].get<int>() % 4 == 0;
        EXPECT_EQ(Json::parse(recalled.out), Json({{"recalled", expectRecalled}}));

        const std::string field = peer.text;
        Result replaced = Ordane("replace " + Quote(table) + " --set '" + field + "=\"R\"+TRIM(" + field +
                                 ")' --set 'NOTES=\"memo of \"+LTRIM(STR(RECNO()))' --filter 'RECNO() > 2'");
        ASSERT_EQ(replaced.status, 0) << replaced.err;

        const std::vector<Json> after = Dump(table);
        ASSERT_EQ(after.size(), before.size());
        std::vector<Json> kept;
        int expectReplaced = 0;
        for (size_t i = 0; i < before.size(); ++i) {
            const int recno = before[i]["recno"];
            const bool wasDeleted = before[i]["deleted"];
            const bool nowDeleted = recno % 4 == 0 ? false : wasDeleted || recno % 2 == 0;
            EXPECT_EQ(after[i]["deleted"], nowDeleted) << recno;
            Json fields = before[i]["fields"];
            if (recno > 2 && !nowDeleted) {
                ++expectReplaced;
                fields[field] = "R" + fields[field].get<std::string>();
                fields["NOTES"] = "memo of " + std::to_string(recno);
            }
            EXPECT_EQ(after[i]["fields"], fields) << recno;
            if (!nowDeleted) kept.push_back(fields);
        }
        EXPECT_EQ(Json::parse(replaced.out), Json({{"replaced", expectReplaced}}));

        const auto memoSize = fs::file_size(memo);
        Result packed = Ordane("pack " + Quote(table));
        ASSERT_EQ(packed.status, 0) << packed.err;
        EXPECT_EQ(Json::parse(packed.out), Json({{"kept", kept.size()}, {"removed", before.size() - kept.size()}}));
        const std::vector<Json> final = Dump(table);
        ASSERT_EQ(final.size(), kept.size());
        for (size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(final[i]["recno"], i + 1);
            EXPECT_EQ(final[i]["deleted"], false);
            EXPECT_EQ(final[i]["fields"], kept[i]) << i;
        }
        EXPECT_LE(fs::file_size(memo), memoSize);
        // Only the pack's own files are left beside the table.
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().filename().string().find('~'), std::string::npos) << entry.path();
    }
}

// Edits over a peer table keep its peer-made indexes in step, the unique one included: a record that gave its
// key up hands the key's entry to another record that still holds it. Pack rebuilds them all.
TEST(OrdaneEdit, EditsKeepPeerIndexesInStep) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    TempDir dir;
    std::string indexes;
    for (const char* file : {"PEOPLE.DBF", "LNAME.NDX", "AMOUNT.NDX", "BORN.NDX", "ULNAME.NDX"}) {
        const std::string copy = dir.CopyFixture(std::string("peer/xbase64/ndx_people/") + file);
        if (std::string(file).ends_with(".NDX")) indexes += " --index " + Quote(copy);
    }
    const std::string table = dir.File("PEOPLE.DBF");
    const std::string commands[] = {
        "delete " + Quote(table) + indexes + " --filter 'AMOUNT < 0'",
        "replace " + Quote(table) + indexes + " --set 'LNAME=\"A\"+LNAME' --set 'AMOUNT=0-AMOUNT' --filter 'MOD(SEQ, 3) = 0'",
        "replace " + Quote(table) + indexes + " --set 'LNAME=SUBSTR(LNAME, 2)' --filter 'LEFT(LNAME, 1) = \"A\"'",
        "recall " + Quote(table) + indexes + " --filter 'MOD(SEQ, 2) = 0'",
        "pack " + Quote(table) + indexes,
    };
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        Result r = Ordane(command);
        ASSERT_EQ(r.status, 0) << r.err;
        Result verified = Ordane("verify " + Quote(table) + indexes);
        EXPECT_EQ(verified.status, 0) << verified.out;
        EXPECT_EQ(OracleWalk(dir.File("LNAME.NDX")).size(), Dump(table).size());
    }
}

// Pack copies each memo as stored: a FoxPro picture block keeps its block type, and the blocks follow record order.
TEST(OrdaneEdit, PackKeepsMemoBlocksAsStoredInRecordOrder) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    TempDir dir;
    const std::string table = dir.CopyFixture("peer/pydbf/fp_memo/FOX.DBF");
    const std::string memo = dir.CopyFixture("peer/pydbf/fp_memo/FOX.FPT");
    const std::vector<Json> before = Dump(table, "--deleted --raw");
    ASSERT_EQ(Ordane("delete " + Quote(table) + " --filter 'RECNO() = 1'").status, 0);
    ASSERT_EQ(Ordane("pack " + Quote(table)).status, 0);
    const std::vector<Json> after = Dump(table, "--deleted --raw");
    const std::vector<uint8_t> bytes = ReadFileBytes(memo);
    const int blockSize = bytes[6] << 8 | bytes[7];
    ASSERT_GT(blockSize, 0);
    std::vector<uint8_t> original = ReadFileBytes(FixturePath("peer/pydbf/fp_memo/FOX.FPT"));
    auto block = [](const Json& raw) {
        std::string hex = raw.get<std::string>(), text;
        for (size_t i = 0; i + 1 < hex.size(); i += 2) text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        const size_t start = text.find_first_not_of(' ');
        return start == std::string::npos ? 0L : std::stol(text.substr(start));
    };
    const int oldSize = original[6] << 8 | original[7];
    long previous = 0;
    size_t k = 0;
    for (const Json& record : before) {
        if (record["deleted"] || record["recno"] == 1) continue;
        const Json& now = after.at(k++);
        for (const char* name : {"NOTES", "PIC"}) {
            const long oldBlock = block(record["fields"][name]), newBlock = block(now["fields"][name]);
            if (oldBlock == 0) {
                EXPECT_EQ(newBlock, 0);
                continue;
            }
            EXPECT_GT(newBlock, previous) << "blocks in record order";
            previous = newBlock;
            // Type and length (8 bytes of block header) and the bytes follow unchanged.
            const size_t from = static_cast<size_t>(oldBlock) * oldSize, to = static_cast<size_t>(newBlock) * blockSize;
            const size_t length = 8 + (original[from + 4] << 24 | original[from + 5] << 16 | original[from + 6] << 8 |
                                       original[from + 7]);
            ASSERT_LE(to + length, bytes.size());
            EXPECT_TRUE(std::equal(bytes.begin() + to, bytes.begin() + to + length, original.begin() + from)) << name;
        }
    }
    EXPECT_EQ(k, after.size());
}

// A thousand equal keys span many NDX pages; replace moves keys out of the run to both sides and back again,
// and after every step the index checks sound and the Perl reader walks every record once, in key order.
TEST(OrdaneEdit, ReplaceMovesKeysAmongAThousandEqualOnes) {
    TempDir dir;
    std::string csv = "K,N\n";
    for (int i = 1; i <= 1000; ++i) csv += "MIDDLE," + std::to_string(i) + "\n";
    for (int i = 1001; i <= 1100; ++i) csv += (i % 2 ? "ALPHA," : "OMEGA,") + std::to_string(i) + "\n";
    const std::string table = MakeTable(dir, "EQ.DBF", "0x03", "K C(10); N N(6)", csv);
    const std::string kndx = dir.File("K.NDX"), nndx = dir.File("N.NDX");
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(kndx) + " --tag K --key K").status, 0);
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(nndx) + " --tag N --key N").status, 0);
    const std::string indexes = " --index " + Quote(kndx) + " --index " + Quote(nndx);

    struct Step {
        const char* set;
        const char* filter;
        int count;
    };
    const Step steps[] = {
        {"K=\"AAAA\"", "(K = \"MIDDLE\") .AND. (MOD(N, 3) = 0)", 333},      // before the run
        {"K=\"ZZZZ\"", "(K = \"MIDDLE\") .AND. (MOD(N, 5) = 0)", 134},      // after it
        {"K=\"MIDDLE\"", "(K = \"AAAA\") .AND. (MOD(N, 2) = 0)", 166},      // back up into it
        {"K=\"MIDDLE\"", "(K = \"ZZZZ\") .AND. (N > 500)", 67},             // back down into it
        {"N=2000-N", "N <= 1000", 1000},                                // every numeric key, order reversed
        {"K=\"MIDDLE\"", "K = \"MIDDLE\"", 0},                          // unchanged keys: written, no move
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.set);
        Result r = Ordane("replace " + Quote(table) + indexes + " --set " + Quote(step.set) + " --filter " +
                          Quote(step.filter));
        ASSERT_EQ(r.status, 0) << r.err;
        if (step.count > 0) {
            EXPECT_EQ(Json::parse(r.out)["replaced"], step.count);
        }
        Result verified = Ordane("verify " + Quote(table) + indexes);
        EXPECT_EQ(verified.status, 0) << verified.out;

        std::vector<Json> records = Dump(table);
        ASSERT_EQ(records.size(), 1100u);
        for (const auto& [ndx, field] : {std::pair{kndx, "K"}, std::pair{nndx, "N"}}) {
            const std::vector<int> walk = OracleWalk(ndx);
            ASSERT_EQ(walk.size(), 1100u) << field;
            std::set<int> seen(walk.begin(), walk.end());
            EXPECT_EQ(seen.size(), 1100u) << field;
            for (size_t i = 1; i < walk.size(); ++i) {
                const Json& a = records.at(static_cast<size_t>(walk[i - 1] - 1))["fields"][field];
                const Json& b = records.at(static_cast<size_t>(walk[i] - 1))["fields"][field];
                ASSERT_LE(a, b) << field << " at " << i;
            }
        }
    }
}

// Values the field cannot hold stop the command before the record is written; the records before it stay
// replaced and are counted. Bad arguments are usage errors and change nothing.
TEST(OrdaneEdit, ReplaceStopsAtAValueTheFieldCannotHold) {
    TempDir dir;
    std::string csv = "NAME,N,D,OK\n";
    for (int i = 1; i <= 12; ++i) csv += "n" + std::to_string(i) + "," + std::to_string(i) + ",2024-01-0" + std::to_string(i % 9 + 1) + ",T\n";
    const std::string table = MakeTable(dir, "V.DBF", "0x03", "NAME C(4); N N(4); D D; OK L", csv);

    Result overflow = Ordane("replace " + Quote(table) + " --set 'NAME=\"x\"' --set 'N=N*1000'");
    EXPECT_EQ(overflow.status, 1);
    EXPECT_NE(overflow.err.find("record 10: "), std::string::npos) << overflow.err;
    EXPECT_NE(overflow.err.find("9 records replaced"), std::string::npos) << overflow.err;
    EXPECT_NE(overflow.err.find("Number too large to fit in field"), std::string::npos) << overflow.err;
    std::vector<Json> records = Dump(table);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(records[i]["fields"]["N"], i < 9 ? (i + 1) * 1000.0 : i + 1.0) << i;
        EXPECT_EQ(records[i]["fields"]["NAME"], i < 9 ? "x" : "n" + std::to_string(i + 1)) << i;
    }

    struct Refused {
        const char* args;
        int status;
        const char* message;
    };
    const Refused refused[] = {
        {"--set 'NAME=\"toolong\"'", 1, "does not fit"},
        {"--set 'N=\"text\"'", 1, "dBase field is of incorrect type"},
        {"--set 'D=N'", 1, "dBase field is of incorrect type"},
        {"--set 'OK=1'", 1, "dBase field is of incorrect type"},
        {"--set 'N=N+' ", 1, ""},
        {"--set 'NOPE=1'", 2, "no field NOPE"},
        {"--set 'N'", 2, "FIELD=EXPR"},
        {"--set 'N=1' --filter 'N'", 1, ""},
        {"", 2, ""},
    };
    const std::vector<Json> unchanged = Dump(table);
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.args);
        Result result = Ordane("replace " + Quote(table) + " " + r.args);
        EXPECT_EQ(result.status, r.status) << result.err;
        EXPECT_NE(result.err.find(r.message), std::string::npos) << result.err;
        EXPECT_EQ(Dump(table), unchanged);
    }
    EXPECT_EQ(Ordane("delete " + Quote(table)).status, 2);  // the filter is required
    EXPECT_EQ(Ordane("recall " + Quote(table)).status, 2);

    // Dates, logicals and blanks go in by their own types.
    Result typed = Ordane("replace " + Quote(table) + " --set 'D=1+D' --set 'OK=.NOT. OK' --set 'NAME=\"\"' --filter 'RECNO() = 1'");
    ASSERT_EQ(typed.status, 0) << typed.err;
    EXPECT_EQ(Dump(table)[0]["fields"], Json::parse(R"({"NAME":"","N":1000.0,"D":"2024-01-03","OK":false})"));
}

// Two processes replace different records of one shared table at once: both finish, every record and index
// entry is right.
TEST(OrdaneEdit, TwoProcessesReplaceDifferentRecordsAtOnce) {
    TempDir dir;
    std::string csv = "WHO,N\n";
    for (int i = 1; i <= 1500; ++i) csv += "NONE," + std::to_string(i) + "\n";
    const std::string table = MakeTable(dir, "TWO.DBF", "0x03", "WHO C(8); N N(6)", csv);
    const std::string ndx = dir.File("WHO.NDX");
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --tag WHO --key 'WHO+STR(N,6)'").status, 0);
    const char* filters[] = {"MOD(N, 2) = 0", "MOD(N, 2) = 1"};
    const char* names[] = {"EVEN", "ODD"};
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int p = 0; p < 2; ++p) {
        children.push_back(std::make_unique<ChildProcess>([&, p](ChildProcess&) {
            int status = 0;
            const std::string out = RunCommand(Quote(ORDANE_PATH) + " replace " + Quote(table) + " --index " + Quote(ndx) +
                                                   " --set 'WHO=\"" + names[p] + "\"' --filter '" + filters[p] +
                                                   "' 2>/dev/null",
                                               &status);
            return status == 0 && out == "{\"replaced\":750}\n" ? 0 : 1;
        }));
    }
    for (auto& child : children) EXPECT_EQ(child->Wait(), 0);
    for (const Json& r : Dump(table))
        EXPECT_EQ(r["fields"]["WHO"], r["fields"]["N"].get<int>() % 2 ? "ODD" : "EVEN") << r["recno"];
    Result verified = Ordane("verify " + Quote(table) + " --index " + Quote(ndx));
    EXPECT_EQ(verified.status, 0) << verified.out;
}

// A record whose lock another process holds is left alone and reported; every other record is replaced.
TEST(OrdaneEdit, ReplaceReportsARecordAnotherProcessHoldsLocked) {
    TempDir dir;
    const std::string table = MakeTable(dir, "L.DBF", "0x03", "NAME C(6)", "NAME\na\nb\nc\nd\n");
    ChildProcess holder([&](ChildProcess& self) {
        DVO_dBaseFld t(table, "", true, true);
        t.GetRecord(3);
        if (!t.LockRecord()) return 1;
        self.Tell();
        self.Await();
        t.Unlock();
        return 0;
    });
    holder.Await();
    Result r = Ordane("replace " + Quote(table) + " --set 'NAME=\"X\"+NAME'");
    holder.Tell();
    EXPECT_EQ(holder.Wait(), 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Json::parse(r.out), Json::parse(R"({"replaced":3,"locked":[3]})"));
    EXPECT_NE(r.err.find("record 3: Record locked by another user"), std::string::npos) << r.err;
    std::string names;
    for (const Json& rec : Dump(table)) names += rec["fields"]["NAME"].get<std::string>() + " ";
    EXPECT_EQ(names, "Xa Xb c Xd ");
}

// Pack and zap need the table to themselves; zap leaves an empty table, memo file and index that take new
// records again.
TEST(OrdaneEdit, ZapEmptiesTheSetAndBothNeedTheTableAlone) {
    TempDir dir;
    const std::string table = MakeTable(dir, "Z.DBF", "0x8B", "NAME C(8); NOTE M",
                                        "NAME,NOTE\none,first memo\ntwo,second memo\nthree,\n");
    const std::string ndx = dir.File("NAME.NDX");
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --tag NAME --key NAME").status, 0);
    {
        ChildProcess user([&](ChildProcess& self) {
            DVO_dBaseFld t(table, "", false, true);
            self.Tell();
            self.Await();
            return 0;
        });
        user.Await();
        for (const char* command : {"pack", "zap"}) {
            Result r = Ordane(std::string(command) + " " + Quote(table) + " --index " + Quote(ndx));
            EXPECT_EQ(r.status, 1) << command;
            EXPECT_NE(r.err.find("File access denied"), std::string::npos) << r.err;
        }
        user.Tell();
        EXPECT_EQ(user.Wait(), 0);
    }
    EXPECT_EQ(Dump(table).size(), 3u);

    Result zapped = Ordane("zap " + Quote(table) + " --index " + Quote(ndx));
    ASSERT_EQ(zapped.status, 0) << zapped.err;
    EXPECT_EQ(Json::parse(zapped.out), Json::parse(R"({"removed":3})"));
    EXPECT_EQ(Json::parse(Ordane("info " + Quote(table)).out)["record_count"], 0);
    EXPECT_EQ(fs::file_size(dir.File("Z.DBT")), 512u);
    EXPECT_EQ(Lines(Ordane("verify " + Quote(table) + " --index " + Quote(ndx)).out).at(0)["keys"], 0);

    std::ofstream(dir.File("again.csv")) << "NAME,NOTE\nfour,new memo\n";
    ASSERT_EQ(Ordane("import " + Quote(table) + " --index " + Quote(ndx) + " --from " + Quote(dir.File("again.csv"))).status, 0);
    EXPECT_EQ(Dump(table).at(0)["fields"], Json::parse(R"({"NAME":"four","NOTE":"new memo"})"));
    EXPECT_EQ(Ordane("verify " + Quote(table) + " --index " + Quote(ndx)).status, 0);
}

// An encrypted table is edited and packed with its password: the new set is enciphered with it as well.
TEST(OrdaneEdit, EditsAndPackKeepAnEncryptedTableEncrypted) {
    TempDir dir;
    const std::string table = dir.File("E.DBF"), pw = "key";
    ASSERT_EQ(Ordane("create " + Quote(table) + " --version 0x83 --fields 'NAME C(8); NOTE M'").status, 0);
    // Mark the new table encrypted and encipher its descriptors.
    std::vector<uint8_t> bytes = ReadFileBytes(table);
    bytes[15] = 1;
    const int area = (bytes[8] | bytes[9] << 8) - 33;
    for (int i = 0; i < area; ++i) bytes[32 + i] ^= static_cast<uint8_t>((i & 0xFF) | pw[i % pw.size()]);
    WriteFileBytes(table, bytes);
    std::ofstream(dir.File("a.csv")) << "NAME,NOTE\na,first\nb,second\nc,third\n";
    const std::string with = " --password " + pw + " --index " + Quote(dir.File("N.NDX"));
    ASSERT_EQ(Ordane("import " + Quote(table) + " --password key --from " + Quote(dir.File("a.csv"))).status, 0);
    ASSERT_EQ(Ordane("index " + Quote(table) + " --password key --create " + Quote(dir.File("N.NDX")) + " --tag N --key NAME").status, 0);
    EXPECT_EQ(Ordane("delete " + Quote(table) + with + " --filter 'NAME = \"b\"'").out, "{\"deleted\":1}\n");
    EXPECT_EQ(Ordane("replace " + Quote(table) + with + " --set 'NOTE=\"changed\"' --filter 'NAME = \"c\"'").out,
              "{\"replaced\":1}\n");
    EXPECT_EQ(Ordane("pack " + Quote(table) + with).out, "{\"kept\":2,\"removed\":1}\n");
    EXPECT_EQ(Dump(table, "--deleted --password key"),
              Lines("{\"recno\":1,\"deleted\":false,\"fields\":{\"NAME\":\"a\",\"NOTE\":\"first\"}}\n"
                    "{\"recno\":2,\"deleted\":false,\"fields\":{\"NAME\":\"c\",\"NOTE\":\"changed\"}}\n"));
    EXPECT_EQ(Ordane("verify " + Quote(table) + with).status, 0);
    EXPECT_EQ(Ordane("dump " + Quote(table)).status, 1) << "still needs its password";
    const std::vector<uint8_t> memo = ReadFileBytes(dir.File("E.DBT"));
    EXPECT_EQ(std::string(memo.begin(), memo.end()).find("changed"), std::string::npos) << "memo enciphered";
}

// Writes a journal as a pack leaves it when killed, with the new set's files under their new names.
void WriteJournal(const std::string& path, const std::string& state, const std::vector<std::pair<std::string, std::string>>& files) {
    std::ofstream out(path);
    out << "VELMORA PACK JOURNAL 1\nSTATE " << state << "\n";
    for (const auto& [fresh, old] : files) out << "FILE " << fresh << "\t" << old << "\n";
    out << "END\n";
}

// The next opening after a killed pack finishes a committed set (even half renamed) and rolls back one that was
// still being written.
TEST(OrdaneEdit, OpeningFinishesOrRollsBackAPackLeftHalfDone) {
    TempDir dir, packed;
    const std::string csv = "NAME,NOTE\nkeep,kept memo\ngone,removed memo\nalso,another memo\n";
    const std::string table = MakeTable(dir, "H.DBF", "0x83", "NAME C(8); NOTE M", csv);
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(dir.File("NAME.NDX")) + " --tag NAME --key NAME").status, 0);
    ASSERT_EQ(Ordane("delete " + Quote(table) + " --index " + Quote(dir.File("NAME.NDX")) + " --filter 'NAME = \"gone\"'").status, 0);
    for (const char* f : {"H.DBF", "H.DBT", "NAME.NDX"}) fs::copy_file(dir.File(f), packed.File(f));
    ASSERT_EQ(Ordane("pack " + Quote(packed.File("H.DBF")) + " --index " + Quote(packed.File("NAME.NDX"))).status, 0);
    const std::vector<Json> oldRecords = Dump(table), newRecords = Dump(packed.File("H.DBF"));
    ASSERT_EQ(newRecords.size(), 2u);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"H~0000CAFE.DBF", "H.DBF"}, {"H~0000CAFE.DBT", "H.DBT"}, {"NAME~0000CAFE.NDX", "NAME.NDX"}};

    for (const char* state : {"WRITING", "COMMITTED"}) {
        for (size_t renamed = 0; renamed < files.size(); ++renamed) {
            SCOPED_TRACE(std::string(state) + " with " + std::to_string(renamed) + " renamed");
            TempDir work;
            for (const char* f : {"H.DBF", "H.DBT", "NAME.NDX"}) fs::copy_file(dir.File(f), work.File(f));
            // The memo and index are renamed before the table, the table last.
            for (size_t i = 0; i < files.size(); ++i) {
                const size_t order = (i + 1) % files.size();
                const auto& [fresh, old] = files[order];
                const std::string source = packed.File(old);
                fs::copy_file(source, work.File(i < renamed && std::string(state) == "COMMITTED" ? old : fresh),
                              fs::copy_options::overwrite_existing);
            }
            WriteJournal(work.File("H.DBF.PACK"), state, files);
            const bool committed = std::string(state) == "COMMITTED";
            EXPECT_EQ(Dump(work.File("H.DBF")), committed ? newRecords : oldRecords);
            Result verified = Ordane("verify " + Quote(work.File("H.DBF")) + " --index " + Quote(work.File("NAME.NDX")));
            EXPECT_EQ(verified.status, 0) << verified.out;
            std::vector<std::string> left;
            for (const auto& entry : fs::directory_iterator(work.Path())) left.push_back(entry.path().filename());
            std::sort(left.begin(), left.end());
            EXPECT_EQ(left, (std::vector<std::string>{"H.DBF", "H.DBT", "NAME.NDX"}));
        }
    }
}

// Starts the tool without a shell, so that its process id is the tool's.
pid_t StartOrdane(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(ORDANE_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(ORDANE_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

// A pack killed at random moments, in many runs: afterwards the table opens and holds either all its old
// records or exactly the kept ones, its memos read, and its index checks sound.
TEST(OrdanePack, SurvivesSigkillAtAnyMoment) {
    TempDir master;
    std::string csv = "NAME,N,NOTE\n";
    for (int i = 1; i <= 1500; ++i)
        csv += "n" + std::to_string(i % 97) + "," + std::to_string(i) + ",memo " + std::to_string(i) + std::string(i % 7 * 90, 'x') + "\n";
    const std::string table = MakeTable(master, "K.DBF", "0x8B", "NAME C(8); N N(6); NOTE M", csv);
    const std::string ndx = master.File("NAME.NDX");
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --tag NAME --key 'NAME+STR(N,6)'").status, 0);
    ASSERT_EQ(Ordane("delete " + Quote(table) + " --index " + Quote(ndx) + " --filter 'MOD(N, 3) = 0'").status, 0);
    const std::vector<Json> oldRecords = Dump(table);
    std::vector<Json> kept;
    for (const Json& r : oldRecords)
        if (!r["deleted"]) kept.push_back(r["fields"]);

    auto fresh = [&](const TempDir& work) {
        for (const char* f : {"K.DBF", "K.DBT", "NAME.NDX"})
            fs::copy_file(master.File(f), work.File(f), fs::copy_options::overwrite_existing);
    };
    // How long one whole pack takes here: the kills fall anywhere within it, and a little after.
    auto started = std::chrono::steady_clock::now();
    {
        TempDir work;
        fresh(work);
        ASSERT_EQ(Ordane("pack " + Quote(work.File("K.DBF")) + " --index " + Quote(work.File("NAME.NDX"))).status, 0);
    }
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int64_t> delay(0, whole.count() * 11 / 10);
    int sawOld = 0, sawNew = 0;
    for (int run = 0; run < 40; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        TempDir work;
        fresh(work);
        const pid_t pid = StartOrdane({"pack", work.File("K.DBF"), "--index", work.File("NAME.NDX")});
        ASSERT_GT(pid, 0);
        usleep(static_cast<useconds_t>(delay(random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);

        const std::vector<Json> records = Dump(work.File("K.DBF"));
        if (records.size() == oldRecords.size()) {
            EXPECT_EQ(records, oldRecords);
            ++sawOld;
        } else {
            ASSERT_EQ(records.size(), kept.size());
            for (size_t i = 0; i < kept.size(); ++i) ASSERT_EQ(records[i]["fields"], kept[i]) << i;
            ++sawNew;
        }
        Result verified = Ordane("verify " + Quote(work.File("K.DBF")) + " --index " + Quote(work.File("NAME.NDX")));
        EXPECT_EQ(verified.status, 0) << verified.out;
        for (const auto& entry : fs::directory_iterator(work.Path()))
            EXPECT_EQ(entry.path().filename().string().find_first_of("~"), std::string::npos) << entry.path();
    }
    std::printf("pack of %zu records took %lld us; killed runs left the old set %d times, the new one %d times\n",
                oldRecords.size(), static_cast<long long>(whole.count()), sawOld, sawNew);
}

}  // namespace
