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
}

void ControlWidget::mousePressEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    TPoint o = TControlBridge::Origin(*c);
    QPoint p = event->position().toPoint();
    TShiftState s = ShiftState(event->modifiers(), event->buttons());
    if (event->button() == Qt::LeftButton) TControlBridge::SetCapturing(*c, true);
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->TabStop() && w->CanFocus() && !w->Focused() &&
                                                   (focusPolicy() & Qt::ClickFocus))
        RunGuarded([&] { w->SetFocus(); });
    RunGuarded([&] { TControlBridge::MouseDown(*c, ButtonOf(event->button()), s, p.x() - o.X, p.y() - o.Y); });
    event->accept();
}

void ControlWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    TPoint o = TControlBridge::Origin(*c);
    QPoint p = event->position().toPoint();
    TShiftState s = ShiftState(event->modifiers(), event->buttons());
    s.Include(ssDouble);
    if (event->button() == Qt::LeftButton) TControlBridge::SetCapturing(*c, true);
    if (c->ControlStyle().Contains(csDoubleClicks)) {
        RunGuarded([&] { TControlBridge::DblClick(*c); });
        if (!control_) return;
    }
    RunGuarded([&] { TControlBridge::MouseDown(*c, ButtonOf(event->button()), s, p.x() - o.X, p.y() - o.Y); });
    event->accept();
}

void ControlWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    TPoint o = TControlBridge::Origin(*c);
    QPoint p = event->position().toPoint();
    TShiftState s = ShiftState(event->modifiers(), event->buttons());
    RunGuarded([&] { TControlBridge::MouseMove(*c, s, p.x() - o.X, p.y() - o.Y); });
    event->accept();
}

void ControlWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!control_) return;
    TControl* c = control_;
    TPoint o = TControlBridge::Origin(*c);
    QPoint p = event->position().toPoint();
    int x = p.x() - o.X, y = p.y() - o.Y;
    TShiftState s = ShiftState(event->modifiers(), event->buttons());
    bool wasCapturing = TControlBridge::Capturing(*c);
    if (event->button() == Qt::LeftButton) {
        TControlBridge::SetCapturing(*c, false);
        if (QWidget::mouseGrabber() == this) releaseMouse();
        if (wasCapturing && c->ControlStyle().Contains(csClickEvents) && c->ClientRect().Contains(Point(x, y))) {
            RunGuarded([&] { c->Click(); });
            if (!control_) return;
        }
    }
    RunGuarded([&] { TControlBridge::MouseUp(*c, ButtonOf(event->button()), s, x, y); });
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

void ControlWidget::keyPressEvent(QKeyEvent* event) {
    auto* w = dynamic_cast<TWinControl*>(control_);
    if (!w) {
        event->ignore();
        return;
    }
    TKey key = qtconv::VirtualKey(*event);
    TShiftState shift = ShiftState(event->modifiers(), QApplication::mouseButtons());
    if (key != 0) RunGuarded([&] { w->KeyDown(key, shift); });
    if (!control_) return;
    if (key != 0) {
        QString text = event->text();
        if (text.size() == 1) {
            std::string ansi = qtconv::FromQString(text);
            char ch = ansi.empty() ? 0 : ansi[0];
            if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) ch = '\r';
            if (ch != 0) RunGuarded([&] { w->KeyPress(ch); });
        }
    }
    event->accept();
}

void ControlWidget::keyReleaseEvent(QKeyEvent* event) {
    auto* w = dynamic_cast<TWinControl*>(control_);
    if (!w) {
        event->ignore();
        return;
    }
    TKey key = qtconv::VirtualKey(*event);
    TShiftState shift = ShiftState(event->modifiers(), QApplication::mouseButtons());
    if (key != 0) RunGuarded([&] { w->KeyUp(key, shift); });
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

