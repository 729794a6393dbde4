// Private to the window layer: conversions between the layer's plain types and Qt's (colours, rectangles, ANSI
// text, fonts, keys, shift states, cursors).
#pragma once

#include <QColor>
#include <QFont>
#include <QKeyEvent>
#include <QRect>
#include <QString>
#include <string>

#include "framework/window/colors.h"
#include "framework/window/graphics.h"
#include "framework/window/types.h"

namespace qtconv {

QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect FromQRect(const QRect& r) { return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }
// Windows-1252 text to Qt and back (characters outside the code page become '?').
QString ToQString(const std::string& ansi);
std::string FromQString(const QString& text);
// The Qt font a TFont resolves to (family mapped, pixel size, style, no antialiasing for stable pictures).
QFont ToQFont(const TFont& font);
std::string ResolveFamily(const std::string& name);
int PixelSizeOf(const TFont& font);
// The virtual key of a key event (0 when it has none).
TKey VirtualKey(const QKeyEvent& event);
TShiftState ShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
Qt::CursorShape CursorShape(TCursor cursor);

}  // namespace qtconv
