#include "framework/window/image_list.h"

#include <QImage>
#include <QPainter>

#include "qt/bitmap_impl.h"
#include "qt/qt_convert.h"

struct TImageList::Impl {
    std::vector<QImage> images;  // ARGB32, alpha 0 where transparent
};

TImageList::TImageList(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TImageList::~TImageList() = default;

void TImageList::SetWidth(int value) {
    if (value == width_ || value <= 0) return;
    width_ = value;
    Clear();
}

void TImageList::SetHeight(int value) {
    if (value == height_ || value <= 0) return;
    height_ = value;
    Clear();
}

int TImageList::Count() const { return static_cast<int>(impl_->images.size()); }

void TImageList::Changed() {
    if (OnChange) OnChange(*this);
}

namespace {

// Splits a picture into list-sized images; transparent(x, y) says which pixels are left out.
template <class F>
int AddImages(std::vector<QImage>& images, const QImage& source, int width, int height, F transparent) {
    if (source.isNull()) return -1;
    int first = static_cast<int>(images.size());
    int count = std::max(1, source.width() / width);
    for (int n = 0; n < count; ++n) {
        QImage img(width, height, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        for (int y = 0; y < height && y < source.height(); ++y) {
            for (int x = 0; x < width && n * width + x < source.width(); ++x) {
                int sx = n * width + x;
                if (transparent(sx, y)) continue;
                img.setPixel(x, y, source.pixel(sx, y) | 0xFF000000u);
            }
        }
        images.push_back(img);
    }
    return first;
}

}  // namespace

int TImageList::Add(const TBitmap& bitmap, const TBitmap* mask) {
    const QImage& src = TBitmapBridge::Image(bitmap);
    const QImage* m = mask ? &TBitmapBridge::Image(*mask) : nullptr;
    int r = AddImages(impl_->images, src, width_, height_, [&](int x, int y) {
        if (!m || x >= m->width() || y >= m->height()) return false;
        return (m->pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
    });
    Changed();
    return r;
}

int TImageList::AddMasked(const TBitmap& bitmap, TColor maskColor) {
    const QImage& src = TBitmapBridge::Image(bitmap);
    if (maskColor == clDefault) maskColor = bitmap.Empty() ? clWhite : bitmap.Pixel(0, bitmap.Height() - 1);
    QRgb key = qtconv::ToQColor(maskColor).rgb() & 0xFFFFFF;
    int r = AddImages(impl_->images, src, width_, height_,
                      [&](int x, int y) { return (src.pixel(x, y) & 0xFFFFFF) == key; });
    Changed();
    return r;
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    impl_->images.erase(impl_->images.begin() + index);
    Changed();
}

void TImageList::Clear() {
    impl_->images.clear();
    Changed();
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) return;
    const QImage& img = impl_->images[static_cast<size_t>(index)];
    TBitmap picture(width_, height_);
    QImage& target = TBitmapBridge::Image(picture);
    target = QImage(width_, height_, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    if (enabled) {
        QPainter p(&target);
        p.drawImage(0, 0, img);
    } else {
        // The classic disabled look: the shape in the highlight colour one pixel down-right, then in the shadow
        // colour.
        QImage shape(width_, height_, QImage::Format_ARGB32);
        shape.fill(Qt::transparent);
        QColor hi = qtconv::ToQColor(clBtnHighlight), sh = qtconv::ToQColor(clBtnShadow);
        for (int j = 0; j < height_; ++j)
            for (int i = 0; i < width_; ++i) {
                QRgb px = img.pixel(i, j);
                if (qAlpha(px) == 0) continue;
                // Dark pixels make the shape; light ones drop out as on a monochrome copy.
                if (qGray(px) < 0xC0) shape.setPixel(i, j, 0xFF000000u);
            }
        QPainter p(&target);
        for (int pass = 0; pass < 2; ++pass) {
            QImage tinted = shape;
            QColor c = pass == 0 ? hi : sh;
            for (int j = 0; j < height_; ++j)
                for (int i = 0; i < width_; ++i)
                    if (qAlpha(tinted.pixel(i, j)) != 0) tinted.setPixel(i, j, c.rgb() | 0xFF000000u);
            p.drawImage(pass == 0 ? 1 : 0, pass == 0 ? 1 : 0, tinted);
        }
    }
    TCopyMode keep = canvas.CopyMode();
    canvas.SetCopyMode(SRCCOPY);
    canvas.CopyBitmap(Bounds(x, y, width_, height_), picture, Rect(0, 0, width_, height_), SRCCOPY);
    canvas.SetCopyMode(keep);
}

void TImageList::GetBitmap(int index, TBitmap& bitmap, TColor background) const {
    bitmap.SetSize(width_, height_);
    bitmap.Canvas().Brush().SetColor(background);
    bitmap.Canvas().Brush().SetStyle(bsSolid);
    bitmap.Canvas().FillRect(Rect(0, 0, width_, height_));
    Draw(bitmap.Canvas(), 0, 0, index, true);
}
