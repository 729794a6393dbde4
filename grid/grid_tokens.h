// Reading the grid's per-column lists (Selected, ControlType, stored layouts): items of a line separated by a
// delimiter, read one token at a time from a 1-based position, and the parsed form of a Selected entry.
#pragma once

#include <optional>
#include <string>

// The token at pos and the position after it: the token runs to the next delimiter and pos moves past it; the
// last token runs to the end of the line and sets pos to -1; pos -1, 0 or beyond the line gives "". A delimiter of
// one character is found case-sensitively; a longer one is searched for with a blank on each side, ignoring case.
std::string NextToken(const std::string& line, const std::string& delimiter, int& pos);

// The count of items of a line (an empty line has none).
int TokenCount(const std::string& line, const std::string& delimiter);

// One Selected entry: field, width in characters, title (lines joined by '~'), read-only flag.
struct TSelectedEntry {
    std::string field;
    std::optional<int> width;  // absent, or not a decimal integer of 0..32767
    std::optional<std::string> title;
    std::optional<std::string> readOnly;
    int items = 0;

    static TSelectedEntry Parse(const std::string& line);
    bool IsReadOnly() const { return readOnly && *readOnly == "T"; }
    // The four items joined by tabs; an absent width or title is replaced by the given ones, and the read-only
    // item is written only when the entry had one (so a designed three-item entry stays three items).
    std::string Compose(int widthChars, const std::string& titleText) const;
};

// A decimal integer of 0..32767 (blanks around allowed), or nothing.
std::optional<int> ParseWidth(const std::string& text);
