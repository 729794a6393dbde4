// The grid's cell editing: the in-place editor's steps, write-back, cancel and delete, check-box toggling,
// hosted edit controls and the date/time picker, memo dialogs, and the selection of several records.
#include <algorithm>
#include <cmath>

#include "framework/base/restore.h"
#include "framework/window/dialogs.h"
#include "framework/window/forms.h"
#include "framework/window/image_list.h"
#include "framework/window/rich_edit.h"
#include "grid/db_grid.h"
#include "grid/db_grid_edit_state.h"
#include "grid/grid_tokens.h"
#include "grid/pk_db_edit.h"
#include "grid/pk_inplace_edit.h"
#include "grid/pk_intl.h"
#include "grid/pk_memo_dialog.h"

namespace {

const char* const kDeleteRecordQuestion = "Delete record?";

// The calculated field whose check box shows and sets the multi-selection.
bool IsSelectedField(const TField* f) { return f && f->Calculated() && SameText(f->FieldName(), "selected"); }

// "ticked;empty".
void CheckValues(const std::string& params, std::string& ticked, std::string& empty) {
    int pos = 1;
    ticked = NextToken(params, ";", pos);
    empty = NextToken(params, ";", pos);
}

TForm* ParentForm(TControl* c) {
    for (TControl* p = c; p; p = p->Parent())
        if (auto* f = dynamic_cast<TForm*>(p)) return f;
    return nullptr;
}

}  // namespace

void TpkCustomDBGrid::EditStateDeleter::operator()(TpkGridEditState* state) const { delete state; }

TpkGridEditState& TpkCustomDBGrid::EditState() const {
    if (!edit_) edit_.reset(new TpkGridEditState);
    return *edit_;
}

// --- properties ---

TpkEditControlOptions TpkCustomDBGrid::EditControlOptions() const { return EditState().controlOptions; }
void TpkCustomDBGrid::SetEditControlOptions(TpkEditControlOptions value) {
    EditState().controlOptions = value;
    Invalidate();
}
TpkMemoAttributes TpkCustomDBGrid::MemoAttributes() const { return EditState().memoAttributes; }
void TpkCustomDBGrid::SetMemoAttributes(TpkMemoAttributes value) {
    EditState().memoAttributes = value;
    Invalidate();
}
TpkMultiSelectOptions TpkCustomDBGrid::MultiSelectOptions() const { return EditState().multiSelect; }
void TpkCustomDBGrid::SetMultiSelectOptions(TpkMultiSelectOptions value) { EditState().multiSelect = value; }
TImageList* TpkCustomDBGrid::ImageList() const { return EditState().imageList; }

void TpkCustomDBGrid::SetImageList(TImageList* list) {
    TpkGridEditState& e = EditState();
    if (e.imageList) RemoveFreeNotification(e.imageList);
    e.imageList = list;
    if (list) FreeNotification(list);
    Invalidate();
}

void TpkCustomDBGrid::Notification(TComponent* component, TOperation operation) {
    TCustomGrid::Notification(component, operation);
    if (operation == opRemove && component == titleImageList_) titleImageList_ = nullptr;
    if (operation != opRemove || !edit_) return;
    TpkGridEditState& e = *edit_;
    if (component == e.imageList) e.imageList = nullptr;
    if (component == e.picker) e.picker = nullptr;
    if (component == e.richText) e.richText = nullptr;
    if (component == e.hosted) e.hosted = nullptr;
    e.takenOver.erase(std::remove(e.takenOver.begin(), e.takenOver.end(), component), e.takenOver.end());
}

TpkDBCustomDateTimePicker* TpkCustomDBGrid::DateTimePicker() const { return EditState().picker; }
TWinControl* TpkCustomDBGrid::HostedControl() const { return EditState().hosted; }

TField* TpkCustomDBGrid::SelectedField() const { return ColumnField(Col() - indicatorOffset_); }

void TpkCustomDBGrid::PictureFor(const TField* field, std::string& mask, bool& autoFill) const {
    mask.clear();
    autoFill = true;
    if (!field) return;
    for (int i = 0; i < pictureMasks_.Count(); ++i) {
        int pos = 1;
        const std::string& line = pictureMasks_[i];
        if (!SameText(NextToken(line, "\t", pos), field->FieldName())) continue;
        mask = NextToken(line, "\t", pos);
        autoFill = NextToken(line, "\t", pos) != "F";
    }
}

