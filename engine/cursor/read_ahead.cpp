#include "engine/cursor/read_ahead.h"

#include <algorithm>
#include <cstring>

void TdvReadAhead::Allocate(int32_t recordLength) {
    const int32_t length = std::max<int32_t>(recordLength, 1);
    size_ = std::max(length, kBlockBytes / length * length);
    data_ = std::make_unique<uint8_t[]>(static_cast<size_t>(size_));
    Invalidate();
}

void TdvReadAhead::Free() {
    data_.reset();
    size_ = 0;
    Invalidate();
}

bool TdvReadAhead::NeedsRefill(uint64_t position, int32_t recordLength) const {
    const auto at = static_cast<int64_t>(position);
    // The last record of a block is fetched anew, so that a block cut short by the end of the file is re-read
    // once the file has grown.
    return Empty() || at < start_ || at >= end_ - recordLength;
}

void TdvReadAhead::Filled(uint64_t position, int32_t bytes) {
    start_ = static_cast<int64_t>(position);
    end_ = start_ + std::max(bytes, 0);
}

int32_t TdvReadAhead::Copy(uint64_t position, void* out, int32_t count) const {
    const auto at = static_cast<int64_t>(position);
    if (Empty() || count <= 0 || at < start_ || at >= end_) return 0;
    // Only what the buffer really holds: a record cut short at the end of the file stays short.
    const auto n = static_cast<int32_t>(std::min<int64_t>(count, end_ - at));
    std::memcpy(out, data_.get() + (at - start_), static_cast<size_t>(n));
    return n;
}

void TdvReadAhead::WriteThrough(uint64_t position, const void* bytes, int32_t count, int32_t recordLength) {
    const auto at = static_cast<int64_t>(position);
    if (Empty() || !bytes || count <= 0 || position == 0) return;
    if (at < start_ || at >= end_ - recordLength) return;
    const auto n = static_cast<size_t>(std::min<int64_t>(count, end_ - at));
    std::memcpy(data_.get() + (at - start_), bytes, n);
}
