// Field objects and field definitions of a data set. A TFieldDef describes a column the data set offers; a
// TField is the typed accessor controls and code read and write a column through. Fields hold no values: every
// access asks the data set for the value in the record buffer its state selects (TDataSet::GetFieldData and
// SetFieldData), in the field's native form:
//   string: zero-terminated text of up to Size bytes (DataSize = Size + 1)
//   smallint: int16; integer: int32; boolean: int16 (0 false, else true); float: double
//   date: int32 date stamp (1 = 1 January of year 1); date-time: double milliseconds since the stamp origin
//   memo, blob: no buffer (DataSize 0); contents go through TDataSet::CreateBlobStream.
// Fields are either created by the data set from its field definitions when it opens without any (default
// fields, owned and destroyed by the data set), or created by the program and attached with SetDataSet before
// opening (persistent fields, owned by the program, bound by name, type and size at every opening).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/variant.h"
#include "framework/data/alignment.h"
#include "framework/data/date_time.h"

class TDataSet;
class TStream;

enum TFieldType { ftUnknown, ftString, ftSmallint, ftInteger, ftBoolean, ftFloat, ftDate, ftDateTime, ftMemo, ftBlob };
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

// The type's name as messages show it ("String", "Integer", ...).
const char* FieldTypeName(TFieldType type);

// One column the data set offers. FieldNo counts from 1 in definition order.
struct TFieldDef {
    std::string name;
    TFieldType dataType = ftUnknown;
    int size = 0;
    bool required = false;
    int fieldNo = 0;
};

// The data set's list of field definitions, filled by its InternalInitFieldDefs.
class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* owner) : owner_(owner) {}

    // Appends a definition; an empty or duplicate name (without regard to case) raises EDatabaseError.
    TFieldDef& Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
    void Clear();
    int Count() const { return static_cast<int>(defs_.size()); }
    // Definition i; outside 0..Count-1 raises EDatabaseError "Field index out of range".
    const TFieldDef& operator[](int index) const;
    int IndexOf(const std::string& name) const;
    const TFieldDef* FindDef(const std::string& name) const;
    // The named definition, else EDatabaseError "Field '%s' not found".
    const TFieldDef& Find(const std::string& name) const;

    // False once the data set's definitions may have changed; Update reads them again through the data set.
    bool Updated() const { return updated_; }
    void SetUpdated(bool value) { updated_ = value; }
    void Update();

private:
    TDataSet* owner_;
    std::vector<TFieldDef> defs_;
    bool updated_ = false;
};

class TField {
public:
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    // Attaches the field to a data set as a persistent field (nullptr detaches). Both data sets must be closed;
    // a data set that already has a field of that name refuses it.
    void SetDataSet(TDataSet* dataSet);

    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name);
    // The title controls show; FieldName until set.
    std::string DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const std::string& label);
    std::string DisplayName() const { return DisplayLabel(); }
    // Width in characters; the type's default until set.
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // Position in the data set's Fields; setting it moves the field.
    int Index() const;
    void SetIndex(int index);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Required() const { return required_; }
    void SetRequired(bool value) { required_ = value; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return fieldKind_ == fkCalculated; }
    void SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& mask);
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    void SetSize(int size);
    // Bytes of the native value in a record buffer.
    virtual int DataSize() const { return 0; }
    // Number of the bound field definition (from 1); 0 or less for calculated and unbound fields.
    int FieldNo() const { return fieldNo_; }
    // Position of a calculated field's value-present byte in the calculated-fields area of a buffer.
    int Offset() const { return offset_; }
    virtual bool IsBlob() const { return false; }
    // The data set's answer for this field (GetIsIndexField).
    bool IsIndexField() const;
    // Not read-only, a data or internal-calculation field, and a data set that can be modified.
    bool CanModify() const;

    bool IsNull() const;
    virtual std::string AsString() const;
    virtual void SetAsString(const std::string& value);
    virtual int32_t AsInteger() const;
    virtual void SetAsInteger(int32_t value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    // Null, or the value as text, number (dates as TDateTime) or boolean.
    virtual Variant AsVariant() const;
    // Null clears the field; other values go through the matching setter.
    virtual void SetAsVariant(const Variant& value);
    // Sets the field to no value.
    virtual void Clear();

    // Text for display and for editing; EditText may be assigned (through the field's text conversion).
    std::string DisplayText() const { return GetText(true); }
    std::string EditText() const { return GetText(false); }
    void SetEditText(const std::string& text) { SetText(text); }
    // Whether a typed character may be part of the field's text.
    virtual bool IsValidChar(char c) const;

    // The value of the record as it was before editing / as edited (temporary old-value and new-value states).
    Variant OldValue() const;
    Variant NewValue() const;

    // Reads the native value into buffer (nullptr: only asks for presence); true when the field has a value.
    bool GetData(void* buffer) const;
    // Hands the native value (nullptr: no value) to the data set.
    void SetData(const void* buffer);
    // Runs OnValidate with the proposed native value visible through the field's getters. A data set calls it
    // from SetFieldData before it stores a data field's value.
    void Validate(const void* buffer);
    // Runs OnChange; the data set calls it after a field-change notification.
    void Change();
    // Asks the controls to focus this field.
    void FocusControl();

    std::function<void(TField&)> OnValidate;
    std::function<void(TField&)> OnChange;

protected:
    TField(TFieldType type, int size);

    virtual int DefaultDisplayWidth() const { return 10; }
    virtual std::string GetText(bool displayText) const;
    virtual void SetText(const std::string& text) { SetAsString(text); }
    [[noreturn]] void AccessError(const char* typeName) const;
    // Tells the open data set that a display property changed.
    void PropertyChanged(bool layoutAffected);
    void CheckDataSet() const;

private:
    friend class TDataSet;
    friend class TFields;

    TDataSet* dataSet_ = nullptr;
    std::string fieldName_;
    std::string displayLabel_;
    std::string editMask_;
    TFieldType dataType_;
    TFieldKind fieldKind_ = fkData;
    TAlignment alignment_ = taLeftJustify;
    int size_;
    int fieldNo_ = 0;
    int offset_ = 0;
    int displayWidth_ = 0;
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    bool ownedByDataSet_ = false;
    bool validating_ = false;
    const void* validateBuffer_ = nullptr;
};

