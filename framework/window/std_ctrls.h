// Text controls: TCustomEdit, a one-line text box, and TMemo, a multi-line one. Keys reach the control's KeyDown,
// KeyPress and KeyUp steps before the text changes; a step that clears the key keeps it from the text.
#pragma once

#include <memory>
#include <string>

#include "framework/window/controls.h"

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    ~TCustomEdit() override;

    std::string Text() const;
    // Sets the text without raising OnChange.
    void SetText(const std::string& text);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    // The sunken border (on by default).
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    void SelectAll();
    int SelStart() const;
    // Inserts a character at the caret as typing it would (Backspace deletes before the caret).
    void TypeChar(char ch);
    void SetFocus() override;

    TNotifyEvent OnChange;

protected:
    // The user changed the text.
    virtual void Change();
    void Resize() override;
    void CMFontChanged() override;
    void CMColorChanged() override;

private:
    struct EditImpl;
    void Layout();
    std::unique_ptr<EditImpl> edit_;
    bool readOnly_ = false;
    int maxLength_ = 0;
    bool ctl3D_ = true;
    TBorderStyle borderStyle_ = bsSingle;
};

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;

    // Lines joined by CR LF.
    std::string Text() const;
    void SetText(const std::string& text);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    void SetFocus() override;

protected:
    void Resize() override;
    void CMFontChanged() override;

private:
    struct MemoImpl;
    std::unique_ptr<MemoImpl> memo_;
    bool readOnly_ = false;
    bool wordWrap_ = true;
    bool modified_ = false;
};
