// The framework's variant value: null, boolean, number (double), text, or an array of values. It carries values
// across the framework's boundary (field values, key values of Locate and Lookup, the values of a bulk field
// assignment). Text is 8-bit, in the program's ANSI code page.
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "framework/base/exception.h"

class Variant {
public:
    enum class Type { Null, Boolean, Number, Text, Array };
    using Array = std::vector<Variant>;

    Variant() = default;
    Variant(bool value) : value_(value) {}
    Variant(int value) : value_(static_cast<double>(value)) {}
    Variant(long long value) : value_(static_cast<double>(value)) {}
    Variant(double value) : value_(value) {}
    Variant(const char* value) : value_(std::string(value)) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(Array values) : value_(std::move(values)) {}

    Type GetType() const { return static_cast<Type>(value_.index()); }
    bool IsNull() const { return GetType() == Type::Null; }
    bool IsArray() const { return GetType() == Type::Array; }

    // Conversions; a value that cannot be converted raises Exception("Invalid variant type conversion").
    bool AsBoolean() const;
    double AsNumber() const;
    std::string AsString() const;
    const Array& AsArray() const;
    size_t Count() const { return IsArray() ? AsArray().size() : 1; }
    const Variant& operator[](size_t i) const;

    bool operator==(const Variant& other) const { return value_ == other.value_; }

private:
    std::variant<std::monostate, bool, double, std::string, Array> value_;
};
