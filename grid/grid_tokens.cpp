#include "grid/grid_tokens.h"

#include <cctype>

namespace {

size_t FindIgnoringCase(const std::string& text, const std::string& what, size_t from) {
    if (what.empty() || what.size() > text.size()) return std::string::npos;
    for (size_t i = from; i + what.size() <= text.size(); ++i) {
        bool same = true;
        for (size_t j = 0; j < what.size() && same; ++j)
            same = std::toupper(static_cast<unsigned char>(text[i + j])) ==
                   std::toupper(static_cast<unsigned char>(what[j]));
        if (same) return i;
    }
    return std::string::npos;
}

}  // namespace

std::string NextToken(const std::string& line, const std::string& delimiter, int& pos) {
    if (pos <= 0 || static_cast<size_t>(pos) > line.size()) return std::string();
    const size_t start = static_cast<size_t>(pos - 1);
    size_t at;
    size_t skip;
    if (delimiter.size() == 1) {
        at = line.find(delimiter[0], start);
        skip = 1;
    } else {
        const std::string padded = " " + delimiter + " ";
        at = FindIgnoringCase(line, padded, start);
        skip = padded.size();
    }
    if (delimiter.empty() || at == std::string::npos) {
        pos = -1;
        return line.substr(start);
    }
    pos = static_cast<int>(at + skip + 1);
    return line.substr(start, at - start);
}

int TokenCount(const std::string& line, const std::string& delimiter) {
    if (line.empty()) return 0;
    int pos = 1, count = 0;
    while (pos != -1) {
        if (static_cast<size_t>(pos) > line.size()) {  // a trailing delimiter ends an empty last item
            ++count;
            break;
        }
        NextToken(line, delimiter, pos);
        ++count;
    }
    return count;
}

std::optional<int> ParseWidth(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return std::nullopt;
    long value = 0;
    for (size_t i = b; i <= e; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > 32767) return std::nullopt;
    }
    return static_cast<int>(value);
}

TSelectedEntry TSelectedEntry::Parse(const std::string& line) {
    TSelectedEntry e;
    e.items = TokenCount(line, "\t");
    int pos = 1;
    e.field = NextToken(line, "\t", pos);
    if (e.items >= 2) e.width = ParseWidth(NextToken(line, "\t", pos));
    if (e.items >= 3) e.title = NextToken(line, "\t", pos);
    if (e.items >= 4) e.readOnly = NextToken(line, "\t", pos);
    return e;
}

std::string TSelectedEntry::Compose(int widthChars, const std::string& titleText) const {
    std::string s = field + "\t" + std::to_string(widthChars) + "\t" + (title ? *title : titleText);
    if (readOnly) s += "\t" + *readOnly;
    return s;
}