class TStringField : public TField {
public:
    explicit TStringField(int size = 20) : TField(ftString, size) {}
    int DataSize() const override { return Size() + 1; }
    // Text passes through the data set's Translate (table code page <-> program code page) when set.
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool value) { transliterate_ = value; }

    std::string AsString() const override;
    // Text longer than Size is cut to Size.
    void SetAsString(const std::string& value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsString(std::to_string(value)); }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override { SetAsString(value ? "T" : "F"); }
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override { SetAsString(DateTimeToString(value)); }
    Variant AsVariant() const override;

protected:
    int DefaultDisplayWidth() const override { return Size(); }

private:
    bool transliterate_ = true;
};

class TNumericField : public TField {
protected:
    TNumericField(TFieldType type, int size) : TField(type, size) { SetAlignment(taRightJustify); }
};

class TIntegerField : public TNumericField {
public:
    TIntegerField() : TIntegerField(ftInteger) {}
    int DataSize() const override { return 4; }
    // Allowed range; both 0 means the type's whole range.
    int32_t MinValue() const { return minValue_; }
    int32_t MaxValue() const { return maxValue_; }
    void SetMinValue(int32_t v) { minValue_ = v; }
    void SetMaxValue(int32_t v) { maxValue_ = v; }

    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    int32_t AsInteger() const override;
    // Values outside the allowed range raise EDatabaseError.
    void SetAsInteger(int32_t value) override;
    double AsFloat() const override;
    // Rounds to the nearest integer; out of range raises EDatabaseError.
    void SetAsFloat(double value) override;
    bool AsBoolean() const override { return AsInteger() != 0; }
    void SetAsBoolean(bool value) override { SetAsInteger(value ? 1 : 0); }
    Variant AsVariant() const override;
    bool IsValidChar(char c) const override;

protected:
    explicit TIntegerField(TFieldType type) : TNumericField(type, 0) {}
    int DefaultDisplayWidth() const override { return 11; }
    virtual int64_t TypeMin() const { return INT32_MIN; }
    virtual int64_t TypeMax() const { return INT32_MAX; }
    virtual bool ReadValue(int32_t* value) const;
    virtual void WriteValue(int32_t value);

private:
    void CheckRange(int64_t value) const;
    int32_t minValue_ = 0;
    int32_t maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
public:
    TSmallintField() : TIntegerField(ftSmallint) {}
    int DataSize() const override { return 2; }

protected:
    int DefaultDisplayWidth() const override { return 6; }
    int64_t TypeMin() const override { return INT16_MIN; }
    int64_t TypeMax() const override { return INT16_MAX; }
    bool ReadValue(int32_t* value) const override;
    void WriteValue(int32_t value) override;
};

