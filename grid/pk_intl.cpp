#include "grid/pk_intl.h"

#include "grid/db_grid.h"

#include "grid/pk_dialog_button.h"
#include "grid/pk_nav_glyphs.h"
#include "grid/pk_nav_register.h"
#include "framework/window/dialogs.h"
#include "framework/window/forms.h"

namespace {
TpkIntl* globalIntl = nullptr;
// The framework's text for a value that fails its mask.
const char* const kInvalidMaskInput = "Invalid input value.  Use escape key to abandon changes";
}  // namespace

TpkIntl* pkIntl() { return globalIntl; }

TpkIntl::TpkIntl(TComponent* owner) : TComponent(owner) {}

TpkIntl::~TpkIntl() {
    MarkDestroying();
    if (globalIntl == this) globalIntl = nullptr;
}

void TpkIntl::SetCheckBoxInGridStyle(TpkCheckBoxInGridStyle value) {
    checkBoxInGridStyle_ = value;
    if (connected_ && globalIntl && globalIntl != this) globalIntl->checkBoxInGridStyle_ = value;
}

void TpkIntl::SetConnected(bool value) {
    connected_ = value;
    if (value && !Loading()) Connect();
}

void TpkIntl::Loaded() {
    TComponent::Loaded();
    if (connected_) Connect();
}

void TpkIntl::Connect() {
    TpkIntl* g = globalIntl;
    if (!g || g == this) return;
    g->FilterDialog = FilterDialog;
    g->RichEdit = RichEdit;
    g->SearchDialog = SearchDialog;
    g->MonthCalendar = MonthCalendar;
    g->LocateDialog = LocateDialog;
    g->Navigator = Navigator;
    g->UserMessages = UserMessages;
    g->ADO.UseLocateWhenFindingValue = ADO.UseLocateWhenFindingValue;
    g->OKCancelBitmapped = OKCancelBitmapped;
    g->BtnOKCaption = BtnOKCaption;
    g->BtnCancelCaption = BtnCancelCaption;
    g->checkBoxInGridStyle_ = checkBoxInGridStyle_;
    g->OnValidationErrorUsingMask = OnValidationErrorUsingMask;
    g->DialogFontStyle = DialogFontStyle;
    g->UseLocateMethodForSearch = UseLocateMethodForSearch;
    g->DefaultEpochYear = DefaultEpochYear;
    g->FilterMemoSize = FilterMemoSize;
    g->IniFileName = (IniFileName.empty() || IniFileName == ".ini") ? std::string() : IniFileName + ".ini";
}

void TpkIntl::ValidationErrorUsingMask(TComponent& sender, TField* field) {
    std::string msg = kInvalidMaskInput;
    bool doDefault = true;
    if (OnValidationErrorUsingMask) OnValidationErrorUsingMask(sender, field, msg, doDefault);
    if (!doDefault) return;
    MessageBeep(MB_OK);
    throw EInvalidOperation(msg);
}

TControl* TpkIntl::CreateDlgButton(TForm& form, TpkDialogButtonKind kind) {
    auto* b = new TpkDialogButton(&form);
    b->SetVisible(false);
    b->SetParent(&form);
    if (OKCancelBitmapped) {
        b->SetKind(kind == dbkOK ? bkOK : kind == dbkCancel ? bkCancel : bkHelp);
        b->SetLayout(blGlyphLeft);
        b->SetMargin(2);
        b->SetNumGlyphs(2);
        b->SetSpacing(-1);
        b->SetParentFont(false);
        b->Font().SetName("MS Sans Serif");
        b->Font().SetHeight(-11);
        b->Font().SetColor(clWindowText);
        b->Font().SetStyle(DialogFontStyle);
    }
    switch (kind) {
        case dbkOK:
            b->SetCaption(BtnOKCaption);
            b->SetModalResult(mrOk);
            break;
        case dbkCancel:
            b->SetCaption(BtnCancelCaption);
            b->SetModalResult(mrCancel);
            b->SetCancel(true);
            break;
        case dbkHelp:
            b->SetCaption("Help");
            break;
    }
    return b;
}

void StartComponentLibrary() {
    if (!globalIntl) globalIntl = new TpkIntl(Application);
    pkNavGlyphsStart();
    RegisterNavigatorClasses();
    RegisterDataGridClasses();
}

void StopComponentLibrary() {
    delete globalIntl;  // clears globalIntl; the application object is told through the owner tree
    globalIntl = nullptr;
    pkNavGlyphsStop();
}
