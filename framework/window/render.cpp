#include "framework/window/render.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>

#include "qt/bitmap_impl.h"
#include "qt/control_widget.h"

void RenderToBitmap(TControl& control, TBitmap& bitmap) {
    QCoreApplication::sendPostedEvents();
    QWidget* w = TControlBridge::Widget(control);
    w->ensurePolished();
    QImage img(w->size(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(1.0);
    img.fill(Qt::white);
    w->render(&img, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    TBitmapBridge::Image(bitmap) = img;
}

void RenderToPng(TControl& control, const std::string& fileName) {
    TBitmap bitmap;
    RenderToBitmap(control, bitmap);
    bitmap.SaveToFile(fileName);
}
