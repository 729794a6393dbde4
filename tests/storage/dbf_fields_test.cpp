// Typed field access: number formatting and overflow, display forms, logical and date parsing, the record-wide
// operations, the 0x30 binary types, and refusal of bad input.
#include "engine/storage/dbf_fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "engine/storage/crypt.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"
#include "framework/base/exception.h"
#include "framework/base/variant.h"
#include "temp_dir.h"

namespace {

// (code, subcode) of the EOrdaneError the call raises; (0, 0) when it raises none.
std::pair<int, int> Raised(const std::function<void()>& call, std::string* message = nullptr) {
    try {
        call();
    } catch (const EOrdaneError& e) {
        if (message) *message = e.what();
        return {e.Code(), e.SubCode()};
    }
    return {0, 0};
}

// The table with its protected state in reach: the changed flags and a count of record writes.
class Probe : public DVO_dBaseFld {
public:
    using DVO_dBaseFld::DVO_dBaseFld;
    bool TableEvent(int event, int32_t value) override {
        if (event == tblevent::kBeforeWrite) ++writes;
        return DVO_dBaseFld::TableEvent(event, value);
    }
    std::string Flags() const {
        std::string s;
        for (uint8_t f : fieldChanged_) s += f ? '1' : '0';
        return s;
    }
    std::string Bytes(int32_t n) const {
        return std::string(reinterpret_cast<const char*>(RecordBuffer()) + Fields()[n - 1].offset,
                           Fields()[n - 1].length);
    }
    int writes = 0;
};

class FieldsTest : public ::testing::Test {
protected:
    // 1 NAME C10, 2 AMOUNT N8.2, 3 SMALL N5.1, 4 WHEN D, 5 OK L, 6 RATE F9.3, 7 COUNT N4
    std::string MakeDb3(int records = 1) {
        std::string name = dir.File("t.dbf");
        CreateTable(name, 0x03,
                    {{"NAME", 'C', 10}, {"AMOUNT", 'N', 8, 2}, {"SMALL", 'N', 5, 1}, {"WHEN", 'D'}, {"OK", 'L'},
                     {"RATE", 'F', 9, 3}, {"COUNT", 'N', 4}});
        DVO_dBaseFld t(name, "", true, false);
        for (int i = 0; i < records; ++i) {
            t.BlankRecord();
            t.AppendRecord();
        }
        return name;
    }
    // 1 ID I, 2 STAMP T, 3 PRICE Y, 4 RATE B, 5 NOTES M, 6 PIC G, 7 QTY N7.2
    std::string MakeVfp() {
        std::string name = dir.File("v.dbf");
        CreateTable(name, 0x30,
                    {{"ID", 'I'}, {"STAMP", 'T'}, {"PRICE", 'Y'}, {"RATE", 'B'}, {"NOTES", 'M'}, {"PIC", 'G'},
                     {"QTY", 'N', 7, 2}});
        DVO_dBaseFld t(name, "", true, false);
        t.BlankRecord();
        t.AppendRecord();
        return name;
    }
    TempDir dir;
};

TEST_F(FieldsTest, NumberPutFormatsRoundsAndRefusesWhatDoesNotFit) {
    Probe t(MakeDb3(), "", true, false);
    t.GetRecord(1);
    struct Case {
        int32_t field;
        long double value;
        const char* stored;  // nullptr: error 1011, field unchanged
    } cases[] = {
        {2, 12345.678L, "12345.68"}, {2, -12.5L, "  -12.50"},  {2, 0.005L, "    0.01"}, {2, -0.004L, "    0.00"},
        {2, 99999.995L, nullptr},    {2, 1234567.5L, nullptr}, {2, -9999.99L, "-9999.99"}, {7, 2.5L, "   3"},
        {7, -2.5L, "  -3"},          {7, 10000, nullptr},      {3, 0.05L, "  0.1"},      {6, 1.0005L, "    1.001"},
        {2, std::numeric_limits<long double>::infinity(), nullptr}, {2, std::nanl(""), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.value));
        ASSERT_TRUE(t.FieldPut(c.field, "before"));
        const std::string before = t.Bytes(c.field);
        std::string message;
        const auto error = Raised([&] { t.NumberPut(c.field, c.value); }, &message);
        if (c.stored) {
            EXPECT_EQ(error.first, 0) << message;
            EXPECT_EQ(t.Bytes(c.field), c.stored);
        } else {
            EXPECT_EQ(error, std::make_pair(errcode::kNumberTooLarge, subcode::kNumberAssign));
            EXPECT_EQ(t.Bytes(c.field), before) << "the field is left unchanged";
        }
    }
    std::string message;
    Raised([&] { t.NumberPut(2, 1234567.5L); }, &message);
    EXPECT_EQ(message, "Number too large to fit in field - AMOUNT - 1234567.50");
}

