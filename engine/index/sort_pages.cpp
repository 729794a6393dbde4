#include "engine/index/sort_pages.h"

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
        fresh.entries = std::make_unique<DVobjIndexKey>(tag_, nullptr);
        fresh.entries->Resize(codec_.PageCapacity());
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
    if (++levels_[level].count == codec_.PageCapacity()) FlushLevel(level);
}

int32_t TdvSortPages::WriteLevel(size_t level) {
    Level& l = levels_[level];
    const TdvByteView bytes = codec_.Encode(*l.entries, 0, l.count, level > 0);
    const int32_t block = file_->AllocatePage();
    file_->WritePage(block, bytes.Data(), codec_.PageSize());
    return block;
}

void TdvSortPages::FlushLevel(size_t level) {
    const int32_t block = WriteLevel(level);
    Level& l = levels_[level];
    // The entry objects stay untouched until this level fills again, after the key went up.
    const DVobjIndexKeyData& last = *l.entries->Entry(l.count - 1);
    l.count = 0;
    AddEntry(level + 1, last, block);
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
        const Level& l = levels_[level];
        const bool top = level + 1 == levels_.size();
        if (l.count == 0 && !(top && level == 0)) continue;
        if (top) {
            // A top level holding a single pointer adds nothing: its child is the root.
            if (level > 0 && l.count == 1) root = l.entries->Entry(0)->Target;
            else root = WriteLevel(level);
            break;
        }
        FlushLevel(level);
    }
    if (progress) progress->StatusUpdate(0, 0, 0);
    return root;
}
