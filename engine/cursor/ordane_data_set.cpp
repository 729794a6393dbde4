#include "engine/cursor/ordane_data_set.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/cursor/blob_stream.h"
#include "engine/cursor/database_aliases.h"
#include "engine/cursor/file_names.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"
#include "engine/storage/record_buffer_scope.h"
#include "engine/storage/restore.h"
#include "framework/data/date_time.h"
#include "framework/data/db_error.h"
#include "framework/data/field.h"

namespace {

constexpr int kBookmarkSize = 11;
constexpr int kInfoSize = 4 + 1 + kBookmarkSize;  // record number, bookmark flag, bookmark
constexpr int kFlagOffset = 4;
constexpr int kBookmarkOffset = 5;

// Messages of the adaptor that the engine's resource table holds.
std::string Resource(int id, std::initializer_list<std::string_view> args = {}) { return FormatResource(id, args); }
constexpr const char* kNotIndexed = "Field '%s' is not indexed and cannot be modified";

// The record number a bookmark holds; 0 when it is no number.
int32_t BookmarkNumber(const char* bookmark) {
    int64_t n = 0;
    bool digits = false;
    for (int i = 0; i < kBookmarkSize - 1; ++i) {
        const char c = bookmark[i];
        if (c == ' ' && !digits) continue;
        if (c < '0' || c > '9') return 0;
        digits = true;
        n = n * 10 + (c - '0');
    }
    return digits && n <= INT32_MAX ? static_cast<int32_t>(n) : 0;
}

int32_t BookmarkNumber(const TBookmark& bookmark) {
    return bookmark.size() == kBookmarkSize ? BookmarkNumber(bookmark.data()) : 0;
}

std::string StampText(int32_t stamp) {
    int y = 0, m = 0, d = 0;
    if (stamp < 1 || !DecodeDateStamp(stamp, &y, &m, &d)) return std::string(8, ' ');
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", y, m, d);
    return text;
}

// The stamp of a stored "yyyymmdd" text; 0 for blanks, "00000000" and anything that is no date.
int32_t StoredDateStamp(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.size() != 8 || text == "00000000") return 0;
    for (char c : text)
        if (c < '0' || c > '9') return 0;
    const int y = std::stoi(text.substr(0, 4)), m = std::stoi(text.substr(4, 2)), d = std::stoi(text.substr(6, 2));
    return EncodeDateStamp(y, m, d);
}

int32_t RoundedInteger(long double value, int64_t low, int64_t high, const TField& field) {
    const long double r = std::round(value);
    if (!std::isfinite(static_cast<double>(r)) || r < static_cast<long double>(low) ||
        r > static_cast<long double>(high))
        DatabaseErrorFmt(dbmsg::InvalidIntegerValue, std::to_string(static_cast<double>(value)), field.DisplayName());
    return static_cast<int32_t>(r);
}

}  // namespace

// --- DBFObject ---------------------------------------------------------------------------------------------------

DBFObject::DBFObject(const std::string& fileName, TOrdaneDataSet* owner, bool shared, bool readWrite,
                     const std::string& password)
    : DVO_dBHandler(fileName, password, readWrite, shared), dataSet_(owner) {}

void DBFObject::StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) {
    if (dataSet_ && dataSet_->OnStatus) dataSet_->OnStatus(stat1, stat2, stat3);
}

bool DBFObject::RecordVisible() {
    bool accept = true;
    if (dataSet_ && dataSet_->Active() && dataSet_->Filtered() && dataSet_->OnFilterRecord) {
        TTempStateScope scope(*dataSet_, dsFilter);
        dataSet_->OnFilterRecord(*dataSet_, accept);
    }
    return accept;
}

// --- construction and properties --------------------------------------------------------------------------------

TOrdaneDataSet::TOrdaneDataSet() {
    masterLink_.OnMasterChange = [this] { MasterChanged(); };
    masterLink_.OnMasterDisable = [this] { MasterDisabled(); };
    indexFiles_.OnChange = [this](TStrings&) { IndexFilesChanged(); };
}

