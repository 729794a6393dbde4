// TdvSortPages: drains a sorted key stream into tree pages bottom-up, in one pass that never rereads a page, for
// the formats whose pages fill to a fixed number of entries. The page bytes are the tag's page codec's.
//
// One level per tree height (at most 32), each holding the entries of its unwritten page. A level that reaches the
// codec's page capacity is written to a block handed out at the file's allocation end, and its last key goes up to
// the level above with that block as child (an interior page's last entry becomes its pointer-only entry). Closing
// writes every partial level from the bottom; the highest becomes the root.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/index/sorter.h"

class DVobjIndexFile;
class DVobjIndexKey;
class DVobjIndexKeyData;
class DVobjIndexTag;
class TdvIndexOwner;
class TdvIndexPageCodec;

class TdvSortPages : public TdvSort {
public:
    // Sorts keys of up to maxKeyLength bytes; duplicates dropped when unique. Pages go to codec's file.
    TdvSortPages(int32_t maxKeyLength, bool ascending, bool unique, DVobjIndexTag* tag, TdvIndexPageCodec& codec);
    ~TdvSortPages() override;

    // Drains the sorter into pages; returns the root page (an empty leaf when no key was added). Reports
    // progress (phase 2) to progress when given.
    int32_t WritePages(TdvIndexOwner* progress);

private:
    struct Level {
        std::unique_ptr<DVobjIndexKey> entries;  // entry objects, reused page after page
        int32_t count = 0;                       // entries of the unwritten page
    };
    // Appends key with target (record or child) to level, writing the level when it is full.
    void AddEntry(size_t level, const DVobjIndexKeyData& key, int32_t target);
    // Counts the entry just filled in at the level's end, writing the level when it is full.
    void Filled(size_t level);
    // Writes the level's page to a new block and passes its last key up.
    void FlushLevel(size_t level);
    // Writes the level's page to a new block; returns the block.
    int32_t WriteLevel(size_t level);
    // The level, created (with its entries) when the tree is not yet that high.
    Level& At(size_t level);

    DVobjIndexTag* tag_;         // the tag being built; its nodes hold the levels' entries
    TdvIndexPageCodec& codec_;   // the tag's page layout
    DVobjIndexFile* file_;       // where the pages go
    std::vector<Level> levels_;  // leaves first
};
