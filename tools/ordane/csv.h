// RFC 4180 comma-separated values: quoting of one field for output, and a reader of records.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// The field as CSV writes it: quoted (with doubled quotes) when it holds a comma, a quote, CR or LF.
std::string CsvQuote(std::string_view field);

class CsvReader {
public:
    explicit CsvReader(std::istream& in) : in_(in) {}
    // Reads the next record into fields; false at the end of the input. Raises std::runtime_error for an
    // unterminated quoted field.
    bool Next(std::vector<std::string>& fields);
    int Line() const { return line_; }  // line where the last record began

private:
    std::istream& in_;
    int line_ = 0;
    int nextLine_ = 1;
};

}  // namespace ordane
