#include "framework/data/data_set.h"

#include "framework/base/restore.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "framework/data/data_link.h"
#include "framework/data/data_source.h"
#include "framework/data/strings.h"

namespace {

constexpr int kMaxBufferCount = 16384;

}  // namespace

bool IsWriteState(TDataSetState state) {
    switch (state) {
        case dsEdit:
        case dsInsert:
        case dsSetKey:
        case dsCalcFields:
        case dsFilter:
        case dsNewValue:
        case dsInternalCalc: return true;
        default: return false;
    }
}

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    // The subclass has closed the cursor (its destructor must); what is left is to let go of the objects that
    // refer to this data set.
    for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) {
        source->dataSet_ = nullptr;
        source->UpdateState();
    }
    dataSources_.clear();
    for (TField* f : std::vector<TField*>(fields_.fields_)) f->dataSet_ = nullptr;
    fields_.fields_.clear();
    ownedFields_.clear();
}

// --- state ------------------------------------------------------------------------------------------------

void TDataSet::CheckActive() const {
    if (state_ == dsInactive) DatabaseError(dbmsg::DataSetClosed);
}

void TDataSet::CheckInactive() const {
    if (state_ != dsInactive) DatabaseError(dbmsg::DataSetOpen);
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) DatabaseError(dbmsg::DataSetReadOnly);
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
    TDataSetState old = state_;
    state_ = state;
    return old;
}

void TDataSet::SetActive(bool value) {
    if (value == Active() || opening_) return;
    if (value) OpenDataSet();
    else CloseDataSet();
}

void TDataSet::OpenDataSet() {
    DoBeforeOpen();
    {
        // The flag covers the cursor's opening only: links that activate with the browse state below may still
        // ask for more buffers.
        TRestore<bool> opening(opening_, true);
        try {
            defaultFields_ = fields_.Count() == 0;
            InternalOpen();
            tempBuffer_ = AllocRecordBuffer();
            int needed = NeededBufferCount();
            ClearBuffers();
            SetBufListSize(needed);
            bufferCount_ = needed;
            GetNextRecords();
            bof_ = true;
            eof_ = recordCount_ == 0;
            fieldDefs_.SetUpdated(true);
        } catch (...) {
            FreeBuffers();
            try {
                if (IsCursorOpen()) InternalClose();
            } catch (...) {
            }
            BindFields(false);
            DestroyFields();
            throw;
        }
    }
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
}

void TDataSet::CloseDataSet() {
    DoBeforeClose();
    // A pending edit is discarded; the subclass releases what it took for it (a record lock).
    if (state_ == dsEdit || state_ == dsInsert) InternalCancel();
    SetState(dsInactive);
    FreeBuffers();
    InternalClose();
    bof_ = eof_ = true;
    DoAfterClose();
}

// --- buffers ----------------------------------------------------------------------------------------------

TRecordBuffer TDataSet::ActiveBuffer() const {
    if (recordCount_ == 0 || activeRecord_ < 0 || activeRecord_ >= static_cast<int>(buffers_.size())) return nullptr;
    return buffers_[static_cast<size_t>(activeRecord_)];
}

TRecordBuffer TDataSet::Buffers(int index) const {
    if (index < 0 || index >= static_cast<int>(buffers_.size())) DatabaseError(dbmsg::RecordIndexError);
    return buffers_[static_cast<size_t>(index)];
}

void TDataSet::FreeBuffers() {
    for (TRecordBuffer& b : buffers_) FreeRecordBuffer(b);
    buffers_.clear();
    if (tempBuffer_) FreeRecordBuffer(tempBuffer_);
    tempBuffer_ = nullptr;
    calcBuffer_ = nullptr;
    bufferCount_ = 0;
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
}

