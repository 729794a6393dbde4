// Tables written by other programs read, field by field, the values those programs meant: the peer fixtures
// against their expected.json, the real sample tables against the independent reader dbfread, and tables this
// engine writes read back in dbfread as written.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "engine/storage/dbf_create.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/dbf_fields.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Value {
    std::string field, kind, payload;
};
struct Record {
    int32_t number = 0;
    bool deleted = false;
    std::vector<Value> values;
};
struct Table {
    std::string path;
    int codePage = 0;
    std::string skipped;
    std::vector<Record> records;
};

bool OracleAvailable() { return fs::exists(VELMORA_ORACLE_PYTHON); }

std::vector<Table> RunFieldValues(const std::string& arguments) {
    int status = 0;
    const std::string out = RunCommand(std::string("'") + VELMORA_ORACLE_PYTHON + "' '" + VELMORA_TESTS_DIR +
                                           "/tools/field_values.py' " + arguments,
                                       &status);
    EXPECT_EQ(status, 0) << out;
    std::vector<Table> tables;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "TABLE") {
            tables.emplace_back();
            words >> tables.back().path >> tables.back().codePage;
        } else if (kind == "SKIP") {
            tables.back().skipped = line;
        } else if (kind == "REC") {
            Record r;
            int deleted = 0;
            words >> r.number >> deleted;
            r.deleted = deleted != 0;
            tables.back().records.push_back(r);
        } else if (kind == "V") {
            Value v;
            std::string hexName;
            words >> hexName >> v.kind >> v.payload;
            for (size_t i = 0; i + 1 < hexName.size(); i += 2)
                v.field += static_cast<char>(std::stoi(hexName.substr(i, 2), nullptr, 16));
            tables.back().records.back().values.push_back(v);
        }
    }
    return tables;
}

std::string Hex(std::string_view bytes) {
    if (bytes.empty()) return "-";
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

std::string MemoMarker(char type, bool present) {
    const std::string upper = type == 'B' ? "--BINARY--" : type == 'G' ? "-GENERAL--" : "---MEMO---";
    return present ? upper : os::LowerCase(upper);
}

// Compares the current record of t with the values the other reader decoded; returns the number compared.
int CheckRecord(DVO_dBaseFld& t, const Table& table, const Record& expected) {
    int compared = 0;
    for (const Value& v : expected.values) {
        SCOPED_TRACE(table.path + " record " + std::to_string(t.CurrentRecord()) + " field " + v.field);
        const int32_t n = t.FieldNumber(v.field);
        if (n <= 0) {
            ADD_FAILURE() << "no such field";
            continue;
        }
        ++compared;
        if (v.kind == "S") {
            const std::string text = t.StringGet(n);
            EXPECT_EQ(Hex(table.codePage ? os::ToUtf8(text, table.codePage) : text), v.payload) << text;
        } else if (v.kind == "N") {
            const double want = v.payload == "null" ? 0 : std::strtod(v.payload.c_str(), nullptr);
            const double got = static_cast<double>(t.NumberGet(n));
            EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want)));
        } else if (v.kind == "D") {
            EXPECT_EQ(t.DateGet(n), std::stol(v.payload));
        } else if (v.kind == "L") {
            EXPECT_EQ(t.LogicGet(n), v.payload == "1") << "a blank or '?' logical reads as false";
        } else if (v.kind == "I") {
            EXPECT_EQ(t.NumberGet(n), std::stoll(v.payload));
        } else if (v.kind == "Y") {
            EXPECT_EQ(std::llround(t.NumberGet(n) * 10000), std::stoll(v.payload));
        } else if (v.kind == "T") {
            if (v.payload == "null") continue;
            const size_t colon = v.payload.find(':');
            const long double day = std::stold(v.payload.substr(0, colon));
            const long double ms = std::stold(v.payload.substr(colon + 1));
            EXPECT_EQ(t.NumberGet(n), (day - 1721425) * 86400000 + ms);
            EXPECT_EQ(t.DateGet(n), static_cast<int32_t>(day));
        } else if (v.kind == "M") {
            EXPECT_EQ(t.StringGet(n), MemoMarker(t.FieldType(n), v.payload == "1"));
        }
    }
    return compared;
}

