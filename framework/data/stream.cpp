#include "framework/data/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

int64_t TStream::Size() {
    int64_t here = Seek(0, TSeekOrigin::soFromCurrent);
    int64_t end = Seek(0, TSeekOrigin::soFromEnd);
    Seek(here, TSeekOrigin::soFromBeginning);
    return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count < 0) throw EStreamError("Stream read error");
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char chunk[8192];
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, sizeof chunk);
        source.ReadBuffer(chunk, n);
        WriteBuffer(chunk, n);
        left -= n;
    }
    return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= Size()) return 0;
    int64_t n = std::min(count, Size() - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (position_ > std::numeric_limits<int64_t>::max() - count) throw EStreamError("Stream write error");
    int64_t end = position_ + count;
    if (end > Size()) data_.resize(static_cast<size_t>(end), 0);
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == TSeekOrigin::soFromBeginning ? 0 : origin == TSeekOrigin::soFromCurrent ? position_ : Size();
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) || base + offset < 0)
        throw EStreamError("Invalid stream position");
    position_ = base + offset;
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0) throw EStreamError("Invalid stream size");
    data_.resize(static_cast<size_t>(size), 0);
    if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    Clear();
    CopyFrom(source, 0);
    position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& destination) {
    if (!data_.empty()) destination.WriteBuffer(data_.data(), Size());
}
