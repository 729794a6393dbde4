// The ordane tool, run as a process: its output and exit codes over peer-made tables and tables it creates.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "ordane_run.h"
#include "process.h"
#include "temp_dir.h"

namespace {

using namespace ordane_test;

TEST(OrdaneTool, ExitCodesAndMessages) {
    std::string err;
    EXPECT_EQ(Ordane("--version").status, 0);
    EXPECT_EQ(Ordane("dump --help").status, 0);
    EXPECT_EQ(Ordane("info", &err).status, 2);
    EXPECT_EQ(Ordane("frobnicate x", &err).status, 2);
    EXPECT_EQ(Ordane("dump x.dbf --format xml", &err).status, 2);
    TempDir dir;
    Result missing = Ordane("info " + Quote(dir.File("none.dbf")), &err);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(err.find("File not found - "), std::string::npos) << err;
    WriteFileBytes(dir.File("junk.dbf"), std::vector<uint8_t>(40, 0x04));
    EXPECT_EQ(Ordane("dump " + Quote(dir.File("junk.dbf")), &err).status, 1);
    EXPECT_NE(err.find("dBase DBF file header invalid"), std::string::npos) << err;
}

// Dump shows what other programs stored: the decoded values expected.json lists.
TEST(OrdaneTool, DumpShowsThePeerTablesValues) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    int tables = 0;
    for (const char* folder : {"pydbf/db3_types", "pydbf/db3_cp850", "pydbf/vfp_all", "pydbf/fp_memo", "dbffile/vfp",
                               "xbase64/dbt3_memo", "shapelib/db3_cli"}) {
        SCOPED_TRACE(folder);
        std::ifstream in(FixturePath(std::string("peer/") + folder + "/expected.json"));
        Json expected = Json::parse(in);
        std::string codepage = expected.value("codepage", "cp437").substr(2);
        std::string table = FixturePath(std::string("peer/") + folder + "/" + expected["table"].get<std::string>());
        Result r = Ordane("dump --deleted --codepage " + codepage + " " + Quote(table));
        ASSERT_EQ(r.status, 0);
        std::vector<Json> records = Lines(r.out);
        ASSERT_EQ(records.size(), expected["records"].size());
        for (size_t i = 0; i < records.size(); ++i) {
            const Json& want = expected["records"][i];
            EXPECT_EQ(records[i]["recno"], want["recno"]);
            EXPECT_EQ(records[i]["deleted"], want["deleted"]);
            for (const Json& field : expected["fields"]) {
                std::string name = field["name"];
                std::string type = field["type"];
                const Json& got = records[i]["fields"][name];
                const Json& value = want["fields"][name]["value"];
                if (type == "L" && value.is_null()) {
                    EXPECT_EQ(got, false) << name;  // blank or '?' logicals read as false
                } else if (type == "Y") {
                    EXPECT_NEAR(got.get<double>(), std::stod(value.get<std::string>()), 1e-4) << name;
                } else if ((type == "N" || type == "F" || type == "B") && value.is_number()) {
                    EXPECT_NEAR(got.get<double>(), value.get<double>(), 1e-9 * (1 + std::abs(value.get<double>())))
                        << name;
                } else if (type == "G") {
                    continue;  // base64 of the bytes; checked by the memo tests
                } else if (type == "T" && value.is_string()) {
                    EXPECT_EQ(got.get<std::string>().substr(0, 19), value.get<std::string>().substr(0, 19)) << name;
                } else if (type == "T") {
                    EXPECT_TRUE(got.is_null()) << name;
                } else {
                    EXPECT_EQ(got, value) << name << " record " << want["recno"];
                }
            }
        }
        ++tables;
    }
    EXPECT_EQ(tables, 7);
}