bool TpkCustomDBGrid::ControlTypeOf(const TField* field, std::string& type, std::string& params) const {
    type.clear();
    params.clear();
    if (!field) return false;
    bool found = false;
    for (int i = 0; i < controlType_.Count(); ++i) {
        const std::string& line = controlType_[i];
        const size_t a = line.find(';');
        if (a == std::string::npos || line.compare(0, a, field->FieldName()) != 0) continue;
        const size_t b = line.find(';', a + 1);
        type = line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
        params = b == std::string::npos ? std::string() : line.substr(b + 1, 255);
        found = true;  // the last line of the field counts
    }
    return found;
}

// --- the base grid's editor steps ---

TInplaceEdit* TpkCustomDBGrid::CreateEditor() { return new TpkInplaceEdit(this); }

bool TpkCustomDBGrid::CanEditModify() {
    TDataSet* ds = DataSet();
    if (!ds) return false;
    if (!keyOptions_.Contains(dgAllowInsert) && ds->IsEmpty() && ds->State() == dsBrowse) return false;
    if (readOnly_ || !link_.Active() || link_.ReadOnly() || ColumnCount() == 0) return false;
    TField* f = SelectedField();
    if (!f) return false;
    if (!f->CanModify() && !(editCalculated_ && f->Calculated() && !f->ReadOnly())) return false;
    if (ColumnByName(f->FieldName()).ReadOnly()) return false;
    link_.Edit();
    if (!link_.Editing()) return false;
    link_.SetModified(true);
    return true;
}

bool TpkCustomDBGrid::CanEditAcceptKey(char key) {
    TField* f = SelectedField();
    return f && f->IsValidChar(key);
}

std::string TpkCustomDBGrid::GetEditText(int col, int) {
    TField* f = ColumnField(col - indicatorOffset_);
    std::string text = f ? f->EditText() : std::string();
    EditState().editText = text;
    return text;
}

void TpkCustomDBGrid::SetEditText(int, int, const std::string& value) { EditState().editText = value; }

std::string TpkCustomDBGrid::GetEditMask(int col, int) {
    TField* f = ColumnField(col - indicatorOffset_);
    return f ? f->EditMask() : std::string();
}

int TpkCustomDBGrid::GetEditLimit() {
    TField* f = SelectedField();
    return f && f->DataType() == ftString ? f->Size() : 0;
}

bool TpkCustomDBGrid::CellEditorAllowed() {
    TField* f = SelectedField();
    if (!f) return false;
    std::string type, params;
    if (ControlTypeOf(f, type, params)) {
        if (SameText(type, "CheckBox") || SameText(type, "Bitmap") || SameText(type, "ImageIndex")) return false;
        if (f->IsBlob() && SameText(type, "RichEdit")) return false;
    }
    if (HostedControlFor(f, type, params)) return false;
    if (f->IsBlob()) return false;  // memos open their dialog; other blobs have no text to edit
    if (options_.Contains(dgAlwaysShowEditor) && !Focused() && !(InplaceEditor() && InplaceEditor()->Visible()))
        return false;
    return true;
}

// --- write-back and notifications ---

void TpkCustomDBGrid::WriteEditText() {
    TField* f = SelectedField();
    if (!f) return;
    TpkGridEditState& e = EditState();
    auto* editor = dynamic_cast<TpkInplaceEdit*>(InplaceEditor());
    if (editor && editor->PictureInForce() && !editor->Picture().AllowInvalidExit && !editor->PassesPicture(e.editText)) {
        // Our data sets publish no OnInvalidValue event: the library's validation error reports it.
        if (pkIntl()) {
            pkIntl()->ValidationErrorUsingMask(*this, f);
        } else {
            MessageBeep(MB_OK);
            throw EInvalidOperation("Invalid input value.  Use escape key to abandon changes");
        }
        return;
    }
    const bool same = e.editText == f->EditText();
    TRestore<bool> seen(e.fieldChangeSeen, false);
    TDateTime date = 0;
    if (dynamic_cast<TDateTimeField*>(f) && ParseGridDate(e.editText, &date)) {
        f->SetAsDateTime(date);
    } else {
        f->SetEditText(e.editText);
    }
    if (!same && !e.fieldChangeSeen && OnFieldChanged) OnFieldChanged(*this, f);
}

void TpkCustomDBGrid::WriteBackEdit() {
    if (!link_.Active() || !link_.Modified()) return;
    UpdateText();
    link_.UpdateRecord();
}

