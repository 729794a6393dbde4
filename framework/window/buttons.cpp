#include "framework/window/buttons.h"

#include "framework/window/image_list.h"

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
    SetBounds(0, 0, 23, 22);
    SetParentFont(true);
}

TSpeedButton::~TSpeedButton() { MarkDestroying(); }

void TSpeedButton::SetGlyph(const TBitmap& glyph) {
    glyph_.Assign(glyph);
    GlyphChanged();
}

void TSpeedButton::GlyphChanged() {
    glyphList_.reset();
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value) {
    if (value < 1 || value > 4 || value == numGlyphs_) return;
    numGlyphs_ = value;
    GlyphChanged();
}

void TSpeedButton::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    Invalidate();
}

void TSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0) value = false;
    if (value == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = value;
    state_ = value ? bsExclusive : bsUp;
    Invalidate();
    if (value) UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    groupIndex_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
    allowAllUp_ = value;
    if (!Parent() || groupIndex_ == 0) return;
    for (int i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i)); b && b != this && b->groupIndex_ == groupIndex_)
            b->allowAllUp_ = value;
}

void TSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !Parent() || !down_) return;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        if (!b || b == this || b->groupIndex_ != groupIndex_) continue;
        if (b->down_) {
            b->down_ = false;
            b->state_ = bsUp;
            b->Invalidate();
        }
        b->allowAllUp_ = allowAllUp_;
    }
}

void TSpeedButton::SetLayout(TButtonLayout value) { layout_ = value; Invalidate(); }
void TSpeedButton::SetMargin(int value) { margin_ = value; Invalidate(); }
void TSpeedButton::SetSpacing(int value) { spacing_ = value; Invalidate(); }
void TSpeedButton::SetTransparent(bool value) { transparent_ = value; Invalidate(); }

TButtonState TSpeedButton::State() const {
    if (!Enabled()) return bsDisabled;
    if (state_ == bsDisabled) return down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
    return state_;
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (!down_) {
        state_ = bsDown;
        Invalidate();
    }
    dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_) return;
    TButtonState next = down_ ? bsExclusive : bsUp;
    if (ClientRect().Contains(Point(x, y))) next = down_ ? bsExclusive : bsDown;
    if (next != state_) {
        state_ = next;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragging_ || button != mbLeft) return;
    dragging_ = false;
    bool doClick = ClientRect().Contains(Point(x, y));
    if (groupIndex_ == 0) {
        state_ = bsUp;
        Invalidate();
    } else if (doClick) {
        SetDown(!down_);
        if (down_) state_ = bsExclusive;
        Invalidate();
    } else {
        state_ = down_ ? bsExclusive : bsUp;
        Invalidate();
    }
    if (doClick) Click();
}

void TSpeedButton::CMEnabledChanged() {
    if (!Enabled()) dragging_ = false;
    TGraphicControl::CMEnabledChanged();
}

void TSpeedButton::CMMouseEnter() {
    TGraphicControl::CMMouseEnter();
    if (flat_ && Enabled()) Invalidate();
}

void TSpeedButton::CMMouseLeave() {
    TGraphicControl::CMMouseLeave();
    if (flat_ && Enabled()) Invalidate();
}

