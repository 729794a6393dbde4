// THintWindow: a small borderless window above every other that shows a text (a tooltip the program places and
// closes itself), and TScreen, the size of the screen the program shows on.
#pragma once

#include <string>

#include "framework/window/controls.h"

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    ~THintWindow() override;

    // Shows the window at rect (screen coordinates) with the text, without taking the focus.
    virtual void ActivateHint(const TRect& rect, const std::string& text);
    // Hides the window.
    void ReleaseHandle();
    bool Active() const { return active_; }
    const std::string& Text() const { return text_; }
    // The size the text needs (2 pixels in, a 1-pixel border), at most maxWidth wide.
    virtual TRect CalcHintRect(int maxWidth, const std::string& text, bool wordWrap);

protected:
    void Paint() override;
    // DrawText flags for the text.
    unsigned TextFlags() const;
    bool wordWrap_ = false;

private:
    std::string text_;
    bool active_ = false;
};

class TScreen {
public:
    // The primary screen's size in pixels (a fixed 1024 x 768 when no screen is known).
    int Width() const;
    int Height() const;
};

TScreen& Screen();

// Where the mouse pointer is, in screen coordinates.
TPoint CursorPos();
