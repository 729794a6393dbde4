#include "data_set_fixture.h"

#include <cstdlib>

#include "engine/cursor/db_handler.h"
#include "engine/expr/table_bindings.h"
#include "engine/index/ndx_file.h"

void MakeTable(const std::string& path, uint8_t version, const std::vector<TdvNewField>& fields,
               const std::vector<RawRecord>& records) {
    StartExpressionEngine();
    CreateTable(path, version, fields);
    DVO_dBHandler table(path, "", true, false);
    for (const RawRecord& record : records) {
        table.BlankRecord();
        for (const auto& [name, text] : record)
            if (name != "*") table.FieldPutN(name, text);
        table.AppendRecord();
        if (record.count("*")) table.DeleteRecord();
    }
}

void MakeNdx(const std::string& table, const std::string& ndx, const std::string& expression) {
    StartExpressionEngine();
    DVO_dBHandler handler(table, "", true, false);
    DVobjNDXFile file(handler.IndexOwner(), true, true, false, false, ndx);
    file.CreateTag("", expression, false, true, "");
}

std::vector<std::string> Column(TDataSet& dataSet, const std::string& field) {
    std::vector<std::string> values;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) values.push_back(dataSet.FieldByName(field).AsString());
    return values;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
}

std::unique_ptr<TOrdaneDataSet> DataSetOn(const std::string& folder, const std::string& table) {
    StartExpressionEngine();
    auto ds = std::make_unique<TOrdaneDataSet>();
    ds->SetDatabaseName(folder);
    ds->SetTableName(table);
    return ds;
}

std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}
