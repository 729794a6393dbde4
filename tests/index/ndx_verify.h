// An NDX checker of the tests' own, independent of the engine's page code: it re-reads every page from disk
// and checks the tree (counts within the page, children inside the file and visited once, every leaf at the
// same depth, keys in order within and across pages, separators bounding their subtrees).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct NdxEntry {
    std::string key;   // the stored key bytes (key length)
    int32_t record;
};

struct NdxCheck {
    std::string problem;            // empty when the tree is sound
    std::vector<NdxEntry> entries;  // leaf entries in tree order
    int32_t root = 0, keyLength = 0, keysPerPage = 0, entryLength = 0, depth = 0, blocks = 0;
    bool numeric = false;
};

// Reads the NDX file; numeric keys (key type word 1) compare as doubles, others as bytes.
// strict: every separator must equal its child's last key (as this engine writes them).
NdxCheck CheckNdx(const std::string& path, bool strict = true);
// The double stored in an 8-byte numeric key.
double NdxNumber(const std::string& key);
