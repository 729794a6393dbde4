// Creating new, empty tables of each accepted version, with an empty memo file of the matching layout where the
// version has one (FoxPro versions only when the table has memo fields, as FoxPro readers insist). The files
// follow what other programs write, so that they open elsewhere too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TdvNewField {
    std::string name;  // 1-10 characters: a letter, then letters, digits or '_'
    char type = 'C';   // C N F D L M, and per version B G I T Y
    int length = 0;    // ignored for types of fixed length (D L I T Y, and M B G)
    int decimals = 0;
};

// Creates fileName (".DBF" added when it has no extension) as an empty table of version 0x03, 0x83, 0x8B, 0xF5
// or 0x30. memoBlockSize chooses the block size of a dBase IV (default 512) or FoxPro (default 64) memo file.
// Refuses an existing file (183), a bad field name (1003) or type or size (1004); nothing is left behind then.
void CreateTable(const std::string& fileName, uint8_t version, const std::vector<TdvNewField>& fields,
                 int memoBlockSize = 0);
