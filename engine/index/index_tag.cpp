#include "engine/index/index_tag.h"

#include <limits>
#include <vector>

#include "engine/index/index_file.h"
#include "engine/index/index_scopes.h"
#include "engine/index/sorter.h"
#include "engine/storage/record_buffer_scope.h"
#include "engine/storage/restore.h"

namespace {
constexpr int32_t kAnyRecord = -1;
constexpr int32_t kPastEquals = std::numeric_limits<int32_t>::max();
constexpr int32_t kEvalCapacity = 256;

// Two bounds are the same when both are empty, or both hold equal values of the same kind.
bool SameBound(const DVobjIndexKeyData& a, const DVobjIndexKeyData& b) {
    if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() == b.IsEmpty();
    if (a.Kind() != b.Kind() || a.Size() != b.Size()) return false;
    return a.Compare(&b, nullptr, nullptr, -1) == 0;
}
}  // namespace

DVobjIndexTag::DVobjIndexTag(DVobjIndexFile* owner) : owner_(owner) {}

DVobjIndexTag::~DVobjIndexTag() {
    try {
        ReleaseNodes();
    } catch (...) {
        // A destructor must not throw; a failed final write leaves the file as a rebuild would find it.
    }
}

void DVobjIndexTag::ConvertKey(DVobjIndexKeyData&, bool) {}

bool DVobjIndexTag::DefineTag(const std::string& name, const std::string& keyExpression, bool unique,
                              bool ascending, const std::string& forExpression) {
    name_ = name;
    keyExpression_ = keyExpression;
    unique_ = unique;
    ascending_ = ascending;
    forExpression_ = forExpression;
    hasFor_ = !forExpression_.empty();
    PrepareKeyExpression();
    PrepareForExpression();
    return false;
}

int32_t DVobjIndexTag::RootPage() { return root_; }
void DVobjIndexTag::ReadNode(int32_t, DVobjIndexKey&) {}
void DVobjIndexTag::WriteNode(DVobjIndexKey& node) { node.dirty_ = false; }
void DVobjIndexTag::ReadHeader() { headerDirty_ = false; }
void DVobjIndexTag::WriteHeader() { headerDirty_ = false; }

void DVobjIndexTag::PrepareKeyExpression() {
    keyHandler_.reset();
    if (owner_->Owner() && !keyExpression_.empty())
        keyHandler_ = owner_->Owner()->CompileExpression(keyExpression_);
}

void DVobjIndexTag::PrepareForExpression() {
    forHandler_.reset();
    if (owner_->Owner() && !forExpression_.empty())
        forHandler_ = owner_->Owner()->CompileExpression(forExpression_);
}

bool DVobjIndexTag::EvaluateKey(DVobjIndexKeyData& key, bool& ok) {
    ok = false;
    if (!keyHandler_) return false;
    keyHandler_->Evaluate(key);
    ok = true;
    return true;
}

bool DVobjIndexTag::EvaluateFor() {
    if (!forHandler_) return false;
    TdvVariant v(16);
    if (forHandler_->Evaluate(v) != exptype::kLogical) return false;
    return v.AsBoolean();
}

void DVobjIndexTag::AddTableKeys(TdvSort& sorter) {
    TdvIndexOwner* table = owner_->Owner();
    if (!table || !keyHandler_) owner_->ReportError(idxerr::kNoTable, idxsub::kBuild, owner_->FileName());
    TdvBuildRecordScope keep(table);
    const int32_t count = table->RecordCount();
    table->StatusUpdate(-1, 1, count);
    DVobjIndexKeyData key(kEvalCapacity);
    for (int32_t n = 1; n <= count; ++n) {
        table->ReadRecordPhysical(n);
        table->StatusUpdate(1, n, 0);
        if (hasFor_ && !EvaluateFor()) continue;
        keyHandler_->Evaluate(key);
        ConvertKey(key, true);
        sorter.Add(key, n);
    }
    table->StatusUpdate(0, 0, 0);
}

std::string DVobjIndexTag::KeyExpressionText() const { return keyHandler_ ? keyHandler_->Text() : std::string(); }

int DVobjIndexTag::CompareKeys(const DVobjIndexKeyData& key, const DVobjIndexKeyData& entry, int partial) const {
    const int r = key.Compare(&entry, nullptr, collation_, partial);
    return storedDescending_ ? -r : r;
}

bool DVobjIndexTag::LoadRoot() {
    if (rootNode_) Recycle(std::move(rootNode_));
    const int32_t page = RootPage();
    std::unique_ptr<DVobjIndexKey> node = NewNode(nullptr);
    try {
        ReadNode(page, *node);
    } catch (...) {
        Recycle(std::move(node));
        throw;
    }
    rootNode_ = std::move(node);
    return true;
}

