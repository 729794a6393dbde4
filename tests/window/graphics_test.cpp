// Canvas drawing, text layout, fonts, bitmaps and image lists, checked pixel by pixel in bitmaps.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/data/stream.h"
#include "framework/window/bitmap.h"
#include "framework/window/image_list.h"
#include "window_support.h"

namespace {

TBitmap& Fill(TBitmap& b, TColor color) {
    b.Canvas().Brush().SetColor(color);
    b.Canvas().Brush().SetStyle(bsSolid);
    b.Canvas().FillRect(Rect(0, 0, b.Width(), b.Height()));
    return b;
}

// The leftmost column holding a pixel of colour c in row y, or -1.
int FirstX(const TBitmap& b, int y, TColor c) {
    for (int x = 0; x < b.Width(); ++x)
        if (b.Pixel(x, y) == c) return x;
    return -1;
}

}  // namespace

TEST(FontTest, ClassicSansResolvesToDejaVuSansAtItsPixelHeight) {
    TFont font;
    EXPECT_EQ(font.Name(), "MS Sans Serif");
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.ResolvedFamily(), "DejaVu Sans");
    EXPECT_EQ(font.PixelSize(), 11);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);
    TBitmap b(10, 10);
    // The form's text height as designed: 13 pixels for the 8-point face.
    EXPECT_EQ(b.Canvas().TextHeight("W"), 13);
    EXPECT_GT(b.Canvas().TextWidth("0"), 3);
}

TEST(CanvasTest, LinesLeaveOutTheirEndPointAndRectanglesFillInside) {
    TBitmap b(20, 20);
    Fill(b, clWhite);
    TCanvas& c = b.Canvas();
    c.Pen().SetColor(clRed);
    c.MoveTo(2, 5);
    c.LineTo(10, 5);
    EXPECT_EQ(b.Pixel(2, 5), clRed);
    EXPECT_EQ(b.Pixel(9, 5), clRed);
    EXPECT_EQ(b.Pixel(10, 5), clWhite);
    EXPECT_EQ(c.PenPos(), Point(10, 5));

    c.Pen().SetColor(clBlack);
    c.Brush().SetColor(clYellow);
    c.Rectangle(2, 8, 8, 14);
    EXPECT_EQ(b.Pixel(2, 8), clBlack);
    EXPECT_EQ(b.Pixel(7, 13), clBlack);
    EXPECT_EQ(b.Pixel(8, 13), clWhite);
    EXPECT_EQ(b.Pixel(4, 10), clYellow);

    c.SetClipRect(Rect(0, 0, 5, 20));
    c.Brush().SetColor(clBlue);
    c.FillRect(Rect(0, 16, 20, 20));
    EXPECT_EQ(b.Pixel(4, 17), clBlue);
    EXPECT_EQ(b.Pixel(5, 17), clWhite);
}

TEST(CanvasTest, FocusRectangleIsDottedAndDrawingItTwiceRestoresThePicture) {
    TBitmap b(12, 12);
    Fill(b, clWhite);
    b.Canvas().DrawFocusRect(Rect(1, 1, 11, 11));
    EXPECT_EQ(b.Pixel(1, 1), clBlack);
    EXPECT_EQ(b.Pixel(2, 1), clWhite);
    EXPECT_EQ(b.Pixel(3, 1), clBlack);
    EXPECT_EQ(b.Pixel(5, 5), clWhite);
    b.Canvas().DrawFocusRect(Rect(1, 1, 11, 11));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(b.Pixel(x, y), clWhite) << x << "," << y;
}