// The ring has one buffer more than BufferCount: the spare that receives each fetch.
void TDataSet::SetBufListSize(int count) {
    size_t wanted = static_cast<size_t>(count) + 1;
    while (buffers_.size() < wanted) {
        buffers_.push_back(nullptr);
        buffers_.back() = AllocRecordBuffer();
    }
    while (buffers_.size() > wanted) {
        FreeRecordBuffer(buffers_.back());
        buffers_.pop_back();
    }
}

int TDataSet::NeededBufferCount() const {
    int n = 1;
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->dataLinks_) n = std::max(n, link->bufferCount_);
    return std::min(n, kMaxBufferCount);
}

void TDataSet::UpdateBufferCount() {
    if (state_ == dsInactive || opening_ || !IsCursorOpen()) return;
    SetBufferCount(NeededBufferCount());
}

void TDataSet::AdjustLinksFirstRecord(int delta) {
    if (delta == 0) return;
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->dataLinks_) link->firstRecord_ += delta;
}

void TDataSet::SetBufferCount(int count) {
    if (count == bufferCount_) return;
    if (count < bufferCount_ && recordCount_ > 0) {
        // Shrinking keeps the current record: records above it are dropped only as far as needed.
        int drop = std::max(0, activeRecord_ - count + 1);
        if (drop > 0) {
            std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.end());
            activeRecord_ -= drop;
            currentRecord_ = currentRecord_ >= drop ? currentRecord_ - drop : -1;
            recordCount_ -= drop;
            AdjustLinksFirstRecord(-drop);
        }
        if (recordCount_ > count) recordCount_ = count;
        if (currentRecord_ >= recordCount_) currentRecord_ = -1;
    }
    SetBufListSize(count);
    bufferCount_ = count;
    if (recordCount_ > 0 && recordCount_ < bufferCount_) {
        GetNextRecords();
        AdjustLinksFirstRecord(GetPriorRecords());
    }
    for (TDataSource* source : dataSources_)
        for (TDataLink* link : source->dataLinks_)
            if (link->active_) link->UpdateRange();
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
}

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = eof_ = false;
}

// Moves the buffer at from to position to, shifting those between; the cursor's buffer index follows it.
void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    auto b = buffers_.begin();
    if (from < to) std::rotate(b + from, b + from + 1, b + to + 1);
    else std::rotate(b + to, b + from, b + from + 1);
    if (currentRecord_ == from) currentRecord_ = to;
    else if (from < to && currentRecord_ > from && currentRecord_ <= to) --currentRecord_;
    else if (from > to && currentRecord_ >= to && currentRecord_ < from) ++currentRecord_;
    if (currentRecord_ >= bufferCount_) currentRecord_ = -1;
}

void TDataSet::SetCurrentRecord(int index) {
    if (currentRecord_ == index) return;
    TRecordBuffer buffer = buffers_[static_cast<size_t>(index)];
    switch (GetBookmarkFlag(buffer)) {
        case bfCurrent:
        case bfInserted: InternalSetToRecord(buffer); break;
        case bfBOF: InternalFirst(); break;
        case bfEOF: InternalLast(); break;
    }
    currentRecord_ = index;
}

void TDataSet::SetActiveRecord(int index) {
    if (index < 0 || index >= std::max(recordCount_, 1)) DatabaseError(dbmsg::RecordIndexError);
    activeRecord_ = index;
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (recordCount_ > 0) {
        SetCurrentRecord(recordCount_ - 1);
        // A new record at the bottom stands before the cursor's record: that record comes next.
        if (state_ == dsInsert && GetBookmarkFlag(buffers_[static_cast<size_t>(recordCount_ - 1)]) == bfInserted)
            mode = gmCurrent;
    }
    if (GetRecord(buffers_[static_cast<size_t>(recordCount_)], mode, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
    } else if (recordCount_ < bufferCount_) {
        ++recordCount_;
    } else {
        // Full ring: the top record leaves into the spare slot.
        std::rotate(buffers_.begin(), buffers_.begin() + 1, buffers_.begin() + recordCount_ + 1);
        if (activeRecord_ > 0) --activeRecord_;
    }
    currentRecord_ = recordCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) SetCurrentRecord(0);
    if (GetRecord(buffers_[static_cast<size_t>(recordCount_)], gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
    } else {
        std::rotate(buffers_.begin(), buffers_.begin() + recordCount_, buffers_.begin() + recordCount_ + 1);
        if (recordCount_ < bufferCount_) {
            ++recordCount_;
            ++activeRecord_;
        } else if (activeRecord_ < recordCount_ - 1) {
            ++activeRecord_;
        }
    }
    currentRecord_ = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
    return n;
}

int TDataSet::GetPriorRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
    return n;
}