bool TpkCustomDBGrid::WriteBackOnExit() {
    try {
        WriteBackEdit();
        return true;
    } catch (const std::exception& e) {
        // The focus comes back to the grid; the failure is shown, not passed on.
        if (CanFocus()) SetFocus();
        if (Application) Application->HandleException(e);
        return false;
    }
}

bool TpkCustomDBGrid::EditFocusInside() const {
    TWinControl* focused = FindFocusedControl();
    return focused && focused != this && ContainsControl(focused);
}

void TpkCustomDBGrid::EditRecordChanged(TField* field) {
    TpkGridEditState& e = EditState();
    if (!link_.InUpdateData()) {
        if (WindowPresent()) {
            if (!field) {
                InvalidateRow(Row());
            } else {
                for (int i = 0; i < ColumnCount(); ++i)
                    if (ColumnField(i) == field) InvalidateCell(i + indicatorOffset_, Row());
            }
            TField* current = SelectedField();
            if (current && (!field || field == current) && current->EditText() != e.editText) InvalidateEditor();
        }
        link_.SetModified(false);
    }
    TDataSet* ds = DataSet();
    if (field && ds && (ds->State() == dsEdit || ds->State() == dsInsert)) {
        e.fieldChangeSeen = true;
        if (OnFieldChanged) OnFieldChanged(*this, field);
    }
}

void TpkCustomDBGrid::EditLinkActive(bool active) {
    TpkGridEditState& e = EditState();
    e.hosted = nullptr;
    if (active) {
        e.anchor.clear();
    } else if (e.picker) {
        e.picker->SetDataField(std::string());
    }
}

void TpkCustomDBGrid::EditDataChanged() {
    TDataSet* ds = DataSet();
    if (!ds) return;
    if (ds->State() == dsBrowse || (ds->State() == dsInsert && !(ds->Bof() && ds->Eof()))) HideHostedControl();
}

// --- keys ---

void TpkCustomDBGrid::CancelEdit() {
    TDataSet* ds = DataSet();
    if (link_.Modified()) {
        // The typing is undone: the editor reads the field again.
        link_.SetModified(false);
        InvalidateEditor();
        if (InplaceEditor()) InplaceEditor()->SetModified(false);
        return;
    }
    if (ds->State() != dsEdit && ds->State() != dsInsert) return;
    if (ds->Modified()) {
        const std::string question =
            pkIntl() ? pkIntl()->UserMessages.pkDBGridDiscardChanges : "Discard changes to this record?";
        if (MessageDlg(question, mtConfirmation, mbYesNo) == mrYes) ds->Cancel();
    } else {
        ds->Cancel();
    }
}

void TpkCustomDBGrid::ConfirmDelete() {
    TDataSet* ds = DataSet();
    if (!options_.Contains(dgConfirmDelete) || MessageDlg(kDeleteRecordQuestion, mtConfirmation, mbOKCancel) != mrCancel)
        ds->Delete();
    HideEditor();
}

bool TpkCustomDBGrid::EditKeyDown(TKey& key, TShiftState shift) {
    TDataSet* ds = DataSet();
    if (!link_.Active() || !ds) return false;
    TField* f = SelectedField();
    std::string type, params;
    ControlTypeOf(f, type, params);
    const bool mayEdit = options_.Contains(dgEditing) && !readOnly_;
    if (TWinControl* h = mayEdit ? HostedControlFor(f, type, params) : nullptr) {
        if ((key == VK_F2 && shift.Empty()) || (key == VK_DOWN && shift.Contains(ssAlt)) ||
            (key == VK_DELETE && !shift.Contains(ssCtrl))) {
            if (h->Visible() && h->CanFocus()) h->SetFocus();
            if (key != VK_F2) h->KeyDown(key, shift);
            key = 0;
            return true;
        }
    }
    switch (key) {
        case VK_DELETE:
            if (!shift.Contains(ssCtrl)) return false;
            if (keyOptions_.Contains(dgAllowDelete) && !readOnly_ && ds->CanModify() && options_.Contains(dgEditing))
                ConfirmDelete();
            key = 0;
            return true;
        case VK_ESCAPE:
            CancelEdit();
            if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
            key = 0;
            return true;
        case VK_F2:
            if (!shift.Empty() || !f) return false;
            if (f->DataType() == ftMemo) {
                OpenMemoDialog();
            } else if (f->IsBlob() && SameText(type, "RichEdit")) {
                if (auto* c = dynamic_cast<TWinControl*>(ParentForm(this) ? ParentForm(this)->FindComponent(params)
                                                                          : nullptr)) {
                    TKey f2 = VK_F2;
                    c->KeyDown(f2, TShiftState{});
                }
            } else if (!f->IsBlob()) {
                return false;  // the base shows the editor
            }
            key = 0;
            return true;
        default:
            return false;
    }
}