TOrdaneDataSet::~TOrdaneDataSet() {
    try {
        Close();
    } catch (...) {
        // Closing frees the handler; what a close event raised cannot reach anybody now.
    }
    indexFiles_.OnChange = nullptr;
    masterLink_.OnMasterChange = nullptr;
    masterLink_.OnMasterDisable = nullptr;
}

void TOrdaneDataSet::SetAutoFlush(bool value) {
    autoFlush_ = value;
    if (handler_) handler_->autoFlush = value;
}

void TOrdaneDataSet::SetDatabaseName(const std::string& value) {
    if (value == databaseName_) return;
    const std::string stored = StoredDatabaseName(value);
    CheckInactive();
    databaseName_ = stored;
    DataEvent(dePropertyChange);
}

void TOrdaneDataSet::SetEncryptionKey(const std::string& value) {
    CheckInactive();
    encryptionKey_ = value;
}

void TOrdaneDataSet::SetLockProtocol(TdvLokProtocol value) {
    lockProtocol_ = value;
    if (handler_) handler_->SetLockProtocol(value);
}

void TOrdaneDataSet::SetMasterSource(TDataSource* source) {
    if (source && IsLinkedTo(source)) DatabaseError(dbmsg::CircularDataLink);
    masterLink_.SetDataSource(source);
}

void TOrdaneDataSet::SetReadOnly(bool value) {
    readOnly_ = handler_ ? value || !handler_->IsReadWrite() : value;
}

void TOrdaneDataSet::SetTableName(const std::string& name) {
    CheckInactive();
    if (name != tableName_ && !Loading()) indexFiles_.Clear();
    tableName_ = name;
    DataEvent(dePropertyChange);
}

void TOrdaneDataSet::SetUseDeleted(bool value) {
    useDeleted_ = value;
    if (handler_) handler_->useDeleted = value;
}

void TOrdaneDataSet::SetUserID(int32_t value) {
    userId_ = value;
    if (handler_) handler_->SetUserId(value);
}

std::string TOrdaneDataSet::TableDirectory() const { return DatabaseDirectory(databaseName_); }

void TOrdaneDataSet::CheckActive() const {
    if (updatingDefs_) return;
    TDataSet::CheckActive();
}

// --- translation -------------------------------------------------------------------------------------------------

bool TOrdaneDataSet::Translating() const {
    // A table of version 0x07 (the dBase III layout written by a Windows program) holds ANSI text already.
    return translate_ && !(handler_ && handler_->Version() == kAnsiVersion);
}

int TOrdaneDataSet::Translate(const char* source, char* destination, bool toOem) {
    if (!source) {
        if (destination) destination[0] = '\0';
        return 0;
    }
    const size_t n = std::strlen(source);
    if (!destination) return static_cast<int>(n);
    if (Translating()) {
        if (toOem) os::AnsiToOem(source, destination, n);
        else os::OemToAnsi(source, destination, n);
        destination[n] = '\0';
    } else if (destination != source) {
        std::memmove(destination, source, n + 1);
    }
    return static_cast<int>(n);
}

void TOrdaneDataSet::TranslateBytes(char* text, size_t count, bool toOem) const {
    if (!Translating() || !text || count == 0) return;
    if (toOem) os::AnsiToOem(text, text, count);
    else os::OemToAnsi(text, text, count);
}

std::string TOrdaneDataSet::ToTableText(const std::string& text) const {
    return Translating() ? os::AnsiToOem(text) : text;
}

Variant TOrdaneDataSet::ToTableText(const Variant& value) const {
    if (!Translating()) return value;
    switch (value.GetType()) {
        case Variant::Type::Text: return Variant(os::AnsiToOem(value.AsString()));
        case Variant::Type::Array: {
            Variant::Array out;
            for (const Variant& v : value.AsArray()) out.push_back(ToTableText(v));
            return Variant(std::move(out));
        }
        default: return value;
    }
}

// --- buffers and bookmarks ---------------------------------------------------------------------------------------

TRecordBuffer TOrdaneDataSet::AllocRecordBuffer() {
    auto* buffer = new char[static_cast<size_t>(bufferSize_)]();
    if (recordSize_ > 0) buffer[recordSize_] = 0x1A;
    return buffer;
}

void TOrdaneDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete[] buffer;
    buffer = nullptr;
}

int32_t TOrdaneDataSet::BufferRecordNumber(TRecordBuffer buffer) const {
    if (!buffer) return 0;
    int32_t n = 0;
    std::memcpy(&n, buffer + infoPosition_, 4);
    return n;
}

void TOrdaneDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) const {
    std::memcpy(data, buffer + infoPosition_ + kBookmarkOffset, kBookmarkSize);
}

void TOrdaneDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    std::memcpy(buffer + infoPosition_ + kBookmarkOffset, data, kBookmarkSize);
}

TBookmarkFlag TOrdaneDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(buffer[infoPosition_ + kFlagOffset]);
}

void TOrdaneDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[infoPosition_ + kFlagOffset] = static_cast<char>(flag);
}

void TOrdaneDataSet::ClearCalcFields(TRecordBuffer buffer) {
    std::memset(buffer + calcPosition_, 0, static_cast<size_t>(CalcFieldsSize()));
}

void TOrdaneDataSet::InternalGotoBookmark(const void* bookmark) {
    atFirst_ = atLast_ = false;
    const int32_t n = BookmarkNumber(static_cast<const char*>(bookmark));
    bool reached = false;
    if (n > 0) {
        try {
            handler_->GetRecord(n);
            reached = !handler_->Eof() && handler_->CurrentRecord() == n;
        } catch (const std::exception&) {
        }
    }
    if (!reached) DatabaseError(Resource(resmsg::kBadBookmark) + tableName_);
}

void TOrdaneDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    InternalGotoBookmark(buffer + infoPosition_ + kBookmarkOffset);
}

bool TOrdaneDataSet::BookmarkValid(const TBookmark& bookmark) const {
    CheckActive();
    const int32_t n = BookmarkNumber(bookmark);
    return n >= 1 && handler_ && n <= handler_->RecordCount();
}

int TOrdaneDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() && b.empty()) return 0;
    if (a.empty()) return -1;
    if (b.empty()) return 1;
    // By the numbers: a collation that skips blanks would put "        10" before "         9".
    const int32_t x = BookmarkNumber(a), y = BookmarkNumber(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

// --- opening and closing -----------------------------------------------------------------------------------------

void TOrdaneDataSet::InternalInitFieldDefs() {
    FieldDefs().Clear();
    fieldMap_.clear();
    std::unique_ptr<DBFObject> temporary;
    DBFObject* table = handler_.get();
    if (!table) {
        if (tableName_.empty()) DatabaseError(Resource(resmsg::kTableNameMissing));
        std::string name = tableName_;
        if (!filename::HasExtension(name)) name += ".DBF";
        const std::string path = TableDirectory() + name;
        if (!os::FileExists(path)) DatabaseError(Resource(resmsg::kFileMissing, {path}));
        temporary = std::make_unique<DBFObject>(path, nullptr, true, false, encryptionKey_);
        table = temporary.get();
    }
    for (int32_t n = 1; n <= table->FieldCount(); ++n) {
        TFieldType type = ftUnknown;
        int size = 0;
        const int32_t length = table->FieldLength(n), decimals = table->FieldDecimals(n);
        switch (table->FieldType(n)) {
            case 'C':
                type = ftString;
                size = length;
                break;
            case 'D': type = ftDate; break;
            case 'N':
            case 'F': type = decimals > 0 ? ftFloat : length < 5 ? ftSmallint : ftInteger; break;
            case 'I': type = ftInteger; break;
            case 'L': type = ftBoolean; break;
            case 'M': type = ftMemo; break;
            case 'B':
            case 'G': type = ftBlob; break;
            case 'T': type = ftDateTime; break;
            default: continue;  // not visible through the data set
        }
        if (type == ftString && size >= 65536) continue;
        FieldDefs().Add(table->FieldName(n), type, size, false);
        fieldMap_.push_back(n);
    }
}

void TOrdaneDataSet::InternalOpen() {
    if (tableName_.empty()) DatabaseError(Resource(resmsg::kTableNameMissing));
    if (!filename::HasExtension(tableName_)) tableName_ += ".DBF";
    const std::string path = TableDirectory() + tableName_;
    if (!os::FileExists(path)) DatabaseError(Resource(resmsg::kFileMissing, {path}));
    handler_ = std::make_unique<DBFObject>(path, this, !exclusive_, !readOnly_, encryptionKey_);
    handler_->autoFlush = autoFlush_;
    handler_->useDeleted = useDeleted_;
    handler_->SetReadAhead(false);
    handler_->SetLockProtocol(lockProtocol_);
    handler_->SetUserId(userId_);
    if (!handler_->IsReadWrite()) readOnly_ = true;

    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);

    SetBookmarkSize(kBookmarkSize);
    recordSize_ = handler_->RecordLength();
    calcPosition_ = recordSize_ + 1;
    infoPosition_ = calcPosition_ + CalcFieldsSize();
    bufferSize_ = infoPosition_ + kInfoSize;
    oldRecord_.assign(static_cast<size_t>(recordSize_) + 1, ' ');

    if (Filtered()) ApplyFilter();
    InternalFirst();
    // Physical order unless IndexName names a tag; either way the handler stands on the first record.
    if (indexFiles_.Count() > 0) OpenListedIndexFiles(false);
    else handler_->SelectOrder(indexName_, false);
    editing_ = false;
    blobError_ = nullptr;
    ApplyMasterRange();
}