// --- moving -----------------------------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        if (GetNextRecord()) GetNextRecords();
    } catch (...) {
        bof_ = true;
        DataEvent(deDataSetChange);
        throw;
    }
    bof_ = true;
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        if (GetPriorRecord()) GetPriorRecords();
    } catch (...) {
        eof_ = true;
        DataEvent(deDataSetChange);
        throw;
    }
    eof_ = true;
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        DoBeforeScroll();
        bof_ = eof_ = false;
        int shift = 0;
        try {
            while (distance > 0) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                } else {
                    int before = recordCount_;
                    if (!GetNextRecord()) {
                        eof_ = true;
                        break;
                    }
                    if (recordCount_ == before) --shift;
                    activeRecord_ = recordCount_ - 1;
                }
                --distance;
                ++moved;
            }
            while (distance < 0) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                } else {
                    if (!GetPriorRecord()) {
                        bof_ = true;
                        break;
                    }
                    ++shift;
                    activeRecord_ = 0;
                }
                ++distance;
                --moved;
            }
        } catch (...) {
            DataEvent(deDataSetScroll, {nullptr, shift});
            throw;
        }
        DataEvent(deDataSetScroll, {nullptr, shift});
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

void TDataSet::Resync(TResyncMode mode) {
    TRecordBuffer spare = buffers_[static_cast<size_t>(recordCount_)];
    if (mode & rmExact) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(dbmsg::RecordNotFound);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange);
        return;
    }
    int above = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    std::rotate(buffers_.begin(), buffers_.begin() + recordCount_, buffers_.begin() + recordCount_ + 1);
    ActivateBuffers();
    try {
        while (above > 0 && GetPriorRecord()) --above;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange);
        throw;
    }
    DataEvent(deDataSetChange);
}

// --- editing ----------------------------------------------------------------------------------------------

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    TBookmark before;
    if (recordCount_ > 0) {
        before.resize(static_cast<size_t>(bookmarkSize_));
        if (bookmarkSize_ > 0) GetBookmarkData(ActiveBuffer(), before.data());
    }
    // The spare buffer opens a row at the active position; a full ring loses its bottom record for now.
    MoveBuffer(recordCount_, activeRecord_);
    TRecordBuffer buffer = buffers_[static_cast<size_t>(activeRecord_)];
    InitRecord(buffer);
    if (recordCount_ == 0) SetBookmarkFlag(buffer, bfBOF);
    else if (bookmarkSize_ > 0) SetBookmarkData(buffer, before.data());
    if (recordCount_ < bufferCount_) ++recordCount_;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    InternalLast();
    CursorPosChanged();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange);
    DoAfterEdit();
}

