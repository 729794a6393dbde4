#include "qt_convert.h"

#include <QFontDatabase>
#include <cmath>

#include "framework/data/strings.h"

namespace qtconv {

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unassigned codes.
constexpr char16_t kHigh[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E,
    0x0178};

}  // namespace

QColor ToQColor(TColor color) {
    TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

QString ToQString(const std::string& ansi) {
    QString out;
    out.reserve(static_cast<qsizetype>(ansi.size()));
    for (char ch : ansi) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] != 0) {
            out.append(QChar(kHigh[c - 0x80]));
        } else {
            out.append(QChar(c));
        }
    }
    return out;
}

std::string FromQString(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar qc : text) {
        char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] == u && u != 0) mapped = static_cast<char>(0x80 + i);
        out.push_back(mapped);
    }
    return out;
}

std::string ResolveFamily(const std::string& name) {
    static const char* const kSans[] = {"MS Sans Serif", "Arial", "Tahoma", "Verdana", "MS Shell Dlg",
                                        "MS Shell Dlg 2", "Microsoft Sans Serif", "Segoe UI", "Helvetica", ""};
    for (const char* s : kSans)
        if (SameText(name, s)) return "DejaVu Sans";
    if (SameText(name, "Courier New") || SameText(name, "Courier") || SameText(name, "Fixedsys") ||
        SameText(name, "Terminal"))
        return "DejaVu Sans Mono";
    if (SameText(name, "Times New Roman") || SameText(name, "MS Serif") || SameText(name, "Times"))
        return "DejaVu Serif";
    return name;
}

int PixelSizeOf(const TFont& font) {
    int h = font.Height();
    if (h < 0) return -h;
    if (h == 0) return 11;
    // A positive height counts the internal leading too; DejaVu's cell is about 1.16 em.
    return std::max(1, static_cast<int>(std::lround(h / 1.164)));
}

QFont ToQFont(const TFont& font) {
    QFont f(ToQString(ResolveFamily(font.Name())));
    f.setPixelSize(PixelSizeOf(font));
    f.setBold(font.Style().Contains(fsBold));
    f.setItalic(font.Style().Contains(fsItalic));
    f.setUnderline(font.Style().Contains(fsUnderline));
    f.setStrikeOut(font.Style().Contains(fsStrikeOut));
    if (font.Pitch() == fpFixed) f.setFixedPitch(true);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setKerning(false);
    return f;
}

TKey VirtualKey(const QKeyEvent& event) {
    int k = event.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<TKey>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return static_cast<TKey>('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return static_cast<TKey>(VK_F1 + (k - Qt::Key_F1));
    switch (k) {
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return VK_CONTROL;
        case Qt::Key_Alt: return VK_MENU;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Insert: return VK_INSERT;
        case Qt::Key_Delete: return VK_DELETE;
        default: break;
    }
    QString text = event.text();
    if (text.size() == 1 && text[0].unicode() < 0x80) return static_cast<TKey>(text[0].toUpper().unicode());
    return 0;
}

TShiftState ShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s;
    if (modifiers & Qt::ShiftModifier) s.Include(ssShift);
    if (modifiers & Qt::AltModifier) s.Include(ssAlt);
    if (modifiers & Qt::ControlModifier) s.Include(ssCtrl);
    if (buttons & Qt::LeftButton) s.Include(ssLeft);
    if (buttons & Qt::RightButton) s.Include(ssRight);
    if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
    return s;
}

Qt::CursorShape CursorShape(TCursor cursor) {
    switch (cursor) {
        case crCross: return Qt::CrossCursor;
        case crIBeam: return Qt::IBeamCursor;
        case crSizeNS: return Qt::SizeVerCursor;
        case crSizeWE: return Qt::SizeHorCursor;
        case crUpArrow: return Qt::UpArrowCursor;
        case crHourGlass: return Qt::WaitCursor;
        case crDrag: return Qt::DragMoveCursor;
        case crNoDrop: return Qt::ForbiddenCursor;
        case crHSplit: return Qt::SplitHCursor;
        case crVSplit: return Qt::SplitVCursor;
        case crHandPoint: return Qt::PointingHandCursor;
        default: return Qt::ArrowCursor;
    }
}

}  // namespace qtconv
