#include "engine/cursor/db_handler.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "engine/cursor/file_names.h"
#include "engine/cursor/index_formats.h"
#include "engine/cursor/index_list.h"
#include "engine/cursor/table_expression.h"
#include "engine/expr/exp_value.h"
#include "engine/index/index_file.h"
#include "engine/index/index_key.h"
#include "engine/index/index_tag.h"
#include "engine/index/key_field.h"
#include "engine/storage/crypt.h"
#include "engine/storage/errors.h"
#include "engine/storage/huge_set.h"
#include "engine/storage/memo_file.h"
#include "engine/storage/os_services.h"
#include "engine/storage/record_buffer_scope.h"
#include "engine/storage/restore.h"
#include "engine/storage/trim_split.h"
#include "framework/base/variant.h"

namespace {

constexpr int32_t kKeyCapacity = 256;
// File name without folder and extension, upper case.
std::string BaseName(const std::string& s) {
    std::string name = s.substr(filename::NameStart(s));
    const size_t dot = name.find('.');
    if (dot != std::string::npos) name.resize(dot);
    return os::UpperCase(name);
}

// A key or FOR expression of an index file, compiled against the table's field bindings.
class HandlerKeyExpression : public TdvKeyExpression {
public:
    HandlerKeyExpression(DVO_dBaseFld* table, const std::string& text) : expr_(table), text_(text) {
        expr_.SetExpression(text);
    }
    int Evaluate(TdvVariant& value) override { return expr_.EvaluateToKey(value); }
    std::string Text() const override {
        std::string printed = expr_.AsText();
        return printed.empty() ? text_ : printed;
    }

private:
    TdvTableExpression expr_;
    std::string text_;
};

}  // namespace

// The handler as its index files see it.
class DVO_dBHandler::Owner : public TdvIndexOwner {
public:
    explicit Owner(DVO_dBHandler* handler) : h_(handler) {}
    std::string TableFileName() const override { return h_->OsName(); }
    int32_t RecordCount() override { return h_->DVO_dBaseDBF::RecordCount(); }
    int32_t CurrentRecord() override { return h_->DVO_dBaseDBF::CurrentRecord(); }
    void ReadRecordPhysical(int32_t n) override { h_->DVO_dBaseFld::GetRecord(n); }
    uint8_t* RecordBuffer() override { return h_->DVO_dBaseDBF::RecordBuffer(); }
    void SetRecordBuffer(uint8_t* buffer) override { h_->DVO_dBaseDBF::SetRecordBuffer(buffer); }
    const uint8_t* SavedRecord() override { return h_->SavedCopy(); }
    bool AnyFieldChanged() override { return h_->AnyFieldChanged(); }
    bool ExactMatch() override { return h_->exactMatch; }
    bool Encrypted() override { return h_->IsEncrypted(); }
    std::string ReadKey() override { return h_->readPassword; }
    std::string WriteKey() override { return h_->writePassword; }
    std::unique_ptr<TdvKeyExpression> CompileExpression(const std::string& text) override {
        return std::make_unique<HandlerKeyExpression>(h_, text);
    }
    [[noreturn]] void ReportError(int32_t code, int32_t subCode, const std::string& info) override {
        h_->FoundError(code, subCode, info);
        ReporterReturned();
    }
    void StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) override { h_->StatusUpdate(stat1, stat2, stat3); }
    bool NumericField(const std::string& expression, int32_t& width, int32_t& decimals) override {
        return NumericKeyField(*h_, expression, width, decimals);
    }

private:
    DVO_dBHandler* h_;
};

// Holds the index locks of one handler operation and releases exactly them when it ends.
class DVO_dBHandler::IndexLockScope {
public:
    IndexLockScope(DVO_dBHandler& handler, bool wanted) : h_(handler) {
        if (!wanted) return;
        held_ = h_.LockIndexes();
        if (held_) ++h_.indexLockDepth_;
    }
    ~IndexLockScope() {
        if (!held_) return;
        --h_.indexLockDepth_;
        h_.UnlockIndexes();
    }
    IndexLockScope(const IndexLockScope&) = delete;
    IndexLockScope& operator=(const IndexLockScope&) = delete;
    bool Held() const { return held_; }

private:
    DVO_dBHandler& h_;
    bool held_ = false;
};

