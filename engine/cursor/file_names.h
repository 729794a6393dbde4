// The parts of a file name the handler and the data set work with. '\', '/' and ':' end a folder part, since names
// handed to the engine may come from other systems.
#pragma once

#include <cstddef>
#include <string>

namespace filename {

// Where the file's own name starts (0 when the name has no folder part).
inline size_t NameStart(const std::string& s) {
    const size_t p = s.find_last_of(":\\/");
    return p == std::string::npos ? 0 : p + 1;
}

// The extension of the file's own name, dot included; empty when it has none.
inline std::string Extension(const std::string& s) {
    const size_t dot = s.rfind('.');
    return dot == std::string::npos || dot < NameStart(s) ? std::string() : s.substr(dot);
}

inline bool HasExtension(const std::string& s) { return !Extension(s).empty(); }

}  // namespace filename