void TOrdaneDataSet::InternalClose() {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    handler_.reset();
    editing_ = false;
    atFirst_ = atLast_ = false;
    blobError_ = nullptr;
}

// --- fetching ----------------------------------------------------------------------------------------------------

void TOrdaneDataSet::InternalFirst() {
    atFirst_ = true;
    atLast_ = false;
}

void TOrdaneDataSet::InternalLast() {
    handler_->GetRecord(recreq::kLast);
    atLast_ = true;
}

TGetResult TOrdaneDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    bool failed = false;
    {
        TdvRecordBufferScope onBuffer(*handler_, buffer);
        try {
            switch (mode) {
                case gmNext:
                    handler_->GetRecord(atFirst_ ? recreq::kFirst : recreq::kNext);
                    atFirst_ = atLast_ = false;
                    break;
                case gmPrior:
                    handler_->GetRecord(atLast_ ? recreq::kLast : recreq::kPrior);
                    atLast_ = false;
                    break;
                case gmCurrent:
                    if (atFirst_ || atLast_) failed = true;
                    else handler_->GetRecord(recreq::kReread);
                    break;
            }
        } catch (...) {
            // Whatever the engine raised, the framework only learns that there is no such record.
            failed = true;
        }
    }
    TGetResult result = grOK;
    if (failed) result = grError;
    else if (handler_->Eof()) result = grEOF;
    else if (handler_->Bof()) result = grBOF;
    if (result == grOK) {
        const int32_t n = handler_->CurrentRecord();
        std::memcpy(buffer + infoPosition_, &n, 4);
        SetBookmarkFlag(buffer, bfCurrent);
        GetCalcFields(buffer);
        char text[kBookmarkSize + 1];
        std::snprintf(text, sizeof text, "%10d", n);
        std::memcpy(buffer + infoPosition_ + kBookmarkOffset, text, kBookmarkSize);  // the 0 byte included
    } else if (result == grError && doCheck) {
        DatabaseError(Resource(resmsg::kBeyondRange));
    }
    return result;
}

bool TOrdaneDataSet::GetCurrentRecord(TRecordBuffer buffer) {
    TRecordBuffer active = ActiveBuffer();
    if (IsEmpty() || !active || GetBookmarkFlag(active) != bfCurrent) return false;
    UpdateCursorPos();
    std::memcpy(buffer, handler_->RecordBuffer(), static_cast<size_t>(recordSize_));
    return true;
}

int TOrdaneDataSet::GetRecNo() const {
    CheckActive();
    return BufferRecordNumber(State() == dsCalcFields ? (lookupBuffer_ ? lookupBuffer_ : CalcBuffer()) : ActiveBuffer());
}

