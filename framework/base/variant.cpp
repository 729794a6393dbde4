#include "framework/base/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
[[noreturn]] void BadConversion() { throw Exception("Invalid variant type conversion"); }
}  // namespace

bool Variant::AsBoolean() const {
    switch (GetType()) {
        case Type::Boolean: return std::get<bool>(value_);
        case Type::Number: return std::get<double>(value_) != 0;
        case Type::Text: {
            const std::string& s = std::get<std::string>(value_);
            if (s == "True" || s == "TRUE" || s == "true") return true;
            if (s == "False" || s == "FALSE" || s == "false") return false;
            BadConversion();
        }
        default: BadConversion();
    }
}

double Variant::AsNumber() const {
    switch (GetType()) {
        case Type::Boolean: return std::get<bool>(value_) ? -1.0 : 0.0;
        case Type::Number: return std::get<double>(value_);
        case Type::Text: {
            const std::string& s = std::get<std::string>(value_);
            char* end = nullptr;
            double d = std::strtod(s.c_str(), &end);
            if (s.empty() || *end != '\0') BadConversion();
            return d;
        }
        default: BadConversion();
    }
}

std::string Variant::AsString() const {
    switch (GetType()) {
        case Type::Null: return {};
        case Type::Boolean: return std::get<bool>(value_) ? "True" : "False";
        case Type::Number: {
            double d = std::get<double>(value_);
            char buf[40];
            if (std::floor(d) == d && std::fabs(d) < 1e15)
                std::snprintf(buf, sizeof buf, "%.0f", d);
            else
                std::snprintf(buf, sizeof buf, "%.15g", d);
            return buf;
        }
        case Type::Text: return std::get<std::string>(value_);
        default: BadConversion();
    }
}

const Variant::Array& Variant::AsArray() const {
    if (!IsArray()) BadConversion();
    return std::get<Array>(value_);
}

const Variant& Variant::operator[](size_t i) const {
    if (!IsArray()) {
        if (i == 0) return *this;
        throw ERangeError();
    }
    const Array& a = std::get<Array>(value_);
    if (i >= a.size()) throw ERangeError();
    return a[i];
}
