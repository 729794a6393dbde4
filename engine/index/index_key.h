// DVobjIndexKeyData: one key value with the record number or child page it leads to.
// DVobjIndexKey: one page of an index B-tree held in memory, with its entries and its place on the loaded path.
//
// Only the path from the root to the current leaf is in memory: each node owns the one child loaded under it.
// Nodes never write themselves; the tag writes every dirty node bottom-up (DVobjIndexTag::FlushNodes) right
// after a change, so a path change never has to write while a scan is in progress.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/storage/collection.h"
#include "engine/storage/variant_value.h"

class DVobjIndexTag;

class DVobjIndexKeyData : public TdvVariant {
public:
    explicit DVobjIndexKeyData(int32_t capacity = 0) : TdvVariant(capacity) {}
    // Copies type, bytes, Target and OrderRecord; reuses this value's buffer when it is large enough.
    void CopyFrom(const DVobjIndexKeyData& other);

    int32_t Target = 0;       // leaf: record number; interior: child page; search key: record sought, -1 any
    int32_t OrderRecord = 0;  // record number carried by interior entries of record-ordered formats
};

// Node kinds.
namespace nodekind {
constexpr uint8_t kTransient = 0, kNewRoot = 1, kInterior = 2, kLeaf = 3;
}

class DVobjIndexKey : public TdvCollection<DVobjIndexKeyData> {
public:
    DVobjIndexKey(DVobjIndexTag* tag, DVobjIndexKey* parent);
    ~DVobjIndexKey() override;

    bool IsLeaf() const { return kind_ >= nodekind::kLeaf; }
    int32_t Count32() const { return static_cast<int32_t>(Count()); }
    DVobjIndexKeyData* Entry(int32_t i) const { return Items(static_cast<size_t>(i)); }
    // Appends a fresh entry.
    DVobjIndexKeyData* AddEntry();
    // Makes the node hold exactly n entries, keeping the existing entry objects (formats reading a page refill
    // them, so a reused node allocates nothing).
    void Resize(int32_t n);

    // Node seek: -1 positioned on the first entry above key, 0 on the match, 1 past every entry.
    int Seek(int32_t record, const DVobjIndexKeyData& key, int partial);
    // Moves along the loaded path; false on an empty node or past either end.
    bool First();
    bool Last();
    bool Next();
    bool Prior();
    // The leaf entry under the loaded path, or nullptr when the leaf position is off its entries.
    DVobjIndexKeyData* CurrentEntry();
    // Copies the current leaf entry into key. False when the position is off the entries.
    bool ReadCurrent(DVobjIndexKeyData& key);
    // Sets at-first / at-last: whether the loaded path stands on the first / last entry of the whole tag.
    void ComputeEnds();

    // Inserts a copy of key in the deepest loaded node at its position (after it when after).
    void Insert(const DVobjIndexKeyData& key, bool after);
    // Removes the current entry of the deepest loaded node, fixing separators and unlinking emptied nodes.
    void DeleteCurrent();
    // A split put the first part of this node on separator.Target: links it into the parent (root growth
    // included, keeping the root page number).
    void LinkNewLeft(const DVobjIndexKeyData& separator);

    DVobjIndexKey* Deepest();
    DVobjIndexKey* Parent() const { return parent_; }
    DVobjIndexKey* Child() const { return child_.get(); }
    // Number of nodes above this one.
    int Depth() const;

    int32_t page_ = 0;          // page number or offset; 0 before one is assigned
    int32_t leftLink_ = -1;     // format-defined neighbour links
    int32_t rightLink_ = -1;
    uint8_t kind_ = nodekind::kLeaf;
    int32_t position_ = -1;     // current entry; -1 before the first, count after the last
    bool dirty_ = false;        // entries differ from the page on disk
    bool split_ = false;        // passed a separator to its parent since it was loaded
    uint16_t formatWord_ = 0;   // format-defined packing parameters
    int32_t formatLong_ = 0;
    uint8_t formatBytes_[6] = {};
    bool atFirst_ = false, atLast_ = false;

private:
    friend class DVobjIndexTag;
    // The child for page, reusing the loaded one when it has that page and did not split.
    DVobjIndexKey* OpenChild(int32_t page);
    // Inserts a copy of key at index of this very node; a key landing at the end updates the parent first.
    void InsertHere(int32_t index, const DVobjIndexKeyData& key);
    // Removes entry index of this very node with the same upkeep as DeleteCurrent.
    void DeleteHere(int32_t index);
    // Makes the parent's entry for this node carry key (Target = this page).
    void ReplaceSeparator(const DVobjIndexKeyData& key);
    void UnlinkFromParent();
    int32_t IndexOfTarget(int32_t target) const;

    DVobjIndexTag* tag_;
    DVobjIndexKey* parent_;
    std::unique_ptr<DVobjIndexKey> child_;
    std::vector<std::unique_ptr<DVobjIndexKeyData>> spareEntries_;  // entries Resize took off, for reuse
};
