// The framework's base exception: a message text and nothing else. With the variant beside it, it forms the
// framework's base types, which sit beneath every layer so that all of them raise and catch one family.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Raised by the range-checked arithmetic helpers wherever an integer would overflow or an index falls outside
// its declared range.
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
    explicit ERangeError(const std::string& message) : Exception(message) {}
};

// Raised by the platform's text conversions (text to number, text to date) when the text is no value.
class EConvertError : public Exception {
public:
    explicit EConvertError(const std::string& message) : Exception(message) {}
};