namespace {
// Restores the handler's read-ahead setting when a scan ends, on every path.
class ReadAheadScope {
public:
    explicit ReadAheadScope(DVO_dBHandler& handler) : h_(handler), saved_(handler.ReadAheadOn()) {}
    ~ReadAheadScope() {
        try {
            h_.SetReadAhead(saved_);
        } catch (...) {
            // Only the allocation can fail; physical reads then simply go to the file.
        }
    }
    ReadAheadScope(const ReadAheadScope&) = delete;
    ReadAheadScope& operator=(const ReadAheadScope&) = delete;

private:
    DVO_dBHandler& h_;
    bool saved_;
};
}  // namespace

DVO_dBHandler::DVO_dBHandler(const std::string& fileName, const std::string& password, bool readWrite, bool shared)
    : DVO_dBaseFld(fileName, password, readWrite, shared), owner_(std::make_unique<Owner>(this)) {}

TdvIndexOwner* DVO_dBHandler::IndexOwner() const { return owner_.get(); }

DVO_dBHandler::~DVO_dBHandler() {
    filterSet_.reset();
    filterExpr_.reset();
    // Index files write what is dirty through their owner, which must still be whole.
    CloseIndexFiles();
    readAhead_.Free();
    readAheadOn_ = false;
}

// --- overrides of the table ----------------------------------------------------------------------------------

int32_t DVO_dBHandler::ReadAt(uint64_t position, void* buffer, int32_t count) {
    if (!readAheadOn_ || !readAhead_.Allocated() || position < static_cast<uint64_t>(HeaderLength()) ||
        count > readAhead_.Size())
        return DVO_DiskFile::ReadAt(position, buffer, count);
    if (readAhead_.NeedsRefill(position, RecordLength())) {
        readAhead_.Invalidate();
        const int32_t got = DVO_DiskFile::ReadAt(position, readAhead_.Data(), readAhead_.Size());
        // A block cut short by the end of the file is no error in itself.
        error_ = 0;
        readAhead_.Filled(position, got);
    }
    const int32_t got = readAhead_.Copy(position, buffer, count);
    if (got < count) error_ = errcode::kShortRead;
    return got;
}

void DVO_dBHandler::WriteAt(uint64_t position, const void* buffer, int32_t count) {
    DVO_DiskFile::WriteAt(position, buffer, count);
    if (readAheadOn_ && readAhead_.Allocated()) readAhead_.WriteThrough(position, buffer, count, RecordLength());
}

bool DVO_dBHandler::Rename(const std::string& newName) {
    const std::string oldBase = BaseName(Name());
    DVO_dBaseFld::Rename(newName);
    for (auto& file : indexFiles_)
        if (file && BaseName(file->FileName()) == oldBase) file->RenameFile(newName);
    return true;
}

void DVO_dBHandler::AppendRecord() {
    IndexLockScope lock(*this, true);
    if (!lock.Held()) FoundError(errcode::kLockViolation, subcode::kWrite, Name());
    DVO_dBaseFld::AppendRecord();
}

void DVO_dBHandler::PutRecord(int32_t n) {
    outOfView_ = false;
    IndexLockScope lock(*this, true);
    if (!lock.Held()) FoundError(errcode::kLockViolation, subcode::kWrite, Name());
    DVO_dBaseFld::PutRecord(n);
}

bool DVO_dBHandler::TableEvent(int event, int32_t value) {
    // Re-encryption rewrites records unchanged: neither keys nor filter results move, and index blocks must
    // not be rewritten under a key that their re-encryption then applies a second time.
    if (tableState == tsReencrypting) return DVO_dBaseFld::TableEvent(event, value);
    if (event == tblevent::kAfterWrite) {
        const int32_t current = CurrentRecord();
        std::exception_ptr filterError;
        if (filterExpr_ && filterSet_ && filterExpr_->OperandCount() > 0 && current > 0) {
            try {
                bool passes = false;
                filterExpr_->Evaluate(passes);
                filterSet_->Change(current, passes ? TdvHugeSet::hsSet : TdvHugeSet::hsClear);
            } catch (...) {
                // The record is written already: its keys must still follow, so the error waits.
                filterSet_->Change(current, TdvHugeSet::hsClear);
                filterError = std::current_exception();
            }
        }
        for (auto& file : indexFiles_)
            if (file) file->UpdateKeys(current, value == 0);
        outOfView_ = false;
        if (master_) {
            outOfView_ = master_->SyncToRecord(current) != current;
            SetBof(master_->Bof());
            SetEof(master_->Eof());
        }
        if (filterActive_ && !outOfView_) outOfView_ = !filterSet_->Test(current);
        if (master_ && !filterActive_) {
            SetEof(value == 0 || value == DVO_dBaseDBF::RecordCount());
            SetBof(value == 1);
        }
        const bool result = DVO_dBaseFld::TableEvent(event, value);
        if (filterError) std::rethrow_exception(filterError);
        return result;
    }
    if (event == tblevent::kAfterFlush) {
        if (master_) master_->ReleaseNodes();
        for (auto& file : indexFiles_)
            if (file && file->Disk()) file->Disk()->Flush();
        outOfView_ = false;
        if (master_) {
            master_->ResetCursor(1);
            outOfView_ = master_->SyncToRecord(CurrentRecord()) != CurrentRecord();
        }
    }
    return DVO_dBaseFld::TableEvent(event, value);
}

