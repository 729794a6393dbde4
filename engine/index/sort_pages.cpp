#include "engine/index/sort_pages.h"

#include <utility>

#include "engine/index/index_file.h"
#include "engine/index/index_key.h"
#include "engine/index/index_owner.h"
#include "engine/index/index_page.h"

namespace {
constexpr size_t kMaxLevels = 32;
}  // namespace

TdvSortPages::TdvSortPages(int32_t maxKeyLength, bool ascending, bool unique, DVobjIndexTag* tag,
                           TdvIndexPageCodec& codec)
    : TdvSort(maxKeyLength, nullptr, ascending, unique), tag_(tag), codec_(codec), file_(codec.File()) {}

TdvSortPages::~TdvSortPages() = default;

TdvSortPages::Level& TdvSortPages::At(size_t level) {
    if (level >= kMaxLevels) file_->ReportError(idxerr::kTooDeep, idxsub::kBuild, file_->FileName());
    while (levels_.size() <= level) {
        Level fresh;
        for (auto* page : {&fresh.entries, &fresh.held}) {
            *page = std::make_unique<DVobjIndexKey>(tag_, nullptr);
            (*page)->Resize(codec_.PageCapacity());
        }
        levels_.push_back(std::move(fresh));
    }
    return levels_[level];
}

void TdvSortPages::AddEntry(size_t level, const DVobjIndexKeyData& key, int32_t target) {
    Level& l = At(level);
    DVobjIndexKeyData* e = l.entries->Entry(l.count);
    e->CopyFrom(key);
    e->Target = target;
    e->OrderRecord = 0;
    Filled(level);
}

void TdvSortPages::Filled(size_t level) {
    Level& l = levels_[level];
    if (++l.count < codec_.PageCapacity()) return;
    if (l.holding) WriteAndPassUp(level, *levels_[level].held, codec_.PageCapacity());
    // The level vector may have grown: take the level again.
    Level& now = levels_[level];
    std::swap(now.entries, now.held);
    now.holding = true;
    now.count = 0;
}

int32_t TdvSortPages::WritePage(size_t level, const DVobjIndexKey& page, int32_t count) {
    const TdvByteView bytes = codec_.Encode(page, 0, count, level > 0);
    const int32_t block = file_->AllocatePage();
    file_->WritePage(block, bytes.Data(), codec_.PageSize());
    return block;
}

void TdvSortPages::WriteAndPassUp(size_t level, const DVobjIndexKey& page, int32_t count) {
    const int32_t block = WritePage(level, page, count);
    // The key is copied into the level above before this level's entries are reused.
    AddEntry(level + 1, *page.Entry(count - 1), block);
}

int32_t TdvSortPages::ShareWithHeld(Level& l) {
    const int32_t total = codec_.PageCapacity() + l.count;
    const int32_t keep = total - total / 2;
    const int32_t move = codec_.PageCapacity() - keep;
    for (int32_t i = l.count - 1; i >= 0; --i) l.entries->Entry(i + move)->CopyFrom(*l.entries->Entry(i));
    for (int32_t i = 0; i < move; ++i) l.entries->Entry(i)->CopyFrom(*l.held->Entry(keep + i));
    l.count += move;
    return keep;
}

int32_t TdvSortPages::WritePages(TdvIndexOwner* progress) {
    int32_t record = 0;
    int32_t written = 0;
    if (progress) progress->StatusUpdate(-1, 2, KeyCount());
    for (;;) {
        // The leaf level exists even when no key comes, so a build without keys gets an empty root leaf. The
        // sorter fills the leaf's next entry itself: leaf keys are never copied.
        Level& leaf = At(0);
        DVobjIndexKeyData& e = *leaf.entries->Entry(leaf.count);
        if (!Next(e, record)) break;
        e.Target = record;
        e.OrderRecord = 0;
        Filled(0);
        ++written;
        if (progress) progress->StatusUpdate(2, written, 0);
    }
    int32_t root = 0;
    for (size_t level = 0; level < levels_.size(); ++level) {
        Level& l = levels_[level];
        if (!l.holding) {
            // A level that never filled a page passed nothing up: it is the top, and its page the root. A top
            // level holding a single pointer adds nothing: its child is the root.
            if (level > 0 && l.count == 1) root = l.entries->Entry(0)->Target;
            else root = WritePage(level, *l.entries, l.count);
            break;
        }
        int32_t heldCount = codec_.PageCapacity();
        if (l.count > 0 && 2 * l.count < codec_.PageCapacity()) heldCount = ShareWithHeld(l);
        const int32_t last = l.count;
        WriteAndPassUp(level, *levels_[level].held, heldCount);
        if (last > 0) WriteAndPassUp(level, *levels_[level].entries, last);
    }
    if (progress) progress->StatusUpdate(0, 0, 0);
    return root;
}
