// The small value types of the window layer: points, rectangles, sets over enumerations, shift states, mouse
// buttons, virtual key codes, alignment and cursors. Coordinates are device-independent pixels; a rectangle covers
// the pixels Left..Right-1 and Top..Bottom-1. Text throughout the window layer is 8-bit in the program's ANSI code
// page (Windows-1252), like the rest of the program.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "framework/data/alignment.h"

class TComponent;

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    bool operator==(const TRect&) const = default;
};

inline TPoint Point(int x, int y) { return TPoint{x, y}; }
inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) { return TRect{left, top, left + width, top + height}; }
inline void InflateRect(TRect& r, int dx, int dy) { r.Left -= dx; r.Top -= dy; r.Right += dx; r.Bottom += dy; }
inline void OffsetRect(TRect& r, int dx, int dy) { r.Left += dx; r.Right += dx; r.Top += dy; r.Bottom += dy; }
inline bool PtInRect(const TRect& r, TPoint p) { return r.Contains(p); }
// The common part of a and b; false (and an empty result) when they do not meet.
bool IntersectRect(TRect& result, const TRect& a, const TRect& b);
// The smallest rectangle that holds both (an empty one counts as nothing).
TRect UnionRect(const TRect& a, const TRect& b);

// A set over an enumeration whose values are below 64, as the classic framework's "set of" types.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items) bits_ |= Bit(e);
    }
    static constexpr TSet FromBits(uint64_t bits) { TSet s; s.bits_ = bits; return s; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr TSet& Include(E e) { bits_ |= Bit(e); return *this; }
    constexpr TSet& Exclude(E e) { bits_ &= ~Bit(e); return *this; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint64_t Bits() const { return bits_; }
    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr uint64_t Bit(E e) { return uint64_t{1} << static_cast<unsigned>(e); }
    uint64_t bits_ = 0;  // bit n set: the value n is in the set
};

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TBorderStyle { bsNone, bsSingle };

// Scroll-bar input as the control receives it.
enum TScrollCode {
    scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll
};

// Range, page and position of a control's scroll bar (page 0: no page-sized thumb). The position runs from Min
// to Max - max(Page - 1, 0).
struct TScrollInfo {
    int Min = 0;
    int Max = 0;
    int Page = 0;
    int Pos = 0;
    int TrackPos = 0;  // the thumb position while it is dragged
    bool operator==(const TScrollInfo& o) const {
        return Min == o.Min && Max == o.Max && Page == o.Page && Pos == o.Pos;
    }
};

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crHandPoint = -21;

// Virtual key codes, as key events report them.
using TKey = uint16_t;
constexpr TKey VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04;
constexpr TKey VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
               VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23,
               VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D,
               VK_DELETE = 0x2E, VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73, VK_F5 = 0x74,
               VK_F6 = 0x75, VK_F7 = 0x76, VK_F8 = 0x77, VK_F9 = 0x78, VK_F10 = 0x79, VK_F11 = 0x7A,
               VK_F12 = 0x7B;

// Whether a key or mouse button is down now: bit 15 of the result set while it is down (as the classic query).
int16_t GetKeyState(TKey key);
// The shift state of the keyboard and mouse buttons now.
TShiftState KeyboardShiftState();

// The standard event: the component that raised it.
using TNotifyEvent = std::function<void(TComponent& sender)>;
