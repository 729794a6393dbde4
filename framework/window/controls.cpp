#include "framework/window/controls.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "framework/window/forms.h"
#include "qt/control_widget.h"
#include "qt/qt_convert.h"

namespace {

constexpr int kScrollBarSize = 16;  // classic scroll-bar thickness, fixed so that layouts are stable

QWidget* ParentWidgetOf(TWinControl* parent) {
    return parent ? TControlBridge::Widget(*parent) : nullptr;
}

}  // namespace

bool IntersectRect(TRect& result, const TRect& a, const TRect& b) {
    result = Rect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                  std::min(a.Bottom, b.Bottom));
    if (result.IsEmpty()) {
        result = TRect{};
        return false;
    }
    return true;
}

TRect UnionRect(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return Rect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom));
}

int16_t GetKeyState(TKey key) {
    bool down = false;
    Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    Qt::MouseButtons b = QGuiApplication::mouseButtons();
    switch (key) {
        case VK_SHIFT: down = m & Qt::ShiftModifier; break;
        case VK_CONTROL: down = m & Qt::ControlModifier; break;
        case VK_MENU: down = m & Qt::AltModifier; break;
        case VK_LBUTTON: down = b & Qt::LeftButton; break;
        case VK_RBUTTON: down = b & Qt::RightButton; break;
        case VK_MBUTTON: down = b & Qt::MiddleButton; break;
        default: break;
    }
    return down ? static_cast<int16_t>(0x8000) : 0;
}

TShiftState KeyboardShiftState() {
    return qtconv::ShiftState(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

TWinControl* FindFocusedControl() {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        if (auto* cw = dynamic_cast<ControlWidget*>(w)) {
            if (auto* c = dynamic_cast<TWinControl*>(cw->Control())) return c;
        }
    }
    return nullptr;
}

void TControlBridge::Paint(TControl& c, QPainter& painter) {
    TCanvasBridge::Bind(*c.canvas_, &painter, Point(0, 0));
    try {
        c.PaintControl(*c.canvas_);
    } catch (...) {
        TCanvasBridge::Bind(*c.canvas_, nullptr, Point(0, 0));
        throw;
    }
    TCanvasBridge::Bind(*c.canvas_, nullptr, Point(0, 0));
}

void TControlBridge::Resized(TControl& c, int w, int h) {
    if (w == c.width_ && h == c.height_) return;
    c.width_ = w;
    c.height_ = h;
    if (auto* wc = dynamic_cast<TWinControl*>(&c)) {
        wc->LayoutScrollBars();
        wc->AlignControls();
    }
    c.Resize();
}

// --- TControl ---

TControl::TControl(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {
    if (!QApplication::instance()) throw EInvalidOperation("Controls need the application object: create it first");
    impl_->widget = new ControlWidget(this, nullptr);
    impl_->widget->setFont(qtconv::ToQFont(font_));
    canvas_ = std::make_unique<TCanvas>();
    font_.OnChange = [this](TFont&) { FontChanged(); };
}

TControl::~TControl() {
    MarkDestroying();
    impl_->widget->Detach();
    if (parent_) parent_->RemoveControl(this);
    parent_ = nullptr;
    if (QWidget::mouseGrabber() == impl_->widget) impl_->widget->releaseMouse();
    delete impl_->widget;
    impl_->widget = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
    if (parent_) parent_->RemoveControl(this);
    parent_ = parent;
    impl_->widget->setParent(ParentWidgetOf(parent));
    if (parent_) {
        parent_->InsertControl(this);
        if (parentFont_) CMParentFontChanged();
        if (parentColor_) CMParentColorChanged();
        impl_->widget->setVisible(visible_);
    }
    ApplyGeometry();
    SetShowHint(showHint_);
    if (parent_ && align_ != alNone) parent_->AlignControls();
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* w = dynamic_cast<TWinControl*>(parent)) SetParent(w);
}

void TControl::ApplyGeometry() {
    TPoint o = parent_ ? parent_->ClientOrigin() : Point(0, 0);
    if (parent_) {
        impl_->widget->setGeometry(left_ + o.X, top_ + o.Y, std::max(0, width_), std::max(0, height_));
    } else {
        impl_->widget->resize(std::max(0, width_), std::max(0, height_));
        impl_->widget->move(left_, top_);
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    bool sized = width != width_ || height != height_;
    if (!sized && left == left_ && top == top_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ApplyGeometry();
    if (sized) {
        if (auto* wc = dynamic_cast<TWinControl*>(this)) {
            wc->LayoutScrollBars();
            wc->AlignControls();
        }
        Resize();
    }
    if (parent_ && align_ != alNone) parent_->AlignControls();
}

TPoint TControl::ClientToScreen(TPoint p) const {
    TPoint o = ClientOrigin();
    QPoint g = impl_->widget->mapToGlobal(QPoint(p.X + o.X, p.Y + o.Y));
    return Point(g.x(), g.y());
}

TPoint TControl::ScreenToClient(TPoint p) const {
    TPoint o = ClientOrigin();
    QPoint l = impl_->widget->mapFromGlobal(QPoint(p.X, p.Y));
    return Point(l.x() - o.X, l.y() - o.Y);
}

TPoint TControl::ClientToParent(TPoint p) const {
    TPoint o = ClientOrigin();
    return Point(p.X + o.X + left_, p.Y + o.Y + top_);
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    if (parent_) impl_->widget->setVisible(value);
    CMVisibleChanged();
    if (parent_ && align_ != alNone) parent_->AlignControls();
}

bool TControl::Showing() const {
    if (!visible_) return false;
    if (parent_) return parent_->Showing();
    return impl_->widget->isVisible();
}

void TControl::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    impl_->widget->setEnabled(value);
    CMEnabledChanged();
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    CMTextChanged();
}

void TControl::FontChanged() {
    if (!settingParentFont_) parentFont_ = false;
    impl_->widget->setFont(qtconv::ToQFont(font_));
    CMFontChanged();
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value && parent_) CMParentFontChanged();
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    CMColorChanged();
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    if (value && parent_) CMParentColorChanged();
}

void TControl::SetHint(const std::string& hint) {
    hint_ = hint;
    SetShowHint(showHint_);
}

void TControl::SetShowHint(bool value) {
    showHint_ = value;
    bool effective = value;
    if (parentShowHint_ && parent_) effective = parent_->ShowHint();
    impl_->widget->setToolTip(effective ? qtconv::ToQString(hint_) : QString());
}

void TControl::SetParentShowHint(bool value) {
    parentShowHint_ = value;
    SetShowHint(showHint_);
}

void TControl::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    if (cursor == crDefault) {
        impl_->widget->unsetCursor();
    } else {
        impl_->widget->setCursor(qtconv::CursorShape(cursor));
    }
}

