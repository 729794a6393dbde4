#include "framework/window/bitmap.h"

#include <QBuffer>
#include <QFile>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "framework/data/stream.h"
#include "qt/bitmap_impl.h"
#include "qt/control_widget.h"
#include "qt/qt_convert.h"

namespace {

QImage Blank(int width, int height) {
    if (width <= 0 || height <= 0) return QImage();
    QImage img(width, height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

}  // namespace

TBitmap::TBitmap() : impl_(std::make_unique<Impl>()), canvas_(std::make_unique<TCanvas>()) {
    TCanvasBridge::BindImage(*canvas_, &impl_->image);
}

TBitmap::TBitmap(int width, int height) : TBitmap() { SetSize(width, height); }

TBitmap::~TBitmap() = default;

void TBitmap::Assign(const TBitmap& other) {
    if (this == &other) return;
    impl_->image = other.impl_->image.copy();
    transparent_ = other.transparent_;
    transparentColor_ = other.transparentColor_;
}

int TBitmap::Width() const { return impl_->image.width(); }
int TBitmap::Height() const { return impl_->image.height(); }

void TBitmap::SetSize(int width, int height) {
    if (width == Width() && height == Height()) return;
    QImage img = Blank(width, height);
    if (!img.isNull() && !impl_->image.isNull()) {
        for (int y = 0; y < std::min(height, Height()); ++y)
            for (int x = 0; x < std::min(width, Width()); ++x) img.setPixel(x, y, impl_->image.pixel(x, y));
    }
    impl_->image = img;
}

TColor TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return clBlack;
    return qtconv::FromQColor(impl_->image.pixelColor(x, y));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    impl_->image.setPixelColor(x, y, qtconv::ToQColor(color));
}

TColor TBitmap::TransparentColor() const {
    if (transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clWhite;
    return Pixel(0, Height() - 1);
}

namespace {

QImage Decode(const QByteArray& bytes, const std::string& what) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QByteArray format = reader.format();
    if (format != "bmp" && format != "png") throw EInvalidGraphic(what + ": not a BMP or PNG picture");
    QImage img = reader.read();
    if (img.isNull()) throw EInvalidGraphic(what + ": " + reader.errorString().toStdString());
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

void TBitmap::LoadFromFile(const std::string& fileName) {
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly)) throw EInvalidGraphic("Cannot open picture " + fileName);
    impl_->image = Decode(file.readAll(), fileName);
}

void TBitmap::LoadFromStream(TStream& stream) {
    int64_t size = stream.Size() - stream.Position();
    if (size <= 0) throw EInvalidGraphic("Picture stream is empty");
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    stream.ReadBuffer(bytes.data(), size);
    impl_->image = Decode(bytes, "Picture stream");
}

void TBitmap::SaveToFile(const std::string& fileName) const {
    if (impl_->image.isNull() || !impl_->image.save(QString::fromStdString(fileName), "PNG"))
        throw EInvalidGraphic("Cannot write picture " + fileName);
}

void TBitmap::SaveToStream(TStream& stream) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (impl_->image.isNull() || !impl_->image.save(&buffer, "PNG")) throw EInvalidGraphic("Cannot write picture");
    stream.WriteBuffer(bytes.constData(), bytes.size());
}
