#include "framework/data/db_error.h"

std::string FormatMessageArgs(std::string_view format, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(format.size() + 16);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            char k = format[i + 1];
            if (k == 's' || k == 'd') {
                if (next != args.end()) out += *next++;
                ++i;
                continue;
            }
            if (k == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

void DatabaseError(const std::string& message) { throw EDatabaseError(message); }
