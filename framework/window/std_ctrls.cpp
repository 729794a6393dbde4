#include "framework/window/std_ctrls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "qt/control_widget.h"
#include "qt/edit_events.h"
#include "qt/qt_convert.h"

namespace {

// A typed character runs the control's KeyPress; a cleared key does not reach the text.
std::unique_ptr<editevents::Filter> MakeFilter(TWinControl* owner) {
    return std::make_unique<editevents::Filter>(owner, [owner](QKeyEvent* ke) {
        std::string ansi = qtconv::FromQString(ke->text());
        if (ansi.size() != 1) return false;
        char ch = ansi[0];
        RunGuarded([&] { owner->KeyPress(ch); });
        return ch == 0;
    });
}

void PlaceInClient(TWinControl& control, QWidget* w) {
    if (!w) return;  // resized while being made
    TPoint o = TControlBridge::Origin(control);
    w->setGeometry(o.X, o.Y, control.ClientWidth(), control.ClientHeight());
}

void ApplyFont(QWidget* w, const TFont& font, TColor color) {
    w->setFont(qtconv::ToQFont(font));
    QPalette pal = w->palette();
    pal.setColor(QPalette::Text, qtconv::ToQColor(font.Color()));
    pal.setColor(QPalette::Base, qtconv::ToQColor(color));
    w->setPalette(pal);
}

}  // namespace

struct TCustomEdit::EditImpl {
    QLineEdit* line = nullptr;
    std::unique_ptr<editevents::Filter> filter;
    bool settingText = false;
};

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner), edit_(std::make_unique<EditImpl>()) {
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
    ControlWidget* host = TControlBridge::Widget(*this);
    edit_->filter = MakeFilter(this);
    edit_->line = new QLineEdit(host);
    edit_->line->setFrame(false);
    edit_->line->installEventFilter(edit_->filter.get());
    host->setFocusProxy(edit_->line);
    QObject::connect(edit_->line, &QLineEdit::textChanged, edit_->line, [this](const QString&) {
        if (!edit_->settingText) RunGuarded([this] { Change(); });
    });
    SetFrameWidth(2);
    Layout();
}

TCustomEdit::~TCustomEdit() {
    MarkDestroying();
    edit_->line->removeEventFilter(edit_->filter.get());
}

std::string TCustomEdit::Text() const { return qtconv::FromQString(edit_->line->text()); }

void TCustomEdit::SetText(const std::string& text) {
    edit_->settingText = true;
    edit_->line->setText(qtconv::ToQString(text));
    edit_->settingText = false;
}

void TCustomEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    edit_->line->setReadOnly(value);
}

void TCustomEdit::SetMaxLength(int value) {
    maxLength_ = std::max(0, value);
    edit_->line->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TCustomEdit::SetCtl3D(bool value) {
    ctl3D_ = value;
    SetFrameWidth(ctl3D_ && borderStyle_ == bsSingle ? 2 : 0);
    Layout();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
    borderStyle_ = value;
    SetCtl3D(ctl3D_);
}

void TCustomEdit::SelectAll() { edit_->line->selectAll(); }

int TCustomEdit::SelStart() const { return edit_->line->cursorPosition(); }

void TCustomEdit::TypeChar(char ch) {
    if (readOnly_) return;
    if (ch == '\b') edit_->line->backspace();
    else edit_->line->insert(qtconv::ToQString(std::string(1, ch)));
}

void TCustomEdit::SetFocus() {
    TWinControl::SetFocus();
    edit_->line->setFocus(Qt::OtherFocusReason);
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(*this);
}

void TCustomEdit::Layout() {
    if (edit_) PlaceInClient(*this, edit_->line);
}

void TCustomEdit::Resize() {
    TWinControl::Resize();
    Layout();
}

void TCustomEdit::CMFontChanged() {
    TWinControl::CMFontChanged();
    if (!edit_ || !edit_->line) return;
    ApplyFont(edit_->line, Font(), Color());
}

void TCustomEdit::CMColorChanged() {
    TWinControl::CMColorChanged();
    if (!edit_ || !edit_->line) return;
    ApplyFont(edit_->line, Font(), Color());
}

struct TMemo::MemoImpl {
    QPlainTextEdit* text = nullptr;
    std::unique_ptr<editevents::Filter> filter;
    bool settingText = false;
};

TMemo::TMemo(TComponent* owner) : TWinControl(owner), memo_(std::make_unique<MemoImpl>()) {
    SetTabStop(true);
    SetBounds(0, 0, 185, 89);
    ControlWidget* host = TControlBridge::Widget(*this);
    memo_->filter = MakeFilter(this);
    memo_->text = new QPlainTextEdit(host);
    memo_->text->setFrameShape(QFrame::NoFrame);
    memo_->text->installEventFilter(memo_->filter.get());
    host->setFocusProxy(memo_->text);
    QObject::connect(memo_->text, &QPlainTextEdit::textChanged, memo_->text, [this] {
        if (!memo_->settingText) modified_ = true;
    });
    SetFrameWidth(2);
    PlaceInClient(*this, memo_->text);
}

TMemo::~TMemo() {
    MarkDestroying();
    memo_->text->removeEventFilter(memo_->filter.get());
}

std::string TMemo::Text() const {
    std::string plain = qtconv::FromQString(memo_->text->toPlainText());
    std::string out;
    for (char c : plain) {
        if (c == '\n') out += "\r\n";
        else out += c;
    }
    return out;
}

void TMemo::SetText(const std::string& text) {
    std::string plain;
    for (char c : text)
        if (c != '\r') plain += c;
    memo_->settingText = true;
    memo_->text->setPlainText(qtconv::ToQString(plain));
    memo_->settingText = false;
}

void TMemo::SetReadOnly(bool value) {
    readOnly_ = value;
    memo_->text->setReadOnly(value);
}

void TMemo::SetWordWrap(bool value) {
    wordWrap_ = value;
    memo_->text->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetFocus() {
    TWinControl::SetFocus();
    memo_->text->setFocus(Qt::OtherFocusReason);
}

void TMemo::Resize() {
    TWinControl::Resize();
    if (memo_) PlaceInClient(*this, memo_->text);
}

void TMemo::CMFontChanged() {
    TWinControl::CMFontChanged();
    if (!memo_ || !memo_->text) return;
    ApplyFont(memo_->text, Font(), Color());
}
