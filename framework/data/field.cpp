#include "framework/data/field.h"

#include "framework/base/restore.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/data/data_set.h"
#include "framework/data/db_error.h"
#include "framework/data/stream.h"
#include "framework/data/strings.h"

namespace {

// Whole text as a decimal integer (blanks around allowed).
bool ParseInteger(const std::string& text, int64_t* value) {
    std::string t = TrimSpace(text);
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE) return false;
    *value = v;
    return true;
}

// Whole text as a number, with the settings' decimal separator or '.'.
bool ParseFloat(const std::string& text, double* value) {
    std::string t = TrimSpace(text);
    if (t.empty()) return false;
    char sep = FormatSettings().decimalSeparator;
    for (char& c : t)
        if (c == sep) c = '.';
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

std::string FloatText(double value, int precision) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", precision, value);
    std::string s = buf;
    char sep = FormatSettings().decimalSeparator;
    for (char& c : s)
        if (c == '.') c = sep;
    return s;
}

bool StartsWithText(const std::string& full, const std::string& part) {
    return part.size() <= full.size() && SameText(full.substr(0, part.size()), part);
}

}  // namespace

const char* FieldTypeName(TFieldType type) {
    switch (type) {
        case ftString: return "String";
        case ftSmallint: return "Smallint";
        case ftInteger: return "Integer";
        case ftBoolean: return "Boolean";
        case ftFloat: return "Float";
        case ftDate: return "Date";
        case ftDateTime: return "DateTime";
        case ftMemo: return "Memo";
        case ftBlob: return "Blob";
        case ftUnknown: break;
    }
    return "Unknown";
}

// --- TFieldDefs -------------------------------------------------------------------------------------------

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
    if (name.empty()) DatabaseError(dbmsg::FieldNameMissing);
    if (IndexOf(name) >= 0) DatabaseErrorFmt(dbmsg::DuplicateFieldName, name);
    TFieldDef def;
    def.name = name;
    def.dataType = type;
    def.size = size;
    def.required = required;
    def.fieldNo = Count() + 1;
    defs_.push_back(def);
    return defs_.back();
}

void TFieldDefs::Clear() {
    defs_.clear();
    updated_ = false;
}

const TFieldDef& TFieldDefs::operator[](int index) const {
    if (index < 0 || index >= Count()) DatabaseError(dbmsg::FieldIndexError);
    return defs_[static_cast<size_t>(index)];
}

int TFieldDefs::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(defs_[static_cast<size_t>(i)].name, name)) return i;
    return -1;
}

const TFieldDef* TFieldDefs::FindDef(const std::string& name) const {
    int i = IndexOf(name);
    return i < 0 ? nullptr : &defs_[static_cast<size_t>(i)];
}

const TFieldDef& TFieldDefs::Find(const std::string& name) const {
    const TFieldDef* def = FindDef(name);
    if (!def) DatabaseErrorFmt(dbmsg::FieldNotFound, name);
    return *def;
}

void TFieldDefs::Update() {
    if (owner_) owner_->FieldDefsUpdate();
}

// --- TFields ----------------------------------------------------------------------------------------------

TField& TFields::operator[](int index) const {
    if (index < 0 || index >= Count()) DatabaseError(dbmsg::FieldIndexError);
    return *fields_[static_cast<size_t>(index)];
}

int TFields::IndexOf(const TField* field) const {
    for (int i = 0; i < Count(); ++i)
        if (fields_[static_cast<size_t>(i)] == field) return i;
    return -1;
}

TField* TFields::FindField(const std::string& name) const {
    for (TField* f : fields_)
        if (SameText(f->FieldName(), name)) return f;
    return nullptr;
}

TField& TFields::FieldByName(const std::string& name) const {
    TField* f = FindField(name);
    if (!f) DatabaseErrorFmt(dbmsg::FieldNotFound, name);
    return *f;
}

void TFields::Add(TField* field) { fields_.push_back(field); }

void TFields::Remove(TField* field) {
    int i = IndexOf(field);
    if (i >= 0) fields_.erase(fields_.begin() + i);
}

void TFields::Move(TField* field, int index) {
    int from = IndexOf(field);
    if (from < 0) return;
    if (index < 0) index = 0;
    if (index >= Count()) index = Count() - 1;
    if (from == index) return;
    fields_.erase(fields_.begin() + from);
    fields_.insert(fields_.begin() + index, field);
}

// --- TField -----------------------------------------------------------------------------------------------

TField::TField(TFieldType type, int size) : dataType_(type), size_(size) {}

