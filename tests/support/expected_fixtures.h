// Test support: what the peer fixtures' expected.json files say, flattened by tools/expected_records.py.
#pragma once

#include <string>
#include <vector>

#include "engine/storage/dbf_table.h"

struct ExpectedMemo {
    int recno = 0;
    std::string field;
    int block = 0;
    std::string hex;  // the memo bytes in hex ("" for an empty memo)
};

struct ExpectedTable {
    std::string path;
    int version = 0, headerLength = 0, recordLength = 0, records = 0, fieldCount = 0;
    std::vector<TdvFieldDesc> fields;
    std::vector<std::pair<int, std::string>> rows;  // record number, hex of the record
    std::vector<ExpectedMemo> memos;
};

// Every peer fixture table with its expected contents.
std::vector<ExpectedTable> LoadExpectedTables();
// Runs one of the oracle scripts of tests/tools with the system interpreter; returns its output.
std::string RunOracleScript(const std::string& script, const std::string& argument, int* status);
std::string Hex(const void* data, size_t n);