void DVO_dBHandler::SetLockProtocol(TdvLokProtocol protocol) {
    DVO_dBaseFld::SetLockProtocol(protocol);
    for (auto& file : indexFiles_)
        if (file) file->SetLockProtocol(protocol);
}

bool DVO_dBHandler::UsesIndexLocking() { return IndexFileCount() > 0; }

// --- positioning ---------------------------------------------------------------------------------------------

bool DVO_dBHandler::Visible() {
    if (!useDeleted && IsDeleted()) return false;
    return RecordVisible();
}

bool DVO_dBHandler::RecordVisible() { return true; }

int32_t DVO_dBHandler::ScanFilterSet(int32_t from, int step) const {
    const int32_t highest = filterSet_->Highest();
    if (step > 0) {
        for (int32_t n = std::max(from, 1); n <= highest; ++n)
            if (filterSet_->Test(n)) return n;
    } else {
        for (int32_t n = std::min(from, highest); n >= 1; --n)
            if (filterSet_->Test(n)) return n;
    }
    return 0;
}

void DVO_dBHandler::GetRecord(int32_t request) {
    outOfView_ = false;
    if (tableState != tsNormal) {
        DVO_dBaseFld::GetRecord(request);
        return;
    }
    TdvRestore<bool> keepReadAhead(readAheadOn_);
    SetEof(false);
    SetBof(false);
    int32_t produced = 0;
    const int32_t follow = (request == recreq::kFirst || request == recreq::kReread) ? recreq::kNext
                           : request == recreq::kLast                                 ? recreq::kPrior
                                                                                      : request;
    int32_t step = request;
    bool accepted = false;
    do {
        if (master_ && follow < 0) {
            bool candidate = false;
            do {
                readAheadOn_ = false;
                const int32_t r = master_->Navigate(step);
                produced = r;
                SetEof(master_->Eof());
                SetBof(master_->Bof());
                if (filterActive_ && !filterSet_->Test(r)) {
                    step = follow;
                } else {
                    step = r;
                    candidate = true;
                }
            } while (!candidate && !Eof() && !Bof());
        } else if (filterActive_ && step < 0) {
            const int32_t current = CurrentRecord();
            int32_t found = 0;
            if (filterSet_->Highest() < 1) {
                SetBof(true);
                SetEof(true);
            } else {
                switch (step) {
                    case recreq::kFirst:
                    case recreq::kLast:
                        found = ScanFilterSet(step == recreq::kFirst ? 1 : filterSet_->Highest(),
                                              step == recreq::kFirst ? 1 : -1);
                        // Nothing between 1 and the highest bit: nothing passes at all.
                        if (found == 0) {
                            SetBof(true);
                            SetEof(true);
                        }
                        break;
                    case recreq::kNext:
                        found = ScanFilterSet(current + 1, 1);
                        if (found == 0) SetEof(true);
                        break;
                    case recreq::kPrior:
                        found = ScanFilterSet(current - 1, -1);
                        if (found == 0) SetBof(true);
                        break;
                    case recreq::kReread:
                        // A re-read record that left the filter moves on like any hidden record.
                        found = current > 0 && filterSet_->Test(current) ? current : ScanFilterSet(current + 1, 1);
                        if (found == 0) SetEof(true);
                        break;
                    default: break;
                }
            }
            if (found > 0) {
                step = found;
                produced = found;
            }
        }
        if (Eof() || Bof()) break;
        DVO_dBaseFld::GetRecord(step);
        if (step == 0 || step > DVO_dBaseDBF::RecordCount()) {
            BlankRecord();
            return;
        }
        accepted = follow < 0 ? Visible() : true;
        step = follow;
    } while (!accepted && !Eof() && !Bof());

    const int32_t current = CurrentRecord();
    if (master_ && produced != current && !Eof() && !Bof())
        outOfView_ = master_->SyncToRecord(current) != current;
    if (filterActive_ && !outOfView_ && produced != current && !Eof() && !Bof())
        outOfView_ = !filterSet_->Test(current);
    // Under this protocol a move ends any index lock a caller left behind; the handler's own scoped locks
    // (seeks, writes) release themselves.
    if (LockProtocol() == TdvLokProtocol::ClipLock && indexLockDepth_ == 0) UnlockIndexes();
}

