// The ordane tool's options say what they do: tag names, options an index format cannot keep, formats it does
// not read, engine errors, passwords and help.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/cursor/index_formats.h"
#include "ordane_run.h"
#include "temp_dir.h"

namespace {

using namespace ordane_test;

// A small table of three names with a number each, in dir.
std::string MakeNames(const TempDir& dir, const std::string& extraOptions = "") {
    const std::string table = dir.File("names.dbf");
    EXPECT_EQ(Ordane("create " + Quote(table) + " --version 0x03 --fields 'NAME C(10); N N(5)' " + extraOptions).status, 0);
    std::ofstream(dir.File("names.csv")) << "NAME,N\npear,3\napple,1\nfig,1\n";
    EXPECT_EQ(Ordane("import " + Quote(table) + " --from " + Quote(dir.File("names.csv")) + " " + extraOptions).status, 0);
    return table;
}

// An NDX file holds one tag named after the file: --tag may be left out, and a different name is refused.
TEST(OrdaneOptions, AnNdxTagIsNamedAfterItsFile) {
    TempDir dir;
    const std::string table = MakeNames(dir), ndx = dir.File("by_name.ndx");
    std::string err;
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --key NAME", &err).status, 0) << err;
    Result keys = Ordane("keys " + Quote(ndx) + " --table " + Quote(table) + " --tag BY_NAME", &err);
    ASSERT_EQ(keys.status, 0) << err;
    EXPECT_EQ(Lines(keys.out).at(0)["key"], "apple");
    EXPECT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --tag By_Name --key NAME").status, 0);

    EXPECT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(dir.File("other.ndx")) + " --tag NAME --key NAME",
                     &err).status,
              2);
    EXPECT_NE(err.find("one tag, named after the file: other"), std::string::npos) << err;
}

// Options the format cannot store are refused, naming the format; what it can store is kept.
TEST(OrdaneOptions, IndexOptionsTheFormatCannotKeepAreRefused) {
    TempDir dir;
    const std::string table = MakeNames(dir), ndx = dir.File("n.ndx");
    const TdvIndexCapabilities ndxCan = TdvIndexFormats::Capabilities(".NDX");
    struct Case {
        const char* option;
        bool kept;
    } cases[] = {{"--descending", ndxCan.descending}, {"--for 'N > 1'", ndxCan.forCondition}, {"--unique", ndxCan.unique}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        std::string err;
        Result r = Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --key N " + c.option, &err);
        if (c.kept) {
            EXPECT_EQ(r.status, 0) << err;
        } else {
            EXPECT_EQ(r.status, 2);
            EXPECT_NE(err.find("NDX index cannot keep"), std::string::npos) << err;
        }
    }
    ASSERT_TRUE(ndxCan.unique);  // an NDX header has a unique flag: the last build above kept one entry per key
    EXPECT_EQ(Lines(Ordane("keys " + Quote(ndx) + " --table " + Quote(table)).out).size(), 2u);
    EXPECT_EQ(Ordane("verify " + Quote(table) + " --index " + Quote(ndx)).status, 0);
}

// An index file whose format the tool does not read is named as such, not as a missing file; once a format is
// registered, its files open through the registry.
TEST(OrdaneOptions, UnreadIndexFormatsAreNamed) {
    TempDir dir;
    const std::string table = MakeNames(dir);
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(dir.File("n.ndx")) + " --key NAME").status, 0);
    for (const char* extension : {".cdx", ".ntx", ".mdx"}) {
        SCOPED_TRACE(extension);
        const std::string file = dir.File(std::string("n") + extension);
        std::ifstream(dir.File("n.ndx"), std::ios::binary) >> std::ofstream(file, std::ios::binary).rdbuf();
        std::string err;
        Result r = Ordane("dump " + Quote(table) + " --index " + Quote(file), &err);
        if (TdvIndexFormats::Find(extension)) {
            EXPECT_EQ(err.find("not supported"), std::string::npos) << err;
        } else {
            EXPECT_EQ(r.status, 1);
            std::string upper = extension;
            for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            EXPECT_EQ(err, "ordane: index format not supported: " + upper + "\n");
        }
    }
}

// Engine errors carry the tool's prefix and the path as typed, on one line.
TEST(OrdaneOptions, EngineErrorsShowThePathAsTyped) {
    TempDir dir;
    const std::string table = MakeNames(dir);
    std::string err;
    EXPECT_EQ(Ordane("info " + Quote(dir.File("Missing.dbf")), &err).status, 1);
    EXPECT_EQ(err, "ordane: File not found - " + dir.File("Missing.dbf") + "\n");
    const std::string inDir = "cd " + Quote(dir.Path()) + " && ";
    EXPECT_EQ(Ordane("info ./sub/../gone.dbf", &err, inDir).status, 1);
    EXPECT_EQ(err, "ordane: File not found - ./sub/../gone.dbf\n");
    EXPECT_EQ(Ordane("dump names.dbf --index nope.ndx", &err, inDir).status, 1);
    EXPECT_EQ(err, "ordane: File not found - nope.ndx\n");
    std::ofstream(dir.File("bad.ndx")) << "not an index";
    EXPECT_EQ(Ordane("dump names.dbf --index bad.ndx", &err, inDir).status, 1);
    EXPECT_EQ(err.rfind("ordane: ", 0), 0u) << err;
    EXPECT_NE(err.find(" bad.ndx>"), std::string::npos) << err;
    EXPECT_EQ(err.find('\r'), std::string::npos) << err;
}

