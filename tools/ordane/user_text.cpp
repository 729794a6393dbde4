#include "tools/ordane/user_text.h"

#include <cstdio>

#include "engine/storage/os_services.h"

namespace ordane {
namespace {

// Length of the well-formed UTF-8 sequence starting at text[i], 0 when none starts there.
size_t SequenceLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    const size_t length = lead < 0x80                ? 1
                          : (lead & 0xE0) == 0xC0    ? 2
                          : (lead & 0xF0) == 0xE0    ? 3
                          : (lead & 0xF8) == 0xF0    ? 4
                                                     : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return length;
}

uint32_t CodePoint(std::string_view sequence) {
    if (sequence.size() == 1) return static_cast<uint8_t>(sequence[0]);
    uint32_t cp = static_cast<uint8_t>(sequence[0]) & (0x7F >> sequence.size());
    for (size_t k = 1; k < sequence.size(); ++k) cp = (cp << 6) | (static_cast<uint8_t>(sequence[k]) & 0x3F);
    return cp;
}

}  // namespace

std::string TableText(std::string_view utf8, int codePage) {
    std::string converted = os::FromUtf8(utf8, codePage);
    // The page's conversion is lossless both ways: what comes back unchanged was held exactly.
    if (os::ToUtf8(converted, codePage) == utf8) return converted;
    for (size_t i = 0; i < utf8.size();) {
        const size_t length = SequenceLength(utf8, i);
        if (length == 0) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<uint8_t>(utf8[i]));
            throw TextError(std::string("not UTF-8: the byte ") + byte + " at position " + std::to_string(i + 1));
        }
        const std::string_view character = utf8.substr(i, length);
        if (os::ToUtf8(os::FromUtf8(character, codePage), codePage) != character) {
            char unicode[16];
            std::snprintf(unicode, sizeof unicode, "U+%04X", CodePoint(character));
            throw TextError("the character \"" + std::string(character) + "\" (" + unicode +
                            ") cannot be stored in code page " + std::to_string(codePage));
        }
        i += length;
    }
    return converted;
}

}  // namespace ordane