void DVO_dBHandler::SkipRecords(int32_t count) {
    if (count == 0) {
        GetRecord(recreq::kReread);
        return;
    }
    const int32_t direction = count > 0 ? recreq::kNext : recreq::kPrior;
    const int32_t boundary = count > 0 ? recreq::kLast : recreq::kFirst;
    const int64_t n = count > 0 ? int64_t{count} : -int64_t{count};
    int32_t target = CurrentRecord();
    bool moved = true;
    if (!filterRequested_ && useDeleted) {
        if (master_) {
            for (int64_t i = 0; i < n; ++i) {
                const int32_t r = master_->Navigate(direction);
                if (r > 0) {
                    target = r;
                } else {
                    target = master_->Navigate(boundary);
                    moved = false;
                    break;
                }
            }
            if (target != 0) {
                // The tag is where it should be; the record is read physically beside it.
                TdvRestore<DVobjIndexTag*> detach(master_, nullptr);
                GetRecord(target);
            }
        } else {
            const int64_t wanted = int64_t{CurrentRecord()} + count;
            const int32_t total = DVO_dBaseDBF::RecordCount();
            if (wanted > total) {
                target = total;
                moved = false;
            } else if (wanted < 1) {
                target = 1;
                moved = false;
            } else {
                target = static_cast<int32_t>(wanted);
            }
            GetRecord(target);
        }
        if (!moved) {
            SetEof(count > 0);
            SetBof(count < 0);
        }
        return;
    }
    for (int64_t i = 0; i < n && !Eof() && !Bof(); ++i) GetRecord(direction);
}

bool DVO_dBHandler::FindKey(const std::string& key) {
    if (DVO_dBaseDBF::RecordCount() == 0) {
        RefreshHeader();
        if (DVO_dBaseDBF::RecordCount() == 0) return false;
    }
    IndexLockScope lock(*this, LockProtocol() == TdvLokProtocol::ClipLock);
    if (LockProtocol() == TdvLokProtocol::ClipLock && !lock.Held()) return false;
    if (!master_) {
        GetRecord(recreq::kLast);
        SetEof(true);
        return false;
    }
    DVobjIndexKeyData search(kKeyCapacity);
    search.SetText(key);
    search.Target = -1;
    bool found = false;
    const int32_t r = master_->Seek(search);
    if (r >= 1) {
        DVO_dBaseFld::GetRecord(r);
        // A seek lands on the first entry of the key, which may be hidden; the view goes on from there.
        while (!Eof() && !(Visible() && (!filterActive_ || filterSet_->Test(CurrentRecord())))) SkipRecords(1);
        if (!Eof()) {
            master_->ConvertKey(search, true);
            const DVobjIndexKeyData& current = master_->CurrentKey();
            int32_t position = 0;
            const int c = search.Compare(&current, &position, nullptr, -1);
            const bool prefix = search.Kind() == vkText && search.Size() < current.Size() &&
                                position > search.Size();
            found = c == 0 || (!exactMatch && prefix);
        }
    }
    if (!found) {
        GetRecord(recreq::kLast);
        SetEof(true);
    }
    return found;
}

int32_t DVO_dBHandler::FindTagKey(const std::string& tagName, const std::string& key) {
    IndexLockScope lock(*this, LockProtocol() == TdvLokProtocol::ClipLock);
    if (LockProtocol() == TdvLokProtocol::ClipLock && !lock.Held()) return -1;
    DVobjIndexTag* tag = nullptr;
    for (auto& file : indexFiles_)
        if (file && (tag = file->TagByName(tagName)) != nullptr) break;
    if (!tag) return -1;
    DVobjIndexKeyData search(kKeyCapacity);
    search.SetText(key);
    search.Target = -1;
    TdvRestore<bool> exact(exactMatch, true);
    return tag->SeekNoMove(search);
}

// --- locks ---------------------------------------------------------------------------------------------------