TEST_F(FieldsTest, NumberGetReadsTextAndReportsGarbage) {
    Probe t(MakeDb3(), "", true, false);
    t.GetRecord(1);
    struct Case {
        const char* raw;
        long double value;
        bool error;
    } cases[] = {
        {"  123.45", 123.45L, false}, {"        ", 0, false}, {"-1.5    ", -1.5L, false}, {"1e3", 1000, false},
        {"12,50   ", 0, true},        {"**.**", 0, true},     {"  1-2", 0, true},
    };
    for (const Case& c : cases) {
        t.FieldPut(2, c.raw);
        std::string message;
        long double got = -1;
        const auto error = Raised([&] { got = t.NumberGet(2); }, &message);
        if (c.error) {
            EXPECT_EQ(error, std::make_pair(errcode::kBadFieldType, subcode::kNone)) << c.raw;
            // The stored text without its trailing blanks; the field right-aligns what FieldPut gave it.
            std::string shown(c.raw);
            shown.erase(shown.find_last_not_of(' ') + 1);
            shown.insert(0, 8 - std::min<size_t>(8, std::string(c.raw).size()), ' ');
            EXPECT_EQ(message, "dBase field is of incorrect type - Invalid number in field T->AMOUNT (" + shown + ")");
        } else {
            EXPECT_EQ(error.first, 0) << message;
            EXPECT_EQ(got, c.value) << c.raw;
        }
    }
    std::memset(t.RecordBuffer() + t.FieldOffset(2), 0, 8);  // NUL padding reads as an empty field
    EXPECT_EQ(t.NumberGet(2), 0);
}

TEST_F(FieldsTest, DisplayTextByType) {
    Probe t(MakeDb3(), "", true, false);
    t.GetRecord(1);
    struct Case {
        int32_t field;
        std::string raw;
        const char* shown;
    } cases[] = {
        {2, "        ", "0.00"}, {2, "   -1.50", "-1.50"}, {3, "     ", "0.0"},      {7, "    ", "0"},
        {6, "         ", "0.000"}, {5, " ", "F"},        {5, "Y", "T"},          {5, "j", "T"},
        {5, "N", "F"},       {5, "?", "F"},              {1, "  ab  ", "  ab"},  {1, std::string("ab\0cd", 5), "ab"},
    };
    for (const Case& c : cases) {
        t.FieldPut(c.field, c.raw);
        EXPECT_EQ(t.StringGet(c.field), c.shown) << "'" << c.raw << "'";
    }
    EXPECT_TRUE([&] { t.FieldPut(5, "Y"); return t.LogicGet(5); }());
    EXPECT_FALSE([&] { t.FieldPut(5, " "); return t.LogicGet(5); }());
}

