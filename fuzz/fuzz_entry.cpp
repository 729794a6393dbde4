// One libFuzzer target: VELMORA_FUZZ_ENTRY names the entry point of fuzz_inputs.h it drives.
#include <cstdlib>

#include "fuzz_inputs.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* dir = std::getenv("VELMORA_FUZZ_SEEDS")) fuzzing::WriteSeeds(dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzing::VELMORA_FUZZ_ENTRY(data, size);
}
