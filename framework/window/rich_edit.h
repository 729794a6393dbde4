// TRichEdit: a text box that loads rich text (the "{\rtf" format) or plain lines and shows the text of it. Only
// the text is kept: formatting, pictures and fields are dropped when rich text is loaded.
#pragma once

#include <string>

#include "framework/window/std_ctrls.h"

// The plain text of rich text: paragraphs become CR LF, \tab a tab, \'hh the byte hh, escaped braces and
// backslashes themselves; destinations that hold no text (font and colour tables, \* groups, pictures) are left
// out. Text that does not start with "{\rtf" comes back unchanged. Malformed input ends the text where it breaks.
std::string RtfToPlainText(const std::string& rtf);

class TRichEdit : public TMemo {
public:
    explicit TRichEdit(TComponent* owner) : TMemo(owner) {}

    // Loads stored contents: as rich text when they begin with "{\rtf", else as plain lines.
    void LoadContents(const std::string& bytes);
    std::string PlainText() const { return Text(); }
    // Whether the protected parts of the text may be changed by code (kept for the loaders that ask for it).
    bool AllowProtectionChange() const { return allowProtectionChange_; }
    void SetAllowProtectionChange(bool value) { allowProtectionChange_ = value; }

private:
    bool allowProtectionChange_ = false;
};
