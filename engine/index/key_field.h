// NumericKeyField: the numeric field a key expression consists of, for formats that size number keys by it.
#pragma once

#include <cstdint>
#include <string>

class DVO_dBaseFld;

// Width and decimals of the numeric field (N or F) that expression names, alone or as ALIAS->NAME; false when the
// expression is anything else.
bool NumericKeyField(DVO_dBaseFld& table, const std::string& expression, int32_t& width, int32_t& decimals);
