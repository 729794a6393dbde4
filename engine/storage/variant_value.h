// TdvVariant: the engine's tagged value, a byte buffer with a kind. Expression results and index keys are
// TdvVariants, so its conversions decide how expressions evaluate and its comparison how keys sort and match.
//
// Encodings by kind (all little-endian, as the machine holds them):
//   text     the characters, no terminator; size = length
//   number   an 8-byte IEEE double
//   date     a 4-byte Julian day number (see TdvDBFDate)
//   boolean  1 byte, 0 false, anything else true
//   binary   raw bytes, compared byte by byte
// A value with no data or size 0 is empty for every conversion and comparison, whatever its kind. A binary
// value read as a number or a date that is shorter than that encoding reads as if padded with zero bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum TdvVariantKind : uint8_t { vkEmpty = 0, vkText = 1, vkNumber = 2, vkDate = 3, vkBoolean = 4, vkBinary = 5 };

class TdvVariant {
public:
    // An empty value; the buffer is allocated when capacity > 0. REQUIRES capacity >= 0.
    explicit TdvVariant(int32_t capacity = 0);
    TdvVariant(const TdvVariant& other);
    TdvVariant& operator=(const TdvVariant& other);
    TdvVariant(TdvVariant&& other) noexcept;
    TdvVariant& operator=(TdvVariant&& other) noexcept;
    virtual ~TdvVariant() = default;

    TdvVariantKind Kind() const { return kind_; }
    int32_t Size() const { return size_; }
    int32_t Capacity() const { return capacity_; }
    const uint8_t* Data() const { return data_.get(); }
    uint8_t* Data() { return data_.get(); }
    // The bytes in use as characters (any kind).
    std::string_view Bytes() const {
        return data_ ? std::string_view(reinterpret_cast<const char*>(data_.get()), size_) : std::string_view();
    }
    // No data or size 0.
    bool IsEmpty() const { return !data_ || size_ == 0; }

    // Frees the buffer: no data, capacity, size and kind 0.
    void Clear();
    // size = n. A larger n than the capacity replaces the buffer by one of n bytes holding the old bytes and
    // makes the kind empty; otherwise the buffer stays (it never shrinks). Raises ERangeError for n < 0.
    void SetSize(int32_t n);
    // Copies buffer, capacity, size and kind; nullptr clears and answers false.
    bool Assign(const TdvVariant* other);

    void SetText(std::string_view text);
    void SetNumber(double value);
    void SetDate(int32_t day);
    void SetBoolean(bool value);
    void SetBinary(const void* bytes, int32_t n);
    // Appends n bytes to the existing ones and makes the value binary; nothing for no bytes or n <= 0.
    void AppendBytes(const void* bytes, int32_t n);

    // Text values only (others are left alone): pad with blanks to n characters; drop trailing blanks;
    // replace each character c by table[c] (256 bytes) or, with no table, by its locale upper case.
    void PadTo(int32_t n);
    void TrimRight();
    void Translate(const uint8_t* table);

    // Conversions; an empty value gives false, 0, 0 and "". Text that is no number or no date raises
    // EConvertError (AsNumber, AsDate).
    bool AsBoolean() const;
    int32_t AsDate() const;
    double AsNumber() const;
    std::string AsText() const;

    // This value against other: -1, 0 or 1. *position (when given) receives the 1-based place of the first
    // differing character of a text or binary comparison (n + 1 when the shorter n are equal), else 0. table
    // is a 256-byte collation weight table or nullptr. When this text is a proper prefix of other's text the
    // result is prefixResult (0 lets a shorter key match, -1 keeps strict order). Kinds must agree, except that
    // a binary side takes the other side's kind; else EOrdaneError 65159. Allocates nothing.
    int Compare(const TdvVariant* other, int32_t* position, const uint8_t* table, int prefixResult) const;
    // As Compare, but a number on the left compares its 8 bytes raw against other's bytes.
    int CompareRaw(const TdvVariant* other, int32_t* position, const uint8_t* table, int prefixResult) const;

private:
    int CompareAs(TdvVariantKind kind, const TdvVariant* other, int32_t* position, const uint8_t* table,
                  int prefixResult) const;
    double BytesAsDouble() const;
    int32_t BytesAsInt32() const;

    std::unique_ptr<uint8_t[]> data_;  // the value's bytes, capacity_ long
    int32_t capacity_ = 0;             // bytes allocated
    int32_t size_ = 0;                 // bytes in use
    TdvVariantKind kind_ = vkEmpty;
};
