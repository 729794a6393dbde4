#include "tools/ordane/csv.h"

#include <stdexcept>

namespace ordane {

std::string CsvQuote(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

bool CsvReader::Next(std::vector<std::string>& fields) {
    fields.clear();
    int c = in_.get();
    if (c == EOF) return false;
    line_ = nextLine_;
    std::string field;
    bool quoted = false, wasQuoted = false;
    for (;; c = in_.get()) {
        if (quoted) {
            if (c == EOF) throw std::runtime_error("unterminated quoted field in CSV line " + std::to_string(line_));
            if (c == '"') {
                if (in_.peek() == '"') {
                    in_.get();
                    field += '"';
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++nextLine_;
                field += static_cast<char>(c);
            }
            continue;
        }
        if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
            wasQuoted = false;
        } else if (c == '\r' && in_.peek() == '\n') {
            continue;
        } else if (c == '\n' || c == EOF) {
            ++nextLine_;
            fields.push_back(field);
            return true;
        } else {
            field += static_cast<char>(c);
        }
    }
}

}  // namespace ordane
