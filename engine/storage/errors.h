// The engine's exceptions, its error-message table and the one engine-wide reporting procedure.
//
// Every failure of a file, table, record or field operation is reported as (code, subcode, information) to the
// reporting procedure, which raises EOrdaneError with a message built from the code's text. Password problems
// raise EOrdaneEncryption and expression problems EOrdaneExpression directly, with a resource message.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "framework/base/exception.h"

class EOrdaneError : public Exception {
public:
    EOrdaneError(const std::string& message, int32_t code, int32_t subCode)
        : Exception(message), code_(code), subCode_(subCode) {}
    int32_t Code() const { return code_; }        // the reported error code
    int32_t SubCode() const { return subCode_; }  // the failing operation, -7 for none

private:
    int32_t code_;
    int32_t subCode_;
};

class EOrdaneEncryption : public Exception {
public:
    using Exception::Exception;
};

class EOrdaneExpression : public Exception {
public:
    using Exception::Exception;
};

// Subcodes: the operation that failed.
namespace subcode {
constexpr int32_t kNone = -7;
constexpr int32_t kRead = 1101, kWrite = 1102, kSize = 1105, kRename = 1106, kOpen = 1107, kCreate = 1108,
                  kTruncate = 1109, kFlush = 1111, kMemoLock = 1112, kTableOpen = 1204, kRecordRead = 1207,
                  kDateAssign = 1251, kNumberAssign = 1261, kLogicAssign = 1262, kFieldLookup = 1298,
                  kFieldType = 1299, kSharedPassword = 2105, kMemoOpen = 6101, kMemoFormat = 6199;
}  // namespace subcode

// The engine's error codes: the platform's (below 1000) and the engine's own.
namespace errcode {
constexpr int32_t kFileNotFound = 2, kPathNotFound = 3, kTooManyFiles = 4, kAccessDenied = 5,
                  kSharingViolation = 32, kLockViolation = 33, kInvalidParameter = 87, kReadError = 100,
                  kWriteError = 101, kFileNotAssigned = 102, kFileNotOpen = 103, kShortRead = 221, kExists = 183,
                  kBadHeader = 1001, kBeyondEof = 1002, kBadFieldName = 1003, kBadFieldType = 1004,
                  kMemoFormat = 1005, kBadFormula = 1006, kNumberTooLarge = 1011, kPasswordForPlain = 1269,
                  kNoPassword = 1270, kBadPassword = 1271;
}  // namespace errcode

// The ids of the resource messages. EOrdaneError raised with one carries the id as its code.
namespace resmsg {
constexpr int kCannotEvaluate = 65152, kMissingParenthesis = 65153, kMissingPeriod = 65154,
              kMissingQuote = 65155, kExpectingLogical = 65156, kSyntaxError = 65157, kVariantAppend = 65158,
              kVariantMismatch = 65159, kCannotSort = 65160, kSortKeyTooLong = 65161, kSortKeysClosed = 65162,
              kNoSuchTag = 65163, kLockFailed = 65164, kPasswordForPlain = 65165, kNoPassword = 65166,
              kBadPassword = 65167, kCannotDelete = 65168, kCannotRecall = 65169, kBadBookmark = 65170,
              kRecordLocked = 65171, kBusyIndexing = 65172, kBusyCopying = 65173, kFilterNotLogical = 65174,
              kNotEditing = 65175, kNoMasterIndex = 65176, kMasterMismatch = 65177, kNoFunction = 65178,
              kArgumentNeeded = 65179, kMissingOperand = 65180, kSidesMismatch = 65181, kInvalidValue = 65182,
              kUnknownName = 65183, kTableNameMissing = 65195, kFileMissing = 65196, kErrorGetting = 65197,
              kAlreadyOpen = 65198, kBeyondRange = 65199;
}  // namespace resmsg

// The text of a code in the message table, or nullptr when the code is not listed.
const char* ErrorText(int32_t code);
// Builds the message the default reporter raises for (code, subcode, information).
std::string FormatErrorMessage(int32_t code, int32_t subCode, std::string_view information);

// The reporting procedure: never returns. Every engine object reports through it exactly once: an object's
// FoundError (or an index owner's ReportError) passes the error on to its owner's or to this procedure, never to
// both, since none of them returns.
//
// A replacement hook (SetErrorReporter) may raise an exception of its own; one that returns is followed by the
// default raise here, in this one place, so no caller has to guard against a reporter that returns.
using TdvErrorReporter = void (*)(int32_t code, int32_t subCode, const std::string& information);
[[noreturn]] void ReportError(int32_t code, int32_t subCode, const std::string& information);
void SetErrorReporter(TdvErrorReporter reporter);  // nullptr restores the default
[[noreturn]] void DefaultErrorReporter(int32_t code, int32_t subCode, const std::string& information);
// Ends a path that called a virtual reporter (an object's FoundError, an index owner's ReportError). They never
// return, but the compiler cannot know that of a virtual call. One that returned broke its contract: the process
// stops rather than carry on from the failed operation or report the error a second time.
[[noreturn]] void ReporterReturned();

// The engine's resource messages 65152-65199 ("" for an unknown id).
const char* ResourceMessage(int id);
// A resource message with its "%s" and "%d" markers filled in order from args.
std::string FormatResource(int id, std::initializer_list<std::string_view> args = {});
