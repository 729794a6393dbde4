#include "tools/ordane/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace ordane {

void Progress::Start(const std::string& label, int64_t total) {
    Finish();
    terminal_ = isatty(STDERR_FILENO) == 1;
    label_ = label;
    total_ = total;
    lastDrawn_ = -1;
    Step(0);
}

void Progress::Step(int64_t done) {
    if (!terminal_) return;
    const int64_t every = total_ > 0 ? std::max<int64_t>(total_ / 100, 1) : 4096;
    if (lastDrawn_ >= 0 && done - lastDrawn_ < every && done != total_) return;
    lastDrawn_ = done;
    shown_ = true;
    if (total_ > 0) {
        const int width = 30;
        const int filled = static_cast<int>(done * width / total_);
        std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled, "##############################",
                     width - filled, "", static_cast<int>(done * 100 / total_));
    } else {
        std::fprintf(stderr, "\r%s %lld", label_.c_str(), static_cast<long long>(done));
    }
    std::fflush(stderr);
}

void Progress::Finish() {
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace ordane
