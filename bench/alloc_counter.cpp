#include "alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {
bool gCounting = false;
int64_t gCount = 0;
}  // namespace

namespace alloccount {
void Start() {
    gCount = 0;
    gCounting = true;
}
int64_t Stop() {
    gCounting = false;
    return gCount;
}
}  // namespace alloccount

void* operator new(std::size_t size) {
    if (gCounting) ++gCount;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
