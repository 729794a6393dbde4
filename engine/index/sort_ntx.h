// DVobjSortNTX: the sort of an NTX build, written bottom-up as NTX pages through the tag's codec.
//
// Sorts in the tag's direction (a descending tag is built in descending order), drops duplicates for a unique
// tag. The leaves are filled evenly: with c keys and f keys per page, d = c div f + 1 and every leaf takes
// ceil(c / d) keys; the key after a full leaf goes up as the separator in front of it. Each interior level shares
// its children out evenly over as few pages as hold them; a full interior page gives up its last item as the
// separator for the level above, and on closing each level's last item carries only the pointer to the page
// below. One pass, one page buffer per level, no page read back.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/index/sorter.h"

class DVobjIndexKey;
class DVobjIndexKeyData;
class DVobjNTXTag;
class TdvIndexOwner;

class DVobjSortNTX : public TdvSort {
public:
    // Pages go to the tag's file.
    explicit DVobjSortNTX(DVobjNTXTag* tag);
    ~DVobjSortNTX() override;

    // Drains the sorter into pages; returns the root page offset (an empty leaf when no key was added). Reports
    // progress (phase 2) to progress when given.
    int32_t WritePages(TdvIndexOwner* progress);

private:
    struct Level {
        std::unique_ptr<DVobjIndexKey> entries;  // the unwritten page's entries, reused page after page
        int32_t count = 0;                       // entries of the unwritten page
        int32_t pages = 0;                       // pages written at this level
        int32_t planned = 0;                     // children the level is planned to get (interior levels)
    };
    // Plans the interior levels over `leaves` leaves.
    void Plan(int32_t leaves);
    // Children the next page of interior level takes before it is full.
    int32_t Quota(size_t level) const;
    // The level, created (with its entries) when the tree is not yet that high.
    Level& At(size_t level);
    // Writes entries [0, count) of level storing `stored` of them; returns the page.
    int32_t WriteLevel(size_t level, int32_t count, int32_t stored, bool interior);
    // Interior level gets child, followed by separator.
    void Emit(size_t level, int32_t child, const DVobjIndexKeyData& separator);
    // Moves the level's entries from `from` on to the front.
    void ShiftDown(size_t level, int32_t from);
    // Interior level gets its last child; returns the root.
    int32_t Close(size_t level, int32_t child);

    DVobjNTXTag* tag_;           // the tag being built
    std::vector<Level> levels_;  // leaves first
    std::vector<int32_t> plan_;  // planned children per interior level (index 1 up)
    std::vector<uint8_t> page_;  // the page being written
};
