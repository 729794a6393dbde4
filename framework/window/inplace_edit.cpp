#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include "framework/window/grids.h"
#include "qt/control_widget.h"
#include "qt/edit_events.h"
#include "qt/qt_convert.h"

namespace {

// Keys and focus of the Qt editor go through the TInplaceEdit's steps first; Enter, Escape, Tab and Backspace
// reach KeyPress as their characters, and a character KeyPress replaces is typed instead.
std::unique_ptr<editevents::Filter> MakeFilter(TInplaceEdit* owner) {
    return std::make_unique<editevents::Filter>(owner, [owner](QKeyEvent* ke) {
        char ch = 0;
        switch (ke->key()) {
            case Qt::Key_Return: case Qt::Key_Enter: ch = '\r'; break;
            case Qt::Key_Escape: ch = 27; break;
            case Qt::Key_Tab: case Qt::Key_Backtab: ch = '\t'; break;
            case Qt::Key_Backspace: ch = '\b'; break;
            default: {
                std::string ansi = qtconv::FromQString(ke->text());
                if (ansi.size() == 1) ch = ansi[0];
            }
        }
        if (ch == 0) return false;
        const char original = ch;
        RunGuarded([&] { owner->KeyPress(ch); });
        if (ch == 0) return true;
        if (ch != original) {
            owner->TypeChar(ch);
            return true;
        }
        return false;
    });
}

}  // namespace

struct TInplaceEdit::EditImpl {
    QLineEdit* line = nullptr;      // single-line editor
    QPlainTextEdit* text = nullptr; // multi-line editor
    std::unique_ptr<editevents::Filter> filter;
    QWidget* Widget() const { return line ? static_cast<QWidget*>(line) : static_cast<QWidget*>(text); }
};

TInplaceEdit::TInplaceEdit(TCustomGrid* grid)
    : TWinControl(grid), grid_(grid), edit_(std::make_unique<EditImpl>()) {
    edit_->filter = MakeFilter(this);
    SetVisible(false);
    SetParentFont(true);
    SetColor(grid->Color());
    SetTabStop(false);
    RebuildEditor();
}

TInplaceEdit::~TInplaceEdit() {
    MarkDestroying();
    if (QWidget* w = edit_->Widget()) w->removeEventFilter(edit_->filter.get());
}

void TInplaceEdit::RebuildEditor() {
    ControlWidget* host = TControlBridge::Widget(*this);
    QString keep = edit_->Widget() ? (edit_->line ? edit_->line->text() : edit_->text->toPlainText()) : QString();
    if (QWidget* old = edit_->Widget()) {
        old->removeEventFilter(edit_->filter.get());
        host->setFocusProxy(nullptr);
        delete old;
    }
    edit_->line = nullptr;
    edit_->text = nullptr;
    QWidget* w;
    if (wordWrap_) {
        auto* t = new QPlainTextEdit(host);
        t->setFrameShape(QFrame::NoFrame);
        t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        t->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        t->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        t->document()->setDocumentMargin(0);
        t->setTabChangesFocus(true);
        QObject::connect(t, &QPlainTextEdit::textChanged, t, [this] {
            if (settingText_) return;
            if (maxLength_ > 0 && edit_->text->toPlainText().size() > maxLength_) {
                settingText_ = true;
                edit_->text->textCursor().deletePreviousChar();
                settingText_ = false;
            }
            RunGuarded([this] { Change(); });
        });
        edit_->text = t;
        w = t;
    } else {
        auto* l = new QLineEdit(host);
        l->setFrame(false);
        QObject::connect(l, &QLineEdit::textEdited, l, [this](const QString&) { RunGuarded([this] { Change(); }); });
        edit_->line = l;
        w = l;
    }
    w->setAttribute(Qt::WA_MacShowFocusRect, false);
    w->installEventFilter(edit_->filter.get());
    host->setFocusProxy(w);
    w->show();
    settingText_ = true;
    if (edit_->line) {
        edit_->line->setText(keep);
        if (maxLength_ > 0) edit_->line->setMaxLength(maxLength_);
    } else {
        edit_->text->setPlainText(keep);
    }
    settingText_ = false;
    CMFontChanged();
    CMColorChanged();
    BoundsChanged();
}

