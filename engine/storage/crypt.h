// The engine's one symmetric byte cipher, keyed by the table password. Tables, memo files and index files use it.
//
// destination[i] = source[i] XOR ((i mod 256) OR key[i mod L]), i counting from 0 for each enciphered range,
// L the key's length. Applying it twice with the same key restores the bytes; an empty key copies them.
#pragma once

#include <cstdint>
#include <string_view>

// Source and destination may be the same buffer. Direction 0 decrypts, 1 encrypts (the same steps either way).
// Result: 0 for an empty key, 1 for direction 1, -1 for direction 0.
int32_t CryptBuffer(std::string_view key, const void* source, void* destination, int32_t count, int direction);
