// TpkDialogButton: the OK, Cancel and Help buttons of the library's dialogs. A click sets its form's modal result
// (when it has one); a Cancel button also answers the Escape key of its form (the form asks IsCancel).
#pragma once

#include "framework/window/buttons.h"
#include "framework/window/forms.h"

enum TpkBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp };

class TpkDialogButton : public TSpeedButton {
public:
    explicit TpkDialogButton(TComponent* owner) : TSpeedButton(owner) {}

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    bool IsCancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    // The standard kind of a bitmapped button (bkCustom: a plain push button).
    TpkBitBtnKind Kind() const { return kind_; }
    void SetKind(TpkBitBtnKind value) { kind_ = value; }

    void Click() override {
        TSpeedButton::Click();
        for (TWinControl* p = Parent(); p; p = p->Parent())
            if (auto* form = dynamic_cast<TForm*>(p)) {
                if (modalResult_ != mrNone) form->SetModalResult(modalResult_);
                break;
            }
    }

private:
    TModalResult modalResult_ = mrNone;
    bool cancel_ = false;
    TpkBitBtnKind kind_ = bkCustom;
};
