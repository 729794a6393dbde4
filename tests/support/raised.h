// Test support: the engine error an operation raises, as (code, subcode); (0, 0) when it raises none. And a
// counter of the reports that reach the engine's reporting procedure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "engine/storage/errors.h"

inline std::pair<int32_t, int32_t> Raised(const std::function<void()>& op) {
    try {
        op();
    } catch (const EOrdaneError& e) {
        return {e.Code(), e.SubCode()};
    }
    return {0, 0};
}

// Counts the reports that reach the reporting procedure while it lives; the default raise still follows each.
class ReportCounter {
public:
    ReportCounter() {
        count_ = 0;
        SetErrorReporter(&Count);
    }
    ~ReportCounter() { SetErrorReporter(nullptr); }
    ReportCounter(const ReportCounter&) = delete;
    ReportCounter& operator=(const ReportCounter&) = delete;
    int Reports() const { return count_; }

private:
    static void Count(int32_t, int32_t, const std::string&) { ++count_; }
    static inline int count_ = 0;
};