int TOrdaneDataSet::GetRecordCount() const {
    CheckActive();
    if (!handler_) return 0;
    if (!exactCount_) return handler_->RecordCount();
    const int32_t remembered = GetRecNo();
    int count = 0;
    handler_->GetRecord(recreq::kFirst);
    while (!handler_->Eof() && !handler_->Bof()) {
        ++count;
        handler_->GetRecord(recreq::kNext);
    }
    if (remembered > 0) handler_->GetRecord(remembered);
    // The walk moved the cursor away from the buffer the framework last fetched into.
    const_cast<TOrdaneDataSet*>(this)->CursorPosChanged();
    return count;
}

void TOrdaneDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    handler_->GetRecord(recNo);
    atFirst_ = atLast_ = false;
    Resync(0);
    DoAfterScroll();
}

bool TOrdaneDataSet::IsSequenced() { return handler_ && !handler_->MasterTag() && !Filtered(); }

void TOrdaneDataSet::ReadFromFile(int32_t n) {
    // The read-ahead block may be older than another process's last write.
    const bool readAhead = handler_->ReadAheadOn();
    if (readAhead) handler_->SetReadAhead(false);
    struct Restore {
        DVO_dBHandler& h;
        bool on;
        ~Restore() {
            try {
                if (on) h.SetReadAhead(true);
            } catch (...) {
            }
        }
    } restore{*handler_, readAhead};
    handler_->GetRecord(n);
}

void TOrdaneDataSet::InternalRefresh() {
    TRecordBuffer active = ActiveBuffer();
    const int32_t n = BufferRecordNumber(active);
    if (active && n > 0) {
        TdvRecordBufferScope onBuffer(*handler_, active);
        ReadFromFile(n);
    } else if (handler_->ReadAheadOn()) {
        handler_->SetReadAhead(false);
        handler_->SetReadAhead(true);
    }
    handler_->RebuildFilter();
}

// --- editing -----------------------------------------------------------------------------------------------------

void TOrdaneDataSet::InternalInitRecord(TRecordBuffer buffer) {
    TdvRecordBufferScope onBuffer(*handler_, buffer);
    handler_->BlankRecord();
}

void TOrdaneDataSet::DoAfterInsert() {
    handler_->SetEndFlags(false, true);
    TDataSet::DoAfterInsert();
}

void TOrdaneDataSet::InternalEdit() {
    TRecordBuffer active = ActiveBuffer();
    const int32_t n = BufferRecordNumber(active);
    TdvRecordBufferScope onBuffer(*handler_, active);
    handler_->GetRecord(n);
    if (!handler_->LockRecord()) DatabaseError(Resource(resmsg::kRecordLocked));
    try {
        // What another process posted before the lock was granted is what the edit starts from.
        ReadFromFile(n);
    } catch (...) {
        handler_->UnlockRegion();
        throw;
    }
    editing_ = true;
}

void TOrdaneDataSet::RefuseBlobError() {
    if (!blobError_) return;
    std::exception_ptr error = blobError_;
    blobError_ = nullptr;
    std::rethrow_exception(error);
}

void TOrdaneDataSet::InternalPost() {
    RefuseBlobError();
    TRecordBuffer active = ActiveBuffer();
    {
        TdvRecordBufferScope onBuffer(*handler_, active);
        if (State() == dsEdit) handler_->PutRecord(BufferRecordNumber(active));
        else handler_->AppendRecord();
    }
    // A failed post keeps the lock: the edit goes on and may be posted again or cancelled.
    if (editing_) handler_->UnlockRegion();
    editing_ = false;
    atFirst_ = atLast_ = false;
}

void TOrdaneDataSet::InternalCancel() {
    if (editing_ && handler_) handler_->UnlockRegion();
    editing_ = false;
    blobError_ = nullptr;
}

void TOrdaneDataSet::InternalAddRecord(TRecordBuffer buffer, bool) {
    {
        TdvRecordBufferScope onBuffer(*handler_, buffer);
        handler_->AppendRecord();
    }
    if (editing_) handler_->UnlockRegion();
    editing_ = false;
}

