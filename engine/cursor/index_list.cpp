#include "engine/cursor/index_list.h"

namespace {
constexpr size_t kMaxListLength = 259;
bool IsSeparator(char c) { return c == ' ' || c == ',' || c == ';'; }
}  // namespace

std::vector<std::string> SplitIndexList(std::string_view list) {
    if (list.size() > kMaxListLength) list = list.substr(0, kMaxListLength);
    while (!list.empty() && IsSeparator(list.back())) list.remove_suffix(1);
    std::vector<std::string> names;
    std::string name;
    bool quoted = false;
    auto finish = [&] {
        if (!name.empty()) names.push_back(name);
        name.clear();
    };
    for (char c : list) {
        if (c == '"') {
            finish();
            quoted = !quoted;
        } else if (!quoted && IsSeparator(c)) {
            finish();
        } else {
            name += c;
        }
    }
    finish();
    return names;
}
