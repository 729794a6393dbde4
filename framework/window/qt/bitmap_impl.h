// Private to the window layer: the pixels of a bitmap, for the canvas and the image list.
#pragma once

#include <QImage>

#include "framework/window/bitmap.h"

struct TBitmap::Impl {
    QImage image;  // ARGB32 premultiplied; fully opaque unless loaded with transparency
};

struct TBitmapBridge {
    static QImage& Image(TBitmap& b) { return b.impl_->image; }
    static const QImage& Image(const TBitmap& b) { return b.impl_->image; }
};
