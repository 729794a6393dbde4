// The navigator's built-in glyphs: one image list for the program, 18 by 18 pixels, filled at the library's
// start-up from the glyph descriptions built into the library. Style s has image 2s (enabled) and 2s + 1
// (disabled), for the styles first to search dialog.
#pragma once

class TImageList;

// The list, or nullptr outside start-up and shutdown.
TImageList* pkNavGlyphs();
void pkNavGlyphsStart();
void pkNavGlyphsStop();
