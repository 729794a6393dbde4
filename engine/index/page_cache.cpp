#include "engine/index/page_cache.h"

#include <cstring>

bool TdvPageCache::Get(int32_t page, uint8_t* out) const {
    if (page < 0 || pages_.empty()) return false;
    for (int half = 0; half < 2; ++half) {
        const size_t slot = Slot(page, half);
        if (pages_[slot] != page) continue;
        std::memcpy(out, bytes_.get() + slot * pageSize_, pageSize_);
        return true;
    }
    return false;
}

void TdvPageCache::Put(int32_t page, const uint8_t* bytes, bool upper) {
    if (page < 0) return;
    if (pages_.empty()) {
        pages_.assign(2 * slots_, -1);
        // Left uninitialised: the memory of slots never used is never touched.
        bytes_.reset(new uint8_t[2 * slots_ * pageSize_]);
    }
    // A page may change from leaf to interior: never leave a stale copy in the other half.
    const size_t other = Slot(page, upper ? 1 : 0);
    if (pages_[other] == page) pages_[other] = -1;
    const size_t slot = Slot(page, upper ? 0 : 1);
    pages_[slot] = page;
    std::memcpy(bytes_.get() + slot * pageSize_, bytes, pageSize_);
}

void TdvPageCache::Clear() {
    pages_.clear();
    bytes_.reset();
}
