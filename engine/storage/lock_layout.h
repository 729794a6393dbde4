// Lock protocols: the byte ranges that a table, its memo file and its index files lock under each of the four
// lock conventions, in one table, and the one engine-wide wait of a refused memo or index lock.
//
//   PROTOCOL           LOCK BASE   APPEND      TABLE LOCK  MEMO AND INDEX LOCK     LOCK OF RECORD r (1 byte)
//   Default, FoxLock   0x40000000  0x7FFFFFFE  0x3FFFFFFF  1 byte at append - 1    an index attached: append - r;
//                                                                                   else base + H + (r - 1) x L
//   DB4Lock            0x40000000  0xEFFFFFFF  0xB0000000  2 bytes at append - 1   append - r - 1
//   ClipLock           1000000000  1000000000  1000000000  1 byte at the base      base + r
//
// The append lock is the byte at the append offset; a table lock covers table-lock-length bytes from the lock
// base; H is the header length and L the record length. Every range lies beyond the data of any real table, so a
// lock never stops another process from reading. A protocol value outside the four keeps the layout the file
// had, and its record, memo and index locks are refused.
#pragma once

#include <cstdint>

#include "engine/storage/os_services.h"

enum class TdvLokProtocol : uint8_t { Default = 0, DB4Lock = 1, ClipLock = 2, FoxLock = 3 };

// Where the lock byte of a record lies.
enum TdvRecordLockScheme : uint8_t {
    rlsRecordOffset,  // lock base + the record's offset; below the append offset when an index is attached
    rlsBelowAppend,   // append offset - r - 1
    rlsAboveBase,     // lock base + r
};

// The byte ranges of one protocol.
struct TdvLockLayout {
    uint32_t lockBase;               // start of a table lock
    uint32_t appendOffset;           // the append lock byte
    uint32_t tableLockLength;        // bytes of a table lock
    uint32_t fileLockOffset;         // start of the memo lock and of the index lock
    uint32_t fileLockLength;         // their length
    TdvRecordLockScheme recordLock;  // where record locks lie
};

// The layout of one of the four protocols; nullptr for any other value.
const TdvLockLayout* LockLayoutFor(TdvLokProtocol protocol);
// The layout every file starts with, Default's.
const TdvLockLayout& DefaultLockLayout();
// The lock byte of record (from 1) in a table of that header and record length; never below 0.
uint64_t RecordLockOffset(const TdvLockLayout& layout, int32_t record, int32_t headerLength, int32_t recordLength,
                          bool indexLocking);

// The engine-wide wait of a refused memo or index lock: it is tried again every interval until the wait is used
// up (5000 ms every 50 ms: 100 attempts). Table locks are tried once; their callers decide whether to retry.
struct TdvLockWait {
    int waitMilliseconds = 5000;
    int intervalMilliseconds = 50;
    int Attempts() const;  // wait div interval, at least 1
};
// Sets the wait (at least 0) and the interval (at least 1).
void SetLockWait(int waitMilliseconds, int intervalMilliseconds);
TdvLockWait LockWait();

// Calls attempt() until it answers true or the lock wait's attempts are used up, sleeping the interval between
// two attempts; whether an attempt succeeded.
template <typename Attempt>
bool RetryLock(Attempt&& attempt) {
    const TdvLockWait wait = LockWait();
    const int attempts = wait.Attempts();
    for (int i = 0; i < attempts; ++i) {
        if (attempt()) return true;
        if (i + 1 < attempts) os::Sleep(wait.intervalMilliseconds);
    }
    return false;
}
