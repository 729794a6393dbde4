// TdvReadAhead: the block buffer through which a table is read in physical order. One refill brings in up to
// 32768 bytes (a whole number of records), so a forward walk costs one system read per block, not per record.
// It only holds bytes and their file offsets; the handler decides when it is used.
#pragma once

#include <cstdint>
#include <memory>

class TdvReadAhead {
public:
    static constexpr int32_t kBlockBytes = 32768;

    // Allocates the buffer: 32768 bytes rounded down to whole records, at least one record. Starts empty.
    void Allocate(int32_t recordLength);
    // Frees the buffer; size 0.
    void Free();
    bool Allocated() const { return data_ != nullptr; }
    // No bytes held (also right after Allocate and after Invalidate).
    bool Empty() const { return start_ < 0; }
    void Invalidate() { start_ = end_ = -1; }
    int32_t Size() const { return size_; }
    int64_t Start() const { return start_; }
    int64_t End() const { return end_; }

    // Whether a record of recordLength bytes at position must be fetched by a refill first.
    bool NeedsRefill(uint64_t position, int32_t recordLength) const;
    // The buffer a refill reads into (Size() bytes); Filled records what arrived.
    uint8_t* Data() { return data_.get(); }
    void Filled(uint64_t position, int32_t bytes);
    // Copies up to count bytes at position out of the buffer; answers how many it held (0 outside it).
    int32_t Copy(uint64_t position, void* out, int32_t count) const;
    // A write of count bytes at position: the bytes the buffer holds for that range are replaced.
    void WriteThrough(uint64_t position, const void* bytes, int32_t count, int32_t recordLength);

private:
    std::unique_ptr<uint8_t[]> data_;  // Size() bytes while allocated
    int32_t size_ = 0;                 // bytes allocated
    int64_t start_ = -1;               // file offset of data_[0]; -1 when empty
    int64_t end_ = -1;                 // file offset just past the last byte held
};