void TDataSet::CheckRequiredFields() const {
    for (int i = 0; i < fields_.Count(); ++i) {
        TField& f = fields_[i];
        if (f.Required() && !f.ReadOnly() && f.FieldKind() == fkData && f.IsNull())
            DatabaseErrorFmt(dbmsg::FieldRequired, f.DisplayName());
    }
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ != dsEdit && state_ != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    DoBeforePost();
    CheckRequiredFields();
    CheckOperation([this] { InternalPost(); }, OnPostError);
    SetState(dsBrowse);
    Resync(0);
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (state_ == dsSetKey) {
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        return;
    }
    if (state_ != dsEdit && state_ != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    DoBeforeCancel();
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync(0);
    DoAfterCancel();
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert || state_ == dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) DatabaseError(dbmsg::DataSetEmpty);
    CheckCanModify();
    DataEvent(deCheckBrowseMode);
    DoBeforeDelete();
    DoBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync(0);
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::Refresh() {
    DoBeforeRefresh();
    CheckBrowseMode();
    UpdateCursorPos();
    try {
        InternalRefresh();
    } catch (...) {
        Resync(0);
        throw;
    }
    Resync(0);
    DoAfterRefresh();
}

void TDataSet::AddRecordWithValues(const Variant::Array& values, bool append) {
    if (append) Append();
    else Insert();
    SetFields(values);
    UpdateRecord();
    DoBeforePost();
    CheckRequiredFields();
    CheckOperation([this, append] { InternalAddRecord(ActiveBuffer(), append); }, OnPostError);
    SetState(dsBrowse);
    Resync(0);
    DoAfterPost();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    switch (state_) {
        case dsEdit:
        case dsInsert:
            UpdateRecord();
            if (modified_) Post();
            else Cancel();
            break;
        case dsSetKey: Post(); break;
        default: break;
    }
}

void TDataSet::UpdateRecord() {
    if (!IsWriteState(state_)) DatabaseError(dbmsg::NotEditing);
    DataEvent(deUpdateRecord);
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (errorEvent) errorEvent(*this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort();
        }
    }
}

// --- bookmarks --------------------------------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() const {
    return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && recordCount_ > 0 && bookmarkSize_ > 0 &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
    TBookmark bookmark;
    if (!BookmarkAvailable()) return bookmark;
    bookmark.resize(static_cast<size_t>(bookmarkSize_));
    GetBookmarkData(ActiveBuffer(), bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    if (static_cast<int>(bookmark.size()) != bookmarkSize_) DatabaseError("Invalid bookmark");
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.data());
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

void TDataSet::FreeBookmark(TBookmark& bookmark) const {
    bookmark.clear();
    bookmark.shrink_to_fit();
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() && b.empty()) return 0;
    if (a.empty()) return -1;
    if (b.empty()) return 1;
    size_t n = std::min(a.size(), b.size());
    int c = std::memcmp(a.data(), b.data(), n);
    if (c == 0) c = a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// --- searching --------------------------------------------------------------------------------------------

bool TDataSet::Locate(const std::string&, const Variant&, TLocateOptions) {
    CheckActive();
    return false;
}

Variant TDataSet::Lookup(const std::string&, const Variant&, const std::string&) {
    CheckActive();
    return Variant();
}

// --- controls and notifications ---------------------------------------------------------------------------

void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (disableState_ != state_) DataEvent(deUpdateState);
    if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_);
}

void TDataSet::DataEvent(TDataEvent event, const TDataEventInfo& info) {
    switch (event) {
        case deFieldChange:
            if (info.field) {
                TFieldKind kind = info.field->FieldKind();
                if (kind == fkData || kind == fkInternalCalc) modified_ = true;
                if (state_ != dsSetKey) {
                    if (kind == fkData && autoCalcFields_ && hasCalcFields_ && ActiveBuffer())
                        GetCalcFields(ActiveBuffer());
                    info.field->Change();
                }
            }
            break;
        case dePropertyChange: fieldDefs_.SetUpdated(false); break;
        default: break;
    }
    if (disableCount_ == 0) {
        NotifySources(event, info);
    } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
        enableEvent_ = deLayoutChange;
    }
}

