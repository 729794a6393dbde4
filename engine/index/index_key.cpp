#include "engine/index/index_key.h"

#include <limits>

#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"

namespace {
constexpr int32_t kAnyRecord = -1;
constexpr int32_t kPastEquals = std::numeric_limits<int32_t>::max();
constexpr int kMaxDepth = 32;
}  // namespace

void DVobjIndexKeyData::CopyFrom(const DVobjIndexKeyData& other) {
    Target = other.Target;
    OrderRecord = other.OrderRecord;
    if (&other == this) return;
    if (other.IsEmpty()) {
        if (other.Kind() == vkText) SetText(std::string_view());
        else Clear();
        return;
    }
    switch (other.Kind()) {
    case vkText:
        SetText(other.Bytes());
        break;
    case vkNumber:
        SetNumber(other.AsNumber());
        break;
    case vkDate:
        SetDate(other.AsDate());
        break;
    case vkBoolean:
        SetBoolean(other.AsBoolean());
        break;
    default:
        SetBinary(other.Data(), other.Size());
        break;
    }
}

DVobjIndexKey::DVobjIndexKey(DVobjIndexTag* tag, DVobjIndexKey* parent) : tag_(tag), parent_(parent) {}

void DVobjIndexKey::Resize(int32_t n) {
    // Entries beyond n wait in spareEntries_ with their buffers, so a node reused for pages of differing
    // counts stops allocating once it has held its largest page.
    while (Count32() > n) spareEntries_.emplace_back(Extract(Count() - 1));
    while (Count32() < n) {
        if (spareEntries_.empty()) {
            AddEntry();
        } else {
            Add(spareEntries_.back().release());
            spareEntries_.pop_back();
        }
    }
}

DVobjIndexKey::~DVobjIndexKey() { child_.reset(); }

DVobjIndexKeyData* DVobjIndexKey::AddEntry() {
    auto* e = new DVobjIndexKeyData();
    Add(e);
    return e;
}

int DVobjIndexKey::Depth() const {
    int d = 0;
    for (const DVobjIndexKey* p = parent_; p; p = p->parent_) ++d;
    return d;
}

DVobjIndexKey* DVobjIndexKey::Deepest() {
    DVobjIndexKey* n = this;
    while (n->child_) n = n->child_.get();
    return n;
}

DVobjIndexKey* DVobjIndexKey::OpenChild(int32_t page) {
    tag_->CountLoad();
    if (child_ && child_->page_ == page && !child_->split_) return child_.get();
    DVobjIndexFile* file = tag_->Owner();
    // A hostile file must not make us descend forever: cap the depth and refuse a page already on the path.
    if (Depth() + 1 >= kMaxDepth)
        file->ReportError(idxerr::kTooDeep, idxsub::kDescend, file->FileName());
    for (const DVobjIndexKey* p = this; p; p = p->parent_)
        if (p->page_ == page) file->ReportError(idxerr::kBadPointer, idxsub::kDescend, file->FileName());
    if (child_) tag_->Recycle(std::move(child_));
    std::unique_ptr<DVobjIndexKey> fresh = tag_->NewNode(this);
    try {
        tag_->ReadNode(page, *fresh);
    } catch (...) {
        tag_->Recycle(std::move(fresh));
        throw;
    }
    child_ = std::move(fresh);
    return child_.get();
}