TEST(OrdaneTool, InfoDescribesTheTable) {
    TempDir dir;
    std::string table = dir.File("people.dbf");
    ASSERT_EQ(Ordane("create " + Quote(table) + " --version 0x8B --fields 'NAME C(30); PAY N(9,2); BORN D; OK L; NOTE M'")
                  .status,
              0);
    Result r = Ordane("info " + Quote(table));
    ASSERT_EQ(r.status, 0);
    Json info = Json::parse(r.out);
    EXPECT_EQ(info["file"], "people.dbf");
    EXPECT_EQ(info["version"], 0x8B);
    EXPECT_EQ(info["record_length"], 1 + 30 + 9 + 8 + 1 + 10);
    EXPECT_EQ(info["record_count"], 0);
    EXPECT_EQ(info["memo"], "dbt4");
    EXPECT_EQ(info["encrypted"], false);
    ASSERT_EQ(info["fields"].size(), 5u);
    EXPECT_EQ(info["fields"][1], Json::parse(R"({"name":"PAY","type":"N","length":9,"decimals":2})"));
    std::string err;
    EXPECT_EQ(Ordane("create " + Quote(dir.File("bad.dbf")) + " --version 0x03 --fields 'X Q(3)'", &err).status, 1);
    EXPECT_EQ(Ordane("create " + Quote(dir.File("bad.dbf")) + " --version 0x03 --fields 'X C(3'", &err).status, 2);
}

TEST(OrdaneTool, ImportedRecordsDumpBackTheSame) {
    TempDir dir;
    std::string table = dir.File("t.dbf");
    ASSERT_EQ(Ordane("create " + Quote(table) +
                     " --version 0x83 --fields 'TITLE C(20); QTY N(6,1); BORN D; OK L; NOTE M'")
                  .status,
              0);
    std::ofstream(dir.File("in.csv")) << "TITLE,QTY,BORN,OK,NOTE\r\n"
                                      << "\"Box \u2554\u2550\u2557, quoted \"\"x\"\"\",12.5,2024-01-31,T,\"two\nlines\"\r\n"
                                      << "Plain,,,,\r\n"
                                      << "M\u00fcller,-3,1999-12-31,false,\r\n";
    std::string err;
    ASSERT_EQ(Ordane("import " + Quote(table) + " --from " + Quote(dir.File("in.csv")), &err).status, 0) << err;
    Result r = Ordane("dump " + Quote(table));
    ASSERT_EQ(r.status, 0);
    std::vector<Json> records = Lines(r.out);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["fields"], Json::parse(R"({"TITLE":"Box ╔═╗, quoted \"x\"","QTY":12.5,"BORN":"2024-01-31",
                                                    "OK":true,"NOTE":"two\nlines"})"));
    EXPECT_EQ(records[1]["fields"], Json::parse(R"({"TITLE":"Plain","QTY":null,"BORN":null,"OK":false,"NOTE":""})"));
    EXPECT_EQ(records[2]["fields"]["TITLE"], "Müller");

    // Dump's own lines import again, deleted flags included; CSV shows the same values.
    std::string copy = dir.File("copy.dbf");
    ASSERT_EQ(Ordane("create " + Quote(copy) + " --version 0x83 --fields 'TITLE C(20); QTY N(6,1); BORN D; OK L; NOTE M'")
                  .status,
              0);
    std::ofstream(dir.File("in.jsonl")) << r.out;
    ASSERT_EQ(Ordane("import " + Quote(copy) + " --from " + Quote(dir.File("in.jsonl")), &err).status, 0) << err;
    EXPECT_EQ(Ordane("dump " + Quote(copy)).out, r.out);
    Result csv = Ordane("dump --format csv " + Quote(copy));
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n') + 1), "TITLE,QTY,BORN,OK,NOTE\r\n");
    EXPECT_NE(csv.out.find("\"Box ╔═╗, quoted \"\"x\"\"\",12.5,2024-01-31,true,\"two\nlines\"\r\n"), std::string::npos)
        << csv.out;

    Result raw = Ordane("dump --raw " + Quote(copy));
    EXPECT_EQ(Lines(raw.out)[1]["fields"]["QTY"], "202020202020");

    std::ofstream(dir.File("bad.csv")) << "TITLE,NOPE\r\nx,y\r\n";
    EXPECT_EQ(Ordane("import " + Quote(copy) + " --from " + Quote(dir.File("bad.csv")), &err).status, 2);
    std::ofstream(dir.File("bad2.csv")) << "BORN\r\n2024-02-30\r\n";
    EXPECT_EQ(Ordane("import " + Quote(copy) + " --from " + Quote(dir.File("bad2.csv")), &err).status, 2);
}

