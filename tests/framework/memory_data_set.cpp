#include "memory_data_set.h"

#include <algorithm>
#include <cstring>

namespace {

// Record information after the data and calculated areas: row id, bookmark flag, bookmark (the row id).
constexpr int kInfoSize = 4 + 1 + 4;

int NativeSize(TFieldType type, int size) {
    switch (type) {
        case ftString: return size + 1;
        case ftSmallint:
        case ftBoolean: return 2;
        case ftInteger:
        case ftDate:
        case ftMemo:
        case ftBlob: return 4;
        case ftFloat:
        case ftDateTime: return 8;
        case ftUnknown: break;
    }
    return 0;
}

char Rot13(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>('a' + (c - 'a' + 13) % 26);
    if (c >= 'A' && c <= 'Z') return static_cast<char>('A' + (c - 'A' + 13) % 26);
    return c;
}

}  // namespace

// The memo stream: a copy of the memo, written back as a new memo when it was changed.
class MemoryBlobStream : public TMemoryStream {
public:
    MemoryBlobStream(MemoryDataSet& ds, TBlobField& field, TBlobStreamMode mode) : ds_(ds), field_(field) {
        if (mode != bmRead) {
            if (field.ReadOnly()) DatabaseErrorFmt(dbmsg::FieldReadOnly, field.DisplayName());
            if (ds.State() != dsEdit && ds.State() != dsInsert) DatabaseError(dbmsg::NotEditing);
        }
        if (mode == bmWrite) {
            modified_ = true;
            return;
        }
        int32_t handle = 0;
        if (ds.GetFieldData(field, &handle) && handle > 0) {
            const std::string& text = ds.memos_[static_cast<size_t>(handle - 1)];
            std::string plain = text;
            if (field.Transliterate()) ds.Translate(text.c_str(), plain.data(), false);
            TMemoryStream::Write(plain.data(), static_cast<int64_t>(plain.size()));
            SetPosition(0);
        }
    }
    int64_t Write(const void* buffer, int64_t count) override {
        modified_ = true;
        return TMemoryStream::Write(buffer, count);
    }
    ~MemoryBlobStream() override {
        if (!modified_ || (ds_.State() != dsEdit && ds_.State() != dsInsert)) return;
        std::string text(Memory(), static_cast<size_t>(Size()));
        std::string stored = text;
        if (field_.Transliterate()) ds_.Translate(text.c_str(), stored.data(), true);
        int32_t handle = 0;
        if (!stored.empty()) {
            ds_.memos_.push_back(stored);
            handle = static_cast<int32_t>(ds_.memos_.size());
        }
        char* slot = ds_.ActiveBuffer() + ds_.offsets_[static_cast<size_t>(field_.FieldNo() - 1)];
        slot[0] = handle != 0;
        std::memcpy(slot + 1, &handle, 4);
        field_.SetModified(true);
        ds_.DataEvent(deFieldChange, {&field_, 0});
    }

private:
    MemoryDataSet& ds_;
    TBlobField& field_;
    bool modified_ = false;
};

MemoryDataSet::MemoryDataSet(std::vector<Column> columns) : columns_(std::move(columns)) {
    for (const Column& c : columns_) {
        offsets_.push_back(dataSize_);
        dataSize_ += 1 + NativeSize(c.type, c.size);
    }
    SetBookmarkSize(4);
}

MemoryDataSet::~MemoryDataSet() { Close(); }

