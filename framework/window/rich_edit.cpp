#include "framework/window/rich_edit.h"

#include <cctype>
#include <vector>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool SkippedDestination(const std::string& word) {
    static const char* const kSkipped[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
                                           "header", "footer", "listtable", "listoverridetable", "generator"};
    for (const char* s : kSkipped)
        if (word == s) return true;
    return false;
}

}  // namespace

std::string RtfToPlainText(const std::string& rtf) {
    if (rtf.compare(0, 5, "{\\rtf") != 0) return rtf;
    std::string out;
    std::vector<bool> skip{false};  // per group: its text is left out
    const size_t n = rtf.size();
    for (size_t i = 0; i < n;) {
        const char c = rtf[i];
        if (c == '{') {
            skip.push_back(skip.back());
            ++i;
        } else if (c == '}') {
            if (skip.size() > 1) skip.pop_back();
            ++i;
        } else if (c == '\\') {
            if (i + 1 >= n) break;
            const char d = rtf[i + 1];
            if (d == '\\' || d == '{' || d == '}') {
                if (!skip.back()) out += d;
                i += 2;
            } else if (d == '\'') {
                int hi = i + 2 < n ? HexValue(rtf[i + 2]) : -1, lo = i + 3 < n ? HexValue(rtf[i + 3]) : -1;
                if (hi < 0 || lo < 0) break;
                if (!skip.back()) out += static_cast<char>(hi * 16 + lo);
                i += 4;
            } else if (d == '*') {
                skip.back() = true;
                i += 2;
            } else if (std::isalpha(static_cast<unsigned char>(d))) {
                size_t j = i + 1;
                while (j < n && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
                std::string word = rtf.substr(i + 1, j - i - 1);
                if (j < n && (rtf[j] == '-' || std::isdigit(static_cast<unsigned char>(rtf[j])))) {
                    ++j;
                    while (j < n && std::isdigit(static_cast<unsigned char>(rtf[j]))) ++j;
                }
                if (j < n && rtf[j] == ' ') ++j;  // the delimiter blank belongs to the control word
                if (SkippedDestination(word)) skip.back() = true;
                if (!skip.back()) {
                    if (word == "par" || word == "line") out += "\r\n";
                    else if (word == "tab") out += '\t';
                }
                i = j;
            } else {
                i += 2;  // a control symbol without text
            }
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else {
            if (!skip.back()) out += c;
            ++i;
        }
    }
    // The last paragraph mark ends the text; it adds no empty line.
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.erase(out.size() - 2);
    return out;
}

void TRichEdit::LoadContents(const std::string& bytes) { SetText(RtfToPlainText(bytes)); }
