#include "ndx_verify.h"

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

namespace {
int32_t Long(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                (uint32_t{p[3]} << 24));
}
int32_t Short(const uint8_t* p) { return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8)); }
}  // namespace

double NdxNumber(const std::string& key) {
    double d = 0;
    if (key.size() >= 8) std::memcpy(&d, key.data(), 8);
    return d;
}

NdxCheck CheckNdx(const std::string& path, bool strict) {
    NdxCheck c;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 1024 || file.size() % 512 != 0) {
        c.problem = "file size " + std::to_string(file.size()) + " is not whole blocks";
        return c;
    }
    c.blocks = static_cast<int32_t>(file.size() / 512);
    const uint8_t* h = file.data();
    c.root = Long(h);
    c.keyLength = Short(h + 12);
    c.keysPerPage = Short(h + 14);
    c.numeric = Short(h + 16) == 1;
    c.entryLength = Short(h + 18);
    if (c.keyLength < 1 || c.entryLength < c.keyLength + 8 || c.keysPerPage < 1 ||
        4 + c.keysPerPage * c.entryLength > 512 || c.root < 1 || c.root >= c.blocks) {
        c.problem = "bad header";
        return c;
    }
    auto less = [&](const std::string& a, const std::string& b) {
        if (c.numeric) return NdxNumber(a) < NdxNumber(b);
        return a < b;
    };
    std::set<int32_t> seen;
    int leafDepth = -1;
    // Returns the subtree's greatest key; checks every key against the bounds (lo, hi].
    std::function<bool(int32_t, int, const std::string*, const std::string*, std::string&)> walk =
        [&](int32_t block, int depth, const std::string* lo, const std::string* hi, std::string& maxKey) {
            if (block < 1 || block >= c.blocks || !seen.insert(block).second || depth > 32) {
                c.problem = "bad or repeated child " + std::to_string(block);
                return false;
            }
            const uint8_t* p = file.data() + static_cast<size_t>(block) * 512;
            const int32_t n = Short(p);
            const bool interior = Long(p + 4) != 0;
            if (n > c.keysPerPage || (interior && 4 + n * c.entryLength + 4 > 512)) {
                c.problem = "count " + std::to_string(n) + " in block " + std::to_string(block);
                return false;
            }
            std::string prev;
            bool havePrev = false;
            for (int32_t i = 0; i < (interior ? n + 1 : n); ++i) {
                const uint8_t* e = p + 4 + i * c.entryLength;
                std::string key(reinterpret_cast<const char*>(e + 8), static_cast<size_t>(c.keyLength));
                if (interior) {
                    const bool last = i == n;
                    const std::string* childLo = havePrev ? &prev : lo;
                    const std::string* childHi = last ? hi : &key;
                    std::string childMax;
                    if (!walk(Long(e), depth + 1, childLo, childHi, childMax)) return false;
                    if (strict && !last && childMax != key) {
                        c.problem = "separator of block " + std::to_string(block) + " is not its child's last key";
                        return false;
                    }
                    if (!last) {
                        prev = key;
                        havePrev = true;
                    }
                    maxKey = childMax;
                } else {
                    if ((lo && less(key, *lo)) || (hi && less(*hi, key)) || (havePrev && less(key, prev))) {
                        c.problem = "key out of order in block " + std::to_string(block);
                        return false;
                    }
                    c.entries.push_back({key, Long(e + 4)});
                    prev = key;
                    havePrev = true;
                    maxKey = key;
                }
            }
            if (!interior) {
                if (leafDepth >= 0 && leafDepth != depth) {
                    c.problem = "leaves at different depths";
                    return false;
                }
                leafDepth = depth;
            }
            return true;
        };
    std::string maxKey;
    walk(c.root, 1, nullptr, nullptr, maxKey);
    c.depth = leafDepth;
    return c;
}