TEST(CanvasTest, EdgesUseTheFixedPalette) {
    TBitmap b(10, 10);
    Fill(b, clBtnFace);
    TRect r = Rect(0, 0, 10, 10);
    DrawEdge(b.Canvas(), r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, Rect(2, 2, 8, 8));
    EXPECT_EQ(b.Pixel(0, 5), ColorToRGB(cl3DLight));
    EXPECT_EQ(b.Pixel(1, 5), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(b.Pixel(9, 5), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(b.Pixel(8, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));

    TBitmap f(6, 6);
    Fill(f, clWhite);
    TRect fr = Rect(0, 0, 6, 6);
    Frame3D(f.Canvas(), fr, clRed, clBlue, 1);
    EXPECT_EQ(fr, Rect(1, 1, 5, 5));
    EXPECT_EQ(f.Pixel(0, 0), clRed);
    EXPECT_EQ(f.Pixel(5, 5), clBlue);
    EXPECT_EQ(f.Pixel(0, 5), clBlue);
}

TEST(CanvasTest, CopyRectAppliesTheRasterOperation) {
    struct Case {
        TCopyMode mode;
        TColor expected;  // source 0x0F0F0F over destination 0x3C3C3C
    } cases[] = {
        {SRCCOPY, RGB(0x0F, 0x0F, 0x0F)},  {SRCAND, RGB(0x0C, 0x0C, 0x0C)},
        {SRCPAINT, RGB(0x3F, 0x3F, 0x3F)}, {SRCINVERT, RGB(0x33, 0x33, 0x33)},
        {NOTSRCCOPY, RGB(0xF0, 0xF0, 0xF0)}, {SRCERASE, RGB(0x03, 0x03, 0x03)},
        {MERGEPAINT, RGB(0xFC, 0xFC, 0xFC)}, {NOTSRCERASE, RGB(0xC0, 0xC0, 0xC0)},
    };
    TBitmap src(4, 4);
    Fill(src, RGB(0x0F, 0x0F, 0x0F));
    for (const Case& k : cases) {
        TBitmap dst(4, 4);
        Fill(dst, RGB(0x3C, 0x3C, 0x3C));
        dst.Canvas().SetCopyMode(k.mode);
        dst.Canvas().CopyRect(Rect(0, 0, 2, 2), src.Canvas(), Rect(0, 0, 2, 2));
        EXPECT_EQ(dst.Pixel(1, 1), k.expected) << std::hex << k.mode;
        EXPECT_EQ(dst.Pixel(3, 3), RGB(0x3C, 0x3C, 0x3C)) << std::hex << k.mode;
    }
}

TEST(CanvasTest, DrawTextAlignsMeasuresAndEllipsizes) {
    TBitmap b(120, 40);
    Fill(b, clWhite);
    TCanvas& c = b.Canvas();
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(bsClear);

    // Measuring: one line of the text's width and height; '&' is a prefix unless DT_NOPREFIX.
    TRect calc = Rect(0, 0, 100, 0);
    int h = c.DrawText("&Install", calc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(h, 13);
    EXPECT_EQ(calc.Width(), c.TextWidth("Install"));
    TRect literal = Rect(0, 0, 100, 0);
    c.DrawText("&Install", literal, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(literal.Width(), c.TextWidth("&Install"));

    // Right alignment puts the ink against the right edge; centring between the edges.
    TRect right = Rect(0, 0, 120, 13);
    c.DrawText("II", right, DT_RIGHT | DT_SINGLELINE);
    int ink = -1;
    for (int x = 119; x >= 0 && ink < 0; --x)
        for (int y = 0; y < 13; ++y)
            if (b.Pixel(x, y) == clBlack) { ink = x; break; }
    EXPECT_GE(ink, 112);

    // Word break makes two lines; an ellipsis shortens what does not fit.
    TRect wrap = Rect(0, 0, c.TextWidth("First") + 2, 0);
    EXPECT_EQ(c.DrawText("First Second", wrap, DT_CALCRECT | DT_WORDBREAK), 26);
    TRect one = Rect(0, 0, c.TextWidth("First") + 2, 0);
    c.DrawText("First Second", one, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(one.Width(), c.TextWidth("First") + 2);

    // Tabs expand to the next stop of eight average characters.
    TRect tabs = Rect(0, 0, 400, 0);
    c.DrawText("a\tb", tabs, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    EXPECT_GT(tabs.Width(), c.TextWidth("a b") + 10);

    // The prefixed character is underlined.
    TBitmap u(60, 20);
    Fill(u, clWhite);
    u.Canvas().Font().SetColor(clBlack);
    TRect ur = Rect(0, 0, 60, 20);
    u.Canvas().DrawText("&W", ur, DT_SINGLELINE);
    TBitmap plain(60, 20);
    Fill(plain, clWhite);
    plain.Canvas().Font().SetColor(clBlack);
    TRect pr = Rect(0, 0, 60, 20);
    plain.Canvas().DrawText("W", pr, DT_SINGLELINE);
    int underlineRow = 0;
    for (int y = 0; y < 20; ++y)
        if (FirstX(u, y, clBlack) >= 0 && FirstX(plain, y, clBlack) < 0) underlineRow = y;
    EXPECT_GT(underlineRow, 8);
}

TEST(BitmapTest, PngRoundTripAndBadPictures) {
    TempFolder dir;
    TBitmap b(5, 3);
    Fill(b, clWhite);
    b.SetPixel(4, 2, clRed);
    std::string path = dir.File("pic.png");
    b.SaveToFile(path);
    TBitmap back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Height(), 3);
    EXPECT_EQ(back.Pixel(4, 2), clRed);
    EXPECT_EQ(back.Pixel(0, 0), clWhite);

    TMemoryStream stream;
    b.SaveToStream(stream);
    stream.SetPosition(0);
    TBitmap fromStream;
    fromStream.LoadFromStream(stream);
    EXPECT_EQ(fromStream.Pixel(4, 2), clRed);

    TMemoryStream junk;
    junk.WriteBuffer("not a picture", 13);
    junk.SetPosition(0);
    TBitmap bad;
    EXPECT_THROW(bad.LoadFromStream(junk), EInvalidGraphic);
    EXPECT_THROW(bad.LoadFromFile(dir.File("missing.bmp")), EInvalidGraphic);
    EXPECT_TRUE(bad.Empty());
}

TEST(ImageListTest, MaskedImagesLeaveTheBackgroundAndDisabledOnesAreGrey) {
    // Two 4x4 images side by side: black squares on a fuchsia background with a white dot.
    TBitmap strip(8, 4);
    Fill(strip, clFuchsia);
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 3; ++x) {
            strip.SetPixel(x, y, clBlack);
            strip.SetPixel(4 + x, y, clBlack);
        }
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    EXPECT_EQ(list.AddMasked(strip, clFuchsia), 0);
    EXPECT_EQ(list.Count(), 2);

    TBitmap target(10, 10);
    Fill(target, clYellow);
    list.Draw(target.Canvas(), 2, 2, 1, true);
    EXPECT_EQ(target.Pixel(2, 2), clYellow);  // transparent corner
    EXPECT_EQ(target.Pixel(3, 3), clBlack);

    TBitmap greyed(10, 10);
    Fill(greyed, clYellow);
    list.Draw(greyed.Canvas(), 2, 2, 0, false);
    EXPECT_EQ(greyed.Pixel(3, 3), ColorToRGB(clBtnShadow));
    EXPECT_EQ(greyed.Pixel(2, 2), clYellow);

    // A mask bitmap: white is transparent.
    TBitmap mask(4, 4);
    Fill(mask, clBlack);
    mask.SetPixel(0, 0, clWhite);
    TBitmap solid(4, 4);
    Fill(solid, clRed);
    int index = list.Add(solid, &mask);
    TBitmap t2(4, 4);
    Fill(t2, clBlue);
    list.Draw(t2.Canvas(), 0, 0, index);
    EXPECT_EQ(t2.Pixel(0, 0), clBlue);
    EXPECT_EQ(t2.Pixel(1, 1), clRed);
    list.Draw(t2.Canvas(), 0, 0, 99);  // out of range: nothing
}