std::unique_ptr<DVobjIndexKey> DVobjIndexTag::NewNode(DVobjIndexKey* parent) {
    std::unique_ptr<DVobjIndexKey> n;
    if (spare_.empty()) {
        n = std::make_unique<DVobjIndexKey>(this, parent);
    } else {
        n = std::move(spare_.back());
        spare_.pop_back();
        n->parent_ = parent;
    }
    n->page_ = 0;
    n->leftLink_ = n->rightLink_ = -1;
    n->kind_ = nodekind::kLeaf;
    n->position_ = -1;
    n->dirty_ = n->split_ = false;
    n->atFirst_ = n->atLast_ = false;
    return n;
}

void DVobjIndexTag::Recycle(std::unique_ptr<DVobjIndexKey> node) {
    constexpr size_t kMaxSpare = 64;
    while (node) {
        std::unique_ptr<DVobjIndexKey> child = std::move(node->child_);
        if (spare_.size() < kMaxSpare) spare_.push_back(std::move(node));
        node = std::move(child);
    }
}

void DVobjIndexTag::CountLoad() {
    // A tree visits each page once per operation, a few more for equal keys spread over neighbours; the file
    // size is asked only when an operation has loaded more pages than any sound path needs.
    constexpr int64_t kFree = 64;
    if (++loads_ <= kFree) return;
    const int64_t limit = 2 * (owner_->Disk()->FileSize() / 512 + 1) + kFree;
    if (loads_ > limit)
        owner_->ReportError(idxerr::kBadPointer, idxsub::kDescend, owner_->FileName() + ": pages are linked in a loop");
}

void DVobjIndexTag::NoteLeaf(int32_t, int direction) {
    if (direction != walkDirection_) {
        walkLeaves_ = 0;
        walkDirection_ = direction;
    }
    if (++walkLeaves_ <= walkLimit_) return;
    walkLimit_ = owner_->Disk()->FileSize() / 512 + 1;
    if (walkLeaves_ > walkLimit_)
        owner_->ReportError(idxerr::kBadPointer, idxsub::kDescend,
                            owner_->FileName() + ": leaf pages are linked more than once");
}

void DVobjIndexTag::ForgetWalk() {
    loads_ = 0;
    walkLeaves_ = 0;
    walkDirection_ = 0;
}

void DVobjIndexTag::AdoptNewRoot(std::unique_ptr<DVobjIndexKey> newRoot) {
    newRoot->child_ = std::move(rootNode_);
    rootNode_ = std::move(newRoot);
    headerDirty_ = true;
}

void DVobjIndexTag::FlushNodes() {
    if (rootNode_) {
        // Deepest first: a child's split inserts into its parent, which is then written after it.
        DVobjIndexKey* n = rootNode_->Deepest();
        while (n) {
            if (n->dirty_) {
                if (n->page_ == 0) n->page_ = owner_->AllocatePage();
                WriteNode(*n);
                n->dirty_ = false;
            }
            n = n->parent_;
        }
    }
    if (headerDirty_) WriteHeader();
}

void DVobjIndexTag::ReleaseNodes() {
    FlushNodes();
    Recycle(std::move(rootNode_));
    currentKey_.Target = 0;
}

void DVobjIndexTag::ResetCursor(int mode) {
    ReleaseNodes();
    ForgetWalk();
    LoadRoot();
    if (mode == 2 || mode == 0) return;
    TdvIndexOwner* table = owner_->Owner();
    if (mode == 1 && keyHandler_ && table && rootNode_->Count() > 0) {
        const int32_t rec = table->CurrentRecord();
        if (rec >= 1 && rec <= table->RecordCount()) {
            DVobjIndexKeyData key(kEvalCapacity);
            bool ok = false;
            if (EvaluateKey(key, ok) && ok) {
                ConvertKey(key, true);
                if (rootNode_->Seek(rec, key, -1) == 0) {
                    rootNode_->ReadCurrent(currentKey_);
                    if (Navigate(recreq::kReread) != 0) return;
                }
            }
        }
    }
    Navigate(recreq::kFirst);
}

int DVobjIndexTag::RangeCheck() const {
    if (!HasRange()) return 0;
    if (eof_) return 1;
    if (bof_) return -1;
    int r = 0;
    if (!high_.IsEmpty()) {
        r = high_.Compare(&currentKey_, nullptr, collation_, highCompareMode_);
        if (storedDescending_) r = -r;
        if (highFlag_ && r == 0) r = 1;
        if (r <= 0) return r;
    }
    int c = 0;
    if (!low_.IsEmpty()) {
        c = low_.Compare(&currentKey_, nullptr, collation_, 0);
        if (storedDescending_) c = -c;
    }
    if (lowInclusive_ && c == 0) c = -1;
    if (low_.IsEmpty()) c = -1;
    return c + 1;
}