// The tool takes a field for a memo only when the field layer does: a P field keeps no memo here and shows its text.
TEST(OrdaneTool, DumpTakesMemoFieldsAsTheFieldLayerDoes) {
    TempDir dir;
    std::string table = dir.File("pic.dbf");
    ASSERT_EQ(Ordane("create " + Quote(table) + " --version 0xF5 --fields 'PIC C(10); NOTE M'").status, 0);
    std::ofstream(dir.File("in.csv")) << "PIC,NOTE\r\n12,memo text\r\n";
    std::string err;
    ASSERT_EQ(Ordane("import " + Quote(table) + " --from " + Quote(dir.File("in.csv")), &err).status, 0) << err;
    std::vector<uint8_t> bytes = ReadFileBytes(table);
    bytes[32 + 11] = 'P';  // the first descriptor's type letter
    WriteFileBytes(table, bytes);
    Result r = Ordane("dump " + Quote(table), &err);
    ASSERT_EQ(r.status, 0) << err;
    EXPECT_EQ(Lines(r.out).at(0)["fields"], Json::parse(R"({"PIC":"12","NOTE":"memo text"})"));
}

// Several processes import into one shared table at once; every record and index entry arrives exactly once.
TEST(OrdaneTool, ConcurrentImportsLoseNothing) {
    TempDir dir;
    std::string table = dir.File("shared.dbf");
    std::string ndx = dir.File("who_n.ndx");
    ASSERT_EQ(Ordane("create " + Quote(table) + " --version 0x03 --fields 'WHO C(2); N N(5)'").status, 0);
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --key 'WHO+STR(N,5)'").status, 0);
    const int kProcesses = 3, kRecords = 400;
    for (int p = 0; p < kProcesses; ++p) {
        std::ofstream csv(dir.File("p" + std::to_string(p) + ".csv"));
        csv << "WHO,N\n";
        for (int i = 0; i < kRecords; ++i) csv << "P" << p << "," << i << "\n";
    }
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int p = 0; p < kProcesses; ++p) {
        children.push_back(std::make_unique<ChildProcess>([&, p](ChildProcess&) {
            int status = 0;
            RunCommand(Quote(ORDANE_PATH) + " import " + Quote(table) + " --index " + Quote(ndx) + " --from " +
                           Quote(dir.File("p" + std::to_string(p) + ".csv")) + " 2>/dev/null",
                       &status);
            return status;
        }));
    }
    for (auto& child : children) EXPECT_EQ(child->Wait(), 0);
    std::vector<Json> records = Lines(Ordane("dump " + Quote(table)).out);
    ASSERT_EQ(records.size(), static_cast<size_t>(kProcesses * kRecords));
    std::vector<std::vector<int>> seen(kProcesses, std::vector<int>(kRecords, 0));
    for (const Json& r : records) {
        int p = r["fields"]["WHO"].get<std::string>()[1] - '0';
        seen[static_cast<size_t>(p)][r["fields"]["N"].get<size_t>()]++;
    }
    for (const auto& row : seen)
        for (int count : row) EXPECT_EQ(count, 1);
    Result verified = Ordane("verify " + Quote(table) + " --index " + Quote(ndx));
    EXPECT_EQ(verified.status, 0) << verified.out;
}

