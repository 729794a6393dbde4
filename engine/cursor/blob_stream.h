// TORBlobStream: the stream a TOrdaneDataSet hands out for its memo and blob fields. It loads the whole memo of
// the current record when it is created (memo text translated from the table's code page when the field
// transliterates), serves reads, writes and seeks on that copy, and writes the copy back into the memo file when
// it goes away after being changed in edit or insert state. A write-back that fails is kept by the data set and
// raised by the next Post, which then writes nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/data/data_set.h"
#include "framework/data/stream.h"

class TBlobField;
class TOrdaneDataSet;

class TORBlobStream : public TStream {
public:
    // The field must belong to a TOrdaneDataSet. bmWrite and bmReadWrite need a writable field ("Field '%s'
    // cannot be modified") and edit or insert state ("Dataset not in edit or insert mode"); bmWrite starts empty.
    // A state without a record buffer gives an empty stream that writes nothing back.
    TORBlobStream(TBlobField& field, TBlobStreamMode mode);
    // Writes the contents back when modified and the data set is in edit or insert state.
    ~TORBlobStream() override;
    TORBlobStream(const TORBlobStream&) = delete;
    TORBlobStream& operator=(const TORBlobStream&) = delete;

    // Up to count bytes from the position; 0 at a negative position or at or after the end.
    int64_t Read(void* buffer, int64_t count) override;
    // Keeps the bytes before the position (a gap beyond the end reads as zero bytes), puts count bytes there and
    // drops what followed. A negative position raises EStreamError.
    int64_t Write(const void* buffer, int64_t count) override;
    // From the beginning, the current position or the end; the position may lie anywhere.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }
    // Cuts (or zero-extends) the contents; the position is kept. Negative raises EStreamError.
    void SetSize(int64_t size) override;
    bool Modified() const { return modified_; }

private:
    void WriteBack();

    TBlobField& field_;
    TOrdaneDataSet& dataSet_;
    TRecordBuffer record_ = nullptr;
    int32_t fieldNumber_ = 0;
    std::vector<char> data_;  // the contents and one 0 byte; empty when there are none
    int32_t size_ = 0;
    int64_t position_ = 0;
    bool modified_ = false;
};