bool DVO_dBHandler::LockIndexes() {
    int32_t locked = 0;
    try {
        for (int32_t slot = 0; slot < kIndexSlots; ++slot) {
            DVobjIndexFile* file = indexFiles_[slot].get();
            if (!file || !file->Disk()) {
                ++locked;
                continue;
            }
            if (!file->Lock()) {
                for (int32_t i = 0; i < locked; ++i)
                    if (indexFiles_[i] && indexFiles_[i]->Disk()) indexFiles_[i]->Disk()->UnlockRegion();
                os::SetLastError(errcode::kLockViolation);
                return false;
            }
            ++locked;
        }
    } catch (...) {
        // A lock that gave up after its retries: the ones already held must not stay behind.
        for (int32_t i = 0; i < locked; ++i)
            if (indexFiles_[i] && indexFiles_[i]->Disk()) indexFiles_[i]->Disk()->UnlockRegion();
        throw;
    }
    // Another process may have rewritten a file while we did not hold it: its cached pages are stale.
    for (auto& file : indexFiles_) {
        if (!file || !file->ChangedOnDisk()) continue;
        for (int32_t t = 0; t < file->TagCount(); ++t) {
            DVobjIndexTag* tag = file->TagAt(t);
            if (tag == master_) tag->ResetCursor(1);
            else tag->ReleaseNodes();
        }
    }
    return true;
}

bool DVO_dBHandler::UnlockIndexes() {
    for (auto& file : indexFiles_)
        if (file && file->Disk()) file->Disk()->UnlockRegion();
    return true;
}

// --- read-ahead ----------------------------------------------------------------------------------------------

void DVO_dBHandler::SetReadAhead(bool on) {
    if (!readAheadAllowed_) on = false;
    if (on) {
        if (readAheadOn_ && readAhead_.Allocated()) return;
        readAhead_.Allocate(RecordLength());
        readAheadOn_ = true;
    } else {
        readAhead_.Free();
        readAheadOn_ = false;
    }
}

// --- index files and order -----------------------------------------------------------------------------------

DVobjIndexFile* DVO_dBHandler::IndexFile(int32_t slot) const {
    if (slot < 1 || slot > kIndexSlots) return nullptr;
    return indexFiles_[static_cast<size_t>(slot - 1)].get();
}

int32_t DVO_dBHandler::IndexFileCount() const {
    return static_cast<int32_t>(std::count_if(indexFiles_.begin(), indexFiles_.end(),
                                              [](const auto& f) { return f != nullptr; }));
}

std::string DVO_dBHandler::IndexFileName(const std::string& name) const {
    std::string full = os::UpperCase(textutil::Trim(name));
    if (filename::NameStart(full) == 0) full = Name().substr(0, filename::NameStart(Name())) + full;
    if (filename::Extension(full).empty()) full += TdvIndexFormats::DefaultExtension();
    return full;
}

int32_t DVO_dBHandler::FindIndexFile(const std::string& name) const {
    for (int32_t slot = kIndexSlots; slot >= 1; --slot) {
        const DVobjIndexFile* file = indexFiles_[static_cast<size_t>(slot - 1)].get();
        if (file && file->MatchesName(name)) return slot;
    }
    return 0;
}

int32_t DVO_dBHandler::AddIndexFile(std::unique_ptr<DVobjIndexFile> file) {
    if (!file) return 0;
    for (int32_t slot = 1; slot <= kIndexSlots; ++slot) {
        auto& place = indexFiles_[static_cast<size_t>(slot - 1)];
        if (!place) {
            place = std::move(file);
            return slot;
        }
    }
    // The file is freed with its owning pointer as the error leaves.
    throw ERangeError("Index file slot " + std::to_string(kIndexSlots + 1) + " is outside 1.." +
                      std::to_string(kIndexSlots));
}

int32_t DVO_dBHandler::OpenIndexFile(const std::string& name) {
    const std::string given(textutil::Trim(name));
    if (given.empty()) return -1;
    const std::string full = IndexFileName(given);
    if (FindIndexFile(full) != 0) return -1;
    std::unique_ptr<DVobjIndexFile> file;
    if (TdvIndexOpener opener = TdvIndexFormats::Find(filename::Extension(full)))
        file = opener(owner_.get(), !IsReadWrite(), IsShared(), given);
    if (file && file->Opened() && !file->Failed()) {
        DVobjIndexFile* added = file.get();
        AddIndexFile(std::move(file));
        added->SetLockProtocol(LockProtocol());
        return 0;
    }
    const int32_t code = file && file->Failed() ? idxerr::kBadHeader : errcode::kFileNotFound;
    file.reset();
    FoundError(code, subcode::kNone, full);
    ReporterReturned();
}

int32_t DVO_dBHandler::OpenIndexList(const std::string& list, const std::string& tagName) {
    CloseIndexFiles();
    const std::vector<std::string> names = SplitIndexList(list);
    if (names.empty()) return 1;
    for (const std::string& name : names) {
        const int32_t result = OpenIndexFile(name);
        if (result != 0) return result;
    }
    SelectOrder(tagName, true);
    return 0;
}

