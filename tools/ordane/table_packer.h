// TablePacker: writes the packed (or emptied) set of a table beside its files, then puts the whole set in place
// through the engine's pack journal (engine/storage/pack_journal.h), so that a kill at any moment leaves either
// the old files or the new ones, each set whole.
//
// The new table starts from the old header and field descriptors as stored (reserved bytes, language byte,
// backlinks and cipher kept) with no records; the kept records are appended through the engine in record order,
// and every memo they still refer to is copied block for block, as stored, into a new memo file that starts
// from the old one's header, so the memo file holds only what is referenced, in record order. Each named index
// file is then built anew over the new table with its tags' key and FOR expressions. Everything is flushed
// before the commit. Until the commit nothing of the old set is touched.
#pragma once

#include <cstdint>

#include "tools/ordane/tool_table.h"

namespace ordane {

class TablePacker {
public:
    struct Counts {
        int64_t kept = 0;     // records in the new table
        int64_t removed = 0;  // records left out
    };

    // REQUIRES: table opened without sharing and read-write, with the index files to rebuild open.
    TablePacker(ToolTable& table, const std::string& password) : table_(table), password_(password) {}
    TablePacker(const TablePacker&) = delete;
    TablePacker& operator=(const TablePacker&) = delete;

    // Keeps the records not marked deleted (keepNone: none, as zap does) and replaces the set. A failure before
    // the commit leaves the old set as it was and deletes what was written of the new one.
    Counts Run(bool keepNone);

private:
    ToolTable& table_;
    std::string password_;  // of an encrypted table; the new files are enciphered with it too
};

}  // namespace ordane
