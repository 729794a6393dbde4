#include "framework/window/hint_window.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "qt/control_widget.h"

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    ControlWidget* w = TControlBridge::Widget(*this);
    w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    w->setAttribute(Qt::WA_ShowWithoutActivating, true);
    w->setFocusPolicy(Qt::NoFocus);
    SetColor(clInfoBk);
    Font().SetColor(clInfoText);
    SetVisible(false);
}

THintWindow::~THintWindow() = default;

unsigned THintWindow::TextFlags() const {
    return DT_LEFT | DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE);
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& text, bool wordWrap) {
    wordWrap_ = wordWrap;
    TCanvas& c = Canvas();
    c.Font().Assign(Font());
    TRect r = Rect(0, 0, std::max(1, maxWidth - 6), 0);
    c.DrawText(text, r, TextFlags() | DT_CALCRECT);
    return Rect(0, 0, r.Width() + 6, r.Height() + 4);
}

void THintWindow::ActivateHint(const TRect& rect, const std::string& text) {
    text_ = text;
    active_ = true;
    SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    SetVisible(true);
    TControlBridge::Widget(*this)->raise();
    Invalidate();
}

void THintWindow::ReleaseHandle() {
    if (!active_) return;
    active_ = false;
    SetVisible(false);
}

void THintWindow::Paint() {
    TCanvas& c = Canvas();
    TRect r = Rect(0, 0, Width(), Height());
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clBlack);
    c.FrameRect(r);
    InflateRect(r, -2, -2);
    c.Font().Assign(Font());
    c.Brush().SetStyle(bsClear);
    c.DrawText(text_, r, TextFlags());
    c.Brush().SetStyle(bsSolid);
}

int TScreen::Width() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 1024;
}

int TScreen::Height() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 768;
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

TPoint CursorPos() {
    QPoint p = QCursor::pos();
    return Point(p.x(), p.y());
}
