#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <optional>
#include <vector>

#include "framework/window/bitmap.h"
#include "framework/window/graphics.h"
#include "qt/bitmap_impl.h"
#include "qt/control_widget.h"
#include "qt/qt_convert.h"

using qtconv::ToQColor;
using qtconv::ToQRect;
using qtconv::ToQString;

struct TCanvas::Impl {
    QPainter* painter = nullptr;  // borrowed from a paint event
    TPoint origin;                // canvas (0, 0) on the painter
    QImage* image = nullptr;      // a bitmap's pixels
};

void TCanvasBridge::Bind(TCanvas& canvas, QPainter* painter, TPoint origin) {
    canvas.impl_->painter = painter;
    canvas.impl_->origin = origin;
}

void TCanvasBridge::BindImage(TCanvas& canvas, QImage* image) { canvas.impl_->image = image; }

QPainter* TCanvasBridge::Painter(TCanvas& canvas) { return canvas.impl_->painter; }

void TCanvasBridge::SetOrigin(TCanvas& canvas, TPoint origin) { canvas.impl_->origin = origin; }

namespace {

// A painter for one drawing operation: the borrowed one (its state saved and restored) or one opened on the
// bitmap's image. Clipped to the canvas's clip rectangle.
class PaintScope {
public:
    PaintScope(QPainter* borrowed, TPoint origin, QImage* image, bool hasClip, const TRect& clip) {
        if (borrowed) {
            p_ = borrowed;
            p_->save();
            p_->translate(origin.X, origin.Y);
        } else if (image && !image->isNull()) {
            own_.emplace(image);
            p_ = &*own_;
        }
        if (p_) {
            p_->setRenderHint(QPainter::Antialiasing, false);
            if (hasClip) p_->setClipRect(ToQRect(clip), borrowed ? Qt::IntersectClip : Qt::ReplaceClip);
        }
    }
    ~PaintScope() {
        if (p_ && !own_) p_->restore();
    }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    QPainter* operator->() { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    QPainter& Get() { return *p_; }

private:
    QPainter* p_ = nullptr;
    std::optional<QPainter> own_;
};

QPainter::CompositionMode PenComposition(TPenMode mode) {
    switch (mode) {
        case pmNot: return QPainter::RasterOp_NotDestination;
        case pmXor: return QPainter::RasterOp_SourceXorDestination;
        case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
        case pmMerge: return QPainter::RasterOp_SourceOrDestination;
        case pmMask: return QPainter::RasterOp_SourceAndDestination;
        case pmNotCopy: return QPainter::RasterOp_NotSource;
        case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
        case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
        case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
        case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
        case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
        case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
        default: return QPainter::CompositionMode_SourceOver;
    }
}

QColor PenColor(const TPen& pen) {
    if (pen.Mode() == pmBlack) return QColor(0, 0, 0);
    if (pen.Mode() == pmWhite) return QColor(255, 255, 255);
    return ToQColor(pen.Color());
}

Qt::BrushStyle BrushPattern(TBrushStyle style) {
    switch (style) {
        case bsHorizontal: return Qt::HorPattern;
        case bsVertical: return Qt::VerPattern;
        case bsFDiagonal: return Qt::BDiagPattern;
        case bsBDiagonal: return Qt::FDiagPattern;
        case bsCross: return Qt::CrossPattern;
        case bsDiagCross: return Qt::DiagCrossPattern;
        case bsClear: return Qt::NoBrush;
        default: return Qt::SolidPattern;
    }
}

// The classic raster operation applied to one pixel pair (0x00RRGGBB values); brush for MERGECOPY.
uint32_t Rop(TCopyMode mode, uint32_t src, uint32_t dst, uint32_t brush) {
    switch (mode) {
        case SRCPAINT: return src | dst;
        case SRCAND: return src & dst;
        case SRCINVERT: return src ^ dst;
        case SRCERASE: return src & ~dst;
        case NOTSRCCOPY: return ~src;
        case NOTSRCERASE: return ~(src | dst);
        case MERGECOPY: return src & brush;
        case MERGEPAINT: return ~src | dst;
        case BLACKNESS: return 0;
        case WHITENESS: return 0xFFFFFF;
        case DSTINVERT: return ~dst;
        default: return src;
    }
}

QPainter::CompositionMode RopComposition(TCopyMode mode) {
    switch (mode) {
        case SRCPAINT: return QPainter::RasterOp_SourceOrDestination;
        case SRCAND: return QPainter::RasterOp_SourceAndDestination;
        case SRCINVERT: return QPainter::RasterOp_SourceXorDestination;
        case SRCERASE: return QPainter::RasterOp_SourceAndNotDestination;
        case NOTSRCCOPY: return QPainter::RasterOp_NotSource;
        case NOTSRCERASE: return QPainter::RasterOp_NotSourceAndNotDestination;
        case MERGEPAINT: return QPainter::RasterOp_NotSourceOrDestination;
        default: return QPainter::CompositionMode_SourceOver;
    }
}

// Lines of laid-out text for DrawText.
struct TextLine {
    QString text;
    int underline = -1;  // index of the prefixed character, -1 for none
};

}  // namespace

TCanvas::TCanvas() : impl_(std::make_unique<Impl>()) {}

TCanvas::~TCanvas() = default;

bool TCanvas::CanDraw() const {
    return impl_->painter != nullptr || (impl_->image && !impl_->image->isNull());
}

#define VM_SCOPE(name) PaintScope name(impl_->painter, impl_->origin, impl_->image, hasClip_, clip_)

void TCanvas::LineTo(int x, int y) {
    int x0 = penPos_.X, y0 = penPos_.Y;
    penPos_ = Point(x, y);
    if (pen_.Style() == psClear || pen_.Mode() == pmNop) return;
    VM_SCOPE(p);
    if (!p) return;
    p->setCompositionMode(PenComposition(pen_.Mode()));
    QColor c = PenColor(pen_);
    if (pen_.Width() <= 1 && pen_.Style() == psSolid) {
        // One pixel wide: every pixel from the start up to, not including, the end (Bresenham).
        int dx = std::abs(x - x0), dy = -std::abs(y - y0);
        int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1, err = dx + dy;
        int cx = x0, cy = y0;
        if (y0 == y) {
            if (x0 != x) p->fillRect(QRect(std::min(x0, x + 1), y0, std::abs(x - x0), 1), c);
            return;
        }
        if (x0 == x) {
            p->fillRect(QRect(x0, std::min(y0, y + 1), 1, std::abs(y - y0)), c);
            return;
        }
        p->setPen(c);
        while (cx != x || cy != y) {
            p->drawPoint(cx, cy);
            int e2 = 2 * err;
            if (e2 >= dy) { err += dy; cx += sx; }
            if (e2 <= dx) { err += dx; cy += sy; }
        }
        return;
    }
    QPen qp(c, std::max(1, pen_.Width()));
    switch (pen_.Style()) {
        case psDash: qp.setStyle(Qt::DashLine); break;
        case psDot: qp.setStyle(Qt::DotLine); break;
        case psDashDot: qp.setStyle(Qt::DashDotLine); break;
        case psDashDotDot: qp.setStyle(Qt::DashDotDotLine); break;
        default: break;
    }
    qp.setCapStyle(Qt::FlatCap);
    p->setPen(qp);
    p->drawLine(x0, y0, x, y);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.empty()) return;
    MoveTo(points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.size() < 2) return;
    VM_SCOPE(p);
    if (!p) return;
    QPolygon poly;
    for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
    p->setPen(pen_.Style() == psClear ? QPen(Qt::NoPen) : QPen(PenColor(pen_), 0));
    p->setBrush(brush_.Style() == bsClear ? QBrush(Qt::NoBrush)
                                          : QBrush(ToQColor(brush_.Color()), BrushPattern(brush_.Style())));
    p->drawPolygon(poly);
}

