#include "framework/window/ext_ctrls.h"

#include "qt/control_widget.h"

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelInner(TBevelCut value) { bevelInner_ = value; Invalidate(); }
void TCustomPanel::SetBevelOuter(TBevelCut value) { bevelOuter_ = value; Invalidate(); }
void TCustomPanel::SetBevelWidth(int value) { bevelWidth_ = std::max(1, value); Invalidate(); }
void TCustomPanel::SetBorderWidth(int value) { borderWidth_ = std::max(0, value); Invalidate(); }
void TCustomPanel::SetAlignment(TAlignment value) { alignment_ = value; Invalidate(); }

void TCustomPanel::SetParentBackground(bool value) {
    parentBackground_ = value;
    // A panel that leaves its background lets the parent's pixels through.
    TControlBridge::Widget(*this)->setAttribute(Qt::WA_OpaquePaintEvent, !value);
    Invalidate();
}

int TCustomPanel::BorderSize() const {
    int size = borderWidth_;
    if (bevelOuter_ != bvNone) size += bevelWidth_;
    if (bevelInner_ != bvNone) size += bevelWidth_;
    return size;
}

void TCustomPanel::Paint() {
    TCanvas& c = Canvas();
    TRect r = ClientRect();
    auto colors = [](TBevelCut cut, TColor* top, TColor* bottom) {
        *top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        *bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top, bottom;
    if (bevelOuter_ != bvNone) {
        colors(bevelOuter_, &top, &bottom);
        if (bevelOuter_ == bvSpace) top = bottom = Color();
        Frame3D(c, r, top, bottom, bevelWidth_);
    }
    if (borderWidth_ > 0) {
        if (parentBackground_) InflateRect(r, -borderWidth_, -borderWidth_);
        else Frame3D(c, r, Color(), Color(), borderWidth_);
    }
    if (bevelInner_ != bvNone) {
        colors(bevelInner_, &top, &bottom);
        if (bevelInner_ == bvSpace) top = bottom = Color();
        Frame3D(c, r, top, bottom, bevelWidth_);
    }
    if (!parentBackground_) {
        c.Brush().SetColor(Color());
        c.Brush().SetStyle(bsSolid);
        c.FillRect(r);
    }
    if (!Caption().empty()) {
        c.Font().Assign(Font());
        c.Brush().SetStyle(bsClear);
        unsigned align = alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
        TRect tr = r;
        c.DrawText(Caption(), tr, DT_VCENTER | DT_SINGLELINE | align);
        c.Brush().SetStyle(bsSolid);
    }
}
