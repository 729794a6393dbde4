// Data-aware text controls of the component library, as far as the grid hosts them: TpkDBCustomEdit (a text box
// bound to one field of a data source), TpkDBCustomLookupCombo (the same with a drop-down list opened by
// Alt+Down), TpkDBCustomDateTimePicker / TpkDBDateTimePicker (a date-time field typed as a date, with the grid's
// two-digit-year rule) and TpkDBRichEdit (a rich text field shown as its text; F2 opens its editor).
#pragma once

#include <functional>
#include <string>

#include "framework/data/data_link.h"
#include "framework/window/rich_edit.h"
#include "framework/window/std_ctrls.h"

// A link to one field of the data source's data set; the control hears of changes through the callbacks.
class TpkFieldDataLink : public TDataLink {
public:
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name);
    // The field, or nullptr while inactive or when the data set has no such field.
    TField* Field() const;

    std::function<void()> OnDataChange;    // the record or the field changed
    std::function<void()> OnUpdateData;    // write the control's text back
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    std::string fieldName_;
};

class TpkDBCustomEdit : public TCustomEdit {
public:
    explicit TpkDBCustomEdit(TComponent* owner);
    ~TpkDBCustomEdit() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const { return link_.FieldName(); }
    void SetDataField(const std::string& name);
    TField* Field() const { return link_.Field(); }
    TpkFieldDataLink& DataLink() { return link_; }
    // The text this control shows for a field's text (the grid paints its cells with it). Default: unchanged.
    virtual std::string FormatFieldText(TField& field, const std::string& text) const;
    // Whether the text was typed since the field was last read.
    bool Modified() const { return modified_; }

protected:
    // Shows the field's text.
    virtual void DataChange();
    // Writes the typed text into the field; a text the field refuses raises and the text stays.
    virtual void WriteField(TField& field, const std::string& text);
    void Change() override;
    void KeyPress(char& key) override;
    void DoExit() override;

private:
    TpkFieldDataLink link_;
    bool modified_ = false;
    bool startingEdit_ = false;  // the link is putting the data set into edit state for typing
};

class TpkDBCustomLookupCombo : public TpkDBCustomEdit {
public:
    using TpkDBCustomEdit::TpkDBCustomEdit;
    bool DroppedDown() const { return droppedDown_; }
    void DropDown() { droppedDown_ = true; }
    void CloseUp() { droppedDown_ = false; }
    void KeyDown(TKey& key, TShiftState shift) override;

private:
    bool droppedDown_ = false;
};

class TpkDBCustomDateTimePicker : public TpkDBCustomEdit {
public:
    using TpkDBCustomEdit::TpkDBCustomEdit;

protected:
    // A date alone is read with the grid's two-digit-year rule; other texts go to the field as typed.
    void WriteField(TField& field, const std::string& text) override;
};

class TpkDBDateTimePicker : public TpkDBCustomDateTimePicker {
public:
    using TpkDBCustomDateTimePicker::TpkDBCustomDateTimePicker;
};

class TpkDBRichEdit : public TRichEdit {
public:
    explicit TpkDBRichEdit(TComponent* owner);
    ~TpkDBRichEdit() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    const std::string& DataField() const { return link_.FieldName(); }
    void SetDataField(const std::string& name) { link_.SetFieldName(name); }
    // F2 opens the rich text editor: the component library's editor form runs through this event.
    std::function<void(TpkDBRichEdit&)> OnEditorOpen;
    void KeyDown(TKey& key, TShiftState shift) override;

private:
    TpkFieldDataLink link_;
};

// A date alone, read in the order of the short date format with its separator: day, month and year; two numbers
// alone take the current year; years below 100 are 2000 to 2049 (0 to 49) and 1950 to 1999 (50 to 99). False for
// any other text, and for a date that does not exist.
bool ParseGridDate(const std::string& text, TDateTime* value);