void TpkCustomDBGrid::KeyPress(char& key) {
    if (keyOptions_.Contains(dgEnterToTab) && key == '\r') key = '\t';
    TField* f = link_.Active() ? SelectedField() : nullptr;
    std::string type, params;
    ControlTypeOf(f, type, params);
    if (f && key == ' ' && SameText(type, "CheckBox")) {
        ToggleCheckBox();
        key = 0;
        return;
    }
    const unsigned char u = static_cast<unsigned char>(key);
    TWinControl* h = f && options_.Contains(dgEditing) && !readOnly_ ? HostedControlFor(f, type, params) : nullptr;
    if (h && (u >= 32 || key == '\b') && !(InplaceEditor() && InplaceEditor()->Focused())) {
        // Typing on a hosted cell goes to the control.
        if (h->Visible() && h->CanFocus()) h->SetFocus();
        if (auto* edit = dynamic_cast<TCustomEdit*>(h)) {
            char ch = key;
            edit->KeyPress(ch);
            if (ch != 0) edit->TypeChar(ch);
        }
        key = 0;
        return;
    }
    if (key == '\r' && !options_.Contains(dgAlwaysShowEditor)) WriteBackEdit();
    TCustomGrid::KeyPress(key);
    if (key == 0 && EditorMode() && !CanEditShow() && !(InplaceEditor() && InplaceEditor()->Visible())) HideEditor();
}

// --- check boxes ---

void TpkCustomDBGrid::ToggleCheckBox() {
    TField* f = SelectedField();
    TDataSet* ds = DataSet();
    if (!f || !ds || !link_.Active()) return;
    std::string type, params, ticked, empty;
    if (!ControlTypeOf(f, type, params) || !SameText(type, "CheckBox")) return;
    const bool selectedField = IsSelectedField(f);
    if (!(options_.Contains(dgEditing) && !readOnly_) && !selectedField) return;
    if (f->ReadOnly() || ColumnByName(f->FieldName()).ReadOnly()) return;
    if (selectedField) {
        if (IsSelectedRecord()) UnselectRecord(); else SelectRecord();
        return;
    }
    const bool editing = ds->State() == dsEdit || ds->State() == dsInsert;
    if (!((DataSource() && DataSource()->AutoEdit()) || editing) || !ds->CanModify()) return;
    if (!editing) ds->Edit();
    CheckValues(params, ticked, empty);
    f->SetEditText(SameText(f->DisplayText(), ticked) ? empty : ticked);
    InvalidateCell(Col(), Row());
}

// --- mouse ---

void TpkCustomDBGrid::CellMouseDown(TMouseButton button, TShiftState shift, TGridCoord hit, int oldCol, int oldRow) {
    if (button != mbLeft) return;
    TField* f = SelectedField();
    std::string type, params;
    ControlTypeOf(f, type, params);
    const bool checkBox = f && SameText(type, "CheckBox");
    if (checkBox && EditState().controlOptions.Contains(ecoCheckboxSingleClick) && !shift.Contains(ssDouble)) {
        ToggleCheckBox();
    } else if (hit.X == oldCol && hit.Y == oldRow && !shift.Contains(ssShift) && !shift.Contains(ssCtrl) &&
               CellEditorAllowed()) {
        ShowEditor();
    }
    if (options_.Contains(dgMultiSelect) && !(checkBox && IsSelectedField(f))) MultiSelectClick(shift, oldRow);
}

void TpkCustomDBGrid::DblClick() {
    TField* f = link_.Active() ? SelectedField() : nullptr;
    std::string type, params;
    ControlTypeOf(f, type, params);
    if (f && SameText(type, "CheckBox") && !EditState().controlOptions.Contains(ecoCheckboxSingleClick)) {
        ToggleCheckBox();
    } else if (f && f->DataType() == ftMemo) {
        OpenMemoDialog();
    } else if (f && f->IsBlob() && SameText(type, "RichEdit")) {
        TKey f2 = VK_F2;
        EditKeyDown(f2, TShiftState{});
    }
    TCustomGrid::DblClick();
}

// --- memo dialog ---

