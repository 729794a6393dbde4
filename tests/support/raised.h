// Test support: the engine error an operation raises, as (code, subcode); (0, 0) when it raises none.
#pragma once

#include <cstdint>
#include <functional>
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