TEST_F(FieldsTest, StringPutParsesByType) {
    Probe t(MakeDb3(), "", true, false);
    t.GetRecord(1);
    struct Case {
        int32_t field;
        const char* text;
        const char* stored;  // nullptr: an error
        int32_t failure;     // the subcode of the error
    } cases[] = {
        {5, "2", "T", 0},     {5, "0", "F", 0},         {5, "yes", "T", 0},  {5, "n", "F", 0},
        {5, "", "F", 0},      {5, "x", nullptr, subcode::kLogicAssign},  {5, " ", nullptr, subcode::kLogicAssign},
        {2, "12.345  ", "   12.35", 0}, {2, "", "    0.00", 0}, {2, "abc", nullptr, subcode::kNumberAssign},
        {4, "19991231", "19991231", 0}, {4, "", "        ", 0}, {4, "20011399", nullptr, subcode::kDateAssign},
        {6, "1.5", "      1.5", 0},  {1, "TOO LONG FOR IT", "TOO LONG F", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        t.FieldPut(c.field, "");
        const auto error = Raised([&] { t.StringPut(c.field, c.text); });
        if (c.stored) {
            EXPECT_EQ(error.first, 0);
            EXPECT_EQ(t.Bytes(c.field), c.stored);
        } else {
            EXPECT_EQ(error, std::make_pair(errcode::kBadFieldType, c.failure));
        }
    }
}

TEST_F(FieldsTest, DatesReadAndWriteByTheStorageRules) {
    Probe t(MakeDb3(), "", true, false);
    t.GetRecord(1);
    struct Case {
        const char* raw;
        int32_t day;
    } cases[] = {{"20010229", 2415019}, {"00000000", 0}, {"        ", 0}, {"19991231", 2451544}};
    for (const Case& c : cases) {
        t.FieldPut(4, c.raw);
        EXPECT_EQ(t.DateGet(4), c.day) << c.raw;
    }
    t.FieldPut(4, "1999XX31");
    std::string message;
    EXPECT_EQ(Raised([&] { t.DateGet(4); }, &message), std::make_pair(errcode::kBadFieldType, subcode::kNone));
    EXPECT_EQ(message, "dBase field is of incorrect type - Invalid date in field T->WHEN (1999XX31)");

    EXPECT_TRUE(t.DatePut(4, 0));
    EXPECT_EQ(t.Bytes(4), "        ");
    EXPECT_TRUE(t.DatePut(4, 2451544));
    EXPECT_EQ(t.Bytes(4), "19991231");
    EXPECT_EQ(Raised([&] { t.DatePut(4, -1); }), std::make_pair(errcode::kBadFieldType, subcode::kDateAssign));
    EXPECT_EQ(Raised([&] { t.DatePut(4, TdvDBFDate::kLastDay + 1); }),
              std::make_pair(errcode::kBadFieldType, subcode::kDateAssign));
    EXPECT_EQ(t.Bytes(4), "19991231") << "a refused day leaves the field";
    EXPECT_FALSE(t.DatePut(1, 2451544)) << "not a date field";
}

TEST_F(FieldsTest, FieldLookupByName) {
    Probe t(MakeDb3(), "", false, true);
    EXPECT_EQ(t.FieldByName("amount").number, 2);
    EXPECT_EQ(t.FieldByName("AMOUNT  ").number, 2);
    EXPECT_EQ(t.FieldNumber("Ok"), 5);
    EXPECT_EQ(t.FieldNumber("NOPE"), 0);
    EXPECT_EQ(t.FieldNumber("AMOUNTAMOUNTAMOUNT"), 0) << "longer than any field name";
    EXPECT_EQ(t.FieldNumber(""), 0);
    std::string message;
    EXPECT_EQ(Raised([&] { t.FieldByName("NOPE"); }, &message),
              std::make_pair(errcode::kBadFieldName, subcode::kFieldLookup));
    EXPECT_EQ(message, "dBase field name is invalid - " + t.Name() + "->NOPE");
    EXPECT_EQ(Raised([&] { t.DateGetN("AMOUNT"); }, &message),
              std::make_pair(errcode::kBadFieldType, subcode::kFieldType));
    EXPECT_EQ(message, "dBase field is of incorrect type - AMOUNT");
    EXPECT_EQ(Raised([&] { t.LogicPutN("NAME", true); }).first, errcode::kBadFieldType);
    EXPECT_EQ(Raised([&] { t.NumberGetN("WHEN"); }).first, errcode::kBadFieldType);
    EXPECT_EQ(t.StringGetN("amount"), "0.00");
    EXPECT_EQ(t.CurrentField()->name, "AMOUNT");
}

TEST_F(FieldsTest, FieldNumbersOutsideTheTableFailQuietly) {
    Probe t(MakeDb3(), "", true, false);
    t.GetRecord(1);
    for (int32_t n : {0, -1, 8, 1000}) {
        EXPECT_EQ(t.FieldGet(n), "");
        EXPECT_EQ(t.StringGet(n), "");
        EXPECT_EQ(t.NumberGet(n), 0);
        EXPECT_EQ(t.DateGet(n), 0);
        EXPECT_FALSE(t.LogicGet(n));
        EXPECT_FALSE(t.FieldPut(n, "x"));
        EXPECT_FALSE(t.StringPut(n, "x"));
        EXPECT_FALSE(t.NumberPut(n, 1));
        EXPECT_FALSE(t.DatePut(n, 2451544));
        EXPECT_FALSE(t.LogicPut(n, true));
        EXPECT_EQ(t.FieldType(n), '\0');
        EXPECT_EQ(t.FieldLength(n), 0);
        EXPECT_EQ(t.FieldName(n), "");
        EXPECT_EQ(t.MemoFile(n), nullptr);
        EXPECT_EQ(t.MemoSize(n), 0);
    }
    EXPECT_EQ(t.Flags(), "00000000");
}

TEST_F(FieldsTest, BlankRecordAndChangedFlags) {
    Probe t(MakeDb3(2), "", true, false);
    t.GetRecord(1);
    EXPECT_EQ(t.Flags(), "00000000");
    t.StringPut(1, "X");
    EXPECT_EQ(t.Flags(), "01000000");
    t.GetRecord(2);
    EXPECT_EQ(t.Flags(), "00000000") << "every read clears the flags";
    EXPECT_TRUE(t.BlankRecord());
    EXPECT_EQ(t.Flags(), "11111111");
    EXPECT_EQ(t.Bytes(3), "  0.0");
    EXPECT_EQ(t.Bytes(2), "    0.00");
    EXPECT_EQ(t.Bytes(6), "    0.000");
    EXPECT_EQ(t.Bytes(4), "        ");
    EXPECT_EQ(t.RecordBuffer()[0], ' ');
    EXPECT_EQ(t.RecordBuffer()[t.RecordLength()], 0x1A) << "the end mark byte is kept";
}

TEST_F(FieldsTest, DeleteRewritesOnlyWhenItChangesAndRecallAlways) {
    auto t = std::make_unique<Probe>(MakeDb3(1), "", true, false);
    t->GetRecord(1);
    t->DeleteRecord();
    EXPECT_EQ(t->writes, 1);
    EXPECT_TRUE(t->IsDeleted());
    EXPECT_EQ(t->Flags().front(), '1');
    t->DeleteRecord();
    EXPECT_EQ(t->writes, 1) << "an already deleted record is not rewritten";
    t->UndeleteRecord();
    t->UndeleteRecord();
    EXPECT_EQ(t->writes, 3) << "a recall always rewrites";
    t->GetRecord(1);
    EXPECT_FALSE(t->IsDeleted());
    EXPECT_EQ(t->RecordCount(), 1);

    t.reset();
    Probe fresh(dir.File("t.dbf"), "", true, false);  // nothing read yet: no record to mark
    EXPECT_EQ(Raised([&] { fresh.DeleteRecord(); }).first, errcode::kBeyondEof);
    EXPECT_EQ(Raised([&] { fresh.UndeleteRecord(); }).first, errcode::kBeyondEof);
    EXPECT_EQ(fresh.writes, 0);
    EXPECT_EQ(fresh.RecordCount(), 1) << "no stray record appended";
}

TEST_F(FieldsTest, PutFieldsFromValues) {
    Probe t(MakeDb3(), "", true, false);
    t.GetRecord(1);
    t.StringPut(1, "OWN");
    std::vector<uint8_t> other(static_cast<size_t>(t.RecordLength()) + 1, 'z');
    t.PutFieldsFromValues(other.data(), " NAME ; AMOUNT;OK;WHEN",
                          Variant(Variant::Array{Variant("abc"), Variant(12.5), Variant(true), Variant()}));
    const std::string record(other.begin() + 1, other.end() - 1);
    EXPECT_EQ(record.substr(0, 10), "abc       ");
    EXPECT_EQ(record.substr(10, 8), "   12.50");
    EXPECT_EQ(record.substr(18, 5), "  0.0") << "blanked first";
    EXPECT_EQ(record.substr(23, 8), "        ");
    EXPECT_EQ(record.substr(31, 1), "T");
    EXPECT_EQ(t.StringGet(1), "OWN") << "the own buffer is in use again";

    other.assign(other.size(), 'z');
    t.PutFieldsFromValues(other.data(), "AMOUNT;NAME", Variant(3));  // one value: the first name only
    EXPECT_EQ(std::string(other.begin() + 1, other.begin() + 19), std::string(10, ' ') + "    3.00");
    other.assign(other.size(), 'z');
    EXPECT_EQ(Raised([&] { t.PutFieldsFromValues(other.data(), "AMOUNT;NOPE", Variant::Array{1, 2}); }).first,
              1003);
    EXPECT_EQ(t.StringGet(1), "OWN") << "restored after an error too";

    other.assign(other.size(), 'z');
    EXPECT_THROW(t.PutFieldsFromValues(other.data(), "NAME;AMOUNT;OK", Variant(Variant::Array{Variant("a")})),
                 ERangeError);
    EXPECT_EQ(other[1], 'z') << "a short values array is refused before anything is written";

    other.assign(other.size(), 'z');
    t.PutFieldsFromValues(other.data(), "OK", Variant(Variant::Array{Variant("T")}));
    EXPECT_EQ(other[32], 'T') << "a list of one single-character name is assigned";
}

TEST_F(FieldsTest, VfpBinaryTypesRoundTrip) {
    Probe t(MakeVfp(), "", true, false);
    t.GetRecord(1);
    EXPECT_EQ(t.Bytes(1), std::string(4, '\0'));
    EXPECT_EQ(t.Bytes(2), std::string(8, '\0')) << "a blank date-time is zero bytes";
    EXPECT_EQ(t.NumberGet(2), 0);
    EXPECT_EQ(t.StringGet(7), "0.00");

    struct Case {
        int32_t field;
        long double value;
        const char* hex;  // nullptr: error 1011
    } cases[] = {
        {1, -2, "feffffff"},           {1, 2147483647.9L, "ffffff7f"}, {1, 2147483648.0L, nullptr},
        {1, -2147483649.0L, nullptr},  {1, std::nanl(""), nullptr},    {3, -1.5L, "68c5ffffffffffff"},
        {3, -79900298.0143L, "d110b6f745ffffff"}, {3, 1e15L, nullptr}, {3, 1e14L, "000064a7b3b6e00d"},
        {4, 0.5L, "000000000000e03f"}, {4, 1e400L, nullptr},           {5, 7, "07000000"},
        {2, (2449310.0L - 1721425) * 86400000 + 71165000, "9e5f250048e43d04"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.value));
        t.FieldPut(c.field, "");
        const std::string before = t.Bytes(c.field);
        const auto error = Raised([&] { t.NumberPut(c.field, c.value); });
        std::string hex;
        for (unsigned char b : t.Bytes(c.field)) {
            char h[3];
            std::snprintf(h, sizeof h, "%02x", b);
            hex += h;
        }
        if (c.hex) {
            EXPECT_EQ(error.first, 0);
            EXPECT_EQ(hex, c.hex);
        } else {
            EXPECT_EQ(error, std::make_pair(errcode::kNumberTooLarge, subcode::kNumberAssign));
            EXPECT_EQ(t.Bytes(c.field), before);
        }
    }
    t.NumberPut(3, -1.5L);
    EXPECT_EQ(t.NumberGet(3), -1.5L);
    EXPECT_EQ(t.StringGet(3), "-1.5000");
    t.NumberPut(1, -2);
    EXPECT_EQ(t.StringGet(1), "-2");
    EXPECT_EQ(t.NumberGetN("PRICE"), -1.5L);
    t.StringPut(1, "42");
    EXPECT_EQ(t.NumberGet(1), 42) << "text into an integer field is stored as the integer";
    t.StringPut(2, "19931118 19:46:05");
    EXPECT_EQ(t.DateGet(2), 2449310);
    EXPECT_EQ(t.NumberGet(2), (2449310.0L - 1721425) * 86400000 + 71165000);
    t.NumberPut(5, 0);
    EXPECT_EQ(t.StringGet(5), "---memo---");
    t.NumberPut(5, 3);
    EXPECT_EQ(t.StringGet(5), "---MEMO---");
    std::memset(t.RecordBuffer() + t.FieldOffset(1), ' ', 4);
    EXPECT_EQ(t.NumberGet(1), 0) << "four blanks read as 0";
}

