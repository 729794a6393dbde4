// How the ordane tool shows and takes field values: JSON values for dump and import, CSV text, base64 for
// binary memos. Text is UTF-8 outside and the table's code page inside, converted losslessly.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

class DVO_dBaseFld;
struct TdvFieldDesc;

namespace ordane {

using Json = nlohmann::ordered_json;

// The value of a field of the table's current record: C text without trailing blanks; N F I Y numbers (blank N
// or F: null); D "YYYY-MM-DD" or null; L true or false; M the memo text; G, and B outside 0x30 tables, the memo
// bytes in base64; B in a 0x30 table a number; T "YYYY-MM-DDTHH:MM:SS.mmm" or null. With raw, the hex of the
// stored bytes.
Json FieldValue(DVO_dBaseFld& table, const TdvFieldDesc& field, int codePage, bool raw);
// The current record as dump shows it: {"recno": N, "deleted": bool, "fields": {NAME: value, ...}}.
Json RecordJson(DVO_dBaseFld& table, int codePage, bool raw);
// The same value as CSV shows it: text as it stands, null as nothing.
std::string CsvText(const Json& value);
// Stores a value in one of the forms FieldValue gives (numbers also as text, logicals also as T/F) into the
// field of the record buffer. Raises UsageError for a value the field cannot take.
void StoreValue(DVO_dBaseFld& table, const TdvFieldDesc& field, const Json& value, int codePage);

std::string Base64Encode(std::string_view bytes);
std::string Base64Decode(std::string_view text);

}  // namespace ordane
