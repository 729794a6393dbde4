#include "framework/window/forms.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include "qt/control_widget.h"
#include "qt/qt_convert.h"

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
    ControlWidget* w = TControlBridge::Widget(*this);
    w->setAttribute(Qt::WA_DontShowOnScreen, false);
    w->onCloseRequest = [this] {
        RunGuarded([this] { Close(); });
        return false;
    };
}

TForm::~TForm() {
    MarkDestroying();
    TControlBridge::Widget(*this)->onCloseRequest = nullptr;
    if (created_) {
        try {
            DoDestroy();
        } catch (const std::exception& e) {
            if (Application) Application->HandleException(e);
        }
    }
}

void TForm::AfterConstruction() {
    if (oldCreateOrder_) {
        created_ = true;
        return;
    }
    created_ = true;
    try {
        DoCreate();
    } catch (const std::exception& e) {
        if (Application) Application->HandleException(e);
    }
}

void TForm::DoCreate() {
    if (OnCreate) OnCreate(*this);
}

void TForm::DoDestroy() {
    if (OnDestroy) OnDestroy(*this);
}

TWinControl* TForm::ActiveControl() const {
    TWinControl* focused = FindFocusedControl();
    if (focused && ContainsControl(focused) && focused != this) return focused;
    return activeControl_;
}

void TForm::SetActiveControl(TWinControl* control) {
    activeControl_ = control;
    if (control && Showing() && control->CanFocus()) control->SetFocus();
}

void TForm::SetVisible(bool value) {
    bool was = Visible();
    TControl::SetVisible(value);
    ControlWidget* w = TControlBridge::Widget(*this);
    if (value) {
        if (!placed_) {
            placed_ = true;
            if (position_ == poScreenCenter || position_ == poDesktopCenter || position_ == poMainFormCenter ||
                position_ == poOwnerFormCenter) {
                if (QScreen* screen = QGuiApplication::primaryScreen()) {
                    QRect g = screen->availableGeometry();
                    SetBounds(g.x() + (g.width() - Width()) / 2, g.y() + (g.height() - Height()) / 2, Width(),
                              Height());
                }
            }
        }
        w->show();
        w->raise();
        if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
        if (!was && OnShow) OnShow(*this);
    } else {
        w->hide();
        if (was && OnHide) OnHide(*this);
    }
}

void TForm::ShowForm() { SetVisible(true); }

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(*this, canClose);
    return canClose;
}

void TForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(*this, action);
}

void TForm::Close() {
    if (modal_) {
        if (!CloseQuery()) return;
        TCloseAction action = caHide;
        DoClose(action);
        if (action != caNone && modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        SetVisible(false);
        Application->Terminate();
        return;
    }
    if (action == caMinimize) {
        TControlBridge::Widget(*this)->showMinimized();
    } else {
        SetVisible(false);
    }
}

TModalResult TForm::ShowModal() {
    if (Visible() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
    ControlWidget* w = TControlBridge::Widget(*this);
    modal_ = true;
    modalResult_ = mrNone;
    w->setWindowModality(Qt::ApplicationModal);
    SetVisible(true);
    // The nested message loop: runs until the form has a result or the application ends.
    while (modalResult_ == mrNone && !(Application && Application->Terminated())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    TModalResult result = modalResult_;
    modal_ = false;
    SetVisible(false);
    w->setWindowModality(Qt::NonModal);
    return result;
}

void TForm::CMTextChanged() {
    TControlBridge::Widget(*this)->setWindowTitle(qtconv::ToQString(Caption()));
    TWinControl::CMTextChanged();
}