TEST_F(FieldsTest, BinaryTypesInAnotherVersionAreText) {
    std::string name = dir.File("i.dbf");
    CreateTable(name, 0x03, {{"N", 'N', 4}, {"M", 'C', 10}});
    {
        DVO_dBaseFld t(name, "", true, false);
        t.FieldPut(1, "  12");
        t.FieldPut(2, "5");
        t.AppendRecord();
    }
    std::vector<uint8_t> bytes = ReadFileBytes(name);
    bytes[32 + 11] = 'I';  // the 4-character numeric field now claims the 0x30 integer type
    bytes[64 + 11] = 'M';  // and the character field the memo type, in a table without a memo file
    WriteFileBytes(name, bytes);
    Probe t(name, "", true, false);
    t.GetRecord(1);
    EXPECT_EQ(t.NumberGet(1), 12) << "read as text";
    EXPECT_EQ(Raised([&] { t.NumberPut(1, 3); }), std::make_pair(errcode::kBadFieldType, subcode::kFieldType));
    EXPECT_EQ(t.Bytes(1), "  12");
    EXPECT_EQ(t.StringGet(2), "---MEMO---");
    EXPECT_EQ(t.MemoFile(2), nullptr);
    std::string message;
    EXPECT_EQ(Raised([&] { t.MemoSize(2); }, &message), std::make_pair(errcode::kBadFieldType, subcode::kMemoOpen));
    EXPECT_NE(message.find("->M"), std::string::npos) << message;
    EXPECT_EQ(Raised([&] { t.MemoWrite(2, "abc", 3); }).first, errcode::kBadFieldType);
    char buffer[8];
    EXPECT_EQ(Raised([&] { t.MemoRead(2, buffer, 8); }).first, errcode::kBadFieldType);
    t.FieldPut(2, "");
    EXPECT_EQ(t.MemoSize(2), 0) << "no memo: nothing to ask the memo file";
}