std::string TInplaceEdit::EditText() const {
    if (edit_->line) return qtconv::FromQString(edit_->line->text());
    return qtconv::FromQString(edit_->text->toPlainText());
}

void TInplaceEdit::SetEditText(const std::string& text) {
    settingText_ = true;
    if (edit_->line) {
        edit_->line->setText(qtconv::ToQString(text));
    } else {
        edit_->text->setPlainText(qtconv::ToQString(text));
    }
    settingText_ = false;
}

void TInplaceEdit::SelectAll() {
    if (edit_->line) edit_->line->selectAll();
    else edit_->text->selectAll();
}

void TInplaceEdit::Deselect() {
    if (edit_->line) {
        edit_->line->deselect();
    } else {
        QTextCursor c = edit_->text->textCursor();
        c.clearSelection();
        edit_->text->setTextCursor(c);
    }
}

int TInplaceEdit::SelStart() const {
    if (edit_->line) {
        int s = edit_->line->selectionStart();
        return s < 0 ? edit_->line->cursorPosition() : s;
    }
    return edit_->text->textCursor().selectionStart();
}

int TInplaceEdit::SelLength() const {
    if (edit_->line) return static_cast<int>(edit_->line->selectedText().size());
    QTextCursor c = edit_->text->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TInplaceEdit::SetSel(int start, int length) {
    if (edit_->line) {
        edit_->line->setSelection(start, length);
    } else {
        QTextCursor c = edit_->text->textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        edit_->text->setTextCursor(c);
    }
}

void TInplaceEdit::SetMaxLength(int value) {
    maxLength_ = std::max(0, value);
    if (edit_->line) edit_->line->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TInplaceEdit::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    RebuildEditor();
}

void TInplaceEdit::SetBorder(bool value) {
    border_ = value;
    SetFrameWidth(value ? 1 : 0);
    BoundsChanged();
}

void TInplaceEdit::UpdateContents() {
    SetMaxLength(grid_->GetEditLimit());
    SetEditText(grid_->GetEditText(grid_->Col(), grid_->Row()));
    modified_ = false;
}

void TInplaceEdit::Move(const TRect& rect) {
    if (rect.IsEmpty()) {
        Hide();
        return;
    }
    SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    BoundsChanged();
    Show();
    if (grid_->Focused() && CanFocus()) SetFocus();
}

void TInplaceEdit::BoundsChanged() {
    QWidget* w = edit_->Widget();
    if (!w) return;
    TPoint o = ClientOrigin();
    w->setGeometry(o.X, o.Y, ClientWidth(), ClientHeight());
    // Without a border the text sits 2 pixels in from the left and the top.
    int inset = border_ ? 0 : 2;
    if (edit_->line) {
        edit_->line->setTextMargins(inset, inset, 0, 0);
        edit_->line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    } else {
        edit_->text->document()->setDocumentMargin(0);
        edit_->text->setContentsMargins(inset, inset, 0, 0);
    }
}

void TInplaceEdit::Resize() {
    TWinControl::Resize();
    BoundsChanged();
}

void TInplaceEdit::TypeChar(char ch) {
    if (edit_->line) {
        if (ch == '\b') edit_->line->backspace();
        else edit_->line->insert(qtconv::ToQString(std::string(1, ch)));
    } else {
        settingText_ = true;
        QTextCursor c = edit_->text->textCursor();
        if (ch == '\b') {
            c.deletePreviousChar();
        } else {
            c.insertText(qtconv::ToQString(std::string(1, ch)));
        }
        edit_->text->setTextCursor(c);
        settingText_ = false;
    }
    Change();
}

void TInplaceEdit::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    QWidget* top = TControlBridge::Widget(*this)->window();
    if (top && top->isVisible() && !top->isActiveWindow()) top->activateWindow();
    edit_->Widget()->setFocus(Qt::OtherFocusReason);
}

