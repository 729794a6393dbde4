#include "grid/pk_nav_glyphs.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/window/bitmap.h"
#include "framework/window/image_list.h"

// The text of resources/navigator/glyphs.txt, built into the library.
extern const char* const kPkNavGlyphsText;

namespace {
constexpr int kSize = 18;
constexpr TColor kMask = clFuchsia;  // no glyph uses it
std::unique_ptr<TImageList> glyphs;

TColor ColorOf(char c) {
    switch (c) {
        case '#': return clBlack;
        case 'n': return clNavy;
        case 'r': return clRed;
        case 'g': return clGreen;
        case 'y': return clYellow;
        case 'w': return clWhite;
        case 'o': return clGray;
        default: return kMask;
    }
}

// The glyph rows in file order; a malformed description is a build-time mistake, so it stops at once.
std::vector<std::vector<std::string>> ParseGlyphs() {
    std::vector<std::vector<std::string>> out;
    std::istringstream in(kPkNavGlyphsText);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("glyph ", 0) == 0) {
            out.emplace_back();
        } else if (!line.empty() && line[0] != '#' && !out.empty()) {
            line.resize(kSize, '.');
            if (out.back().size() < kSize) out.back().push_back(line);
        }
    }
    for (auto& g : out) g.resize(kSize, std::string(kSize, '.'));
    return out;
}
}  // namespace

TImageList* pkNavGlyphs() { return glyphs.get(); }

void pkNavGlyphsStart() {
    if (glyphs) return;
    glyphs = std::make_unique<TImageList>(nullptr);
    glyphs->SetWidth(kSize);
    glyphs->SetHeight(kSize);
    for (const auto& rows : ParseGlyphs()) {
        TBitmap enabled(kSize, kSize), disabled(kSize, kSize);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                enabled.SetPixel(x, y, ColorOf(rows[y][x]));
                disabled.SetPixel(x, y, kMask);
            }
        // The disabled picture: the shape in grey over its white shadow one pixel down and right.
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (rows[y][x] != '.' && x + 1 < kSize && y + 1 < kSize) disabled.SetPixel(x + 1, y + 1, clWhite);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (rows[y][x] != '.') disabled.SetPixel(x, y, clGray);
        glyphs->AddMasked(enabled, kMask);
        glyphs->AddMasked(disabled, kMask);
    }
}

void pkNavGlyphsStop() { glyphs.reset(); }
