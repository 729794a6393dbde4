#include "engine/storage/variant_value.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/storage/checked.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"
#include "engine/storage/number_text.h"
#include "engine/storage/os_services.h"
#include "framework/base/exception.h"

namespace {

constexpr std::string_view kTrueLetters = "TtYyJj";

int Sign(long long d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

[[noreturn]] void KindMismatch() {
    throw EOrdaneError(ResourceMessage(resmsg::kVariantMismatch), resmsg::kVariantMismatch, subcode::kNone);
}

}  // namespace

TdvVariant::TdvVariant(int32_t capacity) {
    if (capacity < 0) throw ERangeError();
    if (capacity > 0) {
        data_ = std::make_unique<uint8_t[]>(static_cast<size_t>(capacity));
        capacity_ = capacity;
    }
}

TdvVariant::TdvVariant(const TdvVariant& other) { Assign(&other); }

TdvVariant& TdvVariant::operator=(const TdvVariant& other) {
    if (this != &other) Assign(&other);
    return *this;
}

TdvVariant::TdvVariant(TdvVariant&& other) noexcept
    : data_(std::move(other.data_)), capacity_(other.capacity_), size_(other.size_), kind_(other.kind_) {
    other.capacity_ = other.size_ = 0;
    other.kind_ = vkEmpty;
}

TdvVariant& TdvVariant::operator=(TdvVariant&& other) noexcept {
    if (this != &other) {
        data_ = std::move(other.data_);
        capacity_ = other.capacity_;
        size_ = other.size_;
        kind_ = other.kind_;
        other.capacity_ = other.size_ = 0;
        other.kind_ = vkEmpty;
    }
    return *this;
}

void TdvVariant::Clear() {
    data_.reset();
    capacity_ = size_ = 0;
    kind_ = vkEmpty;
}

void TdvVariant::SetSize(int32_t n) {
    if (n < 0) throw ERangeError();
    if (n > capacity_) {
        auto grown = std::make_unique<uint8_t[]>(static_cast<size_t>(n));
        if (data_ && capacity_ > 0) std::memcpy(grown.get(), data_.get(), static_cast<size_t>(capacity_));
        data_ = std::move(grown);
        capacity_ = n;
        kind_ = vkEmpty;
    }
    size_ = n;
}

bool TdvVariant::Assign(const TdvVariant* other) {
    if (!other) {
        Clear();
        return false;
    }
    if (other == this) return true;
    std::unique_ptr<uint8_t[]> copy;
    if (other->data_ && other->capacity_ > 0) {
        copy = std::make_unique<uint8_t[]>(static_cast<size_t>(other->capacity_));
        std::memcpy(copy.get(), other->data_.get(), static_cast<size_t>(other->capacity_));
    }
    data_ = std::move(copy);
    capacity_ = data_ ? other->capacity_ : 0;
    size_ = data_ ? other->size_ : 0;
    kind_ = other->kind_;
    return true;
}

void TdvVariant::SetText(std::string_view text) {
    const int32_t n = checked::Narrow<int32_t>(text.size());
    // The text may be a view of this value's own bytes; copy before the buffer can move.
    if (data_ && !text.empty() && text.data() >= reinterpret_cast<const char*>(data_.get()) &&
        text.data() < reinterpret_cast<const char*>(data_.get()) + capacity_) {
        std::memmove(data_.get(), text.data(), text.size());
        size_ = n;
    } else {
        SetSize(n);
        if (n > 0) std::memcpy(data_.get(), text.data(), text.size());
    }
    kind_ = vkText;
}

void TdvVariant::SetNumber(double value) {
    SetSize(8);
    std::memcpy(data_.get(), &value, 8);
    kind_ = vkNumber;
}

void TdvVariant::SetDate(int32_t day) {
    SetSize(4);
    std::memcpy(data_.get(), &day, 4);
    kind_ = vkDate;
}

void TdvVariant::SetBoolean(bool value) {
    SetSize(1);
    data_[0] = value ? 1 : 0;
    kind_ = vkBoolean;
}

void TdvVariant::SetBinary(const void* bytes, int32_t n) {
    if (n < 0) throw ERangeError();
    if (!bytes) n = 0;
    SetText(std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(n)));
    kind_ = vkBinary;
}

void TdvVariant::AppendBytes(const void* bytes, int32_t n) {
    if (!bytes || n <= 0) return;
    const int32_t old = IsEmpty() ? 0 : size_;
    const int32_t total = checked::Add(old, n);
    // The bytes may lie in this value's own buffer, which growing replaces.
    const auto* src = static_cast<const uint8_t*>(bytes);
    std::ptrdiff_t selfOffset = -1;
    if (data_ && src >= data_.get() && src < data_.get() + capacity_) selfOffset = src - data_.get();
    SetSize(total);
    if (selfOffset >= 0) src = data_.get() + selfOffset;
    std::memmove(data_.get() + old, src, static_cast<size_t>(n));
    kind_ = vkBinary;
}

void TdvVariant::PadTo(int32_t n) {
    if (kind_ != vkText || n <= size_) return;
    const int32_t old = size_;
    SetSize(n);
    std::memset(data_.get() + old, ' ', static_cast<size_t>(n - old));
    kind_ = vkText;
}

void TdvVariant::TrimRight() {
    if (kind_ != vkText || !data_) return;
    while (size_ > 0 && data_[size_ - 1] == ' ') --size_;
}

void TdvVariant::Translate(const uint8_t* table) {
    if (kind_ != vkText || IsEmpty()) return;
    if (table) {
        for (int32_t i = 0; i < size_; ++i) data_[i] = table[data_[i]];
    } else {
        os::UpperCase(reinterpret_cast<char*>(data_.get()), static_cast<size_t>(size_));
    }
}

