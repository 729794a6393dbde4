// DVobjSortNdx: writes a sorted key stream as NDX pages bottom-up, in one pass that never rereads a page.
//
// One 512-byte page buffer per tree level (at most 32). A leaf is written when it holds keys-per-page
// entries and its last key goes up to the level above with the written block as child; an interior buffer
// is written likewise with its last entry left as the pointer-only entry. Closing writes every partial level
// from the bottom; the highest becomes the root. Blocks are handed out from the file's allocation end.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/index/sorter.h"

class DVobjNDXFile;
class DVobjNDXTag;
class TdvIndexOwner;

class DVobjSortNdx : public TdvSort {
public:
    // Ascending always; duplicates dropped for a unique tag; keys up to the tag's key length + 1 bytes.
    DVobjSortNdx(DVobjNDXFile* file, DVobjNDXTag* tag);
    // Drains the sorter into pages; returns the root block. Reports progress (phase 2) to the owner.
    int32_t WritePages(TdvIndexOwner* progress);

private:
    struct Level {
        uint8_t page[512];
        int32_t count;
    };
    void AddEntry(size_t level, const uint8_t* key, int32_t child, int32_t record);
    // Writes the level's page and passes its last key up; returns the block written.
    int32_t FlushLevel(size_t level);

    DVobjNDXFile* file_;
    DVobjNDXTag* tag_;
    std::vector<Level> levels_;
};
