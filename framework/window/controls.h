// The control classes: TControl (anything visible with bounds in its parent), TWinControl (a control that holds
// other controls, takes the focus and has scroll bars), TCustomControl (a window control that paints itself on
// its canvas) and TGraphicControl (a light control that paints on its parent's surface and never takes the
// focus). Input reaches a control through its overridable steps (MouseDown, KeyDown, ...), which raise the
// matching On... events; a control paints in Paint, from its state. Bounds are in the parent's client
// coordinates; a control's own coordinates (mouse positions, ClientRect, Invalidate) start at its client origin.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/window/component.h"
#include "framework/window/graphics.h"
#include "framework/window/types.h"

class TWinControl;
struct TControlBridge;

enum TControlStyleFlag {
    csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque, csParentBackground,
    csReplicatable, csNoStdEvents
};
using TControlStyle = TSet<TControlStyleFlag>;

using TMouseEvent = std::function<void(TComponent& sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent& sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TComponent& sender, TKey& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TComponent& sender, char& key)>;
using TMouseWheelEvent =
    std::function<void(TComponent& sender, TShiftState shift, int wheelDelta, TPoint mousePos, bool& handled)>;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    // Leaves the parent (which repaints the area) and frees the control's window.
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    // Moves the control into parent's child list (nullptr: out of every parent).
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    // Places the control; a size change runs Resize (and realigns the children of a window control).
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    // The client area in the control's own coordinates: (0, 0, ClientWidth, ClientHeight).
    TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    // Sets the size so that the client area gets the given size.
    void SetClientWidth(int value) { SetWidth(width_ - ClientWidth() + value); }
    void SetClientHeight(int value) { SetHeight(height_ - ClientHeight() + value); }
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // The control's client point in the coordinates of its parent's client area.
    TPoint ClientToParent(TPoint p) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    // Visible: shown when the parent shows. A form is shown with Show or ShowModal instead.
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);
    // Whether the control and every parent are visible.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font) { font_.Assign(font); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle style) { controlStyle_ = style; }

    // Marks the whole control for repainting at the next paint pass.
    virtual void Invalidate();
    // Marks one rectangle (client coordinates) for repainting.
    void InvalidateRect(const TRect& rect);
    // Paints the pending invalid area now.
    void Update();
    // Invalidate, then Update.
    void Repaint();
    // Whether this control receives all mouse input (it does while a mouse button it took is down).
    bool MouseCapture() const;
    void SetMouseCapture(bool value);
    void BringToFront();
    void SendToBack();
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    // The step behind a click (also run by code): raises OnClick.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnResize;
    // Raised after the control has painted itself on the screen (not for pictures rendered into a bitmap).
    TNotifyEvent OnPainted;

protected:
    friend struct TControlBridge;
    friend class TWinControl;
    struct Impl;

    virtual void Paint() {}
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // wheelDelta: 120 per notch, positive away from the user. Returns whether the wheel was handled.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    virtual void Resize();
    virtual void CMEnabledChanged();
    virtual void CMVisibleChanged();
    virtual void CMFontChanged();
    virtual void CMColorChanged();
    virtual void CMTextChanged();
    virtual void CMMouseEnter();
    virtual void CMMouseLeave();
    // The parent's font or colour changed: controls that follow it take it over.
    virtual void CMParentFontChanged();
    virtual void CMParentColorChanged();
    // Paints the control's surface: window controls fill their background, then Paint runs.
    virtual void PaintControl(TCanvas& canvas);
    // The canvas Paint draws on (custom and graphic controls publish it).
    TCanvas& ControlCanvas() { return *canvas_; }
    // Whether the mouse is over the control now.
    bool MouseInControl() const { return mouseInControl_; }
    // The position of the client origin inside the control's window (a frame shifts it).
    virtual TPoint ClientOrigin() const { return Point(0, 0); }
    void ApplyGeometry();

    std::unique_ptr<Impl> impl_;        // the Qt window behind the control
    std::unique_ptr<TCanvas> canvas_;   // bound to the window while it paints

private:
    void FontChanged();

    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // bounds in the parent's client area
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    std::string caption_;
    TFont font_;
    bool parentFont_ = true;            // take the parent's font
    TColor color_ = clWindow;
    bool parentColor_ = false;          // take the parent's colour
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csDoubleClicks};
    bool mouseInControl_ = false;       // between mouse enter and leave
    bool capturing_ = false;            // a button press took the mouse
    bool settingParentFont_ = false;    // the font is being copied from the parent
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    // Frees the child controls that are still inside (last first).
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    // REQUIRES: 0 <= index < ControlCount().
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    // Whether control is this one or lies inside it.
    bool ContainsControl(const TControl* control) const;

    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetBounds(int left, int top, int width, int height) override;

    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    // Whether the control can take the focus: showing and enabled, with its parents.
    virtual bool CanFocus() const;
    // Gives the control the keyboard focus (EInvalidOperation "Cannot focus a disabled or invisible window" when
    // it cannot take it).
    virtual void SetFocus();
    bool Focused() const;

    // The control's scroll bar of that kind: a range with a visible thumb shows the bar, an empty one hides it.
    void SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool redraw);
    TScrollInfo GetScrollInfo(TScrollBarKind kind) const;
    bool ScrollBarVisible(TScrollBarKind kind) const;
    // Moves the pixels of scrollRect (the whole client area when nullptr) by (dx, dy) and invalidates the strip
    // the move uncovers; children inside move with it.
    void ScrollWindow(int dx, int dy, const TRect* scrollRect);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // The key steps, as input runs them (public so that an in-place editor can hand keys on to its grid).
    virtual void KeyDown(TKey& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(TKey& key, TShiftState shift);

protected:
    friend class TControl;
    friend struct TControlBridge;

    virtual void DoEnter();
    virtual void DoExit();
    // Scroll-bar input: the bar does not move by itself; the control sets its position in response.
    virtual void ScrollEvent(TScrollBarKind kind, TScrollCode code, int pos);
    // Lays out the aligned children in the client area.
    virtual void AlignControls();
    void CMFontChanged() override;
    void CMColorChanged() override;
    void CMEnabledChanged() override;
    void PaintControl(TCanvas& canvas) override;
    // A frame of that width around the client area (2: the classic sunken edge), painted by PaintFrame.
    void SetFrameWidth(int width);
    int FrameWidth() const { return frameWidth_; }
    virtual void PaintFrame(TCanvas& canvas);
    TPoint ClientOrigin() const override { return Point(frameWidth_, frameWidth_); }
    // Whether the control leaves its background to its parent (it fills nothing before Paint).
    virtual bool TransparentBackground() const { return false; }
    void LayoutScrollBars();

private:
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    std::vector<TControl*> controls_;   // children in z order (last on top); freed with this control
    std::vector<TWinControl*> tabList_; // window children in tab order
    bool tabStop_ = false;
    int frameWidth_ = 0;                 // pixels of frame around the client area
    TScrollInfo scroll_[2];              // horizontal, vertical
    bool scrollShown_[2] = {false, false};
    bool aligning_ = false;              // AlignControls is running
};

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    TCanvas& Canvas() { return ControlCanvas(); }
};

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    TCanvas& Canvas() { return ControlCanvas(); }

protected:
    void PaintControl(TCanvas& canvas) override;
};

// The control's form-level keyboard focus owner, or nullptr.
TWinControl* FindFocusedControl();