void DVO_dBHandler::CloseIndexFiles() {
    master_ = nullptr;
    for (auto& file : indexFiles_) file.reset();
}

DVobjIndexTag* DVO_dBHandler::TagByNumber(int32_t n) const {
    if (n <= 0) return nullptr;
    int32_t seen = 0;
    for (const auto& file : indexFiles_) {
        if (!file) continue;
        if (n <= seen + file->TagCount()) return file->TagAt(n - seen - 1);
        seen += file->TagCount();
    }
    return nullptr;
}

int32_t DVO_dBHandler::SelectOrder(const std::string& tagName, bool keepPosition) {
    const std::string name = os::UpperCase(textutil::Trim(tagName));
    if (name.empty()) {
        ClearRange();
        if (master_) master_->ReleaseNodes();
        master_ = nullptr;
        SetReadAhead(true);
        if (!keepPosition) GetRecord(recreq::kFirst);
        return 0;
    }
    int32_t slot = 0;
    DVobjIndexTag* tag = nullptr;
    for (int32_t s = 1; s <= kIndexSlots && !tag; ++s) {
        DVobjIndexFile* file = IndexFile(s);
        if (file && (tag = file->TagByName(name)) != nullptr) slot = s;
    }
    if (!tag) throw EOrdaneError(FormatResource(resmsg::kNoSuchTag, {tagName}), resmsg::kNoSuchTag, subcode::kNone);
    ClearRange();
    if (master_) master_->ReleaseNodes();
    master_ = nullptr;
    SetReadAhead(false);
    master_ = tag;
    master_->ResetCursor(1);
    if (keepPosition && CurrentRecord() > 0) {
        GetRecord(CurrentRecord());
        if (outOfView_) GetRecord(recreq::kFirst);
    } else {
        GetRecord(recreq::kFirst);
    }
    return slot;
}

// --- ranges --------------------------------------------------------------------------------------------------

bool DVO_dBHandler::SetRange(const std::string& low, const std::string& high, bool lowInclusive, bool highFlag,
                             bool partialHigh) {
    if (!master_) return false;
    DVobjIndexKeyData lowKey(kKeyCapacity), highKey(kKeyCapacity);
    if (!low.empty()) lowKey.SetText(low);
    if (!high.empty()) highKey.SetText(high);
    const bool changed = master_->SetKeyRange(low.empty() ? nullptr : &lowKey, high.empty() ? nullptr : &highKey,
                                              partialHigh, lowInclusive, highFlag);
    if (changed) GetRecord(recreq::kFirst);
    if (Bof()) BlankRecord();
    return changed;
}

void DVO_dBHandler::ClearRange() {
    if (master_) master_->SetKeyRange(nullptr, nullptr, false, false, false);
}

// --- filter --------------------------------------------------------------------------------------------------

void DVO_dBHandler::ScanFilter() {
    GetRecord(recreq::kFirst);
    while (!Eof() && !Bof()) {
        bool passes = false;
        if (filterExpr_->Evaluate(passes) == exptype::kLogical && passes)
            filterSet_->Change(CurrentRecord(), TdvHugeSet::hsSet);
        GetRecord(recreq::kNext);
    }
}

void DVO_dBHandler::PrepareScan() {
    if (!master_ || !master_->HasRange()) {
        master_ = nullptr;
        SetReadAhead(true);
        // A scan starts from what is on disk now, not from a block read earlier.
        readAhead_.Invalidate();
    }
}

void DVO_dBHandler::SetFilter(const std::string& text, bool caseInsensitive, bool partialCompare) {
    const bool requested = filterRequested_;
    filterActive_ = false;
    if (!filterSet_) filterSet_ = std::make_unique<TdvHugeSet>();
    if (!filterExpr_) filterExpr_ = std::make_unique<TdvTableExpression>(this);
    const bool empty = textutil::Trim(text).empty();
    // A text that failed before left no expression behind, so it is compiled again, never taken as set.
    const bool stale = !empty && filterExpr_->OperandCount() == 0;
    if (text != filterText_ || stale || caseInsensitive != filterExpr_->CaseInsensitive() ||
        partialCompare != filterExpr_->PartialMatch()) {
        filterText_.clear();
        filterSet_->Clear();
        filterExpr_->SetOptions(caseInsensitive, partialCompare);
        if (empty) {
            filterExpr_->Reset();
            filterText_ = text;
        } else {
            try {
                filterExpr_->SetExpression(text);
                bool passes = false;
                if (filterExpr_->Evaluate(passes) != exptype::kLogical)
                    throw EOrdaneError(FormatResource(resmsg::kFilterNotLogical), resmsg::kFilterNotLogical,
                                       subcode::kNone);
                const int32_t remembered = CurrentRecord();
                {
                    ReadAheadScope keepReadAhead(*this);
                    TdvRestore<DVobjIndexTag*> keepMaster(master_);
                    PrepareScan();
                    ScanFilter();
                }
                GetRecord(remembered);
                filterText_ = text;
            } catch (...) {
                filterExpr_->Reset();
                filterSet_->Clear();
                filterText_.clear();
                throw;
            }
        }
    }
    SetFilterActive(requested);
}