void TControl::Invalidate() { impl_->widget->update(); }

void TControl::InvalidateRect(const TRect& rect) {
    TPoint o = ClientOrigin();
    TRect r = rect;
    OffsetRect(r, o.X, o.Y);
    if (!r.IsEmpty()) impl_->widget->update(qtconv::ToQRect(r));
}

void TControl::Update() {
    QWidget* top = impl_->widget->window();
    if (top && top->isVisible()) QCoreApplication::sendPostedEvents(top, QEvent::UpdateRequest);
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

bool TControl::MouseCapture() const {
    return capturing_ || QWidget::mouseGrabber() == impl_->widget;
}

void TControl::SetMouseCapture(bool value) {
    if (value) {
        if (impl_->widget->isVisible()) impl_->widget->grabMouse();
        capturing_ = true;
    } else {
        if (QWidget::mouseGrabber() == impl_->widget) impl_->widget->releaseMouse();
        capturing_ = false;
    }
}

void TControl::BringToFront() {
    impl_->widget->raise();
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        v.push_back(this);
    }
}

void TControl::SendToBack() {
    impl_->widget->lower();
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        v.insert(v.begin(), this);
    }
}

void TControl::Click() {
    if (OnClick) OnClick(*this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(*this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(*this, shift, wheelDelta, mousePos, handled);
    return handled;
}

void TControl::Resize() {
    if (OnResize) OnResize(*this);
}

void TControl::CMEnabledChanged() { Invalidate(); }
void TControl::CMVisibleChanged() {}
void TControl::CMFontChanged() { Invalidate(); }
void TControl::CMColorChanged() { Invalidate(); }
void TControl::CMTextChanged() { Invalidate(); }
void TControl::CMMouseEnter() {}
void TControl::CMMouseLeave() {}

void TControl::CMParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    settingParentFont_ = true;
    font_.Assign(parent_->Font());
    settingParentFont_ = false;
}

void TControl::CMParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    if (color_ != parent_->Color()) {
        color_ = parent_->Color();
        CMColorChanged();
    }
}

void TControl::PaintControl(TCanvas&) { Paint(); }

// --- TWinControl ---

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    impl_->widget->setFocusPolicy(Qt::NoFocus);
    impl_->widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
}

TWinControl::~TWinControl() {
    MarkDestroying();
    impl_->widget->Detach();
    while (!controls_.empty()) delete controls_.back();
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    if (auto* w = dynamic_cast<TWinControl*>(control)) tabList_.push_back(w);
}