void TCanvas::FillRect(const TRect& rect) {
    if (brush_.Style() == bsClear || rect.IsEmpty()) return;
    VM_SCOPE(p);
    if (!p) return;
    p->fillRect(ToQRect(rect), QBrush(ToQColor(brush_.Color()), BrushPattern(brush_.Style())));
}

void TCanvas::FrameRect(const TRect& r) {
    if (r.IsEmpty()) return;
    VM_SCOPE(p);
    if (!p) return;
    QColor c = ToQColor(brush_.Color());
    p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) return;
    {
        VM_SCOPE(p);
        if (!p) return;
        if (brush_.Style() != bsClear)
            p->fillRect(QRect(left, top, right - left, bottom - top),
                        QBrush(ToQColor(brush_.Color()), BrushPattern(brush_.Style())));
    }
    if (pen_.Style() == psClear) return;
    int w = std::max(1, pen_.Width());
    TBrush keep;
    keep.Assign(brush_);
    for (int i = 0; i < w && left + i < right - i && top + i < bottom - i; ++i) {
        std::vector<TPoint> pts{{left + i, top + i}, {right - 1 - i, top + i}, {right - 1 - i, bottom - 1 - i},
                                {left + i, bottom - 1 - i}, {left + i, top + i}};
        TPen saved;
        saved.Assign(pen_);
        pen_.SetWidth(1);
        MoveTo(pts[0].X, pts[0].Y);
        for (size_t k = 1; k < pts.size(); ++k) LineTo(pts[k].X, pts[k].Y);
        pen_.Assign(saved);
    }
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    VM_SCOPE(p);
    if (!p) return;
    p->setPen(pen_.Style() == psClear ? QPen(Qt::NoPen) : QPen(PenColor(pen_), 0));
    p->setBrush(brush_.Style() == bsClear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush_.Color())));
    p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