TField::~TField() {
    if (dataSet_) dataSet_->fields_.Remove(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if ((dataSet && dataSet->Active()) || (dataSet_ && dataSet_->Active())) DatabaseError(dbmsg::DataSetOpen);
    if (dataSet && !fieldName_.empty() && dataSet->FindField(fieldName_))
        DatabaseErrorFmt(dbmsg::DuplicateFieldName, fieldName_);
    if (dataSet_) {
        dataSet_->fields_.Remove(this);
        dataSet_->DataEvent(deFieldListChange);
    }
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->fields_.Add(this);
        dataSet_->DataEvent(deFieldListChange);
    }
}

void TField::SetFieldName(const std::string& name) {
    if (name == fieldName_) return;
    if (dataSet_) {
        if (dataSet_->Active()) DatabaseError(dbmsg::DataSetOpen);
        TField* other = dataSet_->FindField(name);
        if (other && other != this) DatabaseErrorFmt(dbmsg::DuplicateFieldName, name);
    }
    fieldName_ = name;
}

void TField::SetDisplayLabel(const std::string& label) {
    if (label == displayLabel_) return;
    displayLabel_ = label;
    PropertyChanged(true);
}

void TField::SetDisplayWidth(int width) {
    if (width == displayWidth_) return;
    displayWidth_ = width < 0 ? 0 : width;
    PropertyChanged(true);
}

void TField::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    PropertyChanged(true);
}

int TField::Index() const { return dataSet_ ? dataSet_->fields_.IndexOf(this) : -1; }

void TField::SetIndex(int index) {
    if (!dataSet_ || index == Index()) return;
    dataSet_->fields_.Move(this, index);
    PropertyChanged(true);
}

void TField::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    readOnly_ = value;
    PropertyChanged(true);
}

void TField::SetFieldKind(TFieldKind kind) {
    if (kind == fieldKind_) return;
    if (dataSet_ && dataSet_->Active()) DatabaseError(dbmsg::DataSetOpen);
    fieldKind_ = kind;
}

void TField::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    PropertyChanged(false);
}

void TField::SetEditMask(const std::string& mask) {
    if (mask == editMask_) return;
    editMask_ = mask;
    PropertyChanged(false);
}

void TField::SetSize(int size) {
    if (size == size_) return;
    if (dataSet_ && dataSet_->Active()) DatabaseError(dbmsg::DataSetOpen);
    if (size < 0) DatabaseErrorFmt("Invalid field size %d", size);
    size_ = size;
}

bool TField::IsIndexField() const { return dataSet_ && dataSet_->GetIsIndexField(*this); }

bool TField::CanModify() const {
    return !readOnly_ && (fieldKind_ == fkData || fieldKind_ == fkInternalCalc) && dataSet_ && dataSet_->CanModify();
}

void TField::PropertyChanged(bool layoutAffected) {
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange);
}

void TField::CheckDataSet() const {
    if (!dataSet_) DatabaseErrorFmt(dbmsg::DataSetMissing, DisplayName());
}

bool TField::GetData(void* buffer) const {
    CheckDataSet();
    if (validating_) {
        // OnValidate sees the value being stored, not the one in the record.
        if (!validateBuffer_) return false;
        if (buffer && DataSize() > 0) std::memcpy(buffer, validateBuffer_, static_cast<size_t>(DataSize()));
        return true;
    }
    return dataSet_->GetFieldData(*this, buffer);
}

void TField::SetData(const void* buffer) {
    CheckDataSet();
    dataSet_->SetFieldData(*this, buffer);
}

void TField::Validate(const void* buffer) {
    if (!OnValidate) return;
    TRestore<bool> validating(validating_, true);
    TRestore<const void*> validateBuffer(validateBuffer_, buffer);
    OnValidate(*this);
}

void TField::Change() {
    if (OnChange) OnChange(*this);
}