void MemoryDataSet::AddRow(const Variant::Array& values) {
    Row row{nextId_++, std::vector<char>(static_cast<size_t>(dataSize_), 0)};
    for (size_t i = 0; i < columns_.size() && i < values.size(); ++i) {
        const Variant& v = values[i];
        if (v.IsNull()) continue;
        char* slot = row.data.data() + offsets_[i];
        slot[0] = 1;
        const Column& c = columns_[i];
        switch (c.type) {
            case ftString: {
                std::string s = v.AsString().substr(0, static_cast<size_t>(c.size));
                if (translate_)
                    for (char& ch : s) ch = Rot13(ch);
                std::memcpy(slot + 1, s.data(), s.size());
                break;
            }
            case ftSmallint: {
                int16_t x = static_cast<int16_t>(v.AsNumber());
                std::memcpy(slot + 1, &x, 2);
                break;
            }
            case ftBoolean: {
                int16_t x = v.AsBoolean() ? 1 : 0;
                std::memcpy(slot + 1, &x, 2);
                break;
            }
            case ftInteger: {
                int32_t x = static_cast<int32_t>(v.AsNumber());
                std::memcpy(slot + 1, &x, 4);
                break;
            }
            case ftDate: {
                int32_t stamp = 0, ms = 0;
                DateTimeToStamp(v.AsNumber(), &stamp, &ms);
                std::memcpy(slot + 1, &stamp, 4);
                break;
            }
            case ftFloat: {
                double x = v.AsNumber();
                std::memcpy(slot + 1, &x, 8);
                break;
            }
            case ftDateTime: {
                int32_t stamp = 0, ms = 0;
                DateTimeToStamp(v.AsNumber(), &stamp, &ms);
                double x = static_cast<double>(stamp) * kMSecsPerDay + ms;
                std::memcpy(slot + 1, &x, 8);
                break;
            }
            case ftMemo:
            case ftBlob: {
                memos_.push_back(v.AsString());
                int32_t h = static_cast<int32_t>(memos_.size());
                std::memcpy(slot + 1, &h, 4);
                break;
            }
            case ftUnknown: break;
        }
    }
    rows_.push_back(std::move(row));
}

std::string MemoryDataSet::RawText(int position, int column) const {
    return rows_[static_cast<size_t>(position)].data.data() + offsets_[static_cast<size_t>(column)] + 1;
}

int32_t MemoryDataSet::RowIdOf(TRecordBuffer buffer) const {
    int32_t id = 0;
    std::memcpy(&id, InfoOf(buffer), 4);
    return id;
}

int MemoryDataSet::PositionOf(int32_t id) const {
    for (int i = 0; i < RowCount(); ++i)
        if (rows_[static_cast<size_t>(i)].id == id) return i;
    return -1;
}

// --- cursor ---

TRecordBuffer MemoryDataSet::AllocRecordBuffer() {
    bufferSize_ = dataSize_ + CalcFieldsSize() + kInfoSize;
    TRecordBuffer b = new char[static_cast<size_t>(bufferSize_)];
    std::memset(b, 0, static_cast<size_t>(bufferSize_));
    return b;
}

void MemoryDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete[] buffer;
    buffer = nullptr;
}

void MemoryDataSet::InternalInitFieldDefs() {
    FieldDefs().Clear();
    for (const Column& c : columns_) FieldDefs().Add(c.name, c.type, c.type == ftString ? c.size : 0);
}

void MemoryDataSet::InternalOpen() {
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    filterRow_.assign(static_cast<size_t>(dataSize_), 0);
    oldRow_.assign(static_cast<size_t>(dataSize_), 0);
    open_ = true;
    InternalFirst();
}

void MemoryDataSet::InternalClose() {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    open_ = false;
}

bool MemoryDataSet::Visible(int position) {
    if (!Filtered() || !OnFilterRecord) return true;
    const Row& row = rows_[static_cast<size_t>(position)];
    std::memcpy(filterRow_.data(), row.data.data(), row.data.size());
    bool accept = true;
    TTempStateScope scope(*this, dsFilter);
    OnFilterRecord(*this, accept);
    return accept;
}

TGetResult MemoryDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    ++fetches;
    int n = RowCount();
    TGetResult result = grOK;
    if (mode == gmNext) {
        do ++cursor_;
        while (cursor_ < n && !Visible(cursor_));
        if (cursor_ >= n) {
            cursor_ = n;
            result = grEOF;
        }
    } else if (mode == gmPrior) {
        do --cursor_;
        while (cursor_ >= 0 && !Visible(cursor_));
        if (cursor_ < 0) {
            cursor_ = -1;
            result = grBOF;
        }
    } else if (cursor_ < 0 || cursor_ >= n || !Visible(cursor_)) {
        result = grError;
    }
    if (result == grError && doCheck) DatabaseError("Record request beyond range of table");
    if (result != grOK) return result;
    const Row& row = rows_[static_cast<size_t>(cursor_)];
    std::memcpy(buffer, row.data.data(), row.data.size());
    char* info = InfoOf(buffer);
    std::memcpy(info, &row.id, 4);
    info[4] = static_cast<char>(bfCurrent);
    std::memcpy(info + 5, &row.id, 4);
    GetCalcFields(buffer);
    return grOK;
}

void MemoryDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) const { std::memcpy(data, InfoOf(buffer) + 5, 4); }
void MemoryDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) { std::memcpy(InfoOf(buffer) + 5, data, 4); }
TBookmarkFlag MemoryDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(InfoOf(buffer)[4]);
}
void MemoryDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) { InfoOf(buffer)[4] = static_cast<char>(flag); }

void MemoryDataSet::InternalGotoBookmark(const void* bookmark) {
    int32_t id = 0;
    std::memcpy(&id, bookmark, 4);
    int pos = PositionOf(id);
    if (pos < 0) DatabaseError("Bookmark not found");
    cursor_ = pos;
}

void MemoryDataSet::InternalSetToRecord(TRecordBuffer buffer) { InternalGotoBookmark(InfoOf(buffer) + 5); }

void MemoryDataSet::InternalInitRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, static_cast<size_t>(dataSize_));
    std::memset(InfoOf(buffer), 0, 4);  // a new record has no row id yet
}

void MemoryDataSet::ClearCalcFields(TRecordBuffer buffer) {
    std::memset(buffer + dataSize_, 0, static_cast<size_t>(CalcFieldsSize()));
}

void MemoryDataSet::InternalEdit() {
    if (failEdits_ > 0) {
        --failEdits_;
        DatabaseError("Record is locked");
    }
    ++edits;
    editing_ = true;
    std::memcpy(oldRow_.data(), rows_[static_cast<size_t>(cursor_)].data.data(), oldRow_.size());
}

void MemoryDataSet::WriteRow(TRecordBuffer buffer, bool append) {
    Row row{nextId_++, std::vector<char>(buffer, buffer + dataSize_)};
    int at = RowCount();
    TBookmarkFlag flag = GetBookmarkFlag(buffer);
    if (!append && flag == bfInserted) {
        int32_t id = 0;
        GetBookmarkData(buffer, &id);
        int before = PositionOf(id);
        if (before >= 0) at = before;
    } else if (!append && flag == bfBOF) {
        at = 0;
    }
    rows_.insert(rows_.begin() + at, std::move(row));
    cursor_ = at;
}

void MemoryDataSet::InternalPost() {
    editing_ = false;
    if (State() == dsEdit) {
        int pos = PositionOf(RowIdOf(ActiveBuffer()));
        if (pos < 0) DatabaseError("Record not found");
        std::memcpy(rows_[static_cast<size_t>(pos)].data.data(), ActiveBuffer(), static_cast<size_t>(dataSize_));
        cursor_ = pos;
    } else {
        WriteRow(ActiveBuffer(), false);
    }
}

void MemoryDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) { WriteRow(buffer, append); }

void MemoryDataSet::InternalDelete() {
    if (cursor_ < 0 || cursor_ >= RowCount()) DatabaseError("Cannot delete the record");
    rows_.erase(rows_.begin() + cursor_);
}

int MemoryDataSet::GetRecNo() const {
    CheckActive();
    TRecordBuffer b = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (!b) return 0;
    return PositionOf(RowIdOf(b)) + 1;
}

int MemoryDataSet::GetRecordCount() const {
    CheckActive();
    return RowCount();
}

void MemoryDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (recNo < 1 || recNo > RowCount()) DatabaseErrorFmt("Record number %d out of range", recNo);
    cursor_ = recNo - 1;
    Resync(0);
    if (AfterScroll) AfterScroll(*this);
}

bool MemoryDataSet::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions) {
    CheckBrowseMode();
    TField& key = FieldByName(keyFields);
    int saved = cursor_;
    for (int i = 0; i < RowCount(); ++i) {
        cursor_ = i;
        std::memcpy(filterRow_.data(), rows_[static_cast<size_t>(i)].data.data(), filterRow_.size());
        Variant v;
        {
            TTempStateScope scope(*this, dsFilter);
            v = key.AsVariant();
        }
        if (v == keyValues) {
            if (BeforeScroll) BeforeScroll(*this);
            Resync(rmExact | rmCenter);
            if (AfterScroll) AfterScroll(*this);
            return true;
        }
    }
    cursor_ = saved;
    return false;
}