void DVO_dBHandler::SetFilterActive(bool on) {
    filterRequested_ = on;
    filterActive_ = on && filterExpr_ && filterSet_ && filterExpr_->OperandCount() > 0;
}

void DVO_dBHandler::RebuildFilter() {
    if (!filterActive_) return;
    filterActive_ = false;
    filterSet_->Clear();
    const int32_t remembered = CurrentRecord();
    {
        ReadAheadScope keepReadAhead(*this);
        TdvRestore<DVobjIndexTag*> keepMaster(master_);
        // A master tag stays: the scan follows its order and its range.
        if (!master_) {
            SetReadAhead(true);
            readAhead_.Invalidate();
        }
        ScanFilter();
    }
    GetRecord(remembered);
    SetFilterActive(true);
}

// --- locate --------------------------------------------------------------------------------------------------

bool DVO_dBHandler::FieldsMatch(const std::vector<std::pair<std::string, std::string>>& wanted, bool partial,
                                bool caseInsensitive) {
    for (size_t i = 0; i < wanted.size(); ++i) {
        std::string text = StringGetN(wanted[i].first);
        if (caseInsensitive) text = os::UpperCase(text);
        if (partial && i + 1 == wanted.size() && text.size() > wanted[i].second.size())
            text.resize(wanted[i].second.size());
        if (text != wanted[i].second) return false;
    }
    return true;
}

bool DVO_dBHandler::LocateRecord(const std::string& fieldNames, const Variant& values, bool partial,
                                 bool caseInsensitive) {
    GetRecord(recreq::kFirst);
    if (Bof() || Eof()) return false;

    // The search record lives in a buffer of its own, so the current record stays as read.
    std::vector<uint8_t> search(static_cast<size_t>(RecordLength()) + 1, ' ');
    search.back() = 0x1A;
    PutFieldsFromValues(search.data(), fieldNames, values);
    const std::vector<std::string> names = textutil::SplitNames(fieldNames);
    std::vector<std::pair<std::string, std::string>> wanted;
    {
        TdvRecordBufferScope onSearch(*this, search.data());
        for (const std::string& name : names) {
            std::string value = StringGetN(name);
            if (caseInsensitive) value = os::UpperCase(value);
            wanted.emplace_back(name, std::move(value));
        }
    }
    if (wanted.empty()) return false;

    TdvRestore<DVobjIndexTag*> keepMaster(master_);
    DVobjIndexTag* candidate = nullptr;
    bool moreKeyFields = false;
    if ((!master_ || !master_->HasRange()) && !caseInsensitive) {
        std::string located;
        for (const std::string& name : names) located += os::UpperCase(name) + ";";
        for (int32_t n = 0; !candidate; ++n) {
            DVobjIndexTag* tag = n == 0 ? master_ : TagByNumber(n);
            if (n > 0 && !tag) break;
            if (!tag || !tag->ForExpression().empty()) continue;
            std::string list;
            try {
                TdvTableExpression key(this);
                key.SetExpression(tag->KeyExpression());
                list = key.CollectNames(lkTableField);
            } catch (const std::exception&) {
                continue;
            }
            if (list.empty()) list = ";";
            if (list.back() != ';') list += ';';
            std::replace_if(list.begin(), list.end(), [](char c) { return c == '+' || c == '-'; }, ';');
            const bool longer = list.size() > located.size();
            if (longer) list.resize(located.size());
            if (list == located) {
                candidate = tag;
                moreKeyFields = longer;
            }
        }
    }

    bool found = false;
    if (candidate) {
        master_ = candidate;
        DVobjIndexKeyData key(kKeyCapacity);
        {
            TdvRecordBufferScope onSearch(*this, search.data());
            bool ok = false;
            candidate->EvaluateKey(key, ok);
        }
        const std::string keyText = key.AsText();
        // A key with fields beyond the located ones cannot match exactly: seek its located part as a prefix
        // and let the field comparison decide, as the scan does.
        TdvRestore<bool> exact(exactMatch, moreKeyFields ? false : !partial);
        found = FindKey(keyText);
        DVobjIndexKeyData prefix(kKeyCapacity);
        prefix.SetText(keyText);
        candidate->ConvertKey(prefix, true);
        while (found && !FieldsMatch(wanted, partial, false)) {
            GetRecord(recreq::kNext);
            found = !Eof() && !Bof() && prefix.Compare(&candidate->CurrentKey(), nullptr, nullptr, 0) == 0;
        }
    } else {
        {
            ReadAheadScope keepReadAhead(*this);
            PrepareScan();
            GetRecord(recreq::kFirst);
            while (!Eof() && !Bof()) {
                if (FieldsMatch(wanted, partial, caseInsensitive)) {
                    found = true;
                    break;
                }
                GetRecord(recreq::kNext);
            }
        }
    }
    master_ = keepMaster.Saved();
    if (found) GetRecord(CurrentRecord());
    return found;
}