TEST_F(FieldsTest, EncryptedTablePasswordIsTestedByTheDescriptors) {
    std::string name = dir.File("e.dbf");
    CreateTable(name, 0x03, {{"NAME", 'C', 10}, {"AMOUNT", 'N', 8, 2}});
    std::vector<uint8_t> bytes = ReadFileBytes(name);
    const int headerLength = bytes[8] | (bytes[9] << 8);
    bytes[15] = 1;
    CryptBuffer("secret", &bytes[32], &bytes[32], headerLength - 33, 1);
    WriteFileBytes(name, bytes);
    std::string stored;
    {
        DVO_dBaseFld t(name, "secret", false, true);
        EXPECT_EQ(t.FieldCount(), 2);
        EXPECT_EQ(t.FieldName(2), "AMOUNT");
        stored = t.Name();
    }
    try {
        DVO_dBaseFld t(name, "xyzzy", false, true);
        FAIL() << "a wrong password opened the table";
    } catch (const EOrdaneEncryption& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid Password for encrypted file " + stored);
    }
}

// A link that records what the table gives it, for the seam between storage and the expression engine.
std::vector<std::string>* gLinkLog = nullptr;
class RecordingLink : public TdvExpressionLink {
public:
    explicit RecordingLink(DVO_dBaseFld* table) : table_(table) { gLinkLog->push_back("new"); }
    ~RecordingLink() override { gLinkLog->push_back("gone with " + std::to_string(table_->FieldCount())); }
    void AddTableFunction(const std::string& name) override { gLinkLog->push_back(name); }
    void AddFieldVariable(int32_t n) override { gLinkLog->push_back(table_->FieldName(n)); }

private:
    DVO_dBaseFld* table_;
};

TEST_F(FieldsTest, ExpressionLinkIsBuiltThroughTheInstalledFactory) {
    std::string name = MakeDb3(0);
    std::vector<std::string> log;
    gLinkLog = &log;
    SetExpressionLinkFactory([](DVO_dBaseFld* table) -> std::unique_ptr<TdvExpressionLink> {
        return std::make_unique<RecordingLink>(table);
    });
    {
        DVO_dBaseFld t(name, "", false, true);
        EXPECT_NE(t.ExpressionLink(), nullptr);
    }
    SetExpressionLinkFactory(nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"new", "RECNO", "DELETED", "BOF", "EOF", "TYPE", "LEN", "FIELDNO",
                                             "NAME", "AMOUNT", "SMALL", "WHEN", "OK", "RATE", "COUNT",
                                             "gone with 7"}));
    DVO_dBaseFld plain(name, "", false, true);
    EXPECT_EQ(plain.ExpressionLink(), nullptr);
    EXPECT_EQ(plain.UserFunctionHook("FIND", "FOO", nullptr, nullptr, nullptr), -1);
}

}  // namespace
