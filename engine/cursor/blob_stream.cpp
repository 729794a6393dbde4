#include "engine/cursor/blob_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/cursor/ordane_data_set.h"
#include "engine/storage/record_buffer_scope.h"
#include "framework/data/db_error.h"
#include "framework/data/field.h"

namespace {

// Memo lengths are 32-bit in the table layer.
constexpr int64_t kMaxContent = std::numeric_limits<int32_t>::max() - 1;

TOrdaneDataSet& OwningDataSet(TBlobField& field) {
    auto* dataSet = dynamic_cast<TOrdaneDataSet*>(field.DataSet());
    if (!dataSet) DatabaseErrorFmt(dbmsg::DataSetMissing, field.DisplayName());
    return *dataSet;
}

bool Editing(const TDataSet& dataSet) { return dataSet.State() == dsEdit || dataSet.State() == dsInsert; }

}  // namespace

TORBlobStream::TORBlobStream(TBlobField& field, TBlobStreamMode mode)
    : field_(field), dataSet_(OwningDataSet(field)) {
    record_ = dataSet_.StateBuffer();
    if (!record_ || !dataSet_.Handler()) return;
    fieldNumber_ = dataSet_.TableField(field);
    if (mode == bmWrite || mode == bmReadWrite) {
        if (field.ReadOnly()) DatabaseErrorFmt(dbmsg::FieldReadOnly, field.DisplayName());
        if (!Editing(dataSet_)) DatabaseError(dbmsg::NotEditing);
    }
    if (mode == bmWrite) {
        modified_ = true;
        return;
    }
    DBFObject& handler = *dataSet_.Handler();
    TdvRecordBufferScope onRecord(handler, record_);
    const int32_t n = handler.MemoSize(fieldNumber_);
    if (n <= 0) return;
    data_.assign(static_cast<size_t>(n) + 1, '\0');
    const int32_t got = handler.MemoRead(fieldNumber_, data_.data(), n);
    size_ = std::clamp(got, 0, n);
    data_.resize(static_cast<size_t>(size_) + 1);
    data_[static_cast<size_t>(size_)] = '\0';
    if (field.Transliterate()) dataSet_.TranslateBytes(data_.data(), static_cast<size_t>(size_), false);
}

TORBlobStream::~TORBlobStream() {
    if (!modified_ || !Editing(dataSet_)) return;
    try {
        WriteBack();
    } catch (...) {
        // A destructor cannot raise; the post that follows refuses the record with this error instead.
        dataSet_.blobError_ = std::current_exception();
    }
}

void TORBlobStream::WriteBack() {
    TRecordBuffer active = dataSet_.ActiveBuffer();
    DBFObject* handler = dataSet_.Handler();
    if (!active || !handler) return;
    std::vector<char> stored(data_.empty() ? std::vector<char>(1, '\0') : data_);
    if (field_.Transliterate()) dataSet_.TranslateBytes(stored.data(), static_cast<size_t>(size_), true);
    bool written = false;
    {
        TdvRecordBufferScope onRecord(*handler, active);
        written = handler->MemoWrite(fieldNumber_, stored.data(), size_);
    }
    if (!written) DatabaseErrorFmt("The memo of field '%s' could not be written", field_.DisplayName());
    field_.SetModified(true);
    dataSet_.DataEvent(deFieldChange, {&field_, 0});
}

int64_t TORBlobStream::Read(void* buffer, int64_t count) {
    if (data_.empty() || count <= 0 || position_ < 0 || position_ >= size_) return 0;
    const int64_t n = std::min<int64_t>(count, size_ - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TORBlobStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (position_ < 0) throw EStreamError("Invalid stream position");
    if (position_ > kMaxContent - count) throw EStreamError("Stream write error");
    const int64_t end = position_ + count;
    // The bytes before the position stay; a gap past the old end is zero-filled; what followed is dropped.
    const int64_t kept = std::min<int64_t>(position_, size_);
    std::vector<char> next(static_cast<size_t>(end) + 1, '\0');
    if (kept > 0) std::memcpy(next.data(), data_.data(), static_cast<size_t>(kept));
    std::memcpy(next.data() + position_, buffer, static_cast<size_t>(count));
    data_ = std::move(next);
    size_ = static_cast<int32_t>(end);
    position_ = end;
    modified_ = true;
    return count;
}

int64_t TORBlobStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t base = origin == TSeekOrigin::soFromBeginning ? 0
                         : origin == TSeekOrigin::soFromCurrent ? position_
                                                                 : static_cast<int64_t>(size_);
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) ||
        (offset < 0 && base < std::numeric_limits<int64_t>::min() - offset))
        throw EStreamError("Invalid stream position");
    position_ = base + offset;
    return position_;
}

void TORBlobStream::SetSize(int64_t size) {
    if (size < 0 || size > kMaxContent) throw EStreamError("Invalid stream size");
    if (size == size_ && !data_.empty()) return;
    std::vector<char> next(static_cast<size_t>(size) + 1, '\0');
    if (!data_.empty()) std::memcpy(next.data(), data_.data(), static_cast<size_t>(std::min<int64_t>(size, size_)));
    data_ = size == 0 ? std::vector<char>() : std::move(next);
    size_ = static_cast<int32_t>(size);
    modified_ = true;
}
