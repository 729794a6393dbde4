// An NTX checker of the tests' own, independent of the engine's page code: it re-reads every page from disk and
// checks the B-tree (counts within the page, items inside the page, children on page boundaries inside the file
// and visited once, every leaf at the same depth) and lists every key in tree order: a child's keys, then its
// separator. Key order is checked with `before` (byte order when none is given).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct NtxEntry {
    std::string key;  // the stored key bytes (key length)
    int32_t record;
};

struct NtxCheck {
    std::string problem;            // empty when the tree is sound
    std::vector<NtxEntry> entries;  // every key in tree order
    int32_t root = 0, keyLength = 0, keysPerPage = 0, halfPage = 0, entryLength = 0, decimals = 0, depth = 0,
            pages = 0, signature = 0, counter = 0;
    bool unique = false, descending = false;
    std::string keyExpression, forExpression;
};

// Reads the NTX file. Keys must not decrease in tree order (not increase for a descending tag).
NtxCheck CheckNtx(const std::string& path,
                  const std::function<bool(const std::string&, const std::string&)>& before = nullptr);
// The record numbers of the entries in order.
std::vector<int32_t> NtxRecords(const NtxCheck& check);
