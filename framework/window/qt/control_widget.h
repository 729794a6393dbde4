// Private to the window layer: the Qt widget behind every control. It forwards paint, mouse, key, focus and
// resize events to the control's overridable steps, and keeps exceptions raised by them from crossing Qt: they go
// to the application's exception display instead.
#pragma once

#include <QScrollBar>
#include <QWidget>
#include <functional>

#include "framework/window/controls.h"

class QPainter;
class QImage;

class ControlWidget : public QWidget {
public:
    ControlWidget(TControl* control, QWidget* parent);
    ~ControlWidget() override;
    // The control is going: no more events reach it.
    void Detach() { control_ = nullptr; }
    TControl* Control() const { return control_; }

    std::function<bool()> onCloseRequest;  // a form decides whether its window may close

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void DeliverKey(QKeyEvent* event, bool down);

    TControl* control_;  // the control this widget shows; nullptr once it is going
};

struct TControl::Impl {
    ControlWidget* widget = nullptr;           // owned by the control
    QScrollBar* bars[2] = {nullptr, nullptr};  // horizontal, vertical; children of widget
};

// The window layer's access to the protected steps of controls and to the surfaces of canvases.
struct TControlBridge {
    static ControlWidget* Widget(const TControl& c) { return c.impl_->widget; }
    static void Paint(TControl& c, QPainter& painter);
    static void MouseDown(TControl& c, TMouseButton b, TShiftState s, int x, int y) { c.MouseDown(b, s, x, y); }
    static void MouseMove(TControl& c, TShiftState s, int x, int y) { c.MouseMove(s, x, y); }
    static void MouseUp(TControl& c, TMouseButton b, TShiftState s, int x, int y) { c.MouseUp(b, s, x, y); }
    static void DblClick(TControl& c) { c.DblClick(); }
    static bool Wheel(TControl& c, TShiftState s, int d, TPoint p) { return c.DoMouseWheel(s, d, p); }
    static void Enter(TControl& c) { c.mouseInControl_ = true; c.CMMouseEnter(); }
    static void Leave(TControl& c) { c.mouseInControl_ = false; c.CMMouseLeave(); }
    static void SetCapturing(TControl& c, bool v) { c.capturing_ = v; }
    static bool Capturing(const TControl& c) { return c.capturing_; }
    static TPoint Origin(const TControl& c) { return c.ClientOrigin(); }
    static void DoEnter(TWinControl& c) { c.DoEnter(); }
    static void DoExit(TWinControl& c) { c.DoExit(); }
    static void Scroll(TWinControl& c, TScrollBarKind k, TScrollCode code, int pos) { c.ScrollEvent(k, code, pos); }
    static void Resized(TControl& c, int w, int h);
    static const TScrollInfo& Info(const TWinControl& c, TScrollBarKind k) { return c.scroll_[k]; }
};

struct TCanvasBridge {
    // Binds the canvas to a painter (a control's window while it paints); nullptr unbinds.
    static void Bind(TCanvas& canvas, QPainter* painter, TPoint origin);
    static void BindImage(TCanvas& canvas, QImage* image);
    static QPainter* Painter(TCanvas& canvas);
    // Where the canvas's (0, 0) lies on the painter.
    static void SetOrigin(TCanvas& canvas, TPoint origin);
};

// Runs a step of a control from a Qt event; an exception goes to the application's exception display.
void RunGuarded(const std::function<void()>& step);
