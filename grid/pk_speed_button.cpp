#include "grid/pk_speed_button.h"

#include "framework/window/image_list.h"

TpkSpeedButton::TpkSpeedButton(TComponent* owner) : TSpeedButton(owner) {
    SetBounds(0, 0, 25, 25);
    SetControlStyle(ControlStyle() - TControlStyle{csDoubleClicks});
}

TpkSpeedButton::~TpkSpeedButton() {
    MarkDestroying();
    if (imageList_) imageList_->RemoveFreeNotification(this);
}

void TpkSpeedButton::SetImageList(TImageList* list) {
    if (list == imageList_) return;
    if (imageList_) imageList_->RemoveFreeNotification(this);
    imageList_ = list;
    if (imageList_) imageList_->FreeNotification(this);
    Invalidate();
}

void TpkSpeedButton::SetImageIndex(int value) {
    imageIndex_ = value;
    Invalidate();
}

void TpkSpeedButton::SetShowText(bool value) {
    showText_ = value;
    Invalidate();
}

void TpkSpeedButton::Notification(TComponent* component, TOperation operation) {
    TSpeedButton::Notification(component, operation);
    if (operation == opRemove && component == imageList_) {
        imageList_ = nullptr;
        Invalidate();
    }
}

void TpkSpeedButton::DrawGlyphAndCaption(TCanvas& c, const TRect& rect, TButtonState st, bool pressed) {
    int shift = pressed ? (Flat() ? 1 : 2) : 0;
    int gw = 0, gh = 0;
    if (imageList_ && imageIndex_ >= 0) {
        gw = imageList_->Width();
        gh = imageList_->Height();
    }
    c.Font().Assign(Font());
    TRect textRect = Rect(0, 0, rect.Width(), 0);
    bool text = showText_ && !Caption().empty();
    if (text) c.DrawText(Caption(), textRect, DT_CALCRECT | DT_SINGLELINE);
    int th = text ? textRect.Height() : 0, tw = text ? textRect.Width() : 0;
    int spacing = (text && gw > 0) ? Spacing() : 0;
    int total = gh + spacing + th;
    int top = Margin() >= 0 ? Margin() : (rect.Height() - total + 1) / 2;
    if (gw > 0) {
        int index = imageIndex_;
        bool enabled = true;
        if (st == bsDisabled) {
            if (NumGlyphs() > 1) index += 1; else enabled = false;
        } else if (pressed && NumGlyphs() > 2) {
            index += 2;
        } else if (MouseInControl() && NumGlyphs() > 3) {
            index += 3;
        }
        imageList_->Draw(c, rect.Left + (rect.Width() - gw + 1) / 2 + shift, rect.Top + top + shift, index, enabled);
    }
    if (text) {
        c.Brush().SetStyle(bsClear);
        TRect tr = Bounds(rect.Left + (rect.Width() - tw + 1) / 2 + shift, rect.Top + top + gh + spacing + shift, tw, th);
        if (st == bsDisabled) {
            TRect hr = tr;
            OffsetRect(hr, 1, 1);
            c.Font().SetColor(disabledTextColors_.HighlightColor);
            c.DrawText(Caption(), hr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            c.Font().SetColor(disabledTextColors_.ShadeColor);
        }
        c.DrawText(Caption(), tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        c.Brush().SetStyle(bsSolid);
    }
}

TpkCustomTransparentPanel::TpkCustomTransparentPanel(TComponent* owner) : TCustomPanel(owner) {}
