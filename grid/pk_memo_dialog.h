// TpkMemoDialog: shows the text of a memo field of a data source in a modal form with a multi-line text box and
// OK and Cancel; OK writes the text back into the field (putting the data set into edit state) unless the dialog
// is view-only.
#pragma once

#include <functional>
#include <string>

#include "framework/data/data_link.h"
#include "framework/data/strings.h"
#include "framework/window/forms.h"
#include "framework/window/graphics.h"
#include "grid/pk_grid_edit_types.h"


class TMemo;

class TpkMemoDialog : public TComponent {
public:
    explicit TpkMemoDialog(TComponent* owner);
    ~TpkMemoDialog() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    const std::string& DataField() const { return dataField_; }
    void SetDataField(const std::string& name) { dataField_ = name; }
    TpkMemoAttributes MemoAttributes() const { return attributes_; }
    void SetMemoAttributes(TpkMemoAttributes value) { attributes_ = value; }
    TFont& Font() { return font_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value) { caption_ = value; }
    // The text, one entry per line (read from the field when the dialog opens).
    TStringList& Lines() { return lines_; }
    int DlgWidth = 561;
    int DlgHeight = 396;
    // Position of the form; -1 centres it on the screen in that direction.
    int DlgLeft = 0;
    int DlgTop = 0;

    // Shows the form modally; true when it was closed with OK.
    bool Execute();

    // The form has opened (its text box holds the field's text) / has closed with the given result.
    std::function<void(TpkMemoDialog&, TForm&, TMemo&)> OnInitDialog;
    std::function<void(TpkMemoDialog&, TForm&, TModalResult)> OnCloseDialog;

private:
    TField* Field() const;
    TDataLink link_;
    std::string dataField_;
    TpkMemoAttributes attributes_{mSizeable, mWordWrap};
    TFont font_;
    std::string caption_;
    TStringList lines_;
};
