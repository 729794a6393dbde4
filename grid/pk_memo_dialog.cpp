#include "grid/pk_memo_dialog.h"

#include <memory>

#include "framework/window/forms.h"
#include "framework/window/std_ctrls.h"
#include "grid/pk_intl.h"

namespace {

std::string JoinLines(const TStringList& lines) {
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    return text;
}

void SplitLines(const std::string& text, TStringList& lines) {
    lines.Clear();
    std::string cur;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.Add(cur);
            cur.clear();
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += text[i];
        }
    }
    if (!cur.empty()) lines.Add(cur);
}

}  // namespace

TpkMemoDialog::TpkMemoDialog(TComponent* owner) : TComponent(owner) {}

TpkMemoDialog::~TpkMemoDialog() { link_.SetDataSource(nullptr); }

TField* TpkMemoDialog::Field() const {
    TDataSet* ds = link_.DataSet();
    return ds && ds->Active() ? ds->FindField(dataField_) : nullptr;
}

bool TpkMemoDialog::Execute() {
    TField* field = Field();
    if (field) SplitLines(field->AsString(), lines_);
    const bool viewOnly = attributes_.Contains(mViewOnly) || !field || !field->CanModify();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetCaption(caption_);
    form->SetBounds(DlgLeft < 0 ? 100 : DlgLeft, DlgTop < 0 ? 100 : DlgTop, DlgWidth, DlgHeight);
    if (DlgLeft < 0 || DlgTop < 0) form->SetPosition(poScreenCenter);
    form->SetFont(font_);
    auto* memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetBounds(8, 8, form->ClientWidth() - 16, form->ClientHeight() - 52);
    memo->SetWordWrap(attributes_.Contains(mWordWrap));
    memo->SetReadOnly(viewOnly);
    memo->SetText(JoinLines(lines_));
    memo->SetModified(false);
    int x = form->ClientWidth() - 8;
    for (TpkDialogButtonKind kind : {dbkCancel, dbkOK}) {
        if (kind == dbkOK && viewOnly) continue;
        TControl* b = pkIntl() ? pkIntl()->CreateDlgButton(*form, kind) : nullptr;
        if (!b) continue;
        x -= 83;
        b->SetBounds(x, form->ClientHeight() - 36, 75, 25);
        b->Show();
    }
    form->OnShow = [this, memo](TComponent& f) {
        if (OnInitDialog) OnInitDialog(*this, static_cast<TForm&>(f), *memo);
    };
    const TModalResult result = form->ShowModal();
    const bool ok = result == mrOk;
    if (ok && !viewOnly && field) {
        const std::string text = memo->Text();
        SplitLines(text, lines_);
        if (text != field->AsString()) {
            TDataSet* ds = field->DataSet();
            if (ds->State() == dsBrowse) ds->Edit();
            field->SetAsString(text);
        }
    }
    if (OnCloseDialog) OnCloseDialog(*this, *form, result);
    return ok;
}
