// The fuzzed entry points: each takes one input, writes it where the engine expects a file (or hands it to the
// expression compiler), and drives the engine through the paths a user's program would take. Each returns 0;
// engine errors are the expected answer to bad input, anything else (a crash, a hang, a sanitizer report) is a
// fault. The libFuzzer targets and the regression test share them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzzing {

// The input as a table file: open it, read every record and every field, memo fields included.
int FuzzTable(const uint8_t* data, size_t size);
// A small valid table with a memo field and the input as its memo file; the first byte picks the layout (dBase
// III, dBase IV, FoxPro).
int FuzzMemo(const uint8_t* data, size_t size);
// A small valid table and the input as its NDX file: open, walk both ways, seek every record's key, then append
// a record (so the index is maintained on the damaged pages).
int FuzzNdx(const uint8_t* data, size_t size);
// The input as an expression over a small table: compile, evaluate on every record, print.
int FuzzExpression(const uint8_t* data, size_t size);

// Writes sound seed inputs of our own (the template table, its NDX, a few expressions) under dir/table, dir/ndx
// and dir/expr.
int WriteSeeds(const char* dir);

}  // namespace fuzzing
