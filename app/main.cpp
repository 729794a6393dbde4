// Velmora's entry point. Until the main window exists, the program opens the bundled screensaver table the way
// the window will (read-only, shared) and lists its titles with the program each one runs.
#include <cstdio>
#include <string>

#include "engine/storage/dbf_table.h"
#include "engine/storage/errors.h"
#include "engine/storage/os_services.h"

namespace {
std::string FieldText(const DVO_dBaseDBF& table, const TdvFieldDesc& field) {
    std::string text(reinterpret_cast<const char*>(table.RecordBuffer()) + field.offset,
                     static_cast<size_t>(field.length));
    text.erase(text.find_last_not_of(' ') + 1);
    return os::ToUtf8(text, os::OemCodePage());
}
}  // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : VELMORA_SAMPLE_DIR;
    try {
        DVO_dBaseDBF table(folder + "/file0feed.dbf", "", false, true);
        std::printf("Velmora: the window is not built yet; listing %s instead.\n", table.Name().c_str());
        const auto& fields = table.Fields();
        for (table.GetRecord(recreq::kFirst); !table.Eof(); table.GetRecord(recreq::kNext)) {
            if (table.IsDeleted()) continue;
            std::printf("%3d  %-40s", table.CurrentRecord(), FieldText(table, fields[0]).c_str());
            if (fields.size() > 1) std::printf("  %s", FieldText(table, fields[1]).c_str());
            std::printf("\n");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora: %s\n", e.what());
        return 1;
    }
    return 0;
}
