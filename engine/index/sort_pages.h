// TdvSortPages: drains a sorted key stream into tree pages bottom-up, in one pass that never rereads a page, for
// the formats whose pages fill to a fixed number of entries. The page bytes are the tag's page codec's.
//
// One level per tree height (at most 32). Each level holds its unwritten page and, once it has filled a page,
// the full page before it: a full page is written (and its last key goes up to the level above with its block as
// child; an interior page's last entry becomes its pointer-only entry) only when the level fills the next one, so
// that closing can still share the last two pages of a level. Closing works from the bottom: a last page less
// than half full takes entries from the full page before it, so every interior page holds at least one key beside
// its pointer-only entry and no page but a lone root is nearly empty; the highest level becomes the root.
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
        std::unique_ptr<DVobjIndexKey> entries;  // entry objects of the unwritten page, reused page after page
        std::unique_ptr<DVobjIndexKey> held;     // the full page before it, while holding
        int32_t count = 0;                       // entries of the unwritten page
        bool holding = false;                    // held is a full page not yet written
    };
    // Appends key with target (record or child) to level, moving the level on when its page is full.
    void AddEntry(size_t level, const DVobjIndexKeyData& key, int32_t target);
    // Counts the entry just filled in at the level's end. A full page is held; a page held before it is
    // written and passed up.
    void Filled(size_t level);
    // Writes entries [0, count) of page as a page of the level to a new block and passes its last key up.
    void WriteAndPassUp(size_t level, const DVobjIndexKey& page, int32_t count);
    // Writes entries [0, count) of page as a page of the level to a new block; returns the block.
    int32_t WritePage(size_t level, const DVobjIndexKey& page, int32_t count);
    // Moves entries from the end of the held page to the front of the unwritten one until both hold about
    // half; answers the count left in the held page.
    int32_t ShareWithHeld(Level& l);
    // The level, created (with its entries) when the tree is not yet that high.
    Level& At(size_t level);

    DVobjIndexTag* tag_;         // the tag being built; its nodes hold the levels' entries
    TdvIndexPageCodec& codec_;   // the tag's page layout
    DVobjIndexFile* file_;       // where the pages go
    std::vector<Level> levels_;  // leaves first
};