void DVobjIndexTag::MoveRangeCheck() {
    if (!HasRange() || bof_ || eof_) return;
    if (!high_.IsEmpty()) {
        int r = high_.Compare(&currentKey_, nullptr, collation_, highCompareMode_);
        if (storedDescending_) r = -r;
        if (r < 0) {
            eof_ = true;
            return;
        }
    }
    if (!low_.IsEmpty()) {
        int c = low_.Compare(&currentKey_, nullptr, collation_, 0);
        if (storedDescending_) c = -c;
        if (c > 0) bof_ = true;
    }
}

void DVobjIndexTag::SetCurrentFromPath() {
    if (!rootNode_->ReadCurrent(currentKey_)) currentKey_.Target = 0;
}

int32_t DVobjIndexTag::Seek(const DVobjIndexKeyData& key) {
    TdvIndexOwner* table = owner_->Owner();
    if (table) owner_->SetExact(table->ExactMatch());
    currentKey_.Target = 0;
    ResetCursor(0);
    if (!rootNode_) return 0;
    DVobjIndexKeyData& k = seekKey_;
    k.CopyFrom(key);
    ConvertKey(k, true);
    bof_ = eof_ = false;
    const int partial = (owner_->Exact() || updating_) ? -1 : 0;
    const int r = rootNode_->Seek(key.Target, k, partial);
    if (r == 1) {
        eof_ = true;
        return 0;
    }
    SetCurrentFromPath();
    const int range = RangeCheck();
    if (r == -1) {
        if (range < 0) eof_ = true;
        return 0;
    }
    if (range == 0) return currentKey_.Target;
    eof_ = true;
    return 0;
}

int32_t DVobjIndexTag::SeekNoMove(const DVobjIndexKeyData& key) {
    // The saved path stays out of the tag while the fresh seek runs, so it is neither written nor recycled.
    std::unique_ptr<DVobjIndexKey> savedRoot = std::move(rootNode_);
    DVobjIndexKeyData savedKey;
    savedKey.CopyFrom(currentKey_);
    const bool savedBof = bof_, savedEof = eof_;
    int32_t result = 0;
    try {
        result = Seek(key);
    } catch (...) {
        rootNode_ = std::move(savedRoot);
        currentKey_.CopyFrom(savedKey);
        bof_ = savedBof;
        eof_ = savedEof;
        throw;
    }
    ReleaseNodes();
    rootNode_ = std::move(savedRoot);
    currentKey_.CopyFrom(savedKey);
    bof_ = savedBof;
    eof_ = savedEof;
    return result;
}

int32_t DVobjIndexTag::Navigate(int code) {
    loads_ = 0;
    currentKey_.Target = 0;
    if (!rootNode_) LoadRoot();
    if (reversed_) {
        if (code == recreq::kLast) code = recreq::kFirst;
        else if (code == recreq::kFirst) code = recreq::kLast;
        else if (code == recreq::kPrior) code = recreq::kNext;
        else if (code == recreq::kNext) code = recreq::kPrior;
    }
    bof_ = eof_ = false;
    bool found = false;
    switch (code) {
    case recreq::kReread:
        found = rootNode_->CurrentEntry() != nullptr;
        bof_ = eof_ = !found;
        if (found) SetCurrentFromPath();
        MoveRangeCheck();
        break;
    case recreq::kLast:
        ResetCursor(2);
        if (high_.IsEmpty() || updating_) {
            found = rootNode_->Last();
            eof_ = !found;
            if (found) SetCurrentFromPath();
        } else {
            const int r = rootNode_->Seek(kPastEquals, high_, highCompareMode_);
            if (r == 1) found = rootNode_->Last();
            else if (r == -1) found = rootNode_->Prior();
            else found = rootNode_->CurrentEntry() != nullptr;
            if (found) SetCurrentFromPath();
            else bof_ = true;
            MoveRangeCheck();
            if (bof_) eof_ = true;
            bof_ = eof_;
        }
        break;
    case recreq::kFirst:
        ResetCursor(2);
        if (low_.IsEmpty() || updating_) {
            found = rootNode_->First();
            bof_ = !found;
            if (found) SetCurrentFromPath();
        } else {
            const int r = rootNode_->Seek(kAnyRecord, low_, 0);
            eof_ = r == 1;
            if (!eof_) SetCurrentFromPath();
            MoveRangeCheck();
            if (eof_) bof_ = true;
            eof_ = bof_;
        }
        break;
    case recreq::kPrior:
        found = rootNode_->Prior();
        bof_ = !found;
        if (found) SetCurrentFromPath();
        MoveRangeCheck();
        break;
    case recreq::kNext:
        found = rootNode_->Next();
        eof_ = !found;
        if (found) SetCurrentFromPath();
        MoveRangeCheck();
        break;
    default:
        return 0;
    }
    if (bof_ || eof_) {
        currentKey_.Target = 0;
        if (reversed_) std::swap(bof_, eof_);
    }
    return currentKey_.Target;
}