void TpkCustomDBGrid::OpenMemoDialog() {
    TField* f = SelectedField();
    TpkGridEditState& e = EditState();
    if (!f || f->DataType() != ftMemo || e.memoAttributes.Contains(mDisableDialog)) return;
    auto dialog = std::make_unique<TpkMemoDialog>(nullptr);
    dialog->SetDataSource(DataSource());
    dialog->SetDataField(f->FieldName());
    TpkMemoAttributes attributes = e.memoAttributes;
    if (!(options_.Contains(dgEditing) && !readOnly_) || f->ReadOnly()) attributes.Include(mViewOnly);
    dialog->SetMemoAttributes(attributes);
    std::string caption = f->DisplayLabel();
    std::replace(caption.begin(), caption.end(), '~', ' ');
    dialog->SetCaption(caption);
    dialog->Font().Assign(Font());
    dialog->DlgLeft = -1;
    if (OnMemoOpen) OnMemoOpen(*this, *dialog);
    const bool ok = dialog->Execute();
    if (OnMemoClose) OnMemoClose(*this, !ok);
    dialog.reset();
    InvalidateCell(Col(), Row());
    SetEditorMode(false);
}

// --- hosted controls and the date/time picker ---

void TpkCustomDBGrid::TakeOverHostedControls() {
    TpkGridEditState& e = EditState();
    if (Loading() || e.controlOptions.Contains(ecoDisableCustomControls)) return;
    TForm* form = e.controlOptions.Contains(ecoSearchOwnerForm) ? dynamic_cast<TForm*>(Owner()) : nullptr;
    if (!form) form = ParentForm(this);
    if (!form) return;
    e.takenOverDone = true;
    for (int i = 0; i < controlType_.Count(); ++i) {
        int pos = 1;
        const std::string& line = controlType_[i];
        const std::string fieldName = NextToken(line, ";", pos);
        const std::string type = NextToken(line, ";", pos);
        const std::string name = NextToken(line, ";", pos);
        if (!IsHostedTypeName(type) || name.empty()) continue;
        // "A.B": B inside the component A of the form.
        TComponent* found = nullptr;
        const size_t dot = name.find('.');
        if (dot == std::string::npos) {
            found = form->FindComponent(name);
        } else if (TComponent* outer = form->FindComponent(name.substr(0, dot))) {
            found = outer->FindComponent(name.substr(dot + 1));
        }
        auto* edit = dynamic_cast<TCustomEdit*>(found);
        if (!edit || std::find(e.takenOver.begin(), e.takenOver.end(), edit) != e.takenOver.end()) continue;
        edit->Hide();
        edit->SetParent(this);
        if (auto* db = dynamic_cast<TpkDBCustomEdit*>(edit)) {
            db->SetDataSource(DataSource());
            db->SetDataField(fieldName);
        }
        edit->SetCtl3D(false);
        edit->SetBorderStyle(bsNone);
        edit->SetFont(Font());
        FreeNotification(edit);
        e.takenOver.push_back(edit);
    }
}

TWinControl* TpkCustomDBGrid::HostedControlFor(TField* field, const std::string& type, const std::string& params) {
    if (!field) return nullptr;
    TpkGridEditState& e = EditState();
    if (IsHostedTypeName(type) && !e.controlOptions.Contains(ecoDisableCustomControls)) {
        if (!e.takenOverDone) TakeOverHostedControls();
        const std::string name = params.substr(params.find('.') == std::string::npos ? 0 : params.find('.') + 1);
        for (TWinControl* c : e.takenOver)
            if (SameText(c->Name(), name)) return c;
        return nullptr;  // not found: an ordinary text column
    }
    if (dynamic_cast<TDateTimeField*>(field) && type.empty() && !e.controlOptions.Contains(ecoDisableDateTimePicker)) {
        if (!e.picker) {
            e.picker = new TpkDBDateTimePicker(this);
            e.picker->Hide();
            e.picker->SetParent(this);
            e.picker->SetCtl3D(false);
            e.picker->SetFont(Font());
            if (OnCreateDateTimePicker) OnCreateDateTimePicker(*this, *e.picker);
        }
        if (e.picker->DataSource() != DataSource()) e.picker->SetDataSource(DataSource());
        if (!SameText(e.picker->DataField(), field->FieldName())) e.picker->SetDataField(field->FieldName());
        e.picker->SetReadOnly(field->ReadOnly() || ColumnByName(field->FieldName()).ReadOnly());
        return e.picker;
    }
    return nullptr;
}

