#include "grid/pk_db_edit.h"

#include <cctype>
#include <ctime>
#include <vector>

#include "framework/base/restore.h"
#include "framework/data/strings.h"

// --- field link ---

void TpkFieldDataLink::SetFieldName(const std::string& name) {
    fieldName_ = name;
    if (OnDataChange) OnDataChange();
}

TField* TpkFieldDataLink::Field() const {
    TDataSet* ds = DataSet();
    return Active() && ds && !fieldName_.empty() ? ds->FindField(fieldName_) : nullptr;
}

void TpkFieldDataLink::ActiveChanged() {
    if (OnActiveChange) OnActiveChange();
    if (OnDataChange) OnDataChange();
}

void TpkFieldDataLink::RecordChanged(TField* field) {
    if ((field == nullptr || field == Field()) && OnDataChange) OnDataChange();
}

void TpkFieldDataLink::UpdateData() {
    if (OnUpdateData) OnUpdateData();
}

// --- edit ---

TpkDBCustomEdit::TpkDBCustomEdit(TComponent* owner) : TCustomEdit(owner) {
    link_.OnDataChange = [this] { DataChange(); };
    link_.OnUpdateData = [this] {
        if (!modified_) return;
        if (TField* f = Field()) WriteField(*f, Text());
        modified_ = false;
    };
}

TpkDBCustomEdit::~TpkDBCustomEdit() {
    link_.OnDataChange = nullptr;
    link_.OnUpdateData = nullptr;
    link_.SetDataSource(nullptr);
}

void TpkDBCustomEdit::SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
void TpkDBCustomEdit::SetDataField(const std::string& name) { link_.SetFieldName(name); }

std::string TpkDBCustomEdit::FormatFieldText(TField&, const std::string& text) const { return text; }

void TpkDBCustomEdit::DataChange() {
    if (startingEdit_) return;  // the record the text came from, now in edit state: the typing stays
    TField* f = Field();
    SetText(f ? f->EditText() : std::string());
    modified_ = false;
}

void TpkDBCustomEdit::WriteField(TField& field, const std::string& text) { field.SetEditText(text); }

void TpkDBCustomEdit::Change() {
    // Typing starts editing the record, as the data source allows.
    if (!link_.Editing() && link_.Active()) {
        TRestore<bool> starting(startingEdit_, true);
        link_.Edit();
    }
    modified_ = true;
    TCustomEdit::Change();
}

void TpkDBCustomEdit::KeyPress(char& key) {
    TCustomEdit::KeyPress(key);
    TField* f = Field();
    const unsigned char u = static_cast<unsigned char>(key);
    if (key == 0 || !f) return;
    if (u >= 32 && !f->IsValidChar(key)) {
        key = 0;
        return;
    }
    if (u >= 32 || key == '\b') {
        TRestore<bool> starting(startingEdit_, true);
        if (!(f->CanModify() && link_.Edit())) key = 0;
    }
    if (key == 27 && modified_) {
        DataChange();
        key = 0;
    }
}

void TpkDBCustomEdit::DoExit() {
    // A text the field refuses keeps the focus here (the error goes to the exception display).
    if (modified_ && link_.Active()) link_.UpdateRecord();
    TCustomEdit::DoExit();
}

void TpkDBCustomLookupCombo::KeyDown(TKey& key, TShiftState shift) {
    if (key == VK_DOWN && shift.Contains(ssAlt)) {
        DropDown();
        key = 0;
        return;
    }
    TpkDBCustomEdit::KeyDown(key, shift);
}

void TpkDBCustomDateTimePicker::WriteField(TField& field, const std::string& text) {
    TDateTime value = 0;
    if (ParseGridDate(text, &value)) field.SetAsDateTime(value);
    else field.SetEditText(text);
}

// --- rich text ---

TpkDBRichEdit::TpkDBRichEdit(TComponent* owner) : TRichEdit(owner) {
    link_.OnDataChange = [this] {
        TField* f = link_.Field();
        LoadContents(f ? f->AsString() : std::string());
    };
}

TpkDBRichEdit::~TpkDBRichEdit() {
    link_.OnDataChange = nullptr;
    link_.SetDataSource(nullptr);
}

void TpkDBRichEdit::KeyDown(TKey& key, TShiftState shift) {
    if (key == VK_F2 && shift.Empty()) {
        if (OnEditorOpen) OnEditorOpen(*this);
        key = 0;
        return;
    }
    TRichEdit::KeyDown(key, shift);
}

// --- dates ---

bool ParseGridDate(const std::string& text, TDateTime* value) {
    const TFormatSettings& fs = FormatSettings();
    // The order of day, month and year in the short date format.
    std::string order;
    for (char c : fs.shortDateFormat) {
        char k = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((k == 'd' || k == 'm' || k == 'y') && order.find(k) == std::string::npos) order += k;
    }
    if (order.size() != 3) order = "mdy";
    std::vector<std::string> parts;
    std::string cur;
    for (char c : text) {
        if (c == fs.dateSeparator) {
            parts.push_back(cur);
            cur.clear();
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            cur += c;
        } else {
            return false;  // not a date alone (a time, words, blanks)
        }
    }
    parts.push_back(cur);
    if (parts.size() < 2 || parts.size() > 3) return false;
    for (const std::string& p : parts)
        if (p.empty() || p.size() > 4) return false;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int day = 0, month = 0, year = local.tm_year + 1900;
    std::string fields = parts.size() == 3 ? order : std::string();
    if (parts.size() == 2)
        for (char k : order)
            if (k != 'y') fields += k;
    for (size_t i = 0; i < parts.size(); ++i) {
        const int n = std::stoi(parts[i]);
        switch (fields[i]) {
            case 'd': day = n; break;
            case 'm': month = n; break;
            default:
                year = n;
                if (n < 100) year = n < 50 ? 2000 + n : 1900 + n;
                break;
        }
    }
    if (!IsValidDate(year, month, day)) return false;
    *value = StampToDateTime(EncodeDateStamp(year, month, day), 0);
    return true;
}