void MemoryDataSet::SetFiltered(bool value) {
    if (value == Filtered()) return;
    TDataSet::SetFiltered(value);
    if (Active()) First();
}

bool MemoryDataSet::BookmarkValid(const TBookmark& bookmark) const {
    if (!Active() || bookmark.size() != 4) return false;
    int32_t id = 0;
    std::memcpy(&id, bookmark.data(), 4);
    return PositionOf(id) >= 0;
}

int MemoryDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() || b.empty()) return TDataSet::CompareBookmarks(a, b);
    int32_t x = 0, y = 0;
    std::memcpy(&x, a.data(), 4);
    std::memcpy(&y, b.data(), 4);
    return x < y ? -1 : x > y ? 1 : 0;
}

// --- field values ---

TRecordBuffer MemoryDataSet::StateBuffer() const {
    switch (State()) {
        case dsBrowse:
        case dsEdit:
        case dsInsert:
        case dsNewValue: return ActiveBuffer();
        case dsCalcFields: return CalcBuffer();
        case dsFilter: return const_cast<char*>(filterRow_.data());
        case dsOldValue: return editing_ ? const_cast<char*>(oldRow_.data()) : ActiveBuffer();
        default: return nullptr;
    }
}

bool MemoryDataSet::GetFieldData(const TField& field, void* buffer) const {
    TRecordBuffer record = StateBuffer();
    if (!record) return false;
    const char* slot;
    int size = field.DataSize();
    if (field.FieldNo() <= 0) {
        if (State() == dsFilter) return false;
        slot = record + dataSize_ + field.Offset();
    } else {
        const Column& c = columns_[static_cast<size_t>(field.FieldNo() - 1)];
        slot = record + offsets_[static_cast<size_t>(field.FieldNo() - 1)];
        if (c.type == ftMemo || c.type == ftBlob) size = 4;  // the memo handle
    }
    if (!slot[0]) return false;
    if (buffer && size > 0) std::memcpy(buffer, slot + 1, static_cast<size_t>(size));
    return true;
}

void MemoryDataSet::SetFieldData(TField& field, const void* buffer) {
    TDataSetState state = State();
    if (!IsWriteState(state)) DatabaseError(dbmsg::NotEditing);
    TRecordBuffer record = StateBuffer();
    if (!record) DatabaseError(dbmsg::NotEditing);
    if (field.FieldNo() > 0) {
        if (state == dsCalcFields) DatabaseError(dbmsg::NotEditing);
        if (field.ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseErrorFmt(dbmsg::FieldReadOnly, field.DisplayName());
        field.Validate(buffer);
    }
    char* slot = field.FieldNo() > 0 ? record + offsets_[static_cast<size_t>(field.FieldNo() - 1)]
                                     : record + dataSize_ + field.Offset();
    int size = field.DataSize();
    std::memset(slot + 1, 0, static_cast<size_t>(size));
    slot[0] = buffer != nullptr;
    if (buffer) std::memcpy(slot + 1, buffer, static_cast<size_t>(size));
    if (state != dsSetKey && state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, {&field, 0});
}

int MemoryDataSet::Translate(const char* source, char* destination, bool toOem) {
    if (!translate_) return TDataSet::Translate(source, destination, toOem);
    size_t n = std::strlen(source);
    for (size_t i = 0; i <= n; ++i) destination[i] = Rot13(source[i]);
    return static_cast<int>(n);
}

std::unique_ptr<TStream> MemoryDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    auto* blob = dynamic_cast<TBlobField*>(&field);
    if (!blob || !StateBuffer()) return nullptr;
    return std::make_unique<MemoryBlobStream>(*this, *blob, mode);
}

std::vector<int32_t> RecordingLink::Rows(const MemoryDataSet& ds) const {
    std::vector<int32_t> ids;
    for (int i = 0; i < RecordCount(); ++i) ids.push_back(ds.RowIdOf(ds.Buffers(FirstRecord() + i)));
    return ids;
}