void TpkCustomDBGrid::ShowHostedControl(TWinControl* control, TField* field, const TRect& rect) {
    TpkGridEditState& e = EditState();
    if (e.hosted && e.hosted != control) HideHostedControl();
    const bool fresh = e.hosted != control || e.hostedCol != Col() || e.hostedRow != Row();
    if (control->BoundsRect() != rect) control->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    if (fresh) {
        if (auto* edit = dynamic_cast<TCustomEdit*>(control))
            edit->SetText(dynamic_cast<TpkDBCustomLookupCombo*>(control) ? field->AsString() : field->EditText());
    }
    if (!control->Visible()) control->Show();
    e.hosted = control;
    e.hostedCol = Col();
    e.hostedRow = Row();
}

void TpkCustomDBGrid::HideHostedControl() {
    if (!edit_ || !edit_->hosted) return;
    TWinControl* h = edit_->hosted;
    edit_->hosted = nullptr;
    edit_->hostedCol = edit_->hostedRow = -1;
    if (!h->Visible()) return;
    const bool hadFocus = h->Focused();
    h->Hide();
    if (hadFocus && CanFocus()) SetFocus();
}

// --- multi-selection ---

const std::vector<TBookmark>& TpkCustomDBGrid::SelectedList() const { return EditState().selected; }

bool TpkCustomDBGrid::IsSelectedRecord() const {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return false;
    const TBookmark b = ds->GetBookmark();
    if (b.empty()) return false;
    for (const TBookmark& s : EditState().selected)
        if (ds->CompareBookmarks(s, b) == 0) return true;
    return false;
}

bool TpkCustomDBGrid::RowMultiSelected() const { return !EditState().selected.empty() && IsSelectedRecord(); }

void TpkCustomDBGrid::SelectRecord() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    ds->CheckBrowseMode();
    bool accept = true;
    if (OnMultiSelectRecord) OnMultiSelectRecord(*this, true, accept);
    if (!accept) return;
    if (!IsSelectedRecord()) {
        TBookmark b = ds->GetBookmark();
        if (!b.empty()) EditState().selected.push_back(std::move(b));
    }
    InvalidateRow(Row());
}

void TpkCustomDBGrid::UnselectRecord() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    bool accept = true;
    if (OnMultiSelectRecord) OnMultiSelectRecord(*this, false, accept);
    if (!accept) return;
    const TBookmark b = ds->GetBookmark();
    auto& list = EditState().selected;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (ds->CompareBookmarks(*it, b) == 0) {
            ds->FreeBookmark(*it);
            list.erase(it);
            break;
        }
    }
    InvalidateRow(Row());
}

void TpkCustomDBGrid::UnselectAll() {
    TDataSet* ds = DataSet();
    auto& list = EditState().selected;
    for (TBookmark& b : list)
        if (ds) ds->FreeBookmark(b);
    list.clear();
    Invalidate();
}

void TpkCustomDBGrid::MultiSelectClick(TShiftState shift, int) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    TpkGridEditState& e = EditState();
    const bool ctrl = shift.Contains(ssCtrl), shiftKey = shift.Contains(ssShift);
    const bool shiftSelect = e.multiSelect.Contains(msoShiftSelect);
    const bool autoUnselect = e.multiSelect.Contains(msoAutoUnselect);
    if (shiftSelect && shiftKey && !e.anchor.empty()) {
        // Every record from the anchor to the clicked one; those selected there before are unselected first. The
        // walk comes back by as many steps as it went, so the clicked row stays where it was on screen.
        TDisabledControlsScope disabled(*ds);
        auto walk = [&](int dir, bool select) {
            int steps = 0;
            bool found = false;
            for (;;) {
                if (select) {
                    if (IsSelectedRecord()) UnselectRecord();
                    SelectRecord();
                }
                if (ds->CompareBookmarks(ds->GetBookmark(), e.anchor) == 0) {
                    found = true;
                    break;
                }
                if (ds->MoveBy(dir) == 0) break;
                ++steps;
            }
            ds->MoveBy(-dir * steps);
            return found;
        };
        const int dir = walk(-1, false) ? -1 : walk(1, false) ? 1 : 0;
        if (dir != 0) walk(dir, true);
        else SelectRecord();
        Invalidate();
        return;
    }
    if (shiftSelect && (ctrl || shiftKey || autoUnselect)) e.anchor = ds->GetBookmark();
    if (ctrl || shiftKey) {
        if (IsSelectedRecord()) UnselectRecord(); else SelectRecord();
    } else if (autoUnselect) {
        UnselectAll();
        SelectRecord();
    }
}
