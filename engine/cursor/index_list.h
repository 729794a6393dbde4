// Splitting a list of index file names as tables store it: "A.NDX, B.NDX;\"C D.NDX\"".
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The names of the list, in order. At most 259 characters of the list count; trailing blanks, commas and
// semicolons are dropped. Outside double quotes a blank, a comma or a semicolon separates names; inside them
// they belong to the name. The quote characters separate too and are part of no name.
std::vector<std::string> SplitIndexList(std::string_view list);
