// TdvByteView and TdvWriteView: a bounded view over the bytes of a header, descriptor, memo block or index page.
//
// Every integer the engine reads from or writes into a file image goes through one of these. A view knows its
// length and checks offset + size against it before every access; a bad offset raises the one error the view was
// given (the corrupt-structure code of the file kind in hand, with the file's name), so a hostile file can steer
// neither a read, a write nor an allocation. Little- and big-endian accessors for 16, 32 and 64 bits, since FoxPro
// memo headers and CDX interior pages are big-endian.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// What a view reports when an access falls outside it.
struct TdvStructure {
    int32_t code;           // the corrupt-structure code of the file kind (errcode::kBadHeader, ...)
    int32_t subCode;        // the operation under way
    std::string_view name;  // the file or structure, for the message; must outlive the view
};

class TdvByteView {
public:
    TdvByteView(const uint8_t* data, size_t size, TdvStructure kind) : data_(data), size_(size), kind_(kind) {}
    TdvByteView(const void* data, size_t size, TdvStructure kind)
        : TdvByteView(static_cast<const uint8_t*>(data), size, kind) {}

    size_t Size() const { return size_; }
    const uint8_t* Data() const { return data_; }
    const TdvStructure& Kind() const { return kind_; }

    // True when [at, at + count) lies inside the view.
    bool Holds(size_t at, size_t count) const { return at <= size_ && count <= size_ - at; }
    // Raises the view's error unless [at, at + count) lies inside it.
    void Check(size_t at, size_t count) const {
        if (!Holds(at, count)) Fail(at, count);
    }
    // The checked sub-range [at, at + count), reporting the same error.
    TdvByteView Sub(size_t at, size_t count) const {
        Check(at, count);
        return TdvByteView(data_ + at, count, kind_);
    }
    // A checked pointer to count bytes at at.
    const uint8_t* Bytes(size_t at, size_t count) const {
        Check(at, count);
        return data_ + at;
    }
    std::string_view Text(size_t at, size_t count) const {
        return {reinterpret_cast<const char*>(Bytes(at, count)), count};
    }

    uint8_t U8(size_t at) const { return *Bytes(at, 1); }
    uint16_t U16LE(size_t at) const { return static_cast<uint16_t>(LE(at, 2)); }
    uint32_t U32LE(size_t at) const { return static_cast<uint32_t>(LE(at, 4)); }
    uint64_t U64LE(size_t at) const { return LE(at, 8); }
    uint16_t U16BE(size_t at) const { return static_cast<uint16_t>(BE(at, 2)); }
    uint32_t U32BE(size_t at) const { return static_cast<uint32_t>(BE(at, 4)); }
    uint64_t U64BE(size_t at) const { return BE(at, 8); }
    int32_t I32LE(size_t at) const { return static_cast<int32_t>(U32LE(at)); }
    int32_t I32BE(size_t at) const { return static_cast<int32_t>(U32BE(at)); }
    // An IEEE double stored little-endian.
    double F64LE(size_t at) const {
        const uint64_t bits = U64LE(at);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }

    // Raises the view's error for an access of count bytes at at; never returns.
    [[noreturn]] void Fail(size_t at, size_t count) const;

private:
    // One unaligned load, then the byte order fixed: the hot paths (record numbers of index entries) read
    // millions of these.
    uint64_t LE(size_t at, size_t count) const {
        uint64_t v = 0;
        std::memcpy(&v, Bytes(at, count), count);
        if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
        return v;
    }
    uint64_t BE(size_t at, size_t count) const {
        uint64_t v = 0;
        std::memcpy(&v, Bytes(at, count), count);
        if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v) >> (64 - 8 * count);
        return v;
    }

    const uint8_t* data_;  // first byte of the range; not owned
    size_t size_;          // bytes in the range
    TdvStructure kind_;    // what a bad access reports
};

class TdvWriteView : public TdvByteView {
public:
    TdvWriteView(uint8_t* data, size_t size, TdvStructure kind) : TdvByteView(data, size, kind), out_(data) {}
    TdvWriteView(void* data, size_t size, TdvStructure kind)
        : TdvWriteView(static_cast<uint8_t*>(data), size, kind) {}

    TdvWriteView Sub(size_t at, size_t count) {
        Check(at, count);
        return TdvWriteView(out_ + at, count, Kind());
    }
    uint8_t* Bytes(size_t at, size_t count) {
        Check(at, count);
        return out_ + at;
    }
    using TdvByteView::Bytes;

    void PutU8(size_t at, uint8_t v) { *Bytes(at, 1) = v; }
    void PutU16LE(size_t at, uint16_t v) { PutLE(at, 2, v); }
    void PutU32LE(size_t at, uint32_t v) { PutLE(at, 4, v); }
    void PutU64LE(size_t at, uint64_t v) { PutLE(at, 8, v); }
    void PutU16BE(size_t at, uint16_t v) { PutBE(at, 2, v); }
    void PutU32BE(size_t at, uint32_t v) { PutBE(at, 4, v); }
    void PutU64BE(size_t at, uint64_t v) { PutBE(at, 8, v); }
    void PutI32LE(size_t at, int32_t v) { PutU32LE(at, static_cast<uint32_t>(v)); }
    void PutI32BE(size_t at, int32_t v) { PutU32BE(at, static_cast<uint32_t>(v)); }
    void PutF64LE(size_t at, double d) {
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        PutU64LE(at, bits);
    }
    // Copies count bytes from source to at.
    void Put(size_t at, const void* source, size_t count) {
        if (count > 0) std::memcpy(Bytes(at, count), source, count);
    }
    void Fill(size_t at, size_t count, uint8_t value) {
        if (count > 0) std::memset(Bytes(at, count), value, count);
    }

private:
    void PutLE(size_t at, size_t count, uint64_t v) {
        uint8_t* p = Bytes(at, count);
        for (size_t i = 0; i < count; ++i, v >>= 8) p[i] = static_cast<uint8_t>(v);
    }
    void PutBE(size_t at, size_t count, uint64_t v) {
        uint8_t* p = Bytes(at, count);
        for (size_t i = count; i-- > 0; v >>= 8) p[i] = static_cast<uint8_t>(v);
    }

    uint8_t* out_;  // the same range as the base, writable
};
