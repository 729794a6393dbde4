#include "grid/pk_inplace_edit.h"

#include "framework/window/dialogs.h"
#include "framework/window/picture_validator.h"
#include "grid/db_grid.h"

TpkInplaceEdit::TpkInplaceEdit(TpkCustomDBGrid* grid) : TInplaceEdit(grid), dbGrid_(grid) {}

bool TpkInplaceEdit::PassesPicture(const std::string& text) const {
    if (!PictureInForce()) return true;
    return TPictureValidator(picture_.PictureMask).IsValid(text);
}

void TpkInplaceEdit::RaiseCheckValue(bool passes) {
    if (dbGrid_->OnCheckValue) dbGrid_->OnCheckValue(*this, passes);
}

void TpkInplaceEdit::UpdateContents() {
    SetWordWrap(dbGrid_->GridOptions().Contains(dgWordWrap));
    TInplaceEdit::UpdateContents();
    // The cell's picture; the focus re-reads it and checks the text (DoEnter).
    picture_ = TpkDBPicture{};
    dbGrid_->PictureFor(dbGrid_->SelectedField(), picture_.PictureMask, picture_.AutoFill);
}

void TpkInplaceEdit::KeyDown(TKey& key, TShiftState shift) {
    const bool enterToTab = dbGrid_->KeyOptions().Contains(dgEnterToTab);
    if ((key == VK_RETURN && enterToTab && !shift.Contains(ssCtrl)) ||
        (key == VK_DELETE && shift.Contains(ssCtrl))) {
        // The grid handles the key (a Tab, or the deletion of the record); the editor never sees it.
        if (dbGrid_->CanFocus()) dbGrid_->SetFocus();
        TKey gridKey = key == VK_RETURN ? VK_TAB : key;
        dbGrid_->KeyDown(gridKey, key == VK_RETURN ? TShiftState{} : shift);
        key = 0;
        return;
    }
    TInplaceEdit::KeyDown(key, shift);
}

void TpkInplaceEdit::KeyUp(TKey& key, TShiftState shift) {
    if (key == VK_RETURN && dbGrid_->KeyOptions().Contains(dgEnterToTab)) key = VK_TAB;
    if (key == VK_DELETE && dbGrid_->OnCheckValue) RaiseCheckValue(PassesPicture(EditText()));
    TInplaceEdit::KeyUp(key, shift);
}

void TpkInplaceEdit::KeyPress(char& key) {
    const unsigned char u = static_cast<unsigned char>(key);
    if (!PictureInForce() || (key != '\b' && u < 32)) {
        TInplaceEdit::KeyPress(key);
        return;
    }
    const std::string text = EditText();
    const int len = static_cast<int>(text.size());
    const int start = std::min(SelStart(), len);
    const int sel = std::min(SelLength(), len - start);
    if (key == '\b') {
        if (dbGrid_->OnCheckValue) {
            std::string rest = sel > 0 ? text.substr(0, static_cast<size_t>(start)) + text.substr(static_cast<size_t>(start + sel))
                               : text.substr(0, static_cast<size_t>(std::max(0, start - 1))) + text.substr(static_cast<size_t>(start));
            RaiseCheckValue(PassesPicture(rest));
        }
        TInplaceEdit::KeyPress(key);
        return;
    }
    std::string result = text.substr(0, static_cast<size_t>(start)) + key + text.substr(static_cast<size_t>(start + sel));
    if (MaxLength() > 0 && static_cast<int>(result.size()) > MaxLength()) {
        TInplaceEdit::KeyPress(key);
        return;
    }
    const std::string typed = result;
    TPicResult r = TPictureValidator(picture_.PictureMask).Check(result, picture_.AutoFill);
    bool passes = false;
    if (r == prComplete || r == prIncomplete) {
        if (!dbGrid_->CanEditModify()) {
            key = 0;
            return;
        }
        const int filled = static_cast<int>(result.size() - typed.size());
        SetEditText(result);
        SetModified(true);
        dbGrid_->SetEditText(dbGrid_->Col(), dbGrid_->Row(), result);
        const bool wholeSelected = start == 0 && sel == len;
        const int caret = wholeSelected ? static_cast<int>(result.size()) : start + 1 + filled;
        SetSel(caret, 0);
        key = 0;
        passes = r == prComplete;
    } else if (start + sel < len) {
        TInplaceEdit::KeyPress(key);  // typing inside the text: the mask is checked at write-back
    } else {
        MessageBeep(MB_OK);
        key = 0;
        return;
    }
    RaiseCheckValue(passes);
}

void TpkInplaceEdit::DoEnter() {
    TInplaceEdit::DoEnter();
    TpkDBPicture p;
    dbGrid_->PictureFor(dbGrid_->SelectedField(), p.PictureMask, p.AutoFill);
    p.AllowInvalidExit = false;
    picture_ = p;
    if (PictureInForce()) RaiseCheckValue(PassesPicture(EditText()));
}
