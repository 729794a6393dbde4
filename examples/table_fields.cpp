// table_fields TABLE: the table's record count and fields, through the engine's table handler.
#include <cstdio>
#include <exception>

#include "engine/cursor/db_handler.h"

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: table_fields TABLE\n"), 2;
    try {
        DVO_dBHandler table(argv[1], "", false, true);
        std::printf("%d records\n", table.RecordCount());
        for (const TdvFieldDesc& field : table.Fields())
            std::printf("%s %c(%d,%d)\n", field.name.c_str(), field.type, field.length, field.decimals);
    } catch (const std::exception& e) {
        return std::fprintf(stderr, "table_fields: %s\n", e.what()), 1;
    }
    return 0;
}
