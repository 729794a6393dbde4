#include "engine/index/sort_ndx.h"

#include <algorithm>

#include "engine/index/ndx_file.h"

DVobjSortNdx::DVobjSortNdx(DVobjNDXTag* tag)
    : TdvSortPages(std::min(tag->KeyLength() + 1, TdvSort::kMaxKeyLength), true, tag->Unique(), tag,
                   tag->PageCodec()) {}