TColor TCanvas::Pixels(int x, int y) const {
    const QImage* img = impl_->image;
    if (!img || x < 0 || y < 0 || x >= img->width() || y >= img->height()) return clBlack;
    return qtconv::FromQColor(img->pixelColor(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    VM_SCOPE(p);
    if (!p) return;
    p->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    QFont f = qtconv::ToQFont(font_);
    QFontMetrics fm(f);
    QString q = ToQString(text);
    int w = fm.horizontalAdvance(q);
    penPos_ = Point(x + w, y);
    VM_SCOPE(p);
    if (!p) return;
    if (brush_.Style() != bsClear) p->fillRect(QRect(x, y, w, fm.height()), ToQColor(brush_.Color()));
    p->setFont(f);
    p->setPen(ToQColor(font_.Color()));
    p->drawText(x, y + fm.ascent(), q);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
    QFont f = qtconv::ToQFont(font_);
    QFontMetrics fm(f);
    VM_SCOPE(p);
    if (!p) return;
    p->setClipRect(ToQRect(rect), Qt::IntersectClip);
    if (brush_.Style() != bsClear) p->fillRect(ToQRect(rect), ToQColor(brush_.Color()));
    p->setFont(f);
    p->setPen(ToQColor(font_.Color()));
    p->drawText(x, y + fm.ascent(), ToQString(text));
}

int TCanvas::DrawText(const std::string& text, TRect& rect, unsigned flags) {
    QFont f = qtconv::ToQFont(font_);
    QFontMetrics fm(f);
    const int tabWidth = std::max(1, 8 * fm.averageCharWidth());
    const bool expandTabs = flags & DT_EXPANDTABS;
    // Width of a line with tabs expanded to the next multiple of the tab width.
    auto measure = [&](const QString& s) {
        if (!expandTabs || !s.contains('\t')) return fm.horizontalAdvance(s);
        int x = 0;
        QStringList parts = s.split('\t');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            x += fm.horizontalAdvance(parts[i]);
            if (i + 1 < parts.size()) x = (x / tabWidth + 1) * tabWidth;
        }
        return x;
    };

    // The '&' prefix: "&&" is one '&', "&x" underlines x.
    QString source = ToQString(text);
    if (!expandTabs) source.replace('\t', ' ');
    QString plain;
    int underline = -1;
    if (flags & DT_NOPREFIX) {
        plain = source;
    } else {
        for (qsizetype i = 0; i < source.size(); ++i) {
            if (source[i] == '&') {
                if (i + 1 < source.size() && source[i + 1] == '&') {
                    plain.append('&');
                    ++i;
                } else if (i + 1 < source.size()) {
                    if (underline < 0) underline = static_cast<int>(plain.size());
                }
                continue;
            }
            plain.append(source[i]);
        }
    }

    // Paragraphs, then words wrapped into the width.
    std::vector<TextLine> lines;
    const int width = rect.Width();
    auto addParagraph = [&](const QString& para, int underlineAt) {
        if (!(flags & DT_WORDBREAK) || (flags & DT_SINGLELINE) || measure(para) <= width) {
            lines.push_back({para, underlineAt});
            return;
        }
        qsizetype start = 0;
        while (start < para.size()) {
            qsizetype end = start, lastBreak = -1;
            while (end < para.size()) {
                if (para[end] == ' ') {
                    if (measure(para.mid(start, end - start)) > width) break;
                    lastBreak = end;
                }
                ++end;
            }
            qsizetype cut;
            if (end >= para.size() && measure(para.mid(start)) <= width) {
                cut = para.size();
            } else if (lastBreak > start) {
                cut = lastBreak;
            } else {
                // A word wider than the line stays whole.
                cut = para.indexOf(' ', start + 1);
                if (cut < 0) cut = para.size();
            }
            int u = (underlineAt >= start && underlineAt < cut) ? static_cast<int>(underlineAt - start) : -1;
            lines.push_back({para.mid(start, cut - start), u});
            start = cut;
            while (start < para.size() && para[start] == ' ') ++start;
        }
        if (lines.empty()) lines.push_back({QString(), -1});
    };
    if (flags & DT_SINGLELINE) {
        QString one = plain;
        one.remove('\r');
        one.remove('\n');
        addParagraph(one, underline);
    } else {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= plain.size(); ++i) {
            bool endOfText = i == plain.size();
            if (!endOfText && plain[i] != '\n' && plain[i] != '\r') continue;
            int u = (underline >= start && underline < i) ? static_cast<int>(underline - start) : -1;
            addParagraph(plain.mid(start, i - start), u);
            if (!endOfText && plain[i] == '\r' && i + 1 < plain.size() && plain[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (flags & DT_END_ELLIPSIS) {
        for (TextLine& line : lines) {
            if (measure(line.text) <= width) continue;
            QString cut = line.text;
            while (!cut.isEmpty() && measure(cut + "...") > width) cut.chop(1);
            line.text = cut + "...";
            if (line.underline >= cut.size()) line.underline = -1;
        }
    }

    const int lineHeight = fm.height();
    const int total = lineHeight * static_cast<int>(lines.size());
    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const TextLine& line : lines) widest = std::max(widest, measure(line.text));
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + total;
        return total;
    }

    int y = rect.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER) y = rect.Top + (rect.Height() - total) / 2;
        else if (flags & DT_BOTTOM) y = rect.Bottom - total;
    }
    VM_SCOPE(p);
    if (!p) return total;
    if (!(flags & DT_NOCLIP)) p->setClipRect(ToQRect(rect), Qt::IntersectClip);
    p->setFont(f);
    QColor textColor = ToQColor(font_.Color());
    for (const TextLine& line : lines) {
        int lw = measure(line.text);
        int x = rect.Left;
        if (flags & DT_CENTER) x = rect.Left + (rect.Width() - lw) / 2;
        else if (flags & DT_RIGHT) x = rect.Right - lw;
        if (brush_.Style() != bsClear && lw > 0) p->fillRect(QRect(x, y, lw, lineHeight), ToQColor(brush_.Color()));
        p->setPen(textColor);
        if (expandTabs && line.text.contains('\t')) {
            QStringList parts = line.text.split('\t');
            int px = 0;
            for (qsizetype i = 0; i < parts.size(); ++i) {
                p->drawText(x + px, y + fm.ascent(), parts[i]);
                px += fm.horizontalAdvance(parts[i]);
                if (i + 1 < parts.size()) px = (px / tabWidth + 1) * tabWidth;
            }
        } else {
            p->drawText(x, y + fm.ascent(), line.text);
        }
        if (line.underline >= 0 && line.underline < line.text.size()) {
            int ux = x + measure(line.text.left(line.underline));
            int uw = fm.horizontalAdvance(line.text.mid(line.underline, 1));
            p->fillRect(QRect(ux, y + fm.ascent() + 1, uw, 1), textColor);
        }
        y += lineHeight;
    }
    return total;
}

int TCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(qtconv::ToQFont(font_)).horizontalAdvance(ToQString(text));
}

int TCanvas::TextHeight(const std::string&) const { return QFontMetrics(qtconv::ToQFont(font_)).height(); }

TSize TCanvas::TextExtent(const std::string& text) const { return TSize{TextWidth(text), TextHeight(text)}; }

void TCanvas::DrawFocusRect(const TRect& r) {
    if (r.IsEmpty()) return;
    // Every other pixel of the border, inverted: drawing the frame again restores the picture.
    std::vector<QPoint> dots;
    for (int x = r.Left; x < r.Right; ++x)
        if ((x - r.Left) % 2 == 0) dots.emplace_back(x, r.Top);
    for (int y = r.Top + 1; y < r.Bottom; ++y)
        if ((y - r.Top) % 2 == 0) dots.emplace_back(r.Left, y);
    if (r.Bottom - 1 > r.Top)
        for (int x = r.Left + 1; x < r.Right; ++x)
            if ((x - r.Left + r.Bottom - 1 - r.Top) % 2 == 0) dots.emplace_back(x, r.Bottom - 1);
    if (r.Right - 1 > r.Left)
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            if ((y - r.Top + r.Right - 1 - r.Left) % 2 == 0) dots.emplace_back(r.Right - 1, y);
    if (impl_->image && !impl_->painter) {
        QImage& img = *impl_->image;
        TRect lim = Rect(0, 0, img.width(), img.height());
        if (hasClip_) IntersectRect(lim, lim, clip_);
        for (const QPoint& d : dots) {
            if (d.x() >= r.Right || d.y() >= r.Bottom || !lim.Contains(Point(d.x(), d.y()))) continue;
            QRgb px = img.pixel(d);
            img.setPixel(d, qRgba(255 - qRed(px), 255 - qGreen(px), 255 - qBlue(px), qAlpha(px)));
        }
        return;
    }
    VM_SCOPE(p);
    if (!p) return;
    p->setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QPoint& d : dots)
        if (d.x() < r.Right && d.y() < r.Bottom) p->fillRect(QRect(d, QSize(1, 1)), Qt::white);
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    if (bitmap.Transparent()) {
        QImage img = TBitmapBridge::Image(bitmap).convertToFormat(QImage::Format_ARGB32);
        QRgb key = ToQColor(bitmap.TransparentColor()).rgb() & 0xFFFFFF;
        for (int j = 0; j < img.height(); ++j) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(j));
            for (int i = 0; i < img.width(); ++i)
                if ((line[i] & 0xFFFFFF) == key) line[i] = 0;
        }
        VM_SCOPE(p);
        if (!p) return;
        p->drawImage(x, y, img);
        return;
    }
    CopyBitmap(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()),
               copyMode_);
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
    CopyBitmap(rect, bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), copyMode_);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& srcRect) {
    const QImage* img = source.impl_->image;
    if (!img || img->isNull() || dest.IsEmpty() || srcRect.IsEmpty()) return;
    QImage part = img->copy(ToQRect(srcRect));
    if (part.width() != dest.Width() || part.height() != dest.Height())
        part = part.scaled(dest.Width(), dest.Height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // Into a bitmap: the raster operation pixel by pixel, exactly.
    if (impl_->image && !impl_->painter) {
        QImage& dst = *impl_->image;
        TRect lim = Rect(0, 0, dst.width(), dst.height());
        if (hasClip_) IntersectRect(lim, lim, clip_);
        QImage src = part.convertToFormat(QImage::Format_ARGB32);
        uint32_t brush = static_cast<uint32_t>(ToQColor(brush_.Color()).rgb()) & 0xFFFFFF;
        for (int j = 0; j < src.height(); ++j) {
            int dy = dest.Top + j;
            if (dy < lim.Top || dy >= lim.Bottom) continue;
            const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(j));
            for (int i = 0; i < src.width(); ++i) {
                int dx = dest.Left + i;
                if (dx < lim.Left || dx >= lim.Right) continue;
                uint32_t d = dst.pixel(dx, dy) & 0xFFFFFF;
                uint32_t sp = s[i];
                if (copyMode_ == SRCCOPY && qAlpha(sp) < 255) {
                    // A picture with transparency blends over what is there.
                    int a = qAlpha(sp);
                    int r = (qRed(sp) * a + int((d >> 16) & 0xFF) * (255 - a)) / 255;
                    int g = (qGreen(sp) * a + int((d >> 8) & 0xFF) * (255 - a)) / 255;
                    int b = (qBlue(sp) * a + int(d & 0xFF) * (255 - a)) / 255;
                    dst.setPixel(dx, dy, qRgb(r, g, b));
                    continue;
                }
                uint32_t out = Rop(copyMode_, sp & 0xFFFFFF, d, brush) & 0xFFFFFF;
                dst.setPixel(dx, dy, 0xFF000000u | out);
            }
        }
        return;
    }
    VM_SCOPE(p);
    if (!p) return;
    if (copyMode_ == MERGECOPY) {
        QImage src = part.convertToFormat(QImage::Format_ARGB32);
        uint32_t brush = static_cast<uint32_t>(ToQColor(brush_.Color()).rgb()) | 0xFF000000u;
        for (int j = 0; j < src.height(); ++j) {
            auto* s = reinterpret_cast<QRgb*>(src.scanLine(j));
            for (int i = 0; i < src.width(); ++i) s[i] &= brush;
        }
        part = src;
    }
    if (copyMode_ == BLACKNESS || copyMode_ == WHITENESS) {
        p->fillRect(ToQRect(dest), copyMode_ == BLACKNESS ? Qt::black : Qt::white);
        return;
    }
    if (copyMode_ == DSTINVERT) {
        p->setCompositionMode(QPainter::RasterOp_NotDestination);
        p->fillRect(ToQRect(dest), Qt::white);
        return;
    }
    p->setCompositionMode(RopComposition(copyMode_));
    p->drawImage(dest.Left, dest.Top, part);
}