bool TInplaceEdit::Focused() const { return edit_->Widget() && edit_->Widget()->hasFocus(); }

void TInplaceEdit::Change() {
    modified_ = true;
    grid_->SetEditText(grid_->Col(), grid_->Row(), EditText());
}

void TInplaceEdit::CMFontChanged() {
    TWinControl::CMFontChanged();
    if (QWidget* w = edit_->Widget()) w->setFont(qtconv::ToQFont(Font()));
    if (QWidget* w = edit_->Widget()) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Text, qtconv::ToQColor(Font().Color()));
        w->setPalette(pal);
    }
}

void TInplaceEdit::CMColorChanged() {
    TWinControl::CMColorChanged();
    if (QWidget* w = edit_->Widget()) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Base, qtconv::ToQColor(Color()));
        pal.setColor(QPalette::Text, qtconv::ToQColor(Font().Color()));
        pal.setColor(QPalette::Highlight, qtconv::ToQColor(clHighlight));
        pal.setColor(QPalette::HighlightedText, qtconv::ToQColor(clHighlightText));
        w->setPalette(pal);
    }
}

void TInplaceEdit::KeyDown(TKey& key, TShiftState shift) {
    auto sendToGrid = [&] {
        grid_->KeyDown(key, shift);
        key = 0;
    };
    const bool forward = grid_->Options().Contains(goAlwaysShowEditor);
    const bool ctrl = shift.Contains(ssCtrl);
    const int len = static_cast<int>(EditText().size());
    const int start = SelStart(), end = SelStart() + SelLength();
    const bool leftSide = start == 0 && (end == 0 || end == len);
    const bool rightSide = (start == 0 || end == start) && end == len;
    switch (key) {
        case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_ESCAPE:
            sendToGrid();
            return;
        case VK_INSERT:
            if (shift.Empty()) sendToGrid();
            else if (shift == TShiftState{ssShift} && !grid_->CanEditModify()) key = 0;
            return;
        case VK_LEFT: case VK_HOME:
            if (forward && (ctrl || leftSide)) sendToGrid();
            break;
        case VK_RIGHT: case VK_END:
            if (forward && (ctrl || rightSide)) sendToGrid();
            break;
        case VK_DELETE:
            if (ctrl) sendToGrid();
            break;
        case VK_TAB:
            if (!shift.Contains(ssAlt)) sendToGrid();
            break;
        default: break;
    }
    if (key == VK_DELETE && !grid_->CanEditModify()) key = 0;
    if (key != 0) {
        if (grid_->OnKeyDown) grid_->OnKeyDown(*grid_, key, shift);
        if (key != 0) TWinControl::KeyDown(key, shift);
    }
}

void TInplaceEdit::KeyPress(char& key) {
    grid_->KeyPress(key);
    unsigned char u = static_cast<unsigned char>(key);
    if (u >= 32 && !grid_->CanEditAcceptKey(key)) key = 0;
    switch (key) {
        case '\t': case 27: key = 0; break;
        case '\r': {
            int len = static_cast<int>(EditText().size());
            if (SelStart() == 0 && SelLength() == len) Deselect();
            else SelectAll();
            key = 0;
            break;
        }
        default:
            if ((key == '\b' || key == 0x16 || key == 0x18 || u >= 32) && key != 0 && !grid_->CanEditModify()) key = 0;
            break;
    }
    if (key != 0) TWinControl::KeyPress(key);
}

void TInplaceEdit::KeyUp(TKey& key, TShiftState shift) {
    grid_->KeyUp(key, shift);
}
