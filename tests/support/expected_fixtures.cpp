#include "expected_fixtures.h"

#include <sstream>

#include "temp_dir.h"

std::string RunOracleScript(const std::string& script, const std::string& argument, int* status) {
    return RunCommand(std::string("'") + VELMORA_ORACLE_PYTHON + "' '" + VELMORA_TESTS_DIR + "/tools/" + script +
                          "' '" + argument + "'",
                      status);
}

std::string Hex(const void* data, size_t n) {
    static const char* digits = "0123456789abcdef";
    const auto* p = static_cast<const uint8_t*>(data);
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::vector<ExpectedTable> LoadExpectedTables() {
    int status = 0;
    std::string out = RunOracleScript("expected_records.py", FixturePath("peer"), &status);
    std::vector<ExpectedTable> tables;
    if (status != 0) return tables;
    std::istringstream in(out);
    std::string kind;
    while (in >> kind) {
        if (kind == "TABLE") {
            tables.emplace_back();
            in >> tables.back().path;
        } else if (kind == "HEADER") {
            ExpectedTable& t = tables.back();
            in >> t.version >> t.headerLength >> t.recordLength >> t.records >> t.fieldCount;
        } else if (kind == "FIELD") {
            TdvFieldDesc f;
            std::string type;
            in >> f.name >> type >> f.length >> f.decimals >> f.offset;
            f.type = type[0];
            tables.back().fields.push_back(f);
        } else if (kind == "REC") {
            std::pair<int, std::string> row;
            in >> row.first >> row.second;
            tables.back().rows.push_back(row);
        } else if (kind == "MEMO") {
            ExpectedMemo m;
            in >> m.recno >> m.field >> m.block >> m.hex;
            if (m.hex == "-") m.hex.clear();
            tables.back().memos.push_back(m);
        }
    }
    return tables;
}