TEST(FieldFixtures, PeerTablesReadTheirExpectedValues) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    if (!OracleAvailable()) GTEST_SKIP() << "no interpreter at " << VELMORA_ORACLE_PYTHON;
    const std::vector<Table> tables = RunFieldValues("expected '" + FixturePath("peer") + "'");
    ASSERT_GE(tables.size(), 20u);
    int compared = 0, opened = 0;
    for (const Table& table : tables) {
        std::vector<uint8_t> head = ReadFileBytes(table.path);
        ASSERT_FALSE(head.empty()) << table.path;
        const uint8_t version = head[0];
        if (version != 0x03 && version != 0x30 && version != 0x83 && version != 0x8B && version != 0xF5) continue;
        DVO_dBaseFld t(table.path, "", false, true);
        ++opened;
        for (const Record& r : table.records) {
            t.GetRecord(r.number);
            ASSERT_EQ(t.CurrentRecord(), r.number) << table.path;
            EXPECT_EQ(t.IsDeleted(), r.deleted);
            compared += CheckRecord(t, table, r);
        }
    }
    EXPECT_GE(opened, 20);
    EXPECT_GT(compared, 10000) << "the values were compared";
}

TEST(FieldFixtures, RealTablesReadAsTheIndependentReaderDecodesThem) {
    if (!FixturesAvailable()) GTEST_SKIP() << "fixtures folder not found: " << FixturesDir();
    if (!OracleAvailable()) GTEST_SKIP() << "no interpreter at " << VELMORA_ORACLE_PYTHON;
    std::string arguments;
    for (const auto& entry : fs::recursive_directory_iterator(FixturePath("real"))) {
        if (!entry.is_regular_file() || os::UpperCase(entry.path().extension().string()) != ".DBF") continue;
        const std::vector<uint8_t> bytes = ReadFileBytes(entry.path().string());
        if (bytes.empty()) continue;
        const uint8_t version = bytes[0];
        if (version != 0x03 && version != 0x30 && version != 0x83 && version != 0x8B && version != 0xF5) continue;
        arguments += " '" + entry.path().string() + "'";
    }
    const std::vector<Table> tables = RunFieldValues("dbfread" + arguments);
    ASSERT_GE(tables.size(), 10u);
    int compared = 0;
    for (const Table& table : tables) {
        if (!table.skipped.empty()) {
            std::cout << "[ note ] the independent reader refuses " << table.path << ": " << table.skipped << "\n";
            continue;
        }
        DVO_dBaseFld t(table.path, "", false, true);
        // The reader lists live records first, then the deleted ones, each in file order; it leaves out records
        // whose deletion flag is neither a blank nor '*' (mazovia.dbf has 0x00 there).
        std::vector<int32_t> order;
        for (int pass = 0; pass < 2; ++pass) {
            for (int32_t i = 1; i <= t.RecordCount(); ++i) {
                t.GetRecord(i);
                const uint8_t flag = t.RecordBuffer()[0];
                if ((flag == ' ' || flag == '*') && t.IsDeleted() == (pass == 1)) order.push_back(i);
            }
        }
        ASSERT_EQ(order.size(), table.records.size()) << table.path;
        for (size_t k = 0; k < order.size(); ++k) {
            t.GetRecord(order[k]);
            compared += CheckRecord(t, table, table.records[k]);
        }
    }
    EXPECT_GT(compared, 10000);
}

