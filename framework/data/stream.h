// Byte streams. TStream is the interface blob fields read and write their contents through; TMemoryStream
// keeps the bytes in memory. Positions are 64-bit; a position may lie beyond the end, and a write there fills
// the gap with zero bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/base/exception.h"

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

enum class TSeekOrigin { soFromBeginning, soFromCurrent, soFromEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Copies up to count bytes from the position into buffer and advances; returns the number copied.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Copies count bytes from buffer at the position and advances; returns the number written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position and returns it; a resulting position below 0 raises EStreamError.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soFromCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soFromBeginning); }
    // The content size; the default seeks to the end and back.
    virtual int64_t Size();
    // Changes the content size where the stream supports it; the default raises EStreamError.
    virtual void SetSize(int64_t size);

    // Read exactly count bytes, else EStreamError "Stream read error".
    void ReadBuffer(void* buffer, int64_t count);
    // Write exactly count bytes, else EStreamError "Stream write error".
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source's position (count 0: all of source from its start); returns the count.
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    // Grows with zero bytes or cuts; the position is kept, but never beyond a cut end.
    void SetSize(int64_t size) override;
    void Clear();
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& destination);

    const char* Memory() const { return data_.data(); }
    const std::vector<char>& Bytes() const { return data_; }

private:
    std::vector<char> data_;
    int64_t position_ = 0;
};