// --- re-encryption -------------------------------------------------------------------------------------------

bool DVO_dBHandler::AnyFieldChanged() const {
    return std::any_of(fieldChanged_.begin(), fieldChanged_.end(), [](uint8_t c) { return c != 0; });
}

void DVO_dBHandler::ChangePassword(const std::string& newPassword) {
    if (IsShared()) FoundError(errcode::kAccessDenied, subcode::kSharedPassword, Name());
    if ((IsEncrypted() && newPassword == readPassword) || (!IsEncrypted() && newPassword.empty())) return;

    // Index pages still held are written under the old key before anything changes.
    for (auto& file : indexFiles_)
        if (file)
            for (int32_t t = 0; t < file->TagCount(); ++t) file->TagAt(t)->ReleaseNodes();

    TdvRestore<TdvTableState> state(tableState, tsReencrypting);
    const bool wasEncrypted = IsEncrypted();
    const std::string oldRead = readPassword;
    const std::string oldWrite = writePassword;
    if (!wasEncrypted) readPassword.clear();
    writePassword = newPassword;
    SetEncrypted(true);
    DVobjMemo* memo = nullptr;
    const int32_t remembered = CurrentRecord();
    try {
        memo = HasMemo() ? OpenMemo() : nullptr;
        if (memo) {
            memo->encrypted = true;
            memo->readPassword = readPassword;
            memo->writePassword = newPassword;
        }
        {
            ReadAheadScope keepReadAhead(*this);
            TdvRestore<DVobjIndexTag*> keepMaster(master_, nullptr);
            SetReadAhead(true);
            readAhead_.Invalidate();
            std::vector<uint8_t> memoBytes;
            // The state makes every move physical, deleted records included.
            for (GetRecord(recreq::kFirst); !Eof(); GetRecord(recreq::kNext)) {
                if (memo) {
                    for (int32_t f = 1; f <= FieldCount(); ++f) {
                        const TdvFieldDesc* field = Field(f);
                        if (!field || !IsMemoField(*field)) continue;
                        const int32_t size = MemoSize(f);
                        if (size <= 0) continue;
                        memoBytes.assign(static_cast<size_t>(size) + 1, 0);
                        const int32_t got = MemoRead(f, memoBytes.data(), size);
                        MemoWrite(f, memoBytes.data(), got);
                    }
                }
                PutRecord(CurrentRecord());
            }
            std::vector<uint8_t> area(DescriptorArea());
            const int32_t length = std::min<int32_t>(CipherAreaLength(), static_cast<int32_t>(area.size()));
            CryptBuffer(newPassword, area.data(), area.data(), length, 1);
            if (length > 0) WriteAt(32, area.data(), length);
        }
        for (auto& file : indexFiles_)
            if (file) file->Reencrypt();
    } catch (...) {
        // What was rewritten cannot be taken back; the keys go back to the ones the header still names.
        readPassword = oldRead;
        writePassword = oldWrite;
        SetEncrypted(wasEncrypted);
        if (memo) memo->readPassword = memo->writePassword = oldRead;
        throw;
    }
    readPassword = newPassword;
    SetEncrypted(!newPassword.empty());
    if (memo) memo->readPassword = newPassword;
    MarkHeaderDirty();
    WriteHeader();
    tableState = state.Saved();
    for (auto& file : indexFiles_)
        if (file)
            for (int32_t t = 0; t < file->TagCount(); ++t) file->TagAt(t)->ReleaseNodes();
    if (master_) master_->ResetCursor(1);
    GetRecord(remembered);
}