void TCanvas::CopyBitmap(const TRect& dest, const TBitmap& bitmap, const TRect& srcRect, TCopyMode mode) {
    TCopyMode keep = copyMode_;
    copyMode_ = mode;
    CopyRect(dest, bitmap.Canvas(), srcRect);
    copyMode_ = keep;
}

void TCanvas::SetClipRect(const TRect& rect) {
    hasClip_ = true;
    clip_ = rect;
}

void TCanvas::ResetClipRect() { hasClip_ = false; }

TRect TCanvas::ClipRect() const {
    if (hasClip_) return clip_;
    if (impl_->image) return Rect(0, 0, impl_->image->width(), impl_->image->height());
    return Rect(-32768, -32768, 32767, 32767);
}

// --- edges ---

void DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags) {
    TBrush saved;
    saved.Assign(canvas.Brush());
    canvas.Brush().SetStyle(bsSolid);
    TRect r = rect;
    auto ring = [&](TColor topLeft, TColor bottomRight) {
        if (r.IsEmpty()) return;
        canvas.Brush().SetColor(topLeft);
        if (flags & BF_TOP) canvas.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
        if (flags & BF_LEFT) canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom));
        canvas.Brush().SetColor(bottomRight);
        if (flags & BF_BOTTOM) canvas.FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
        if (flags & BF_RIGHT) canvas.FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
        if (flags & BF_TOP) ++r.Top;
        if (flags & BF_LEFT) ++r.Left;
        if (flags & BF_BOTTOM) --r.Bottom;
        if (flags & BF_RIGHT) --r.Right;
    };
    // Outer ring, then inner ring, in the classic colours.
    if (edge & BDR_RAISEDOUTER) ring(cl3DLight, cl3DDkShadow);
    else if (edge & BDR_SUNKENOUTER) ring(clBtnShadow, clBtnHighlight);
    if (edge & BDR_RAISEDINNER) ring(clBtnHighlight, clBtnShadow);
    else if (edge & BDR_SUNKENINNER) ring(cl3DDkShadow, cl3DLight);
    if (flags & BF_MIDDLE) {
        canvas.Brush().SetColor(clBtnFace);
        canvas.FillRect(r);
    }
    canvas.Brush().Assign(saved);
    if (flags & BF_ADJUST) rect = r;
}

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
    TBrush saved;
    saved.Assign(canvas.Brush());
    canvas.Brush().SetStyle(bsSolid);
    for (int i = 0; i < width && !rect.IsEmpty(); ++i) {
        const TRect& r = rect;
        canvas.Brush().SetColor(topColor);
        canvas.FillRect(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
        canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
        canvas.Brush().SetColor(bottomColor);
        canvas.FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
        canvas.FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
        InflateRect(rect, -1, -1);
    }
    canvas.Brush().Assign(saved);
}