void TField::FocusControl() {
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(deFocusControl, {this, 0});
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::AccessError(const char* typeName) const { DatabaseErrorFmt(dbmsg::FieldAccessError, DisplayName(), typeName); }

std::string TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const std::string&) { AccessError("String"); }
int32_t TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(int32_t) { AccessError("Integer"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
Variant TField::AsVariant() const { AccessError("Variant"); }

void TField::SetAsVariant(const Variant& value) {
    switch (value.GetType()) {
        case Variant::Type::Null: Clear(); break;
        case Variant::Type::Boolean: SetAsBoolean(value.AsBoolean()); break;
        case Variant::Type::Number: SetAsFloat(value.AsNumber()); break;
        case Variant::Type::Text: SetAsString(value.AsString()); break;
        case Variant::Type::Array: AccessError("Variant");
    }
}

void TField::Clear() { SetData(nullptr); }

std::string TField::GetText(bool) const { return AsString(); }

bool TField::IsValidChar(char) const { return true; }

Variant TField::OldValue() const {
    CheckDataSet();
    TTempStateScope scope(*dataSet_, dsOldValue);
    return AsVariant();
}

Variant TField::NewValue() const {
    CheckDataSet();
    TTempStateScope scope(*dataSet_, dsNewValue);
    return AsVariant();
}

// --- TStringField -----------------------------------------------------------------------------------------

std::string TStringField::AsString() const {
    std::vector<char> raw(static_cast<size_t>(DataSize()) + 1, 0);
    if (!GetData(raw.data())) return {};
    raw.back() = '\0';
    if (transliterate_ && DataSet()) {
        std::vector<char> out(raw.size(), 0);
        DataSet()->Translate(raw.data(), out.data(), false);
        out.back() = '\0';
        return out.data();
    }
    return raw.data();
}

void TStringField::SetAsString(const std::string& value) {
    std::vector<char> raw(static_cast<size_t>(DataSize()), 0);
    size_t n = std::min(value.size(), static_cast<size_t>(Size()));
    std::memcpy(raw.data(), value.data(), n);
    if (transliterate_ && DataSet()) {
        std::vector<char> out(raw.size(), 0);
        DataSet()->Translate(raw.data(), out.data(), true);
        out.back() = '\0';
        SetData(out.data());
        return;
    }
    SetData(raw.data());
}

int32_t TStringField::AsInteger() const {
    std::string s = AsString();
    int64_t v = 0;
    if (!ParseInteger(s, &v) || v < INT32_MIN || v > INT32_MAX)
        DatabaseErrorFmt(dbmsg::InvalidIntegerValue, s, DisplayName());
    return static_cast<int32_t>(v);
}

double TStringField::AsFloat() const {
    std::string s = AsString();
    double v = 0;
    if (!ParseFloat(s, &v)) DatabaseErrorFmt(dbmsg::InvalidFloatValue, s, DisplayName());
    return v;
}

void TStringField::SetAsFloat(double value) { SetAsString(FloatText(value, 15)); }

bool TStringField::AsBoolean() const {
    std::string s = AsString();
    return !s.empty() && std::strchr("TtYy", s[0]) != nullptr;
}

TDateTime TStringField::AsDateTime() const {
    std::string s = AsString();
    TDateTime v = 0;
    if (!TryStrToDateTime(s, &v)) DatabaseErrorFmt(dbmsg::InvalidDateTime, s);
    return v;
}

Variant TStringField::AsVariant() const {
    if (IsNull()) return Variant();
    return Variant(AsString());
}

// --- TIntegerField ----------------------------------------------------------------------------------------

bool TIntegerField::ReadValue(int32_t* value) const {
    int32_t v = 0;
    if (!GetData(&v)) return false;
    *value = v;
    return true;
}

void TIntegerField::WriteValue(int32_t value) { SetData(&value); }

bool TSmallintField::ReadValue(int32_t* value) const {
    int16_t v = 0;
    if (!GetData(&v)) return false;
    *value = v;
    return true;
}

void TSmallintField::WriteValue(int32_t value) {
    int16_t v = static_cast<int16_t>(value);
    SetData(&v);
}

void TIntegerField::CheckRange(int64_t value) const {
    int64_t lo = TypeMin(), hi = TypeMax();
    if (minValue_ != 0 || maxValue_ != 0) {
        lo = std::max<int64_t>(lo, minValue_);
        hi = std::min<int64_t>(hi, maxValue_);
    }
    if (value < lo || value > hi)
        DatabaseErrorFmt(dbmsg::FieldRangeError, std::to_string(value), DisplayName(), std::to_string(lo),
                         std::to_string(hi));
}

std::string TIntegerField::AsString() const {
    int32_t v = 0;
    return ReadValue(&v) ? std::to_string(v) : std::string();
}

void TIntegerField::SetAsString(const std::string& value) {
    if (TrimSpace(value).empty()) {
        Clear();
        return;
    }
    int64_t v = 0;
    if (!ParseInteger(value, &v)) DatabaseErrorFmt(dbmsg::InvalidIntegerValue, value, DisplayName());
    CheckRange(v);
    WriteValue(static_cast<int32_t>(v));
}

int32_t TIntegerField::AsInteger() const {
    int32_t v = 0;
    return ReadValue(&v) ? v : 0;
}

void TIntegerField::SetAsInteger(int32_t value) {
    CheckRange(value);
    WriteValue(value);
}

double TIntegerField::AsFloat() const { return AsInteger(); }

void TIntegerField::SetAsFloat(double value) {
    if (!std::isfinite(value)) DatabaseErrorFmt(dbmsg::InvalidFloatValue, FloatText(value, 15), DisplayName());
    double r = std::round(value);
    if (r < static_cast<double>(INT64_MIN) / 2 || r > static_cast<double>(INT64_MAX) / 2)
        DatabaseErrorFmt(dbmsg::FieldRangeError, FloatText(value, 15), DisplayName(), std::to_string(TypeMin()),
                         std::to_string(TypeMax()));
    CheckRange(static_cast<int64_t>(r));
    WriteValue(static_cast<int32_t>(r));
}

Variant TIntegerField::AsVariant() const {
    int32_t v = 0;
    if (!ReadValue(&v)) return Variant();
    return Variant(v);
}

bool TIntegerField::IsValidChar(char c) const { return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-'; }

// --- TFloatField ------------------------------------------------------------------------------------------

std::string TFloatField::AsString() const {
    double v = 0;
    return GetData(&v) ? FloatText(v, precision_) : std::string();
}

void TFloatField::SetAsString(const std::string& value) {
    if (TrimSpace(value).empty()) {
        Clear();
        return;
    }
    double v = 0;
    if (!ParseFloat(value, &v)) DatabaseErrorFmt(dbmsg::InvalidFloatValue, value, DisplayName());
    SetAsFloat(v);
}

int32_t TFloatField::AsInteger() const {
    double v = AsFloat();
    double r = std::round(v);
    if (r < INT32_MIN || r > INT32_MAX) DatabaseErrorFmt(dbmsg::InvalidIntegerValue, FloatText(v, 15), DisplayName());
    return static_cast<int32_t>(r);
}

double TFloatField::AsFloat() const {
    double v = 0;
    return GetData(&v) ? v : 0.0;
}

void TFloatField::SetAsFloat(double value) {
    if (!std::isfinite(value)) DatabaseErrorFmt(dbmsg::InvalidFloatValue, FloatText(value, 15), DisplayName());
    if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
        DatabaseErrorFmt(dbmsg::FieldRangeError, FloatText(value, precision_), DisplayName(),
                         FloatText(minValue_, precision_), FloatText(maxValue_, precision_));
    SetData(&value);
}

Variant TFloatField::AsVariant() const {
    double v = 0;
    if (!GetData(&v)) return Variant();
    return Variant(v);
}

bool TFloatField::IsValidChar(char c) const {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == 'E' || c == 'e' ||
           c == FormatSettings().decimalSeparator;
}

// --- TBooleanField ----------------------------------------------------------------------------------------

void TBooleanField::SetDisplayValues(const std::string& values) {
    size_t semi = values.find(';');
    std::string t = semi == std::string::npos ? values : values.substr(0, semi);
    std::string f = semi == std::string::npos ? std::string() : values.substr(semi + 1);
    if (t.empty() && f.empty()) DatabaseErrorFmt("Invalid boolean display values '%s'", values);
    displayValues_ = values;
    trueText_ = t;
    falseText_ = f;
    PropertyChanged(false);
}

bool TBooleanField::AsBoolean() const {
    int16_t v = 0;
    return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
    int16_t v = value ? 1 : 0;
    SetData(&v);
}

std::string TBooleanField::AsString() const {
    int16_t v = 0;
    if (!GetData(&v)) return {};
    return v != 0 ? trueText_ : falseText_;
}

void TBooleanField::SetAsString(const std::string& value) {
    std::string t = TrimSpace(value);
    if (t.empty()) {
        Clear();
        return;
    }
    if (StartsWithText(falseText_, t)) SetAsBoolean(false);
    else if (StartsWithText(trueText_, t)) SetAsBoolean(true);
    else DatabaseErrorFmt(dbmsg::InvalidBoolValue, value, DisplayName());
}

Variant TBooleanField::AsVariant() const {
    int16_t v = 0;
    if (!GetData(&v)) return Variant();
    return Variant(v != 0);
}

// --- TDateTimeField, TDateField ---------------------------------------------------------------------------

bool TDateTimeField::ReadValue(TDateTime* value) const {
    double msecs = 0;
    if (!GetData(&msecs) || !std::isfinite(msecs)) return false;
    double days = std::floor(msecs / kMSecsPerDay);
    if (days < 1 || days > INT32_MAX) return false;
    *value = StampToDateTime(static_cast<int32_t>(days), static_cast<int32_t>(msecs - days * kMSecsPerDay));
    return true;
}

void TDateTimeField::WriteValue(TDateTime value) {
    int32_t stamp = 0, ms = 0;
    if (!DateTimeToStamp(value, &stamp, &ms)) DatabaseErrorFmt(dbmsg::InvalidDateTime, FloatText(value, 15));
    double msecs = static_cast<double>(stamp) * kMSecsPerDay + ms;
    SetData(&msecs);
}

bool TDateField::ReadValue(TDateTime* value) const {
    int32_t stamp = 0;
    if (!GetData(&stamp) || stamp < 1) return false;
    *value = StampToDateTime(stamp, 0);
    return true;
}

void TDateField::WriteValue(TDateTime value) {
    int32_t stamp = 0, ms = 0;
    if (!DateTimeToStamp(value, &stamp, &ms)) DatabaseErrorFmt(dbmsg::InvalidDate, FloatText(value, 15));
    SetData(&stamp);
}

bool TDateTimeField::Parse(const std::string& text, TDateTime* value) const { return TryStrToDateTime(text, value); }
bool TDateField::Parse(const std::string& text, TDateTime* value) const { return TryStrToDate(text, value); }
const char* TDateTimeField::InvalidMessage() const { return dbmsg::InvalidDateTime; }
const char* TDateField::InvalidMessage() const { return dbmsg::InvalidDate; }

std::string TDateTimeField::AsString() const {
    TDateTime v = 0;
    return ReadValue(&v) ? Format(v) : std::string();
}

void TDateTimeField::SetAsString(const std::string& value) {
    if (TrimSpace(value).empty()) {
        Clear();
        return;
    }
    TDateTime v = 0;
    if (!Parse(value, &v)) DatabaseErrorFmt(InvalidMessage(), value);
    WriteValue(v);
}

TDateTime TDateTimeField::AsDateTime() const {
    TDateTime v = 0;
    return ReadValue(&v) ? v : 0.0;
}

void TDateTimeField::SetAsDateTime(TDateTime value) { WriteValue(value); }

Variant TDateTimeField::AsVariant() const {
    TDateTime v = 0;
    if (!ReadValue(&v)) return Variant();
    return Variant(v);
}

// --- TBlobField, TMemoField -------------------------------------------------------------------------------

int64_t TBlobField::BlobSize() const {
    CheckDataSet();
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(const_cast<TBlobField&>(*this), bmRead);
    return s ? s->Size() : 0;
}

void TBlobField::SaveToStream(TStream& stream) const {
    CheckDataSet();
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(const_cast<TBlobField&>(*this), bmRead);
    if (s && s->Size() > 0) stream.CopyFrom(*s, 0);
}

void TBlobField::LoadFromStream(TStream& stream) {
    CheckDataSet();
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(*this, bmWrite);
    if (!s) DatabaseErrorFmt(dbmsg::FieldReadOnly, DisplayName());
    stream.SetPosition(0);
    if (stream.Size() > 0) s->CopyFrom(stream, 0);
}

std::string TBlobField::AsString() const {
    CheckDataSet();
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(const_cast<TBlobField&>(*this), bmRead);
    if (!s) return {};
    int64_t n = s->Size();
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    s->SetPosition(0);
    s->ReadBuffer(out.data(), n);
    return out;
}

void TBlobField::SetAsString(const std::string& value) {
    CheckDataSet();
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(*this, bmWrite);
    if (!s) DatabaseErrorFmt(dbmsg::FieldReadOnly, DisplayName());
    if (!value.empty()) s->WriteBuffer(value.data(), static_cast<int64_t>(value.size()));
}

Variant TBlobField::AsVariant() const {
    if (IsNull()) return Variant();
    return Variant(AsString());
}

std::string TBlobField::GetText(bool displayText) const {
    if (!displayText) return AsString();
    return IsNull() ? "(blob)" : "(BLOB)";
}

std::string TMemoField::GetText(bool displayText) const {
    if (!displayText) return AsString();
    return IsNull() ? "(memo)" : "(MEMO)";
}

std::unique_ptr<TField> CreateFieldOfType(TFieldType type, int size) {
    switch (type) {
        case ftString: return std::make_unique<TStringField>(size);
        case ftSmallint: return std::make_unique<TSmallintField>();
        case ftInteger: return std::make_unique<TIntegerField>();
        case ftBoolean: return std::make_unique<TBooleanField>();
        case ftFloat: return std::make_unique<TFloatField>();
        case ftDate: return std::make_unique<TDateField>();
        case ftDateTime: return std::make_unique<TDateTimeField>();
        case ftMemo: return std::make_unique<TMemoField>();
        case ftBlob: return std::make_unique<TBlobField>();
        case ftUnknown: break;
    }
    return nullptr;
}