void TOrdaneDataSet::ChangeDeletion(bool deleted) {
    TRecordBuffer active = ActiveBuffer();
    const int32_t n = BufferRecordNumber(active);
    const int message = deleted ? resmsg::kCannotDelete : resmsg::kCannotRecall;
    TdvRecordBufferScope onBuffer(*handler_, active);
    // Deleted records are reachable for the change; the setting comes back on every path.
    TdvRestore<bool> reachable(handler_->useDeleted, true);
    bool locked = false;
    try {
        if (!active || n <= 0) throw EDatabaseError(Resource(message));
        handler_->GetRecord(n);
        locked = handler_->LockRecord();
        if (!locked) throw EDatabaseError(Resource(message));
        ReadFromFile(n);
        if (deleted) handler_->DeleteRecord();
        else handler_->UndeleteRecord();
    } catch (...) {
        if (locked) handler_->UnlockRegion();
        DatabaseError(Resource(message));
    }
    handler_->UnlockRegion();
}

void TOrdaneDataSet::InternalDelete() {
    ChangeDeletion(true);
    handler_->GetRecord(recreq::kReread);
    if (handler_->Eof()) {
        handler_->GetRecord(recreq::kPrior);
        handler_->SetEndFlags(handler_->Bof(), true);
    }
}

void TOrdaneDataSet::Recall() {
    CheckActive();
    CheckBrowseMode();
    if (IsEmpty()) DatabaseError(Resource(resmsg::kCannotRecall));
    ChangeDeletion(false);
    DataEvent(deRecordChange);
}

void TOrdaneDataSet::Post() {
    TDataSet::Post();
    if (State() == dsSetKey) SetState(dsBrowse);
}

// --- field values ------------------------------------------------------------------------------------------------

TRecordBuffer TOrdaneDataSet::StateBuffer() const {
    switch (State()) {
        case dsBrowse: return IsEmpty() ? nullptr : ActiveBuffer();
        case dsEdit:
        case dsInsert:
        case dsNewValue: return ActiveBuffer();
        case dsCalcFields: return lookupBuffer_ ? lookupBuffer_ : CalcBuffer();
        case dsFilter: return handler_ ? reinterpret_cast<char*>(handler_->RecordBuffer()) : nullptr;
        case dsOldValue:
            if (editing_ && handler_) {
                std::memcpy(oldRecord_.data(), handler_->SavedCopy(), oldRecord_.size());
                return reinterpret_cast<char*>(oldRecord_.data());
            }
            return ActiveBuffer();
        default: return nullptr;
    }
}

int32_t TOrdaneDataSet::TableField(const TField& field) const {
    const int no = field.FieldNo();
    if (no < 1 || no > static_cast<int>(fieldMap_.size())) DatabaseErrorFmt(dbmsg::FieldNotFound, field.DisplayName());
    return fieldMap_[static_cast<size_t>(no - 1)];
}

