#include "tools/ordane/tool_table.h"

#include <stdexcept>

#include "engine/cursor/file_names.h"
#include "engine/cursor/index_formats.h"
#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/storage/os_services.h"
#include "tools/ordane/command.h"

namespace ordane {

ToolTable::ToolTable(const std::string& fileName, const std::string& password, bool readWrite, bool shared)
    : DVO_dBHandler(fileName, password, readWrite, shared) {}

void ToolTable::StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) {
    if (stat1 == -1) {
        buildTotal_ = stat3;
        progress.Start(stat2 == 2 ? "writing index pages" : "sorting keys", buildTotal_);
    } else if (stat1 == 0 && stat2 == 0 && stat3 == 0) {
        progress.Finish();
    } else {
        progress.Step(stat2);
    }
}

void ToolTable::OpenIndexes(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        // The registry decides: an extension no format reads is named as such, not as a missing file.
        std::string extension = filename::Extension(file);
        if (extension.empty()) extension = TdvIndexFormats::DefaultExtension();
        if (!TdvIndexFormats::Find(extension))
            throw std::runtime_error("index format not supported: " + os::UpperCase(extension));
        OpenIndexFile(file);
    }
}

DVobjIndexTag* ToolTable::FindTag(const std::string& name) const {
    for (int32_t n = 1;; ++n) {
        DVobjIndexTag* tag = TagByNumber(n);
        if (!tag) return nullptr;
        if (name.empty() || os::UpperCase(tag->Name()) == os::UpperCase(name)) return tag;
    }
}

DVobjIndexTag* ToolTable::UseTag(const std::string& name, bool required) {
    if (!name.empty()) {
        SelectOrder(name, false);  // an unknown name is the engine's "Cannot find index tag"
        return MasterTag();
    }
    if (!required) return nullptr;
    DVobjIndexTag* tag = FindTag("");
    if (!tag) throw UsageError("no index tag: name an index file with --index");
    SelectOrder(tag->Name(), false);
    return tag;
}

}  // namespace ordane