class TFloatField : public TNumericField {
public:
    TFloatField() : TNumericField(ftFloat, 0) {}
    int DataSize() const override { return 8; }
    // Significant digits of the text form (2 to 15).
    int Precision() const { return precision_; }
    void SetPrecision(int value) { precision_ = value < 2 ? 2 : value > 15 ? 15 : value; }
    // Allowed range; both 0 means no limit.
    double MinValue() const { return minValue_; }
    double MaxValue() const { return maxValue_; }
    void SetMinValue(double v) { minValue_ = v; }
    void SetMaxValue(double v) { maxValue_ = v; }

    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override { SetAsFloat(value); }
    double AsFloat() const override;
    // Not a finite number, or outside the allowed range, raises EDatabaseError.
    void SetAsFloat(double value) override;
    Variant AsVariant() const override;
    bool IsValidChar(char c) const override;

private:
    int precision_ = 15;
    double minValue_ = 0;
    double maxValue_ = 0;
};

class TBooleanField : public TField {
public:
    TBooleanField() : TField(ftBoolean, 0) {}
    int DataSize() const override { return 2; }
    // "TrueText;FalseText"; default "True;False".
    const std::string& DisplayValues() const { return displayValues_; }
    void SetDisplayValues(const std::string& values);

    std::string AsString() const override;
    // Accepts a leading part of either display value, without regard to case; anything else raises.
    void SetAsString(const std::string& value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    int32_t AsInteger() const override { return AsBoolean() ? 1 : 0; }
    void SetAsInteger(int32_t value) override { SetAsBoolean(value != 0); }
    Variant AsVariant() const override;

protected:
    int DefaultDisplayWidth() const override { return 5; }

private:
    std::string displayValues_ = "True;False";
    std::string trueText_ = "True";
    std::string falseText_ = "False";
};

class TDateTimeField : public TField {
public:
    TDateTimeField() : TDateTimeField(ftDateTime) {}
    int DataSize() const override { return 8; }

    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    TDateTime AsDateTime() const override;
    // A value outside years 1 to 9999 raises EDatabaseError.
    void SetAsDateTime(TDateTime value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    Variant AsVariant() const override;

protected:
    explicit TDateTimeField(TFieldType type) : TField(type, 0) {}
    int DefaultDisplayWidth() const override { return 18; }
    virtual bool ReadValue(TDateTime* value) const;
    virtual void WriteValue(TDateTime value);
    virtual std::string Format(TDateTime value) const { return DateTimeToString(value); }
    virtual bool Parse(const std::string& text, TDateTime* value) const;
    virtual const char* InvalidMessage() const;
};

class TDateField : public TDateTimeField {
public:
    TDateField() : TDateTimeField(ftDate) {}
    int DataSize() const override { return 4; }

protected:
    int DefaultDisplayWidth() const override { return 10; }
    bool ReadValue(TDateTime* value) const override;
    void WriteValue(TDateTime value) override;
    std::string Format(TDateTime value) const override { return DateToString(value); }
    bool Parse(const std::string& text, TDateTime* value) const override;
    const char* InvalidMessage() const override;
};

class TBlobField : public TField {
public:
    TBlobField() : TBlobField(ftBlob) {}
    bool IsBlob() const override { return true; }
    // The data set's Translate applies to the contents (the blob stream does it) when set.
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool value) { transliterate_ = value; }
    // Set by a blob stream that wrote the contents back; cleared when the record is read again.
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }

    // Size of the current contents (0 without a stream).
    int64_t BlobSize() const;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    std::string AsString() const override;
    // Writes the contents through a write stream; a data set that gives none raises EDatabaseError.
    void SetAsString(const std::string& value) override;
    Variant AsVariant() const override;
    void Clear() override { SetAsString(std::string()); }

protected:
    explicit TBlobField(TFieldType type) : TField(type, 0) {}
    std::string GetText(bool displayText) const override;

private:
    bool transliterate_ = false;
    bool modified_ = false;
};

class TMemoField : public TBlobField {
public:
    TMemoField() : TBlobField(ftMemo) { SetTransliterate(true); }

protected:
    std::string GetText(bool displayText) const override;
};

// Creates a field object of the class that serves a field type (nullptr for ftUnknown).
std::unique_ptr<TField> CreateFieldOfType(TFieldType type, int size);

// The data set's ordered list of field objects. It refers to the fields; ownership is the data set's for
// default fields and the program's for persistent ones.
class TFields {
public:
    explicit TFields(TDataSet* owner) : owner_(owner) {}
    int Count() const { return static_cast<int>(fields_.size()); }
    // Field i; outside 0..Count-1 raises EDatabaseError "Field index out of range".
    TField& operator[](int index) const;
    int IndexOf(const TField* field) const;
    // The field of that name without regard to case, or nullptr.
    TField* FindField(const std::string& name) const;
    // The named field, else EDatabaseError "Field '%s' not found".
    TField& FieldByName(const std::string& name) const;

private:
    friend class TDataSet;
    friend class TField;
    void Add(TField* field);
    void Remove(TField* field);
    void Move(TField* field, int index);

    TDataSet* owner_;
    std::vector<TField*> fields_;
};
