// print_table FOLDER TABLE: every record of the table, its fields separated by tabs.
#include <cstdio>
#include <exception>

#include "engine/cursor/ordane_data_set.h"

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: print_table FOLDER TABLE\n"), 2;
    try {
        TOrdaneDataSet table;
        table.SetDatabaseName(argv[1]);
        table.SetTableName(argv[2]);
        table.SetReadOnly(true);
        table.Open();
        for (table.First(); !table.Eof(); table.Next()) {
            for (int i = 0; i < table.FieldCount(); ++i)
                std::printf("%s%s", i ? "\t" : "", table.Fields()[i].AsString().c_str());
            std::printf("\n");
        }
    } catch (const std::exception& e) {
        return std::fprintf(stderr, "print_table: %s\n", e.what()), 1;
    }
    return 0;
}
