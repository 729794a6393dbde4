// The table as the ordane tool opens it: the engine's table handler, with the tool's progress bar listening to
// the engine's progress reports, and the index files and order the command line names.
#pragma once

#include <string>
#include <vector>

#include "engine/cursor/db_handler.h"
#include "tools/ordane/progress.h"

namespace ordane {

class ToolTable : public DVO_dBHandler {
public:
    ToolTable(const std::string& fileName, const std::string& password, bool readWrite, bool shared);

    // Index builds report (-1, phase, total) at the start, (phase, n, 0) per step and (0, 0, 0) at the end.
    void StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) override;

    // Opens every named index file; an error is the engine's, or "index format not supported: .EXT" for an
    // extension no registered format reads.
    void OpenIndexes(const std::vector<std::string>& files);
    // The named tag, or the first tag of the open index files when name is empty; nullptr without any.
    DVobjIndexTag* FindTag(const std::string& name) const;
    // Makes the named tag (or, when name is empty and required, the first one) the order.
    DVobjIndexTag* UseTag(const std::string& name, bool required);

    Progress progress;  // the bar of the command's own long walks

private:
    int64_t buildTotal_ = 0;  // steps of the index build phase being reported
};

}  // namespace ordane