void TWinControl::RemoveControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), control), tabList_.end());
    if (!Destroying()) InvalidateRect(control->BoundsRect());
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

int TWinControl::ClientWidth() const {
    int w = Width() - 2 * frameWidth_ - (scrollShown_[sbVertical] ? kScrollBarSize : 0);
    return std::max(0, w);
}

int TWinControl::ClientHeight() const {
    int h = Height() - 2 * frameWidth_ - (scrollShown_[sbHorizontal] ? kScrollBarSize : 0);
    return std::max(0, h);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    TControl::SetBounds(left, top, width, height);
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent()) return;
    auto& list = Parent()->tabList_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
    for (size_t i = 1; i < list.size(); ++i)
        QWidget::setTabOrder(TControlBridge::Widget(*list[i - 1]), TControlBridge::Widget(*list[i]));
}

void TWinControl::SetTabStop(bool value) {
    tabStop_ = value;
    impl_->widget->setFocusPolicy(value ? Qt::StrongFocus : Qt::NoFocus);
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return Showing();
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    QWidget* top = impl_->widget->window();
    if (top && top->isVisible() && !top->isActiveWindow()) top->activateWindow();
    impl_->widget->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const { return impl_->widget->hasFocus(); }

void TWinControl::SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool redraw) {
    TScrollInfo i = info;
    int maxPos = std::max(i.Min, i.Max - std::max(i.Page - 1, 0));
    i.Pos = std::clamp(i.Pos, i.Min, maxPos);
    scroll_[kind] = i;
    bool shown = i.Max > i.Min && (i.Page == 0 || i.Page <= i.Max - i.Min);
    bool relayout = shown != scrollShown_[kind];
    scrollShown_[kind] = shown;
    QScrollBar*& bar = impl_->bars[kind];
    if (shown && !bar) {
        bar = new QScrollBar(kind == sbVertical ? Qt::Vertical : Qt::Horizontal, impl_->widget);
        bar->setFocusPolicy(Qt::NoFocus);
        QScrollBar* b = bar;
        auto code = [b](int action) {
            switch (action) {
                case QAbstractSlider::SliderSingleStepAdd: return scLineDown;
                case QAbstractSlider::SliderSingleStepSub: return scLineUp;
                case QAbstractSlider::SliderPageStepAdd: return scPageDown;
                case QAbstractSlider::SliderPageStepSub: return scPageUp;
                case QAbstractSlider::SliderToMinimum: return scTop;
                case QAbstractSlider::SliderToMaximum: return scBottom;
                default: return b->isSliderDown() ? scTrack : scPosition;
            }
        };
        QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [this, kind, b, code](int action) {
            TScrollCode c = code(action);
            int pos = b->sliderPosition();
            scroll_[kind].TrackPos = pos;
            RunGuarded([&] { ScrollEvent(kind, c, pos); });
            // The bar shows what the control set, not where the input would have moved it; a dragged thumb
            // follows the mouse.
            if (c != scTrack && impl_->bars[kind]) b->setSliderPosition(scroll_[kind].Pos);
        });
        QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [this, kind, b] {
            int pos = b->sliderPosition();
            RunGuarded([&] { ScrollEvent(kind, scPosition, pos); });
            RunGuarded([&] { ScrollEvent(kind, scEndScroll, pos); });
            if (impl_->bars[kind]) b->setSliderPosition(scroll_[kind].Pos);
        });
    }
    if (bar) {
        QSignalBlocker block(bar);
        bar->setRange(i.Min, maxPos);
        bar->setPageStep(std::max(1, i.Page));
        bar->setSingleStep(1);
        bar->setValue(i.Pos);
        bar->setVisible(shown);
        if (redraw) bar->update();
    }
    if (relayout) {
        LayoutScrollBars();
        AlignControls();
        Resize();
    }
}

TScrollInfo TWinControl::GetScrollInfo(TScrollBarKind kind) const { return scroll_[kind]; }

bool TWinControl::ScrollBarVisible(TScrollBarKind kind) const { return scrollShown_[kind]; }

void TWinControl::LayoutScrollBars() {
    int f = frameWidth_;
    bool v = scrollShown_[sbVertical], h = scrollShown_[sbHorizontal];
    if (QScrollBar* bar = impl_->bars[sbVertical]) {
        bar->setGeometry(Width() - f - kScrollBarSize, f, kScrollBarSize,
                         std::max(0, Height() - 2 * f - (h ? kScrollBarSize : 0)));
        bar->setVisible(v);
    }
    if (QScrollBar* bar = impl_->bars[sbHorizontal]) {
        bar->setGeometry(f, Height() - f - kScrollBarSize, std::max(0, Width() - 2 * f - (v ? kScrollBarSize : 0)),
                         kScrollBarSize);
        bar->setVisible(h);
    }
}

