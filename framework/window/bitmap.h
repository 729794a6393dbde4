// TBitmap: an in-memory picture of 24-bit colour pixels with a canvas to draw into it. It loads BMP and PNG files
// and streams and saves PNG. A transparent bitmap leaves its transparent colour out when it is drawn; that colour
// is TransparentColor, or with clDefault the colour of its bottom-left pixel.
#pragma once

#include <memory>
#include <string>

#include "framework/base/exception.h"
#include "framework/window/colors.h"
#include "framework/window/graphics.h"

class TStream;
struct TBitmapBridge;

// A picture that cannot be read or written.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // Copies the other bitmap's picture and transparency settings.
    void Assign(const TBitmap& other);
    int Width() const;
    int Height() const;
    // Resizes, keeping the top-left part of the picture; new pixels are white.
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    TCanvas& Canvas() { return *canvas_; }
    const TCanvas& Canvas() const { return *canvas_; }

    // REQUIRES: 0 <= x < Width(), 0 <= y < Height() (else clBlack is read and writes are dropped).
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color) { transparentColor_ = color; }

    // Reads a BMP or PNG file (EInvalidGraphic when it is neither or cannot be read).
    void LoadFromFile(const std::string& fileName);
    // Reads a BMP or PNG picture from the stream's position to its end.
    void LoadFromStream(TStream& stream);
    // Writes a PNG file (EInvalidGraphic on failure).
    void SaveToFile(const std::string& fileName) const;
    void SaveToStream(TStream& stream) const;

private:
    friend struct TBitmapBridge;
    struct Impl;

    std::unique_ptr<Impl> impl_;        // the pixels
    std::unique_ptr<TCanvas> canvas_;   // draws into the pixels
    bool transparent_ = false;          // leave the transparent colour out when drawn
    TColor transparentColor_ = clDefault;  // clDefault: the bottom-left pixel's colour
};
