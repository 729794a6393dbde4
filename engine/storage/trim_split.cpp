#include "engine/storage/trim_split.h"

namespace textutil {

std::vector<std::string> SplitNames(std::string_view names, char separator) {
    std::vector<std::string> out;
    for (size_t at = 0; at <= names.size();) {
        size_t end = names.find(separator, at);
        if (end == std::string_view::npos) end = names.size();
        const std::string_view name = Trim(names.substr(at, end - at));
        if (!name.empty()) out.emplace_back(name);
        at = end + 1;
    }
    return out;
}

}  // namespace textutil
