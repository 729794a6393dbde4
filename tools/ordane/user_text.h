// What the user types is UTF-8; the engine sees the table's code page. Every expression, key and value the tool
// takes passes through TableText, so they all convert alike.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ordane {

// Raised for text the table cannot hold (exit 1, as an engine error).
class TextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// utf8 in code page 437, 850 or 1252. Raises TextError naming the first character the page lacks, or the first
// byte that is not UTF-8; what the user typed never turns into '?' unseen.
std::string TableText(std::string_view utf8, int codePage);

}  // namespace ordane