int DVobjIndexKey::Seek(int32_t record, const DVobjIndexKeyData& key, int partial) {
    if (record == 0) record = kAnyRecord;  // no record has number 0: a key without one matches any
    const bool ordered = tag_->Owner()->RecordOrdered();
    const int32_t n = Count32();
    for (int32_t i = 0; i < n; ++i) {
        position_ = i;
        const DVobjIndexKeyData* e = Entry(i);
        int r = tag_->CompareKeys(key, *e, partial);
        if (r == 0 && record == kPastEquals) r = 1;
        if (r == 0 && record != kAnyRecord && ordered) {
            if (e->OrderRecord < record) r = 1;
            else if (e->OrderRecord > record) r = -1;
        }
        if (r <= 0 || i == n - 1) {
            if (!IsLeaf()) {
                DVobjIndexKey* c = OpenChild(e->Target);
                c->position_ = -1;
                const int rr = c->Seek(record, key, partial);
                // Equal keys may span several children: a child that answers "past my end" sends the scan on
                // to the next entry, or a record among them would never be found.
                if (rr == 1 && i < n - 1) continue;
                return rr;
            }
            if (r == 0 && record != kAnyRecord) {
                if (ordered) {
                    if (e->Target < record) r = 1;
                    else if (e->Target > record) r = -1;
                } else if (e->Target != record) {
                    r = 1;
                }
            }
            if (r <= 0) return r;
        }
    }
    position_ = IsLeaf() ? n : n - 1;
    if (n == 0) position_ = 0;
    return 1;
}

bool DVobjIndexKey::First() {
    position_ = -1;
    return Next();
}

bool DVobjIndexKey::Last() {
    position_ = Count32();
    return Prior();
}

bool DVobjIndexKey::Next() {
    const int32_t n = Count32();
    if (IsLeaf()) {
        if (position_ + 1 < n) {
            ++position_;
            return true;
        }
        position_ = n;
        return false;
    }
    bool fresh = false;
    if (position_ < 0) {
        position_ = 0;
        fresh = true;
    }
    while (position_ < n) {
        DVobjIndexKey* c = OpenChild(Entry(position_)->Target);
        if (fresh) {
            c->position_ = -1;
            if (c->IsLeaf()) tag_->NoteLeaf(c->page_, 1);
        }
        if (c->Next()) return true;
        ++position_;
        fresh = true;
    }
    position_ = n - 1;
    return false;
}

bool DVobjIndexKey::Prior() {
    const int32_t n = Count32();
    if (IsLeaf()) {
        if (position_ > n) position_ = n;
        if (position_ > 0) {
            --position_;
            return true;
        }
        position_ = -1;
        return false;
    }
    bool fresh = false;
    if (position_ >= n) {
        position_ = n - 1;
        fresh = true;
    }
    while (position_ >= 0) {
        DVobjIndexKey* c = OpenChild(Entry(position_)->Target);
        if (fresh) {
            c->position_ = c->Count32();
            if (c->IsLeaf()) tag_->NoteLeaf(c->page_, -1);
        }
        if (c->Prior()) return true;
        --position_;
        fresh = true;
    }
    position_ = 0;
    return false;
}

DVobjIndexKeyData* DVobjIndexKey::CurrentEntry() {
    DVobjIndexKey* n = this;
    while (!n->IsLeaf()) {
        if (n->position_ < 0 || n->position_ >= n->Count32()) return nullptr;
        DVobjIndexKey* c = n->OpenChild(n->Entry(n->position_)->Target);
        if (c->position_ < 0) c->position_ = 0;
        n = c;
    }
    if (n->position_ < 0 || n->position_ >= n->Count32()) return nullptr;
    return n->Entry(n->position_);
}

bool DVobjIndexKey::ReadCurrent(DVobjIndexKeyData& key) {
    DVobjIndexKeyData* e = CurrentEntry();
    if (!e) return false;
    key.CopyFrom(*e);
    return true;
}

void DVobjIndexKey::ComputeEnds() {
    // First and last of the whole tag: every node on the path stands on its first (last) entry.
    bool first = true, last = true;
    for (DVobjIndexKey* n = this; n; n = n->child_.get()) {
        if (n->position_ != 0) first = false;
        if (n->position_ != n->Count32() - 1) last = false;
        if (n->IsLeaf()) break;
    }
    atFirst_ = first;
    atLast_ = last;
}

int32_t DVobjIndexKey::IndexOfTarget(int32_t target) const {
    for (int32_t i = 0; i < Count32(); ++i)
        if (Entry(i)->Target == target) return i;
    return -1;
}

