// DVobjSortNdx: the sort of an NDX build, written bottom-up as NDX pages (TdvSortPages over the tag's codec).
// Ascending always; duplicates dropped for a unique tag; keys up to the tag's key length + 1 bytes.
#pragma once

#include "engine/index/sort_pages.h"

class DVobjNDXTag;

class DVobjSortNdx : public TdvSortPages {
public:
    // The pages go to the tag's file.
    explicit DVobjSortNdx(DVobjNDXTag* tag);
};
