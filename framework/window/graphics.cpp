#include "framework/window/graphics.h"

#include <cmath>

#include "qt/qt_convert.h"

void TFont::Assign(const TFont& other) {
    if (this == &other) return;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    pitch_ = other.pitch_;
    charset_ = other.charset_;
    Changed();
}

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

int TFont::Size() const {
    return -static_cast<int>(std::lround(height_ * 72.0 / PixelsPerInch()));
}

void TFont::SetSize(int points) {
    SetHeight(-static_cast<int>(std::lround(points * PixelsPerInch() / 72.0)));
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    Changed();
}

void TFont::SetCharset(int charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

bool TFont::operator==(const TFont& o) const {
    return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
           pitch_ == o.pitch_ && charset_ == o.charset_;
}

std::string TFont::ResolvedFamily() const { return qtconv::ResolveFamily(name_); }

int TFont::PixelSize() const { return qtconv::PixelSizeOf(*this); }

void TBrush::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    if (OnChange) OnChange(*this);
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    if (OnChange) OnChange(*this);
}

void TBrush::Assign(const TBrush& other) {
    color_ = other.color_;
    style_ = other.style_;
    if (OnChange) OnChange(*this);
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    if (OnChange) OnChange(*this);
}

void TPen::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    if (OnChange) OnChange(*this);
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    if (OnChange) OnChange(*this);
}

void TPen::SetMode(TPenMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    if (OnChange) OnChange(*this);
}

void TPen::Assign(const TPen& other) {
    color_ = other.color_;
    width_ = other.width_;
    style_ = other.style_;
    mode_ = other.mode_;
    if (OnChange) OnChange(*this);
}