void DVobjIndexKey::Insert(const DVobjIndexKeyData& key, bool after) {
    DVobjIndexKey* n = Deepest();
    int32_t at = n->position_ + (after ? 1 : 0);
    if (at < 0) at = 0;
    if (at > n->Count32()) at = n->Count32();
    n->InsertHere(at, key);
    n->position_ = at;
}

void DVobjIndexKey::InsertHere(int32_t index, const DVobjIndexKeyData& key) {
    if (parent_ && index == Count32()) {
        DVobjIndexKeyData sep;
        sep.CopyFrom(key);
        sep.Target = page_;
        ReplaceSeparator(sep);
    }
    auto* e = new DVobjIndexKeyData();
    e->CopyFrom(key);
    TdvCollection::Insert(static_cast<size_t>(index), e);
    dirty_ = true;
}

void DVobjIndexKey::ReplaceSeparator(const DVobjIndexKeyData& key) {
    DVobjIndexKey* p = parent_;
    const int32_t saved = p->position_;
    const int32_t i = p->IndexOfTarget(page_);
    if (i < 0) {
        p->InsertHere(p->Count32(), key);
    } else {
        p->Delete(static_cast<size_t>(i));
        p->dirty_ = true;
        p->InsertHere(i, key);
    }
    p->position_ = saved;
}

void DVobjIndexKey::DeleteCurrent() {
    DVobjIndexKey* n = Deepest();
    if (n->position_ < 0 || n->position_ >= n->Count32()) return;
    n->DeleteHere(n->position_);
}

void DVobjIndexKey::DeleteHere(int32_t index) {
    const bool wasLast = index == Count32() - 1;
    Delete(static_cast<size_t>(index));
    dirty_ = true;
    const int32_t n = Count32();
    if (position_ >= n) position_ = n - 1;
    if (position_ < 0) position_ = 0;
    if (!wasLast || !parent_) return;
    if (n == 0) {
        UnlinkFromParent();
    } else {
        DVobjIndexKeyData sep;
        sep.CopyFrom(*Entry(n - 1));
        sep.Target = page_;
        ReplaceSeparator(sep);
    }
}

void DVobjIndexKey::UnlinkFromParent() {
    DVobjIndexKey* p = parent_;
    const int32_t i = p->IndexOfTarget(page_);
    if (i < 0) return;
    const int32_t saved = p->position_;
    p->DeleteHere(i);
    if (p->Count32() > 0) p->position_ = saved < p->Count32() ? (saved < 0 ? 0 : saved) : p->Count32() - 1;
}

void DVobjIndexKey::LinkNewLeft(const DVobjIndexKeyData& separator) {
    if (!parent_) {
        // Root growth: a new root takes over this page number, so the tag's root page never changes.
        auto root = std::make_unique<DVobjIndexKey>(tag_, nullptr);
        root->page_ = page_;
        root->kind_ = nodekind::kNewRoot;
        // The old root keeps its kind (leaf or interior) so the format can still write it as what it is.
        page_ = tag_->Owner()->AllocatePage();
        auto* e = root->AddEntry();
        if (Count() > 0) e->CopyFrom(*Entry(Count32() - 1));
        e->Target = page_;
        root->position_ = 0;
        root->dirty_ = true;
        parent_ = root.get();
        tag_->AdoptNewRoot(std::move(root));
    }
    DVobjIndexKey* p = parent_;
    const int32_t i = p->IndexOfTarget(page_);
    if (i < 0) {
        DVobjIndexFile* file = tag_->Owner();
        file->ReportError(idxerr::kBadPointer, idxsub::kDescend, file->FileName() + ": split page not in its parent");
    }
    auto* e = new DVobjIndexKeyData();
    e->CopyFrom(separator);
    p->TdvCollection::Insert(static_cast<size_t>(i), e);
    p->dirty_ = true;
    if (p->position_ >= i) ++p->position_;
    split_ = true;
}
