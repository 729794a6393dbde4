#include "engine/storage/huge_set.h"

#include <cstring>

#include "framework/base/exception.h"

void TdvHugeSet::Clear() {
    for (auto& page : pages_) std::memset(page.get(), 0, kPageBytes);
    highest_ = -1;
}

void TdvHugeSet::Change(int32_t i, int operation) {
    if (i < 0) throw ERangeError();
    const size_t page = static_cast<size_t>(i / kPageBits);
    while (pages_.size() <= page) pages_.push_back(std::make_unique<uint8_t[]>(kPageBytes));  // zero-filled
    uint8_t& byte = pages_[page][(i >> 3) & (kPageBytes - 1)];
    const auto mask = static_cast<uint8_t>(1u << (i & 7));
    switch (operation) {
        case hsClear: byte &= static_cast<uint8_t>(~mask); break;
        case hsSet: byte |= mask; break;
        case hsInvert: byte ^= mask; break;
        default: break;
    }
    if (i > highest_) highest_ = i;
}

bool TdvHugeSet::Test(int32_t i) const {
    if (i < 0 || i > highest_) return false;
    const size_t page = static_cast<size_t>(i / kPageBits);
    if (page >= pages_.size()) return false;  // never allocated
    return (pages_[page][(i >> 3) & (kPageBytes - 1)] >> (i & 7)) & 1;
}
