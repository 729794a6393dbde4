// TdvHugeSet: a growable bit set over record numbers, used for filter results.
//
// Bits live in pages of 16384 bytes (131072 bits), allocated zero-filled when a bit of the page is first
// changed: bit i is bit (i and 7) of byte ((i shr 3) and 16383) of page (i div 131072), bit 0 being the least
// significant bit of its byte. Only non-negative bit numbers exist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TdvHugeSet {
public:
    static constexpr int32_t kPageBytes = 16384;
    static constexpr int32_t kPageBits = kPageBytes * 8;

    enum Operation { hsClear = 0, hsSet = 1, hsInvert = 2 };

    TdvHugeSet() = default;
    TdvHugeSet(const TdvHugeSet&) = delete;
    TdvHugeSet& operator=(const TdvHugeSet&) = delete;

    // Zero-fills every allocated page (pages are kept); no bit is then the highest.
    void Clear();
    // Allocates the pages up to bit i, then clears (0), sets (1) or inverts (2) bit i; any other operation
    // leaves it. Highest() becomes at least i. Raises ERangeError for i < 0.
    void Change(int32_t i, int operation);
    // False for i < 0 or above Highest(); else the bit.
    bool Test(int32_t i) const;
    // The highest bit number ever changed since the last Clear, -1 for none.
    int32_t Highest() const { return highest_; }
    // Number of pages allocated.
    size_t PageCount() const { return pages_.size(); }

private:
    std::vector<std::unique_ptr<uint8_t[]>> pages_;  // page k holds bits k x 131072 .. (k + 1) x 131072 - 1
    int32_t highest_ = -1;                           // highest bit changed, -1 when none
};
