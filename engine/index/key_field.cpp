#include "engine/index/key_field.h"

#include "engine/storage/dbf_fields.h"
#include "engine/storage/trim_split.h"

bool NumericKeyField(DVO_dBaseFld& table, const std::string& expression, int32_t& width, int32_t& decimals) {
    std::string_view name = textutil::Trim(expression);
    const size_t arrow = name.rfind("->");
    if (arrow != std::string_view::npos) name = textutil::Trim(name.substr(arrow + 2));
    const int32_t n = name.empty() ? 0 : table.FieldNumber(name);
    if (n == 0) return false;
    const char type = table.FieldType(n);
    if (type != 'N' && type != 'F') return false;
    width = table.FieldLength(n);
    decimals = table.FieldDecimals(n);
    return true;
}
