// Velmora's entry point. Until the main window exists, the program opens the screensaver table through the data
// set exactly as the window is configured (alias "Default Directory", file0feed.dbf, read-only and shared, TITLE.NDX
// kept in step without a selected tag, persistent fields TITLE and EXENAME of 55 characters), follows the data
// source from record to record and prints each title with the program the launcher button would start.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/cursor/database_aliases.h"
#include "engine/cursor/ordane_data_set.h"
#include "engine/expr/table_bindings.h"
#include "engine/storage/os_services.h"
#include "framework/data/data_source.h"
#include "framework/data/field.h"

int main(int argc, char** argv) {
    // A folder given on the command line stands in for the program's own folder.
    if (argc > 1) setenv("VELMORA_PROGRAM_DIR", argv[1], 1);
    StartExpressionEngine();
    StartDatabaseAliases();
    int rc = 0;
    try {
        TOrdaneDataSet table;
        table.BeginLoading();
        table.SetDatabaseName("Default Directory");
        table.SetTableName("file0feed.dbf");
        table.SetReadOnly(true);
        table.IndexFiles().Add("TITLE");
        table.EndLoading();
        TStringField title(55), exeName(55);
        title.SetFieldName("TITLE");
        title.SetDataSet(&table);
        exeName.SetFieldName("EXENAME");
        exeName.SetDataSet(&table);

        std::string exeFile;  // what the launcher button would run
        TDataSource source;
        source.OnDataChange = [&](TDataSource&, TField*) { exeFile = exeName.AsString(); };
        source.SetDataSet(&table);
        table.Open();
        std::printf("Velmora: the window is not built yet; listing %sfile0feed.dbf instead.\n",
                    table.TableDirectory().c_str());
        for (table.First(); !table.Eof(); table.Next()) {
            std::printf("%3d  %-40s  %s\n", table.RecNo(), os::ToUtf8(title.AsString(), 1252).c_str(),
                        os::ToUtf8(exeFile, 1252).c_str());
        }
        table.Close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora: %s\n", e.what());
        rc = 1;
    }
    StopDatabaseAliases();
    return rc;
}