int32_t DVobjIndexTag::SyncToRecord(int32_t recordNumber) {
    if (currentKey_.Target != recordNumber) ResetCursor(1);
    return currentKey_.Target;
}

bool DVobjIndexTag::AddKey(const DVobjIndexKeyData& key) {
    ResetCursor(0);
    if (!rootNode_) return false;
    DVobjIndexKeyData k(kEvalCapacity);
    k.CopyFrom(key);
    ConvertKey(k, true);
    bof_ = eof_ = false;
    int32_t insertRecord = owner_->RecordOrdered() ? key.Target : storedDescending_ ? 0 : kPastEquals;
    if (unique_) {
        if (rootNode_->Seek(kAnyRecord, k, -1) == 0) return false;
        insertRecord = key.Target;
    }
    const int r = rootNode_->Seek(insertRecord, k, -1);
    // On 1 the seek stopped past the last entry of the rightmost leaf: insert there, at the physical end.
    rootNode_->Insert(k, false);
    FlushNodes();
    // Writing may have split pages: position afresh on the new entry.
    ResetCursor(0);
    const int again = rootNode_->Seek(insertRecord, k, -1);
    if (insertRecord == kPastEquals || again == 1) rootNode_->Prior();
    SetCurrentFromPath();
    if (r == 1) {
        if (reversed_) bof_ = true;
        else eof_ = true;
    } else {
        rootNode_->ComputeEnds();
        bof_ = rootNode_->atFirst_;
        eof_ = rootNode_->atLast_;
        if (reversed_) std::swap(bof_, eof_);
    }
    return true;
}

bool DVobjIndexTag::UpdateRecordKey(int32_t recordNumber, bool append) {
    TdvRestore<bool> updating(updating_, true);
    changed_ = false;
    TdvIndexOwner* table = owner_->Owner();
    if (!table || !keyHandler_) return false;
    const uint8_t* saved = table->SavedRecord();
    if (!saved) return false;
    if (!hasFor_ && !append && !table->AnyFieldChanged()) return false;
    bool include = hasFor_ ? EvaluateFor() : true;
    DVobjIndexKeyData newKey(kEvalCapacity);
    bool ok = false;
    EvaluateKey(newKey, ok);
    newKey.Target = newKey.OrderRecord = recordNumber;
    const bool wasLoaded = rootNode_ != nullptr;
    if (append) {
        if (include) {
            AddKey(newKey);
            changed_ = true;
        }
    } else {
        DVobjIndexKeyData oldKey(kEvalCapacity);
        {
            // The pre-edit copy is only read; the buffer pointer is restored on every path.
            TdvRecordBufferScope scope(*table, const_cast<uint8_t*>(saved));
            EvaluateKey(oldKey, ok);
        }
        oldKey.Target = oldKey.OrderRecord = recordNumber;
        const bool found = Seek(oldKey) != 0;
        if (include && oldKey.Compare(&newKey, nullptr, nullptr, -1) == 0 && oldKey.Size() == newKey.Size()) {
            include = !found;
        } else if (found) {
            rootNode_->DeleteCurrent();
            FlushNodes();
        }
        if (include) AddKey(newKey);
        changed_ = true;
    }
    if (!wasLoaded) ReleaseNodes();
    else if (!rootNode_) LoadRoot();
    return changed_;
}

bool DVobjIndexTag::SetKeyRange(const DVobjIndexKeyData* low, const DVobjIndexKeyData* high, bool partialHigh,
                                bool lowInclusive, bool highFlag) {
    DVobjIndexKeyData lo(kEvalCapacity), hi(kEvalCapacity);
    auto prepare = [this](const DVobjIndexKeyData* in, DVobjIndexKeyData& out) {
        if (!in || in->IsEmpty()) return;
        out.CopyFrom(*in);
        bool blank = out.Kind() == vkText;
        if (blank)
            for (char c : out.Bytes())
                if (c != ' ') blank = false;
        ConvertKey(out, !blank);
    };
    prepare(low, lo);
    prepare(high, hi);
    if (SameBound(lo, low_) && SameBound(hi, high_)) return false;
    low_.Clear();
    high_.Clear();
    highCompareMode_ = partialHigh ? 0 : -1;
    lowInclusive_ = lowInclusive;
    highFlag_ = highFlag;
    if (!lo.IsEmpty()) low_.CopyFrom(lo);
    if (!hi.IsEmpty()) high_.CopyFrom(hi);
    Navigate(recreq::kFirst);
    return true;
}