void TDataSet::NotifySources(TDataEvent event, const TDataEventInfo& info) {
    // A handler may detach sources; each one still attached is told once.
    std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* source : sources)
        if (std::find(dataSources_.begin(), dataSources_.end(), source) != dataSources_.end())
            source->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource* source) {
    dataSources_.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
    UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const {
    std::set<const TDataSet*> seen;
    while (source) {
        const TDataSet* d = source->DataSet();
        if (!d) return false;
        if (d == this) return true;
        if (!seen.insert(d).second) return false;
        source = d->GetDataSource();
    }
    return false;
}

// --- fields -----------------------------------------------------------------------------------------------

void TDataSet::FieldDefsUpdate() {
    InternalInitFieldDefs();
    fieldDefs_.SetUpdated(true);
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs_.Count(); ++i) {
        const TFieldDef& def = fieldDefs_[i];
        std::unique_ptr<TField> field = CreateFieldOfType(def.dataType, def.size);
        if (!field) continue;
        field->fieldName_ = def.name;
        field->required_ = def.required;
        field->ownedByDataSet_ = true;
        field->dataSet_ = this;
        fields_.Add(field.get());
        ownedFields_.push_back(std::move(field));
    }
}

void TDataSet::DestroyFields() {
    for (auto& field : ownedFields_) {
        fields_.Remove(field.get());
        field->dataSet_ = nullptr;
    }
    ownedFields_.clear();
}

void TDataSet::BindFields(bool binding) {
    calcFieldsSize_ = 0;
    hasCalcFields_ = false;
    for (TField* f : fields_.fields_) {
        if (!binding) {
            f->fieldNo_ = 0;
            f->offset_ = 0;
            continue;
        }
        if (f->fieldKind_ == fkData) {
            const TFieldDef* def = fieldDefs_.FindDef(f->fieldName_);
            if (!def) DatabaseErrorFmt(dbmsg::FieldNotFound, f->DisplayName());
            if (def->dataType != f->dataType_)
                DatabaseErrorFmt(dbmsg::FieldTypeMismatch, f->DisplayName(), FieldTypeName(f->dataType_),
                                 FieldTypeName(def->dataType));
            if (f->dataType_ == ftString && def->size != f->size_)
                DatabaseErrorFmt(dbmsg::FieldSizeMismatch, f->DisplayName(), f->size_, def->size);
            f->fieldNo_ = def->fieldNo;
        } else {
            f->fieldNo_ = -1;
            f->offset_ = calcFieldsSize_;
            calcFieldsSize_ += f->DataSize() + 1;
            hasCalcFields_ = true;
        }
    }
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
    if (!hasCalcFields_ || !buffer) return;
    TRestore<TRecordBuffer> calcBuffer(calcBuffer_, buffer);
    TTempStateScope scope(*this, dsCalcFields);
    ClearCalcFields(buffer);
    DoOnCalcFields();
}

void TDataSet::GetFieldList(std::vector<TField*>& list, const std::string& fieldNames) const {
    list.clear();
    size_t start = 0;
    while (start <= fieldNames.size()) {
        size_t end = fieldNames.find(';', start);
        if (end == std::string::npos) end = fieldNames.size();
        std::string name = TrimSpace(fieldNames.substr(start, end - start));
        if (!name.empty()) list.push_back(&FieldByName(name));
        start = end + 1;
    }
}

Variant TDataSet::FieldValues(const std::string& fieldNames) const {
    std::vector<TField*> list;
    GetFieldList(list, fieldNames);
    if (list.size() == 1) return list[0]->AsVariant();
    Variant::Array values;
    for (TField* f : list) values.push_back(f->AsVariant());
    return Variant(std::move(values));
}

void TDataSet::SetFields(const Variant::Array& values) {
    if (static_cast<int>(values.size()) > fields_.Count()) DatabaseError(dbmsg::FieldIndexError);
    for (size_t i = 0; i < values.size(); ++i) fields_[static_cast<int>(i)].SetAsVariant(values[i]);
}

int TDataSet::Translate(const char* source, char* destination, bool) {
    if (!source) {
        if (destination) destination[0] = '\0';
        return 0;
    }
    size_t n = std::strlen(source);
    if (destination && destination != source) std::memmove(destination, source, n + 1);
    return static_cast<int>(n);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField&, TBlobStreamMode) { return nullptr; }
