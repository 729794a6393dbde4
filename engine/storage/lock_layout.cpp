#include "engine/storage/lock_layout.h"

#include <algorithm>

namespace {

// Indexed by the protocol's value.
constexpr TdvLockLayout kLayouts[] = {
    /* Default  */ {0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu, 0x7FFFFFFDu, 1, rlsRecordOffset},
    /* DB4Lock  */ {0x40000000u, 0xEFFFFFFFu, 0xB0000000u, 0xEFFFFFFEu, 2, rlsBelowAppend},
    /* ClipLock */ {1000000000u, 1000000000u, 1000000000u, 1000000000u, 1, rlsAboveBase},
    /* FoxLock  */ {0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu, 0x7FFFFFFDu, 1, rlsRecordOffset},
};

TdvLockWait gLockWait;

}  // namespace

const TdvLockLayout* LockLayoutFor(TdvLokProtocol protocol) {
    const auto n = static_cast<size_t>(protocol);
    return n < std::size(kLayouts) ? &kLayouts[n] : nullptr;
}

const TdvLockLayout& DefaultLockLayout() { return kLayouts[0]; }

uint64_t RecordLockOffset(const TdvLockLayout& layout, int32_t record, int32_t headerLength, int32_t recordLength,
                          bool indexLocking) {
    const int64_t r = record;
    int64_t offset = 0;
    switch (layout.recordLock) {
        case rlsRecordOffset:
            offset = indexLocking ? int64_t{layout.appendOffset} - r
                                  : int64_t{layout.lockBase} + headerLength + (r - 1) * recordLength;
            break;
        case rlsBelowAppend: offset = int64_t{layout.appendOffset} - r - 1; break;
        case rlsAboveBase: offset = int64_t{layout.lockBase} + r; break;
    }
    return static_cast<uint64_t>(std::max<int64_t>(offset, 0));
}

int TdvLockWait::Attempts() const { return std::max(1, waitMilliseconds / intervalMilliseconds); }

void SetLockWait(int waitMilliseconds, int intervalMilliseconds) {
    gLockWait.waitMilliseconds = std::max(0, waitMilliseconds);
    gLockWait.intervalMilliseconds = std::max(1, intervalMilliseconds);
}

TdvLockWait LockWait() { return gLockWait; }
