// Counts the program's operator new calls while counting is on, to show that a loop allocates nothing. Linking
// alloc_counter.cpp replaces the global operator new and delete of the whole program.
#pragma once

#include <cstdint>

namespace alloccount {
void Start();         // resets the count and starts counting
int64_t Stop();       // stops counting and answers the allocations since Start
}  // namespace alloccount
