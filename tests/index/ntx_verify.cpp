#include "ntx_verify.h"

#include <fstream>
#include <iterator>
#include <set>

namespace {
int32_t Long(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                (uint32_t{p[3]} << 24));
}
int32_t Short(const uint8_t* p) { return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8)); }
}  // namespace

std::vector<int32_t> NtxRecords(const NtxCheck& check) {
    std::vector<int32_t> out;
    for (const NtxEntry& e : check.entries) out.push_back(e.record);
    return out;
}

NtxCheck CheckNtx(const std::string& path, const std::function<bool(const std::string&, const std::string&)>& before) {
    NtxCheck c;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 2048 || file.size() % 1024 != 0) {
        c.problem = "file size " + std::to_string(file.size()) + " is not whole pages";
        return c;
    }
    c.pages = static_cast<int32_t>(file.size() / 1024);
    const uint8_t* h = file.data();
    c.signature = Short(h);
    c.counter = Short(h + 2);
    c.root = Long(h + 4);
    c.entryLength = Short(h + 12);
    c.keyLength = Short(h + 14);
    c.decimals = Short(h + 16);
    c.keysPerPage = Short(h + 18);
    c.halfPage = Short(h + 20);
    c.keyExpression = std::string(reinterpret_cast<const char*>(h + 22));
    c.unique = h[278] != 0;
    c.descending = h[279] != 0;
    if (c.signature & 1) c.forExpression = std::string(reinterpret_cast<const char*>(h + 282));
    if (c.keyLength < 1 || c.entryLength != c.keyLength + 8 || c.keysPerPage < 1 ||
        4 + 2 * c.keysPerPage + (c.keysPerPage + 1) * c.entryLength > 1024 || c.root < 1024 || c.root % 1024 != 0 ||
        c.root / 1024 >= c.pages) {
        c.problem = "bad header";
        return c;
    }
    auto less = [&](const std::string& a, const std::string& b) { return before ? before(a, b) : a < b; };
    auto inOrder = [&](const std::string& prev, const std::string& next) {
        return c.descending ? !less(prev, next) : !less(next, prev);
    };
    std::set<int32_t> seen;
    int leafDepth = -1;
    std::function<bool(int32_t, int)> walk = [&](int32_t offset, int depth) {
        if (offset < 1024 || offset % 1024 != 0 || offset / 1024 >= c.pages || !seen.insert(offset).second ||
            depth > 32) {
            c.problem = "bad or repeated child " + std::to_string(offset);
            return false;
        }
        const uint8_t* p = file.data() + offset;
        const int32_t n = Short(p);
        if (n > c.keysPerPage) {
            c.problem = "count " + std::to_string(n) + " in page " + std::to_string(offset);
            return false;
        }
        auto item = [&](int32_t j) -> const uint8_t* {
            const int32_t at = Short(p + 2 + 2 * j);
            if (at < 4 + 2 * c.keysPerPage || at + c.entryLength > 1024) return nullptr;
            return p + at;
        };
        const uint8_t* first = item(0);
        if (!first && !(n == 0 && Short(p + 2) == 0)) {  // a zeroed page is an empty leaf
            c.problem = "item outside page " + std::to_string(offset);
            return false;
        }
        const bool interior = first && Long(first) != 0;
        for (int32_t j = 0; j < n || (interior && j == n); ++j) {
            const uint8_t* it = item(j);
            if (!it) {
                c.problem = "item outside page " + std::to_string(offset);
                return false;
            }
            if (interior && !walk(Long(it), depth + 1)) return false;
            if (j == n) break;
            NtxEntry e{std::string(reinterpret_cast<const char*>(it + 8), static_cast<size_t>(c.keyLength)),
                       Long(it + 4)};
            if (!c.entries.empty() && !inOrder(c.entries.back().key, e.key)) {
                c.problem = "key out of order in page " + std::to_string(offset);
                return false;
            }
            if (e.record < 1) {
                c.problem = "record number " + std::to_string(e.record) + " in page " + std::to_string(offset);
                return false;
            }
            c.entries.push_back(e);
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
    walk(c.root, 1);
    c.depth = leafDepth;
    return c;
}
