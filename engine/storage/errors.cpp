#include "engine/storage/errors.h"

#include <array>
#include <exception>
#include <utility>

namespace {

struct ErrListRec {
    int32_t code;
    const char* text;
};

// Searched first row first. The three password rows take their texts from the resource messages.
constexpr std::array<ErrListRec, 29> kErrList{{
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {12, "Invalid file access code"},
    {15, "Invalid drive number"},
    {32, "File access denied"},
    {33, "Record locked by another user"},
    {100, "Disk read error"},
    {101, "Disk write error"},
    {102, "File not assigned"},
    {103, "File not open"},
    {104, "File not open for input"},
    {105, "File not open for output"},
    {106, "Invalid numeric format"},
    {150, "Disk is write-protected"},
    {152, "Drive not ready"},
    {162, "Hardware failure"},
    {183, "File already exists"},
    {1001, "dBase DBF file header invalid"},
    {1002, "dBase record request beyond EOF"},
    {1003, "dBase field name is invalid"},
    {1004, "dBase field is of incorrect type"},
    {1005, "dBase memo record has format error"},
    {1006, "Formula expression cannot be translated"},
    {1011, "Number too large to fit in field"},
    {1269, nullptr},
    {1270, nullptr},
    {1271, nullptr},
}};

struct Resource {
    int id;
    const char* text;
};

constexpr Resource kResources[] = {
    {65152, "Expression cannot be evaluated"},
    {65153, "Missing closing parentheses"},
    {65154, "Missing closing period"},
    {65155, "Missing closing \"%s\" on literal"},
    {65156, "Expecting \".T.\" or \".F.\""},
    {65157, "Syntax Error in expression \"%s\""},
    {65158, "Variant type is not valid for append"},
    {65159, "Variant types mismatch for compare"},
    {65160, "Variant type cannot be sorted"},
    {65161, "Sort key length greater than 240 bytes"},
    {65162, "Cannot add sort keys after beginning retrieval"},
    {65163, "Cannot find index tag %s"},
    {65164, "Error %s in Lock of %s"},
    {65165, "A Password is included for unencrypted file %s"},
    {65166, "No Password for encrypted file %s"},
    {65167, "Invalid Password for encrypted file "},
    {65168, "Cannot delete the record"},
    {65169, "Cannot recall the record"},
    {65170, "Bookmark is invalid for table "},
    {65171, "Record is locked by another user"},
    {65172, "Table is busy building an index"},
    {65173, "Table is busy copying"},
    {65174, "Filter expression must return boolean result"},
    {65175, "Dataset not in edit or insert mode"},
    {65176, "Master/Detail relation failed, no index open for %s"},
    {65177, "Master/Detail relation failed, field missmatch for %s"},
    {65178, "There is no function for %s"},
    {65179, "%s needed for Argument %d of %s"},
    {65180, "Target value missing for %s operation"},
    {65181, "The two sides of an operation do not match"},
    {65182, "A %s value is required but invalid"},
    {65183, "Field/variable %s is unknown"},
    {65195, "Table name missing"},
    {65196, "Cannot find file %s"},
    {65197, "Error getting %s"},
    {65198, "Index file %s already open"},
    {65199, "Record request beyond range of table"},
};

TdvErrorReporter gReporter = nullptr;

}  // namespace

const char* ResourceMessage(int id) {
    for (const Resource& r : kResources)
        if (r.id == id) return r.text;
    return "";
}

std::string FormatResource(int id, std::initializer_list<std::string_view> args) {
    std::string_view text = ResourceMessage(id);
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'd')) {
            if (next != args.end()) out += *next++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

const char* ErrorText(int32_t code) {
    for (const ErrListRec& row : kErrList) {
        if (row.code != code) continue;
        if (row.text) return row.text;
        return ResourceMessage(resmsg::kPasswordForPlain + (code - errcode::kPasswordForPlain));
    }
    return nullptr;
}

std::string FormatErrorMessage(int32_t code, int32_t subCode, std::string_view information) {
    if (const char* text = ErrorText(code)) {
        std::string message = text;
        message += " - ";
        message += information;
        return message;
    }
    std::string message = "Ordane Error " + std::to_string(code);
    if (subCode != subcode::kNone) message += ", SubCode " + std::to_string(subCode);
    message += ".\r";
    if (!information.empty()) {
        message += " ";
        message += information;
        message += ">" + std::to_string(subCode);
    }
    return message;
}

void DefaultErrorReporter(int32_t code, int32_t subCode, const std::string& information) {
    throw EOrdaneError(FormatErrorMessage(code, subCode, information), code, subCode);
}

void SetErrorReporter(TdvErrorReporter reporter) { gReporter = reporter; }

void ReportError(int32_t code, int32_t subCode, const std::string& information) {
    if (gReporter) gReporter(code, subCode, information);
    // A replacement that returns would let the failed operation carry on; the default raises instead.
    DefaultErrorReporter(code, subCode, information);
}

void ReporterReturned() { std::terminate(); }