// Index commands over a table the tool builds: build, order, seek, keys, upkeep on import, verify, reindex.
TEST(OrdaneTool, IndexCommandsBuildSeekWalkAndVerify) {
    TempDir dir;
    std::string table = dir.File("t.dbf"), ndx = dir.File("by_name.ndx"), num = dir.File("num.ndx");
    ASSERT_EQ(Ordane("create " + Quote(table) + " --version 0x03 --fields 'NAME C(10); N N(5); D D'").status, 0);
    std::ofstream(dir.File("a.csv")) << "NAME,N,D\npear,3,2020-01-03\napple,1,2020-01-01\nfig,2,\n";
    ASSERT_EQ(Ordane("import " + Quote(table) + " --from " + Quote(dir.File("a.csv"))).status, 0);
    std::string err;
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --key 'UPPER(NAME)'", &err).status,
              0) << err;
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(num) + " --tag NUM --key N").status, 0);
    EXPECT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(dir.File("x.cdx")) + " --tag X --key N", &err).status, 2);
    EXPECT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(dir.File("y.ndx")) + " --tag Y --key 'NOPE+1'", &err).status, 1);

    // New records reach the index files named on import.
    std::ofstream(dir.File("b.csv")) << "NAME,N\nbanana,4\n";
    ASSERT_EQ(Ordane("import " + Quote(table) + " --index " + Quote(ndx) + " --index " + Quote(num) + " --from " +
                     Quote(dir.File("b.csv")))
                  .status,
              0);
    auto names = [&](const std::string& args) {
        std::string joined;
        for (const Json& r : Lines(Ordane("dump " + Quote(table) + " " + args).out))
            joined += r["fields"]["NAME"].get<std::string>() + " ";
        return joined;
    };
    EXPECT_EQ(names(""), "pear apple fig banana ");
    EXPECT_EQ(names("--index " + Quote(ndx) + " --tag by_name"), "apple banana fig pear ");
    EXPECT_EQ(names("--index " + Quote(num) + " --tag NUM --filter 'N > 1'"), "fig pear banana ");
    EXPECT_EQ(Ordane("dump " + Quote(table) + " --index " + Quote(ndx) + " --tag NOSUCH", &err).status, 1);
    EXPECT_NE(err.find("Cannot find index tag NOSUCH"), std::string::npos) << err;
    EXPECT_EQ(Ordane("dump " + Quote(table) + " --filter 'N +'", &err).status, 1);

    std::vector<Json> keys = Lines(Ordane("keys " + Quote(ndx) + " --table " + Quote(table)).out);
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0], Json::parse(R"({"recno":2,"key":"APPLE"})"));
    EXPECT_EQ(Lines(Ordane("keys " + Quote(num) + " --table " + Quote(table)).out)[3], Json::parse(R"({"recno":4,"key":4.0})"));

    Result found = Ordane("seek " + Quote(table) + " --index " + Quote(ndx) + " BAN");
    ASSERT_EQ(found.status, 0);
    EXPECT_EQ(Lines(found.out)[0]["recno"], 4);
    EXPECT_EQ(Ordane("seek " + Quote(table) + " --index " + Quote(ndx) + " --exact BAN", &err).status, 1);
    EXPECT_EQ(err, "not found\n");
    EXPECT_EQ(Lines(Ordane("seek " + Quote(table) + " --index " + Quote(num) + " 2").out)[0]["recno"], 3);

    Result verified = Ordane("verify " + Quote(table) + " --index " + Quote(ndx) + " --index " + Quote(num));
    EXPECT_EQ(verified.status, 0) << verified.out;
    EXPECT_EQ(Lines(verified.out)[0], Json::parse(R"({"tag":"BY_NAME","keys":4,"ok":true,"problems":[]})"));

    // A record appended behind the index's back is reported, and a rebuild mends it.
    ASSERT_EQ(Ordane("import " + Quote(table) + " --from " + Quote(dir.File("b.csv"))).status, 0);
    Result stale = Ordane("verify " + Quote(table) + " --index " + Quote(ndx));
    EXPECT_EQ(stale.status, 3);
    EXPECT_EQ(Lines(stale.out)[0]["ok"], false);
    EXPECT_EQ(Ordane("reindex " + Quote(table) + " --index " + Quote(ndx)).status, 0);
    EXPECT_EQ(Ordane("verify " + Quote(table) + " --index " + Quote(ndx)).status, 0);
}

// The peer-made NDX files check sound and walk in the order other programs wrote.
TEST(OrdaneTool, VerifyAcceptsPeerIndexes) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    TempDir dir;
    for (const char* file : {"PEOPLE.DBF", "LNAME.NDX", "AMOUNT.NDX", "BORN.NDX", "ULNAME.NDX"})
        dir.CopyFixture(std::string("peer/xbase64/ndx_people/") + file);
    Result r = Ordane("verify " + Quote(dir.File("PEOPLE.DBF")) + " --index " + Quote(dir.File("LNAME.NDX")) +
                      " --index " + Quote(dir.File("AMOUNT.NDX")) + " --index " + Quote(dir.File("BORN.NDX")) +
                      " --index " + Quote(dir.File("ULNAME.NDX")));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Lines(r.out).size(), 4u);
}

}  // namespace
