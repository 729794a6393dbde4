// TdvRecordBufferScope: points a table at another record buffer for a scope, and back at the buffer it used
// before on every path, errors included. Field reads and writes, key evaluation and record reads then work on the
// borrowed buffer (a framework record buffer, a search record, a saved pre-edit copy).
//
// Table is anything with RecordBuffer() and SetRecordBuffer(uint8_t*): the table itself, the table handler, or
// an index file's view of its table (TdvIndexOwner).
#pragma once

#include <cstdint>

template <typename Table>
class TdvRecordBufferScope {
public:
    // REQUIRES: buffer holds the table's record length + 1 bytes.
    TdvRecordBufferScope(Table& table, void* buffer) : table_(table), saved_(table.RecordBuffer()) {
        table_.SetRecordBuffer(static_cast<uint8_t*>(buffer));
    }
    ~TdvRecordBufferScope() { table_.SetRecordBuffer(saved_); }
    TdvRecordBufferScope(const TdvRecordBufferScope&) = delete;
    TdvRecordBufferScope& operator=(const TdvRecordBufferScope&) = delete;

private:
    Table& table_;    // the table whose buffer is borrowed
    uint8_t* saved_;  // its buffer before the scope
};