void TSpeedButton::Paint() {
    TCanvas& c = Canvas();
    TButtonState st = State();
    bool pressed = st == bsDown || st == bsExclusive;
    TRect r = ClientRect();
    if (!flat_) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(clBtnFace);
        c.FillRect(r);
        TRect e = r;
        DrawEdge(c, e, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
        if (st == bsExclusive) {
            // A button held down shows a dithered face.
            for (int y = e.Top; y < e.Bottom; ++y)
                for (int x = e.Left + ((y - e.Top) % 2); x < e.Right; x += 2) c.SetPixel(x, y, clBtnHighlight);
        }
    } else {
        if (!transparent_ || st == bsExclusive) {
            c.Brush().SetStyle(bsSolid);
            c.Brush().SetColor(st == bsExclusive ? clBtnHighlight : clBtnFace);
            c.FillRect(r);
        }
        bool hot = MouseInControl() && Enabled();
        if (pressed || hot) {
            TRect e = r;
            DrawEdge(c, e, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
    }
    DrawGlyphAndCaption(c, r, st, pressed);
}

void TSpeedButton::DrawGlyphAndCaption(TCanvas& c, const TRect& rect, TButtonState st, bool pressed) {
    int gw = glyph_.Empty() ? 0 : glyph_.Width() / numGlyphs_;
    int gh = glyph_.Empty() ? 0 : glyph_.Height();
    c.Font().Assign(Font());
    TRect textRect = Rect(0, 0, rect.Width(), 0);
    if (!Caption().empty()) c.DrawText(Caption(), textRect, DT_CALCRECT | DT_SINGLELINE);
    int tw = Caption().empty() ? 0 : textRect.Width(), th = Caption().empty() ? 0 : textRect.Height();
    int cw = rect.Width(), ch = rect.Height();
    bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    int margin = margin_, spacing = spacing_;
    if (gw == 0 || tw == 0) spacing = 0;
    int avail = horizontal ? cw : ch;
    int gsize = horizontal ? gw : gh, tsize = horizontal ? tw : th;
    if (margin == -1) {
        if (spacing == -1) {
            int total = gsize + tsize;
            margin = (avail - total) / 3;
            spacing = margin;
        } else {
            int total = gsize + spacing + tsize;
            margin = (avail - total + 1) / 2;
        }
    } else if (spacing == -1) {
        int total = avail - (margin + gsize);
        spacing = (total - tsize) / 2;
    }
    TPoint g, t;
    switch (layout_) {
        case blGlyphLeft: g = Point(margin, (ch - gh + 1) / 2); t = Point(margin + gw + spacing, (ch - th + 1) / 2); break;
        case blGlyphRight: g = Point(cw - margin - gw, (ch - gh + 1) / 2); t = Point(cw - margin - gw - spacing - tw, (ch - th + 1) / 2); break;
        case blGlyphTop: g = Point((cw - gw + 1) / 2, margin); t = Point((cw - tw + 1) / 2, margin + gh + spacing); break;
        case blGlyphBottom: g = Point((cw - gw + 1) / 2, ch - margin - gh); t = Point((cw - tw + 1) / 2, ch - margin - gh - spacing - th); break;
    }
    int offset = pressed ? 1 : 0;
    if (gw > 0) {
        if (!glyphList_) {
            glyphList_ = std::make_unique<TImageList>(nullptr);
            glyphList_->SetWidth(gw);
            glyphList_->SetHeight(gh);
            glyphList_->AddMasked(glyph_, glyph_.Pixel(0, glyph_.Height() - 1));
        }
        int index = 0;
        bool enabled = true;
        switch (st) {
            case bsDisabled:
                if (numGlyphs_ > 1) index = 1; else enabled = false;
                break;
            case bsDown: index = numGlyphs_ > 2 ? 2 : 0; break;
            case bsExclusive: index = numGlyphs_ > 3 ? 3 : 0; break;
            default: break;
        }
        glyphList_->Draw(c, rect.Left + g.X + offset, rect.Top + g.Y + offset, index, enabled);
    }
    if (tw > 0) {
        c.Brush().SetStyle(bsClear);
        TRect tr = Bounds(rect.Left + t.X + offset, rect.Top + t.Y + offset, tw, th);
        if (st == bsDisabled) {
            TRect hr = tr;
            OffsetRect(hr, 1, 1);
            c.Font().SetColor(clBtnHighlight);
            c.DrawText(Caption(), hr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            c.Font().SetColor(clBtnShadow);
        }
        c.DrawText(Caption(), tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        c.Brush().SetStyle(bsSolid);
    }
}
