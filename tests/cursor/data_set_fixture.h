// Test tables for the data-set adaptor: tables made with CreateTable and filled through a handler with raw field
// texts, NDX files built through the index engine, and scoped settings of the program and configuration
// folders.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/ordane_data_set.h"
#include "engine/storage/dbf_create.h"

// One record: field name -> stored text; "*" as key marks the record deleted.
using RawRecord = std::map<std::string, std::string>;

// Creates the table and appends the records (expression engine started first).
void MakeTable(const std::string& path, uint8_t version, const std::vector<TdvNewField>& fields,
               const std::vector<RawRecord>& records);
// Builds an NDX file keyed by expression over the table.
void MakeNdx(const std::string& table, const std::string& ndx, const std::string& expression);
// The values of one field over the data set from First to Eof (AsString).
std::vector<std::string> Column(TDataSet& dataSet, const std::string& field);

// Sets an environment variable for a scope and puts the old value back.
// The message of the exception the action raises, or "(no error)".
std::string Message(const std::function<void()>& action);

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

// A data set on a table of the folder (given as DatabaseName), default fields.
std::unique_ptr<TOrdaneDataSet> DataSetOn(const std::string& folder, const std::string& table);
