// Velmora's entry point. Until the main window exists, the program opens the screensaver table the way the
// window will (read-only and shared, from the program's own folder, with TITLE.NDX kept in step but no tag
// selected) and lists its titles in physical order with the program each one runs.
#include <cstdio>
#include <string>

#include "engine/cursor/db_handler.h"
#include "engine/expr/table_bindings.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"

int main(int argc, char** argv) {
    StartExpressionEngine();
    const std::string folder = argc > 1 ? argv[1] : os::ProgramFolder();
    try {
        DVO_dBHandler table(folder + "/file0feed.dbf", "", false, true);
        table.useDeleted = false;
        table.OpenIndexList(folder + "/TITLE.NDX", "");
        std::printf("Velmora: the window is not built yet; listing %s instead.\n", table.Name().c_str());
        for (table.GetRecord(recreq::kFirst); !table.Eof(); table.GetRecord(recreq::kNext)) {
            std::string title = os::ToUtf8(table.StringGetN("TITLE"), os::OemCodePage());
            std::string program = os::ToUtf8(table.StringGetN("EXENAME"), os::OemCodePage());
            std::printf("%3d  %-40s  %s\n", table.CurrentRecord(), title.c_str(), program.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora: %s\n", e.what());
        return 1;
    }
    return 0;
}
