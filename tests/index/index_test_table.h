// A bare table that owns index files the way the table handler will: it answers the index engine's owner
// interface and keeps its open indexes in step after every record write. Key expressions are a small stand-in
// for the expression engine: field names joined by '+', optionally wrapped in DTOS(...) or UPPER(...).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/index/index_file.h"
#include "engine/index/index_owner.h"
#include "engine/storage/dbf_fields.h"

class TestTable : public DVO_dBaseFld, public TdvIndexOwner {
public:
    TestTable(const std::string& fileName, bool readWrite, bool shared, const std::string& password = "");
    ~TestTable() override;

    // Index files whose keys follow every write; the table does not own them.
    void Attach(DVobjIndexFile* file) { attached_.push_back(file); }
    void DetachAll() { attached_.clear(); }
    // Appends a record built from (field, text) pairs.
    void AppendValues(const std::vector<std::pair<std::string, std::string>>& values);
    // Changes fields of record n and writes it back.
    void ChangeValues(int32_t n, const std::vector<std::pair<std::string, std::string>>& values);
    bool TableEvent(int event, int32_t value) override;

    // TdvIndexOwner
    std::string TableFileName() const override { return OsName(); }
    int32_t RecordCount() override { return DVO_dBaseDBF::RecordCount(); }
    int32_t CurrentRecord() override { return DVO_dBaseDBF::CurrentRecord(); }
    void ReadRecordPhysical(int32_t n) override { DVO_dBaseFld::GetRecord(n); }
    uint8_t* RecordBuffer() override { return DVO_dBaseDBF::RecordBuffer(); }
    void SetRecordBuffer(uint8_t* buffer) override { DVO_dBaseDBF::SetRecordBuffer(buffer); }
    const uint8_t* SavedRecord() override { return SavedCopy(); }
    bool AnyFieldChanged() override;
    bool ExactMatch() override { return exactMatch; }
    bool Encrypted() override { return IsEncrypted(); }
    std::string ReadKey() override { return readPassword; }
    std::string WriteKey() override { return writePassword; }
    std::unique_ptr<TdvKeyExpression> CompileExpression(const std::string& text) override;
    [[noreturn]] void ReportError(int32_t code, int32_t subCode, const std::string& info) override;
    void StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) override;
    bool NumericField(const std::string& expression, int32_t& width, int32_t& decimals) override;

    std::vector<std::vector<int32_t>> progress;  // every progress report received
    bool recordProgress = false;

private:
    std::vector<DVobjIndexFile*> attached_;
};