TEST(FieldFixtures, WhatThisEngineWritesReadsBackInTheIndependentReader) {
    if (!OracleAvailable()) GTEST_SKIP() << "no interpreter at " << VELMORA_ORACLE_PYTHON;
    TempDir dir;
    const std::string plain = dir.File("W3.DBF"), vfp = dir.File("WV.DBF");
    CreateTable(plain, 0x03,
                {{"NAME", 'C', 12}, {"AMOUNT", 'N', 10, 2}, {"COUNT", 'N', 6}, {"RATE", 'F', 12, 4}, {"DAY", 'D'},
                 {"OK", 'L'}});
    CreateTable(vfp, 0x30,
                {{"ID", 'I'}, {"STAMP", 'T'}, {"PRICE", 'Y'}, {"RATE", 'B'}, {"QTY", 'N', 9, 3}, {"DAY", 'D'},
                 {"OK", 'L'}});
    struct Row {
        const char* name;
        long double amount, rate;
        int32_t count, day;
        bool ok;
        const char* text;  // StringPut into NAME when set
    } rows[] = {
        {"Alpha", 12345.678L, 0.5L, -42, 2451544, true, nullptr},
        {"", -0.125L, -1234.56789L, 0, 0, false, "  lead blank"},
        {"Zed", 0, 1e6L, 999999, TdvDBFDate::EncodeJulian(1899, 12, 30), true, nullptr},
    };
    {
        DVO_dBaseFld t(plain, "", true, false);
        for (const Row& r : rows) {
            t.BlankRecord();
            t.StringPut(1, r.text ? r.text : r.name);
            t.NumberPut(2, r.amount);
            t.NumberPut(3, r.count);
            t.NumberPut(4, r.rate);
            t.DatePut(5, r.day);
            t.LogicPut(6, r.ok);
            t.AppendRecord();
        }
    }
    struct VfpRow {
        int32_t id;
        long double stamp, price;
        double rate;
        const char* qty;  // through StringPut
        const char* day;  // through StringPut
    } vfpRows[] = {
        {-7, (2449310.0L - 1721425) * 86400000 + 71165000, -79900298.0143L, 260692.94694768754, "804.19", "19991231"},
        {2147483647, 0, 922337203685.4775L, -0.0, "-1.5", ""},
        {0, (2460000.0L - 1721425) * 86400000 + 1, 0.0001L, 1e-300, "", "20240229"},
    };
    {
        DVO_dBaseFld t(vfp, "", true, false);
        for (const VfpRow& r : vfpRows) {
            t.BlankRecord();
            t.NumberPut(1, r.id);
            t.NumberPut(2, r.stamp);
            t.NumberPut(3, r.price);
            t.NumberPut(4, r.rate);
            t.StringPut(5, r.qty);
            t.StringPut(6, r.day);
            t.LogicPut(7, true);
            t.AppendRecord();
        }
    }
    const std::vector<Table> tables = RunFieldValues("dbfread '" + plain + "' '" + vfp + "'");
    ASSERT_EQ(tables.size(), 2u);
    for (const Table& table : tables) ASSERT_TRUE(table.skipped.empty()) << table.skipped;

    auto find = [](const Record& r, const std::string& field) {
        for (const Value& v : r.values)
            if (v.field == field) return v;
        return Value{field, "?", "missing"};
    };
    ASSERT_EQ(tables[0].records.size(), 3u);
    const double amounts[] = {12345.68, -0.13, 0};
    for (size_t i = 0; i < 3; ++i) {
        const Row& r = rows[i];
        const Record& got = tables[0].records[i];
        SCOPED_TRACE("plain row " + std::to_string(i));
        EXPECT_EQ(find(got, "NAME").payload, Hex(r.text ? std::string_view(r.text) : std::string_view(r.name)));
        EXPECT_EQ(std::stod(find(got, "AMOUNT").payload), amounts[i]) << "rounded to the field's decimals";
        EXPECT_EQ(std::stod(find(got, "COUNT").payload), r.count);
        EXPECT_NEAR(std::stod(find(got, "RATE").payload), static_cast<double>(r.rate), 1e-4);
        EXPECT_EQ(std::stol(find(got, "DAY").payload), r.day);
        EXPECT_EQ(find(got, "OK").payload, r.ok ? "1" : "0");
    }
    ASSERT_EQ(tables[1].records.size(), 3u);
    const char* days[] = {"2451544", "0", "2460370"};
    const char* qty[] = {"804.19", "-1.5", "0.0"};
    for (size_t i = 0; i < 3; ++i) {
        const VfpRow& r = vfpRows[i];
        const Record& got = tables[1].records[i];
        SCOPED_TRACE("vfp row " + std::to_string(i));
        EXPECT_EQ(std::stoll(find(got, "ID").payload), r.id);
        const std::string stamp = find(got, "STAMP").payload;
        if (r.stamp == 0) {
            EXPECT_EQ(stamp, "null") << "zero is the empty date-time";
        } else {
            const long long day = std::llround(std::floor(r.stamp / 86400000)) + 1721425;
            const long long ms = std::llround(r.stamp - std::floor(r.stamp / 86400000) * 86400000);
            EXPECT_EQ(stamp, std::to_string(day) + ":" + std::to_string(ms));
        }
        EXPECT_EQ(std::stoll(find(got, "PRICE").payload), std::llround(r.price * 10000));
        EXPECT_EQ(std::stod(find(got, "RATE").payload), r.rate);
        EXPECT_EQ(std::stod(find(got, "QTY").payload), std::stod(qty[i]));
        EXPECT_EQ(find(got, "DAY").payload, days[i]);
        EXPECT_EQ(find(got, "OK").payload, "1");
    }
}

}  // namespace
