// The drawing tools: TFont, TBrush and TPen (plain settings with a change event) and TCanvas, the surface that
// controls paint on and bitmaps draw into. A canvas draws with its current font, brush and pen, clipped to its
// clip rectangle; a control's canvas draws only while the control paints (outside its Paint step drawing is
// dropped, measuring always works). Text drawing follows the classic rules: TextOut places the top of the text
// at y, DrawText lays out lines with the DT_ flags below. Fonts: "MS Sans Serif", "Arial" and the other classic
// sans faces resolve to DejaVu Sans, "Courier New" to DejaVu Sans Mono, "Times New Roman" to DejaVu Serif; a
// negative Height is the pixel height of the characters, at 96 pixels per inch.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/window/colors.h"
#include "framework/window/types.h"

class TBitmap;
struct TCanvasBridge;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
                pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };

constexpr int DEFAULT_CHARSET = 1;
constexpr int ANSI_CHARSET = 0;

class TFont {
public:
    TFont() = default;
    TFont(const TFont& other) { Assign(other); }
    TFont& operator=(const TFont& other) { Assign(other); return *this; }

    // Copies every setting (one change event).
    void Assign(const TFont& other);
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Negative: pixel height of the characters; positive: cell height (characters plus internal leading).
    int Height() const { return height_; }
    void SetHeight(int height);
    // Points at the font's PixelsPerInch (96): Size 8 is Height -11.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    int Charset() const { return charset_; }
    void SetCharset(int charset);
    int PixelsPerInch() const { return 96; }
    bool operator==(const TFont& o) const;

    // The family the name resolves to on this system ("DejaVu Sans" for "MS Sans Serif").
    std::string ResolvedFamily() const;
    // The pixel size the font is drawn with.
    int PixelSize() const;

    std::function<void(TFont&)> OnChange;

private:
    void Changed() { if (OnChange) OnChange(*this); }

    std::string name_ = "MS Sans Serif";  // face name as stored
    int height_ = -11;                    // see Height
    TFontStyles style_;                   // bold, italic, underline, strikeout
    TColor color_ = clWindowText;         // text colour
    TFontPitch pitch_ = fpDefault;        // variable or fixed pitch request
    int charset_ = DEFAULT_CHARSET;       // kept for stored descriptions; text is always ANSI
};

class TBrush {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    void Assign(const TBrush& other);
    std::function<void(TBrush&)> OnChange;

private:
    TColor color_ = clWhite;      // fill colour
    TBrushStyle style_ = bsSolid;  // bsClear: no fill
};

class TPen {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);
    void Assign(const TPen& other);
    std::function<void(TPen&)> OnChange;

private:
    TColor color_ = clBlack;   // line colour
    int width_ = 1;            // pixels
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;   // how the pen combines with the pixels below
};

// DrawText flags.
constexpr unsigned DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                   DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
                   DT_NOCLIP = 0x100, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_END_ELLIPSIS = 0x8000;

// Raster operations of CopyRect, Draw and the image list (the classic codes).
using TCopyMode = unsigned;
constexpr TCopyMode SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
                    SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6,
                    MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226, BLACKNESS = 0x00000042,
                    WHITENESS = 0x00FF0062, DSTINVERT = 0x00550009;

// DrawEdge edges and border flags.
constexpr unsigned BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8,
                   BDR_OUTER = 0x3, BDR_INNER = 0xC, EDGE_RAISED = 0x5, EDGE_SUNKEN = 0xA, EDGE_ETCHED = 0x6,
                   EDGE_BUMP = 0x9;
constexpr unsigned BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8, BF_TOPLEFT = 0x3,
                   BF_BOTTOMRIGHT = 0xC, BF_RECT = 0xF, BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000,
                   BF_FLAT = 0x4000, BF_MONO = 0x8000;

class TCanvas {
public:
    TCanvas();
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }
    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }
    // Whether drawing reaches a surface now (a bitmap canvas, or a control's canvas while it paints).
    bool CanDraw() const;

    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint p) { penPos_ = p; }
    void MoveTo(int x, int y) { penPos_ = Point(x, y); }
    // A line from the pen position to (x, y), the end point itself not drawn; the pen moves there.
    void LineTo(int x, int y);
    // Lines through the points; the last point is not drawn.
    void Polyline(const std::vector<TPoint>& points);
    void Polygon(const std::vector<TPoint>& points);
    // Fills the rectangle with the brush (nothing with bsClear).
    void FillRect(const TRect& rect);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& rect);
    // Outline with the pen inside the rectangle, interior with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    TColor Pixels(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // Text with its top-left corner at (x, y); with a solid brush its cell is filled first. The pen position
    // moves to the end of the text.
    void TextOut(int x, int y, const std::string& text);
    // Fills rect with the brush (unless bsClear) and draws the text at (x, y), clipped to rect.
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    // Lays out and draws text in rect by the DT_ flags; with DT_CALCRECT only measures, setting rect's Right and
    // Bottom to the text's extent. Returns the height of the text.
    int DrawText(const std::string& text, TRect& rect, unsigned flags);
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;
    TSize TextExtent(const std::string& text) const;

    // The dotted focus frame: every other pixel of the border inverted, so drawing it twice restores the picture.
    void DrawFocusRect(const TRect& rect);
    // The bitmap at (x, y) with CopyMode (transparent bitmaps leave their transparent colour out).
    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& rect, const TBitmap& bitmap);
    // Copies source's srcRect into dest (stretched when the sizes differ) with CopyMode.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& srcRect);
    // Copies part of a bitmap with a raster operation.
    void CopyBitmap(const TRect& dest, const TBitmap& bitmap, const TRect& srcRect, TCopyMode mode);

    // Drawing is limited to this rectangle (in the canvas's coordinates) until reset.
    void SetClipRect(const TRect& rect);
    void ResetClipRect();
    bool HasClipRect() const { return hasClip_; }
    TRect ClipRect() const;

private:
    friend struct TCanvasBridge;
    struct Impl;

    std::unique_ptr<Impl> impl_;  // the surface: a borrowed painter or a bitmap's image
    TFont font_;                  // text
    TBrush brush_;                // fills
    TPen pen_;                    // lines
    TPoint penPos_;               // where LineTo starts
    TCopyMode copyMode_ = SRCCOPY;
    bool hasClip_ = false;        // whether clip_ applies
    TRect clip_;                  // clip rectangle
};

// The classic 3-D edge: edge is a combination of BDR_ flags, flags a combination of BF_ flags. With BF_ADJUST the
// rectangle shrinks to the part inside the edge.
void DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags);
// width nested frames: top and left in topColor, bottom and right in bottomColor; the rectangle shrinks by width.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);