void TWinControl::ScrollWindow(int dx, int dy, const TRect* scrollRect) {
    if (scrollRect) {
        TRect r = *scrollRect;
        TRect client = ClientRect();
        IntersectRect(r, r, client);
        OffsetRect(r, frameWidth_, frameWidth_);
        if (!r.IsEmpty()) impl_->widget->scroll(dx, dy, qtconv::ToQRect(r));
    } else {
        // The client area only: the frame and the scroll bars stay.
        TRect r = ClientRect();
        OffsetRect(r, frameWidth_, frameWidth_);
        impl_->widget->scroll(dx, dy, qtconv::ToQRect(r));
        for (TControl* c : controls_) c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
}

void TWinControl::ScrollEvent(TScrollBarKind, TScrollCode, int) {}

void TWinControl::AlignControls() {
    if (aligning_) return;
    aligning_ = true;
    TRect r = ClientRect();
    auto place = [&](TAlign which) {
        for (TControl* c : controls_) {
            if (c->Align() != which || !c->Visible()) continue;
            switch (which) {
                case alTop:
                    c->SetBounds(r.Left, r.Top, r.Width(), c->Height());
                    r.Top += c->Height();
                    break;
                case alBottom:
                    c->SetBounds(r.Left, r.Bottom - c->Height(), r.Width(), c->Height());
                    r.Bottom -= c->Height();
                    break;
                case alLeft:
                    c->SetBounds(r.Left, r.Top, c->Width(), r.Height());
                    r.Left += c->Width();
                    break;
                case alRight:
                    c->SetBounds(r.Right - c->Width(), r.Top, c->Width(), r.Height());
                    r.Right -= c->Width();
                    break;
                case alClient:
                    c->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
                    break;
                default: break;
            }
        }
    };
    try {
        place(alTop);
        place(alBottom);
        place(alLeft);
        place(alRight);
        place(alClient);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::KeyDown(TKey& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(*this, key, shift);
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(*this, key);
}

void TWinControl::KeyUp(TKey& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(*this, key, shift);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(*this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(*this);
}

void TWinControl::CMFontChanged() {
    TControl::CMFontChanged();
    for (TControl* c : controls_) c->CMParentFontChanged();
}

void TWinControl::CMColorChanged() {
    TControl::CMColorChanged();
    for (TControl* c : controls_) c->CMParentColorChanged();
}

void TWinControl::CMEnabledChanged() { TControl::CMEnabledChanged(); }

void TWinControl::SetFrameWidth(int width) {
    frameWidth_ = std::max(0, width);
    LayoutScrollBars();
    for (TControl* c : controls_) c->ApplyGeometry();
    Invalidate();
}

void TWinControl::PaintFrame(TCanvas& canvas) {
    TRect r = Rect(0, 0, Width(), Height());
    if (frameWidth_ >= 2) {
        DrawEdge(canvas, r, EDGE_SUNKEN, BF_RECT);
    } else if (frameWidth_ == 1) {
        canvas.Brush().SetColor(clWindowFrame);
        canvas.FrameRect(r);
    }
}

void TWinControl::PaintControl(TCanvas& canvas) {
    if (frameWidth_ > 0) PaintFrame(canvas);
    if (scrollShown_[sbVertical] && scrollShown_[sbHorizontal]) {
        // The square between two scroll bars.
        canvas.Brush().SetColor(clBtnFace);
        canvas.Brush().SetStyle(bsSolid);
        canvas.FillRect(Rect(Width() - frameWidth_ - kScrollBarSize, Height() - frameWidth_ - kScrollBarSize,
                             Width() - frameWidth_, Height() - frameWidth_));
    }
    // The rest paints in client coordinates, clipped to the client area.
    TRect client = ClientRect();
    OffsetRect(client, frameWidth_, frameWidth_);
    if (QPainter* p = TCanvasBridge::Painter(canvas)) p->setClipRect(qtconv::ToQRect(client));
    TCanvasBridge::SetOrigin(canvas, ClientOrigin());
    if (!TransparentBackground()) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(bsSolid);
        canvas.FillRect(ClientRect());
    }
    Paint();
}

// --- TCustomControl, TGraphicControl ---

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {
    impl_->widget->setFocusPolicy(Qt::NoFocus);
    impl_->widget->setAttribute(Qt::WA_NoSystemBackground, true);
}

void TGraphicControl::PaintControl(TCanvas&) { Paint(); }
