// The data-access layer's exceptions and message texts. Every condition the layer itself detects raises
// EDatabaseError with one of the texts below, without a component prefix, so callers and tests can match them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "framework/base/exception.h"

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// The silent exception: an operation was abandoned on purpose (an error event answered daAbort). Exception
// displays are expected to ignore it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

namespace dbmsg {
inline constexpr const char* DataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* DataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* DataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* DataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* NotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* CircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* FieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* FieldNotFound = "Field '%s' not found";
inline constexpr const char* FieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* FieldSizeMismatch = "Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr const char* DataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* FieldRequired = "Field '%s' must have a value";
inline constexpr const char* FieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* InvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* InvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* InvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* InvalidDate = "'%s' is not a valid date";
inline constexpr const char* InvalidDateTime = "'%s' is not a valid date and time";
inline constexpr const char* FieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* DuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* FieldNameMissing = "Field name missing";
inline constexpr const char* FieldIndexError = "Field index out of range";
inline constexpr const char* RecordNotFound = "Record not found";
inline constexpr const char* RecordIndexError = "Record index out of range";
inline constexpr const char* BufferCountError = "Invalid buffer count %d";
inline constexpr const char* ListIndexError = "List index out of bounds (%d)";
inline constexpr const char* NoDataSource = "Data link has no data source";
}  // namespace dbmsg

// Fills a message: each "%s" or "%d" takes the next argument as text, "%%" is a percent sign; other characters
// are copied. Missing arguments leave the placeholder empty; spare arguments are ignored.
std::string FormatMessageArgs(std::string_view format, std::initializer_list<std::string> args);

inline std::string MessageArgText(const std::string& s) { return s; }
inline std::string MessageArgText(std::string_view s) { return std::string(s); }
inline std::string MessageArgText(const char* s) { return s ? s : ""; }
inline std::string MessageArgText(int v) { return std::to_string(v); }
inline std::string MessageArgText(long long v) { return std::to_string(v); }
inline std::string MessageArgText(double v) { return std::to_string(v); }

template <typename... Args>
std::string FormatMessage(std::string_view format, const Args&... args) {
    return FormatMessageArgs(format, {MessageArgText(args)...});
}

// Raises EDatabaseError with the message.
[[noreturn]] void DatabaseError(const std::string& message);

template <typename... Args>
[[noreturn]] void DatabaseErrorFmt(std::string_view format, const Args&... args) {
    DatabaseError(FormatMessage(format, args...));
}
