// A progress bar on standard error, drawn only when standard error is a terminal.
#pragma once

#include <cstdint>
#include <string>

namespace ordane {

class Progress {
public:
    Progress() = default;
    ~Progress() { Finish(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Starts (or restarts) a bar for total steps; a total of 0 or less shows a counter only.
    void Start(const std::string& label, int64_t total);
    // Shows that done steps are complete (redrawn at most every 1% or 4096 steps).
    void Step(int64_t done);
    // Clears the bar.
    void Finish();

private:
    bool shown_ = false;
    bool terminal_ = false;
    std::string label_;
    int64_t total_ = 0;
    int64_t lastDrawn_ = -1;
};

}  // namespace ordane
