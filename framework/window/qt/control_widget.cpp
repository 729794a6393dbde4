#include "control_widget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <string>

#include "framework/window/forms.h"
#include "qt_convert.h"

using qtconv::ShiftState;

namespace {

TMouseButton ButtonOf(Qt::MouseButton b) {
    if (b == Qt::RightButton) return mbRight;
    if (b == Qt::MiddleButton) return mbMiddle;
    return mbLeft;
}

bool IsWindowControl(TControl* c) { return dynamic_cast<TWinControl*>(c) != nullptr; }

}  // namespace

void RunGuarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& e) {
        if (Application) {
            Application->HandleException(e);
        }
    } catch (...) {
        if (Application) Application->HandleException(Exception("Unknown exception"));
    }
}

ControlWidget::ControlWidget(TControl* control, QWidget* parent) : QWidget(parent), control_(control) {
    setAttribute(Qt::WA_NoMousePropagation, true);
    setMouseTracking(true);
}

ControlWidget::~ControlWidget() = default;

bool ControlWidget::event(QEvent* event) {
    // Tab and Backtab go to the control first; what it leaves goes on to Qt's focus chain.
    if (event->type() == QEvent::KeyPress && control_ && IsWindowControl(control_)) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
            TKey key = VK_TAB;
            TShiftState shift = ShiftState(ke->modifiers(), QApplication::mouseButtons());
            if (ke->key() == Qt::Key_Backtab) shift.Include(ssShift);
            auto* w = static_cast<TWinControl*>(control_);
            RunGuarded([&] { w->KeyDown(key, shift); });
            if (key == 0) return true;
            char ch = '\t';
            RunGuarded([&] { if (control_) w->KeyPress(ch); });
            if (ch == 0) return true;
        }
    }
    return QWidget::event(event);
}

void ControlWidget::paintEvent(QPaintEvent*) {
    if (!control_) return;
    QPainter painter(this);
    TControl* c = control_;
    RunGuarded([&] { TControlBridge::Paint(*c, painter); });
    if (control_ && control_->OnPainted) RunGuarded([&] { c->OnPainted(*c); });
}

namespace {

// A mouse event in the control's terms: its client coordinates and the shift state.
struct MouseInput {
    TMouseButton button;
    TShiftState shift;
    int x, y;
};

MouseInput InputOf(const TControl& c, const QSinglePointEvent& event) {
    TPoint o = TControlBridge::Origin(c);
    QPoint p = event.position().toPoint();
    return MouseInput{ButtonOf(event.button()), ShiftState(event.modifiers(), event.buttons()), p.x() - o.X,
                      p.y() - o.Y};
}

}  // namespace

void ControlWidget::mousePressEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    MouseInput in = InputOf(*c, *event);
    if (event->button() == Qt::LeftButton) TControlBridge::SetCapturing(*c, true);
    RunGuarded([&] { TControlBridge::MouseDown(*c, in.button, in.shift, in.x, in.y); });
    event->accept();
}

void ControlWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    MouseInput in = InputOf(*c, *event);
    in.shift.Include(ssDouble);
    if (event->button() == Qt::LeftButton) TControlBridge::SetCapturing(*c, true);
    if (c->ControlStyle().Contains(csDoubleClicks)) {
        RunGuarded([&] { TControlBridge::DblClick(*c); });
        if (!control_) return;
    }
    RunGuarded([&] { TControlBridge::MouseDown(*c, in.button, in.shift, in.x, in.y); });
    event->accept();
}

void ControlWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    MouseInput in = InputOf(*c, *event);
    RunGuarded([&] { TControlBridge::MouseMove(*c, in.shift, in.x, in.y); });
    event->accept();
}

void ControlWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    MouseInput in = InputOf(*c, *event);
    bool wasCapturing = TControlBridge::Capturing(*c);
    if (event->button() == Qt::LeftButton) {
        TControlBridge::SetCapturing(*c, false);
        if (QWidget::mouseGrabber() == this) releaseMouse();
        if (wasCapturing && c->ControlStyle().Contains(csClickEvents) && c->ClientRect().Contains(Point(in.x, in.y))) {
            RunGuarded([&] { c->Click(); });
            if (!control_) return;
        }
    }
    RunGuarded([&] { TControlBridge::MouseUp(*c, in.button, in.shift, in.x, in.y); });
    event->accept();
}

void ControlWidget::wheelEvent(QWheelEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    TPoint o = TControlBridge::Origin(*c);
    QPoint p = event->position().toPoint();
    TShiftState s = ShiftState(event->modifiers(), event->buttons());
    bool handled = false;
    RunGuarded([&] { handled = TControlBridge::Wheel(*c, s, event->angleDelta().y(), Point(p.x() - o.X, p.y() - o.Y)); });
    if (handled) {
        event->accept();
    } else {
        event->ignore();
    }
}

void ControlWidget::keyPressEvent(QKeyEvent* event) { DeliverKey(event, true); }

void ControlWidget::keyReleaseEvent(QKeyEvent* event) { DeliverKey(event, false); }

void ControlWidget::DeliverKey(QKeyEvent* event, bool down) {
    auto* w = dynamic_cast<TWinControl*>(control_);
    if (!w) {
        event->ignore();
        return;
    }
    TKey key = qtconv::VirtualKey(*event);
    TShiftState shift = ShiftState(event->modifiers(), QApplication::mouseButtons());
    if (key != 0) RunGuarded([&] { down ? w->KeyDown(key, shift) : w->KeyUp(key, shift); });
    if (down && control_ && key != 0 && event->text().size() == 1) {
        std::string ansi = qtconv::FromQString(event->text());
        char ch = ansi.empty() ? 0 : ansi[0];
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) ch = '\r';
        if (ch != 0) RunGuarded([&] { w->KeyPress(ch); });
    }
    event->accept();
}

void ControlWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    auto* w = dynamic_cast<TWinControl*>(control_);
    if (!w || event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    RunGuarded([&] { TControlBridge::DoEnter(*w); });
}

void ControlWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    auto* w = dynamic_cast<TWinControl*>(control_);
    if (!w || event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    RunGuarded([&] { TControlBridge::DoExit(*w); });
}

void ControlWidget::enterEvent(QEnterEvent*) {
    if (!control_) return;
    TControl* c = control_;
    RunGuarded([&] { TControlBridge::Enter(*c); });
}

void ControlWidget::leaveEvent(QEvent*) {
    if (!control_) return;
    TControl* c = control_;
    RunGuarded([&] { TControlBridge::Leave(*c); });
}

void ControlWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Only a window resized from outside (a top-level form) changes the control's bounds here.
    if (!control_ || parentWidget()) return;
    TControl* c = control_;
    RunGuarded([&] { TControlBridge::Resized(*c, width(), height()); });
}

void ControlWidget::closeEvent(QCloseEvent* event) {
    if (onCloseRequest && !onCloseRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}

