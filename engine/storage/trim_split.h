// Trimming short texts (names, typed values, stored field text) and splitting ';'-separated name lists.
//
// Which characters a trim drops depends on the text: names and list entries lose blanks and tabs, stored field
// text only its blank padding (a tab there is data), expression text blanks and control bytes alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace textutil {

using CharTest = bool (*)(char);

// Blank and tab: what surrounds names and the entries of name lists.
inline bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }
// Blank only: the padding of stored field text.
inline bool IsBlank(char c) { return c == ' '; }
// A blank or a control byte: what the expression language skips.
inline bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// s without its leading (TrimLeft), trailing (TrimRight) or both (Trim) characters that pass `trimmed`.
inline std::string_view TrimLeft(std::string_view s, CharTest trimmed = IsBlankOrTab) {
    while (!s.empty() && trimmed(s.front())) s.remove_prefix(1);
    return s;
}
inline std::string_view TrimRight(std::string_view s, CharTest trimmed = IsBlankOrTab) {
    while (!s.empty() && trimmed(s.back())) s.remove_suffix(1);
    return s;
}
inline std::string_view Trim(std::string_view s, CharTest trimmed = IsBlankOrTab) {
    return TrimLeft(TrimRight(s, trimmed), trimmed);
}

// The entries of a list separated by `separator`, in order, each trimmed of blanks and tabs; empty entries are
// dropped ("A; ;b;" gives A and b).
std::vector<std::string> SplitNames(std::string_view names, char separator = ';');

}  // namespace textutil
