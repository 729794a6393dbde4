// TdvPageCache: recently used pages of an index file nobody else may change, so that seeks and walks that pass
// the same upper pages again copy them instead of reading the disk.
//
// Direct-mapped by page number, in two halves: interior pages (and the header) in one, leaves in the other, so
// the many leaves of a walk never push out the few pages above them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TdvPageCache {
public:
    // Pages of pageSize bytes, slots per half.
    TdvPageCache(int32_t pageSize, size_t slots) : pageSize_(static_cast<size_t>(pageSize)), slots_(slots) {}
    TdvPageCache(const TdvPageCache&) = delete;
    TdvPageCache& operator=(const TdvPageCache&) = delete;

    // Copies page (a page number, not a byte offset) into out when it is held; whether it was.
    bool Get(int32_t page, uint8_t* out) const;
    // Holds a copy of page's bytes; upper: an interior page or the header.
    void Put(int32_t page, const uint8_t* bytes, bool upper);
    // Forgets every page.
    void Clear();

private:
    // The slot of page in a half (0 upper, 1 lower).
    size_t Slot(int32_t page, int half) const { return static_cast<size_t>(half) * slots_ + static_cast<size_t>(page) % slots_; }

    size_t pageSize_;                  // bytes per page
    size_t slots_;                     // slots per half
    std::vector<int32_t> pages_;       // the page each slot holds, -1 for none; empty until the first Put
    std::unique_ptr<uint8_t[]> bytes_; // the slots' bytes
};
