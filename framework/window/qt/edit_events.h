// Private to the window layer: the key and focus events of a Qt text widget inside a control, run as the control's
// own steps (KeyDown, KeyUp, DoEnter, DoExit). Exceptions of the steps go to the application's display.
#pragma once

#include <QFocusEvent>
#include <QKeyEvent>
#include <QObject>
#include <functional>

#include "control_widget.h"
#include "qt_convert.h"

namespace editevents {

// KeyDown of a key press; true when the step cleared the key (the widget must not see it).
inline bool KeyDown(TWinControl& owner, QKeyEvent* ke) {
    TKey key = qtconv::VirtualKey(*ke);
    TShiftState shift = qtconv::ShiftState(ke->modifiers(), Qt::NoButton);
    if (ke->key() == Qt::Key_Backtab) shift.Include(ssShift);
    if (key == 0) return false;
    RunGuarded([&] { owner.KeyDown(key, shift); });
    return key == 0;
}

// KeyUp of a key release; true when the step cleared the key.
inline bool KeyUp(TWinControl& owner, QKeyEvent* ke) {
    TKey key = qtconv::VirtualKey(*ke);
    TShiftState shift = qtconv::ShiftState(ke->modifiers(), Qt::NoButton);
    if (key != 0) RunGuarded([&] { owner.KeyUp(key, shift); });
    return key == 0;
}

// DoEnter / DoExit for a focus change of the widget (window activation and popups are not focus changes).
inline void Focus(TWinControl& owner, QEvent* event) {
    auto* fe = static_cast<QFocusEvent*>(event);
    if (fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason) return;
    const bool in = event->type() == QEvent::FocusIn;
    RunGuarded([&] {
        if (in) TControlBridge::DoEnter(owner);
        else TControlBridge::DoExit(owner);
    });
}

// The filter a control installs on its Qt text widget: key presses run KeyDown and then keyPress (which answers
// whether the widget must not see the key), releases run KeyUp, focus changes DoEnter / DoExit.
class Filter : public QObject {
public:
    Filter(TWinControl* owner, std::function<bool(QKeyEvent*)> keyPress)
        : owner_(owner), keyPress_(std::move(keyPress)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress: {
                auto* ke = static_cast<QKeyEvent*>(event);
                if (KeyDown(*owner_, ke)) return true;
                return keyPress_(ke);
            }
            case QEvent::KeyRelease:
                return KeyUp(*owner_, static_cast<QKeyEvent*>(event));
            case QEvent::FocusIn:
            case QEvent::FocusOut:
                Focus(*owner_, event);
                break;
            default: break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TWinControl* owner_;
    std::function<bool(QKeyEvent*)> keyPress_;
};

}  // namespace editevents