bool TOrdaneDataSet::GetFieldData(const TField& field, void* buffer) const {
    if (State() == dsBrowse && IsEmpty()) return false;
    TRecordBuffer record = StateBuffer();
    if (!record || !handler_) return false;
    if (field.FieldNo() <= 0) {
        const TDataSetState s = State();
        if (s != dsBrowse && s != dsEdit && s != dsInsert && s != dsCalcFields) return false;
        const char* slot = record + calcPosition_ + field.Offset();
        if (!slot[0]) return false;
        if (buffer && field.DataSize() > 0) std::memcpy(buffer, slot + 1, static_cast<size_t>(field.DataSize()));
        return true;
    }
    const int32_t n = TableField(field);
    TdvRecordBufferScope onBuffer(*handler_, record);
    if (buffer && field.DataSize() > 0) std::memset(buffer, 0, static_cast<size_t>(field.DataSize()));
    switch (field.DataType()) {
        case ftString: {
            const std::string text = handler_->StringGet(n);
            if (text.empty()) return false;
            if (buffer) std::memcpy(buffer, text.data(), std::min(text.size(), static_cast<size_t>(field.Size())));
            return true;
        }
        case ftSmallint: {
            const int16_t v = static_cast<int16_t>(RoundedInteger(handler_->NumberGet(n), INT16_MIN, INT16_MAX, field));
            if (buffer) std::memcpy(buffer, &v, 2);
            return true;
        }
        case ftInteger: {
            const int32_t v = RoundedInteger(handler_->NumberGet(n), INT32_MIN, INT32_MAX, field);
            if (buffer) std::memcpy(buffer, &v, 4);
            return true;
        }
        case ftBoolean: {
            const int16_t v = handler_->LogicGet(n) ? 1 : 0;
            if (buffer) std::memcpy(buffer, &v, 2);
            return true;
        }
        case ftFloat:
        case ftDateTime: {
            const double v = static_cast<double>(handler_->NumberGet(n));
            if (buffer) std::memcpy(buffer, &v, 8);
            return true;
        }
        case ftDate: {
            const int32_t stamp = StoredDateStamp(handler_->FieldGet(n));
            if (stamp <= 0) return false;
            if (buffer) std::memcpy(buffer, &stamp, 4);
            return true;
        }
        case ftMemo:
        case ftBlob: return handler_->NumberGet(n) != 0;
        case ftUnknown: break;
    }
    return false;
}

void TOrdaneDataSet::SetFieldData(TField& field, const void* buffer) {
    const TDataSetState state = State();
    if (!IsWriteState(state)) DatabaseError(dbmsg::NotEditing);
    if (state == dsSetKey && (field.FieldNo() <= 0 || (!GetIsIndexField(field) && FieldCount() > 0)))
        DatabaseErrorFmt(kNotIndexed, field.DisplayName());
    if (field.FieldNo() <= 0) {
        TRecordBuffer record = StateBuffer();
        if (record) {
            char* slot = record + calcPosition_ + field.Offset();
            slot[0] = buffer != nullptr;
            if (buffer && field.DataSize() > 0) std::memcpy(slot + 1, buffer, static_cast<size_t>(field.DataSize()));
        }
    } else {
        if (state == dsCalcFields) DatabaseError(dbmsg::NotEditing);
        if (field.ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseErrorFmt(dbmsg::FieldReadOnly, field.DisplayName());
        field.Validate(buffer);
        TRecordBuffer record = StateBuffer();
        if (field.FieldKind() != fkInternalCalc && record) {
            const int32_t n = TableField(field);
            TdvRecordBufferScope onBuffer(*handler_, record);
            switch (field.DataType()) {
                case ftString: {
                    std::string text;
                    if (buffer) {
                        const char* s = static_cast<const char*>(buffer);
                        text.assign(s, strnlen(s, static_cast<size_t>(field.Size())));
                    }
                    handler_->StringPut(n, text);
                    break;
                }
                case ftSmallint: {
                    int16_t v = 0;
                    if (buffer) std::memcpy(&v, buffer, 2);
                    handler_->NumberPut(n, v);
                    break;
                }
                case ftInteger: {
                    int32_t v = 0;
                    if (buffer) std::memcpy(&v, buffer, 4);
                    handler_->NumberPut(n, v);
                    break;
                }
                case ftBoolean: {
                    int16_t v = 0;
                    if (buffer) std::memcpy(&v, buffer, 2);
                    handler_->LogicPut(n, v != 0);
                    break;
                }
                case ftFloat:
                case ftDateTime: {
                    double v = 0;
                    if (buffer) std::memcpy(&v, buffer, 8);
                    handler_->NumberPut(n, v);
                    break;
                }
                case ftDate: {
                    int32_t stamp = 0;
                    if (buffer) std::memcpy(&stamp, buffer, 4);
                    handler_->FieldPut(n, StampText(stamp));
                    break;
                }
                case ftMemo:
                case ftBlob:
                case ftUnknown: break;
            }
        }
    }
    if (state != dsSetKey && state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, {&field, 0});
}

std::unique_ptr<TStream> TOrdaneDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    auto* blob = dynamic_cast<TBlobField*>(&field);
    if (!blob) return nullptr;
    return std::make_unique<TORBlobStream>(*blob, mode);
}