double TdvVariant::BytesAsDouble() const {
    double value = 0;
    uint8_t bytes[8] = {};
    std::memcpy(bytes, data_.get(), std::min<size_t>(8, static_cast<size_t>(size_)));
    std::memcpy(&value, bytes, 8);
    return value;
}

int32_t TdvVariant::BytesAsInt32() const {
    int32_t value = 0;
    uint8_t bytes[4] = {};
    std::memcpy(bytes, data_.get(), std::min<size_t>(4, static_cast<size_t>(size_)));
    std::memcpy(&value, bytes, 4);
    return value;
}

bool TdvVariant::AsBoolean() const {
    if (IsEmpty()) return false;
    switch (kind_) {
        case vkText: return kTrueLetters.find(static_cast<char>(data_[0])) != std::string_view::npos;
        case vkNumber: {
            const double v = BytesAsDouble();
            return v >= 1.0 || v <= -1.0;  // the truncated value is non-zero; NaN is not
        }
        case vkBoolean:
        case vkBinary: return data_[0] != 0;
        default: return false;
    }
}

int32_t TdvVariant::AsDate() const {
    if (IsEmpty()) return 0;
    switch (kind_) {
        case vkText: return DBFDate().StorageToJulian(Bytes());
        case vkNumber: {
            // Only a value that truncates to a day of the 32-bit range is a date; the round trip through the
            // storage form then drops the days no table can hold.
            const double v = BytesAsDouble();
            if (!(v >= 0.1) || v >= 2147483648.0) return 0;
            const int32_t day = static_cast<int32_t>(v);
            char storage[8];
            DBFDate().JulianToStorage(day, storage);
            return DBFDate().StorageToJulian(std::string_view(storage, 8));
        }
        case vkDate:
        case vkBinary: return BytesAsInt32();
        default: return 0;
    }
}

double TdvVariant::AsNumber() const {
    if (IsEmpty()) return 0;
    switch (kind_) {
        case vkText: {
            double v = 0;
            if (!numtext::Parse(Bytes(), os::Locale().decimalSeparator, &v))
                throw EConvertError("'" + std::string(Bytes()) + "' is not a valid floating point value");
            return v;
        }
        case vkNumber:
        case vkBinary: return BytesAsDouble();
        case vkDate: return BytesAsInt32();
        case vkBoolean: return data_[0] != 0 ? 1.0 : 0.0;
        default: return 0;
    }
}

std::string TdvVariant::AsText() const {
    if (IsEmpty()) return {};
    switch (kind_) {
        case vkText:
        case vkBinary: return std::string(Bytes());
        case vkNumber: return numtext::FormatGeneral(BytesAsDouble(), os::Locale().decimalSeparator);
        case vkDate: return DBFDate().JulianToDisplay(BytesAsInt32());
        case vkBoolean: return data_[0] != 0 ? "T" : "F";
        default: return {};
    }
}

int TdvVariant::Compare(const TdvVariant* other, int32_t* position, const uint8_t* table,
                        int prefixResult) const {
    if (position) *position = 0;
    if (kind_ == vkEmpty) return other && !other->IsEmpty() ? -1 : 0;
    if (!other) return 1;
    // A value of no kind is simply empty, whatever bytes it holds.
    if (other->kind_ == vkEmpty) return IsEmpty() ? 0 : 1;
    TdvVariantKind kind = kind_;
    if (kind_ != other->kind_) {
        if (kind_ == vkBinary) kind = other->kind_;
        else if (other->kind_ != vkBinary) KindMismatch();
    }
    return CompareAs(kind, other, position, table, prefixResult);
}

int TdvVariant::CompareRaw(const TdvVariant* other, int32_t* position, const uint8_t* table,
                           int prefixResult) const {
    if (kind_ == vkNumber && other) {
        if (position) *position = 0;
        return CompareAs(vkBinary, other, position, table, prefixResult);
    }
    return Compare(other, position, table, prefixResult);
}

int TdvVariant::CompareAs(TdvVariantKind kind, const TdvVariant* other, int32_t* position, const uint8_t* table,
                          int prefixResult) const {
    const bool thisEmpty = IsEmpty(), otherEmpty = other->IsEmpty();
    if (thisEmpty || otherEmpty) return thisEmpty == otherEmpty ? 0 : (thisEmpty ? -1 : 1);

    switch (kind) {
        case vkText:
        case vkBinary: {
            const uint8_t* a = data_.get();
            const uint8_t* b = other->data_.get();
            const int32_t n = std::min(size_, other->size_);
            const bool useTable = kind == vkText && table;
            int32_t i = 0;
            long long d = 0;
            for (; i < n; ++i) {
                d = useTable ? int{table[a[i]]} - int{table[b[i]]} : int{a[i]} - int{b[i]};
                if (d != 0) break;
            }
            if (position) *position = i + 1;
            if (d == 0) {
                d = static_cast<long long>(size_) - other->size_;
                if (kind == vkText && d < 0) return Sign(prefixResult);  // this is a proper prefix of other
            }
            return Sign(d);
        }
        case vkNumber: {
            const double a = BytesAsDouble(), b = other->BytesAsDouble();
            return a < b ? -1 : (a > b ? 1 : 0);
        }
        case vkDate: {
            const int32_t a = BytesAsInt32(), b = other->BytesAsInt32();
            return a < b ? -1 : (a > b ? 1 : 0);
        }
        case vkBoolean: {
            const bool a = data_[0] != 0, b = other->data_[0] != 0;
            return a == b ? 0 : (a ? 1 : -1);
        }
        default: return 0;
    }
}
