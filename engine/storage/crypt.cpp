#include "engine/storage/crypt.h"

#include <cstring>

int32_t CryptBuffer(std::string_view key, const void* source, void* destination, int32_t count, int direction) {
    const auto* src = static_cast<const uint8_t*>(source);
    auto* dst = static_cast<uint8_t*>(destination);
    if (key.empty()) {
        if (count > 0 && src != dst) std::memmove(dst, src, static_cast<size_t>(count));
        return 0;
    }
    const size_t keyLength = key.size();
    size_t k = 0;
    for (int32_t i = 0; i < count; ++i) {
        dst[i] = static_cast<uint8_t>(src[i] ^ ((static_cast<uint8_t>(i & 0xFF)) | static_cast<uint8_t>(key[k])));
        if (++k == keyLength) k = 0;
    }
    return direction == 1 ? 1 : -1;
}