// A password comes from the option, a file or the environment; create encrypts; rekey changes or removes the key
// and keeps the named indexes readable.
TEST(OrdaneOptions, PasswordsEncryptCreateAndRekey) {
    TempDir dir;
    std::ofstream(dir.File("pw")) << "s3cret\n";
    const std::string fromFile = "--password-file " + Quote(dir.File("pw"));
    const std::string table = MakeNames(dir, fromFile), ndx = dir.File("by_name.ndx");
    std::string err;
    Result info = Ordane("info " + Quote(table) + " " + fromFile, &err);
    ASSERT_EQ(info.status, 0) << err;
    EXPECT_EQ(Json::parse(info.out)["encrypted"], true);
    EXPECT_EQ(Ordane("dump " + Quote(table), &err).status, 1);
    EXPECT_NE(err.find("No Password"), std::string::npos) << err;
    EXPECT_EQ(Lines(Ordane("dump " + Quote(table) + " --password s3cret").out).size(), 3u);
    EXPECT_EQ(Lines(Ordane("dump " + Quote(table), nullptr, "ORDANE_PASSWORD=s3cret ").out).size(), 3u);
    EXPECT_EQ(Ordane("dump " + Quote(table) + " --password s3cret " + fromFile, &err).status, 2);
    EXPECT_EQ(Ordane("dump " + Quote(table) + " --password-file " + Quote(dir.File("none")), &err).status, 2);
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --key NAME " + fromFile).status, 0);

    // A new key from the environment; the index follows.
    ASSERT_EQ(Ordane("rekey " + Quote(table) + " --index " + Quote(ndx) + " " + fromFile, &err,
                     "ORDANE_NEW_PASSWORD=other ").status,
              0) << err;
    EXPECT_EQ(Ordane("dump " + Quote(table) + " " + fromFile, &err).status, 1);
    Result ordered = Ordane("dump " + Quote(table) + " --password other --index " + Quote(ndx) + " --tag by_name", &err);
    ASSERT_EQ(ordered.status, 0) << err;
    EXPECT_EQ(Lines(ordered.out).at(0)["fields"]["NAME"], "apple");
    EXPECT_EQ(Ordane("verify " + Quote(table) + " --password other --index " + Quote(ndx)).status, 0);

    // No new key: plain again.
    ASSERT_EQ(Ordane("rekey " + Quote(table) + " --password other --index " + Quote(ndx), &err).status, 0) << err;
    EXPECT_EQ(Json::parse(Ordane("info " + Quote(table)).out)["encrypted"], false);
    EXPECT_EQ(Ordane("verify " + Quote(table) + " --index " + Quote(ndx)).status, 0);
}

TEST(OrdaneOptions, HelpGivesExitCodesAndExamples) {
    Result help = Ordane("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"Exit codes: 0 success; 1 ", "2 a usage error", "3 verify found a problem", "Examples:",
                             "ordane index ", "ORDANE_PASSWORD", "--password-file"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
}

}  // namespace

namespace {

// Verify compares each record's key with the tag's entries: a record changed behind the index's back shows as a
// record missing at its key and an entry holding a key its record does not give.
TEST(OrdaneVerify, FindsEntriesThatNoLongerMatchTheirRecords) {
    TempDir dir;
    const std::string table = MakeNames(dir), ndx = dir.File("by_name.ndx"), unique = dir.File("n.ndx");
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(ndx) + " --key NAME").status, 0);
    ASSERT_EQ(Ordane("index " + Quote(table) + " --create " + Quote(unique) + " --key N --unique").status, 0);
    Result sound = Ordane("verify " + Quote(table) + " --index " + Quote(ndx) + " --index " + Quote(unique));
    EXPECT_EQ(sound.status, 0) << sound.out;

    const Json info = Json::parse(Ordane("info " + Quote(table)).out);
    std::vector<uint8_t> bytes = ReadFileBytes(table);
    const size_t second = info["header_length"].get<size_t>() + info["record_length"].get<size_t>() + 1;
    bytes[second] = 'z';  // "apple" becomes "zpple"
    WriteFileBytes(table, bytes);
    Result stale = Ordane("verify " + Quote(table) + " --index " + Quote(ndx));
    EXPECT_EQ(stale.status, 3);
    const Json problems = Lines(stale.out).at(0)["problems"];
    EXPECT_EQ(problems, Json::parse(R"(["the entry of record 2 holds a key the record does not give",
                                       "record 2 is not found at its key"])"))
        << stale.out;
    EXPECT_EQ(Ordane("verify " + Quote(table) + " --index " + Quote(unique)).status, 0);
}

}  // namespace
