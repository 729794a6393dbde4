#include "engine/index/sort_ndx.h"

#include <cstring>

#include "engine/index/index_owner.h"
#include "engine/index/ndx_file.h"

namespace {
constexpr size_t kMaxLevels = 32;

void PutLong(uint8_t* p, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}
}  // namespace

DVobjSortNdx::DVobjSortNdx(DVobjNDXFile* file, DVobjNDXTag* tag)
    : TdvSort(tag->KeyLength() + 1 > kMaxKeyLength ? kMaxKeyLength : tag->KeyLength() + 1, nullptr, true,
              tag->Unique()),
      file_(file),
      tag_(tag) {}

void DVobjSortNdx::AddEntry(size_t level, const uint8_t* key, int32_t child, int32_t record) {
    if (level >= kMaxLevels) file_->ReportError(idxerr::kTooDeep, idxsub::kBuild, file_->FileName());
    if (levels_.size() <= level) {
        levels_.push_back(Level{});
        std::memset(levels_.back().page, 0, sizeof(Level::page));
        levels_.back().count = 0;
    }
    Level& l = levels_[level];
    uint8_t* e = l.page + 4 + l.count * tag_->EntryLength();
    PutLong(e, child);
    PutLong(e + 4, record);
    std::memcpy(e + 8, key, static_cast<size_t>(tag_->EntryLength() - 8));
    ++l.count;
    if (l.count == tag_->KeysPerPage()) FlushLevel(level);
}

int32_t DVobjSortNdx::FlushLevel(size_t level) {
    Level& l = levels_[level];
    const int32_t stored = level > 0 ? l.count - 1 : l.count;
    l.page[0] = static_cast<uint8_t>(stored);
    l.page[1] = static_cast<uint8_t>(stored >> 8);
    uint8_t last[512];
    std::memcpy(last, l.page + 4 + (l.count - 1) * tag_->EntryLength() + 8,
                static_cast<size_t>(tag_->EntryLength() - 8));
    const int32_t block = file_->AllocatePage();
    file_->WritePage(block, l.page);
    std::memset(l.page, 0, sizeof(l.page));
    l.count = 0;
    AddEntry(level + 1, last, block, 0);
    return block;
}

int32_t DVobjSortNdx::WritePages(TdvIndexOwner* progress) {
    DVobjIndexKeyData key(256);
    int32_t record = 0;
    int32_t written = 0;
    if (progress) progress->StatusUpdate(-1, 2, KeyCount());
    std::vector<uint8_t> stored(static_cast<size_t>(tag_->EntryLength()));
    while (Next(key, record)) {
        tag_->StoreKey(key, stored.data());
        AddEntry(0, stored.data(), 0, record);
        ++written;
        if (progress) progress->StatusUpdate(2, written, 0);
    }
    int32_t root = 0;
    for (size_t level = 0; level < levels_.size(); ++level) {
        Level& l = levels_[level];
        const bool top = level + 1 == levels_.size();
        if (l.count == 0 && !(top && level == 0)) continue;
        if (top) {
            // A top level holding a single pointer adds nothing: its child is the root.
            if (level > 0 && l.count == 1) {
                const uint8_t* e = l.page + 4;
                root = static_cast<int32_t>(uint32_t{e[0]} | (uint32_t{e[1]} << 8) | (uint32_t{e[2]} << 16) |
                                            (uint32_t{e[3]} << 24));
                break;
            }
            const int32_t stored = level > 0 ? l.count - 1 : l.count;
            l.page[0] = static_cast<uint8_t>(stored);
            l.page[1] = static_cast<uint8_t>(stored >> 8);
            root = file_->AllocatePage();
            file_->WritePage(root, l.page);
            break;
        }
        FlushLevel(level);
    }
    if (progress) progress->StatusUpdate(0, 0, 0);
    return root;
}
