#include "engine/index/sort_ntx.h"

#include <algorithm>

#include "engine/index/index_key.h"
#include "engine/index/index_owner.h"
#include "engine/index/ntx_file.h"

namespace {
constexpr size_t kMaxLevels = 32;
}  // namespace

DVobjSortNTX::DVobjSortNTX(DVobjNTXTag* tag)
    : TdvSort(std::min(tag->KeyLength() + 1, TdvSort::kMaxKeyLength), nullptr, tag->Ascending(), tag->Unique()),
      tag_(tag) {}

DVobjSortNTX::~DVobjSortNTX() = default;

DVobjSortNTX::Level& DVobjSortNTX::At(size_t level) {
    DVobjIndexFile* file = tag_->Owner();
    if (level >= kMaxLevels) file->ReportError(idxerr::kTooDeep, idxsub::kBuild, file->FileName());
    while (levels_.size() <= level) {
        Level fresh;
        fresh.entries = std::make_unique<DVobjIndexKey>(tag_, nullptr);
        // A leaf holds a full page, the separator waiting behind it and the key after that.
        fresh.entries->Resize(tag_->PageCodec().KeysPerPage() + 2);
        if (levels_.size() < plan_.size()) fresh.planned = plan_[levels_.size()];
        levels_.push_back(std::move(fresh));
    }
    return levels_[level];
}

void DVobjSortNTX::Plan(int32_t leaves) {
    // Level k holds ceil(children / (f + 1)) pages; the first level with one page is the root.
    const int32_t fanout = tag_->PageCodec().KeysPerPage() + 1;
    plan_.assign(1, 0);
    for (int32_t children = leaves; children > 1 && plan_.size() < kMaxLevels;) {
        plan_.push_back(children);
        children = (children + fanout - 1) / fanout;
    }
}

int32_t DVobjSortNTX::Quota(size_t level) const {
    const Level& l = levels_[level];
    const int32_t fanout = tag_->PageCodec().KeysPerPage() + 1;
    const int32_t pages = (l.planned + fanout - 1) / fanout;
    // Unique builds drop keys the plan counted: past the planned pages a page simply fills.
    if (l.planned <= 0 || l.pages >= pages) return fanout;
    const int32_t base = l.planned / pages, extra = l.planned % pages;
    return l.pages < extra ? base + 1 : base;
}

int32_t DVobjSortNTX::WriteLevel(size_t level, int32_t count, int32_t stored, bool interior) {
    TdvNtxPageCodec& codec = tag_->PageCodec();
    DVobjIndexFile* file = tag_->Owner();
    page_.assign(TdvNtxPageCodec::kPageSize, 0);
    codec.EncodeItems(*levels_[level].entries, 0, count, stored, interior,
                      TdvWriteView(page_.data(), page_.size(),
                                   TdvStructure{idxerr::kBadPage, idxsub::kBuild, file->FileName()}));
    const int32_t at = file->AllocatePage();
    file->WritePage(at, page_.data(), TdvNtxPageCodec::kPageSize);
    ++levels_[level].pages;
    return at;
}

void DVobjSortNTX::Emit(size_t level, int32_t child, const DVobjIndexKeyData& separator) {
    At(level + 1);  // the level above exists before any reference into levels_ is held
    if (levels_[level].count >= Quota(level)) {
        // The full page goes out now that more follows: its last item gives up its key to the level above and
        // keeps only its child.
        const int32_t last = levels_[level].count - 1;
        const int32_t page = WriteLevel(level, last + 1, last, true);
        levels_[level].count = 0;
        Emit(level + 1, page, *levels_[level].entries->Entry(last));
    }
    Level& l = levels_[level];
    DVobjIndexKeyData* e = l.entries->Entry(l.count++);
    e->CopyFrom(separator);
    e->Target = child;
}

void DVobjSortNTX::ShiftDown(size_t level, int32_t from) {
    DVobjIndexKey& entries = *levels_[level].entries;
    const int32_t count = levels_[level].count;
    for (int32_t i = from; i < count; ++i) entries.Entry(i - from)->CopyFrom(*entries.Entry(i));
    levels_[level].count = count - from;
}

int32_t DVobjSortNTX::Close(size_t level, int32_t child) {
    // A level nothing reached: the page below is the root.
    if (level >= levels_.size() || (levels_[level].count == 0 && levels_[level].pages == 0)) return child;
    if (levels_[level].count >= tag_->PageCodec().KeysPerPage() + 1) {
        // A full page cannot take the last pointer as well: its first half goes out on a page of its own.
        const int32_t half = levels_[level].count / 2;
        const int32_t page = WriteLevel(level, half, half - 1, true);
        Emit(level + 1, page, *levels_[level].entries->Entry(half - 1));
        ShiftDown(level, half);
    }
    Level& l = levels_[level];
    DVobjIndexKeyData* e = l.entries->Entry(l.count++);
    TdvNtxPageCodec::SetTopKey(*e);
    e->Target = child;
    const int32_t count = l.count;
    l.count = 0;
    const int32_t page = WriteLevel(level, count, count - 1, true);
    if (level + 1 >= levels_.size()) return page;
    return Close(level + 1, page);
}

int32_t DVobjSortNTX::WritePages(TdvIndexOwner* progress) {
    const int32_t total = KeyCount();
    const int32_t perPage = tag_->PageCodec().KeysPerPage();
    // The even fill: d leaves' worth of pages, each leaf ceil(c / d) keys, one separator between two leaves.
    const int32_t pages = total / perPage + 1;
    const int32_t perLeaf = std::max((total + pages - 1) / pages, 1);
    Plan((total + perLeaf + 1) / (perLeaf + 1));
    At(0);
    if (progress) progress->StatusUpdate(-1, 2, total);
    int32_t record = 0;
    int32_t written = 0;
    for (;;) {
        // The sorter fills the leaf's next entry itself: leaf keys are copied only when a separator waits.
        DVobjIndexKeyData& e = *levels_[0].entries->Entry(levels_[0].count);
        if (!Next(e, record)) break;
        e.Target = e.OrderRecord = record;
        ++written;
        if (progress) progress->StatusUpdate(2, written, 0);
        if (++levels_[0].count <= perLeaf + 1) continue;
        // A full leaf, its separator and the next key: the leaf goes out, the separator up.
        const int32_t page = WriteLevel(0, perLeaf, perLeaf, false);
        Emit(1, page, *levels_[0].entries->Entry(perLeaf));
        levels_[0].entries->Entry(0)->CopyFrom(*levels_[0].entries->Entry(perLeaf + 1));
        levels_[0].count = 1;
    }
    if (levels_[0].count == perLeaf + 1) {
        // The last key would stand behind a separator in a leaf of its own: the full leaf and that key make two
        // leaves of about half a leaf each, with the middle key between them.
        const int32_t half = perLeaf / 2;
        const int32_t page = WriteLevel(0, half, half, false);
        Emit(1, page, *levels_[0].entries->Entry(half));
        ShiftDown(0, half + 1);
    }
    const int32_t count = levels_[0].count;
    levels_[0].count = 0;
    const int32_t root = Close(1, WriteLevel(0, count, count, false));
    if (progress) progress->StatusUpdate(0, 0, 0);
    return root;
}
