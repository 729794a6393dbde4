// The data grid: TpkCustomDBGrid shows the records of a data set as rows and a list of its fields as columns.
// Grid row r (counted among the data rows) shows buffer slot r of the grid's data link, whose buffer is exactly as
// large as the rows that fit, so the grid never asks the data set for a record it does not show; scrolling means
// moving the data set. The column list is either the grid's Selected list (tab-separated field, width in
// characters, title, read-only flag) or the data set's visible fields (UseTFields). Widths are kept in characters
// of the grid font's "0": c characters are c x w0 + 4 pixels. TpkDBGrid adds the layout store (IniAttributes).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/data_link.h"
#include "framework/data/strings.h"
#include "framework/window/bitmap.h"
#include "framework/window/buttons.h"
#include "framework/window/grids.h"
#include "framework/window/hint_window.h"
#include "framework/window/image_list.h"
#include "framework/window/timer.h"
#include "grid/pk_grid_edit_types.h"

class TpkCustomDBGrid;
class TImageList;
struct TpkGridEditState;

enum TpkDBGridOption {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
    dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgWordWrap, dgPerfectRowFit,
    dgMultiSelect, dgShowFooter, dgFooter3DCells, dgNoLimitColSize, dgTrailingEllipsis, dgShowCellHint,
    dgTabExitsOnLastCol
};
using TpkDBGridOptions = TSet<TpkDBGridOption>;
// dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgConfirmDelete,
// dgCancelOnExit, dgWordWrap.
constexpr uint64_t kDefaultGridOptionBits = 7421;

enum TpkDBGridKeyOption { dgEnterToTab, dgAllowDelete, dgAllowInsert };
using TpkDBGridKeyOptions = TSet<TpkDBGridKeyOption>;

enum TIndicatorColorType { icBlack, icYellow };

// The default INI name of the layout store: the program file's name cut before its first "." plus ".ini". (Takes
// the localised texts' IniFileName once that is set.)
std::string DefaultGridIniFileName();

// One displayed column: its field name and footer text.
class TpkColumn {
public:
    TpkColumn(TpkCustomDBGrid* grid, std::string fieldName) : grid_(grid), fieldName_(std::move(fieldName)) {}
    const std::string& FieldName() const { return fieldName_; }
    TpkCustomDBGrid* Grid() const { return grid_; }
    const std::string& FooterText() const { return footerText_; }
    void SetFooterText(const std::string& text) { footerText_ = text; }
    // The field's Selected entry has "T" as its fourth item (false for the placeholder column).
    bool ReadOnly() const;

private:
    TpkCustomDBGrid* grid_;
    std::string fieldName_;
    std::string footerText_;
};

// The grid's view of the data set: forwards the link's notifications to the grid and holds the field map (one
// index into the data set's Fields per column).
class TpkGridDataLink : public TDataLink {
public:
    static constexpr int kMaxMappedFields = 16380;

    explicit TpkGridDataLink(TpkCustomDBGrid* grid) : grid_(grid) {}
    ~TpkGridDataLink() override;

    int FieldCount() const { return static_cast<int>(map_.size()); }
    int Capacity() const { return capacity_; }
    // REQUIRES: 0 <= index < FieldCount(). nullptr when the field has gone.
    TField* Fields(int index) const;
    // EInvalidGridOperation "Grid requested to display more than 256 columns" past the limit.
    void AddMapping(const std::string& fieldName);
    void ClearMapping();
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    bool InUpdateData() const { return inUpdateData_; }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void LayoutChanged() override;
    void EditingChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    TpkCustomDBGrid* grid_;
    std::vector<int32_t> map_;
    int capacity_ = 0;
    bool modified_ = false;
    bool inUpdateData_ = false;
};

// Where a grid keeps its layout: an INI file (or a configuration key) and a section.
class TpkIniAttributes {
public:
    explicit TpkIniAttributes(TpkCustomDBGrid* owner) : owner_(owner) {}
    std::string FileName;
    std::string SectionName;
    std::string FormName;  // the parent form's name, recorded when the grid is read from a form description
    std::string Delimiter;
    bool Enabled = false;
    bool SaveToRegistry = false;
    bool CheckNewFields = false;

    // FileName, else the default INI name (none for the configuration-key store).
    std::string EffectiveFileName() const;
    // SectionName, else the form name followed by the grid's name.
    std::string EffectiveSectionName() const;
    TpkCustomDBGrid* Owner() const { return owner_; }

private:
    TpkCustomDBGrid* owner_;
};

// The optional button in the grid's corner cell: a child component of the grid, placed over the corner cell; the
// indicator column takes its width minus 1.
class TpkIButton : public TSpeedButton {
public:
    explicit TpkIButton(TComponent* owner) : TSpeedButton(owner) {}
};

// What OnCalcTitleImage may change: an index into TitleImageList (-1: none), where the image goes (0 left of the
// text, 1 right of it, 2 centred without text) and its distance from the cell edge.
struct TpkTitleImageAttributes {
    int ImageIndex = -1;
    int ImagePlacement = 1;
    int Margin = 3;
};

// The window of a cell hint: the grid's font, tooltip colours, a black border, the full text 2 pixels in. A
// 250-millisecond timer closes it when the pointer leaves the cell or the grid, or after the hide pause.
class TpkGridHintWindow : public THintWindow {
public:
    explicit TpkGridHintWindow(TpkCustomDBGrid* grid);
    TpkCustomDBGrid* Grid() const { return grid_; }
    bool WordWrap() const { return wordWrap_; }
    // Shows the text over cellRect (grid client coordinates); the timer starts.
    void ShowCellHint(const TRect& cellRect, const TRect& hintRect, const std::string& text, int maxTicks);
    // Closes the hint and stops the timer.
    void CloseHint();
    int TicksLeft() const { return ticksLeft_; }

private:
    void Tick();
    TpkCustomDBGrid* grid_;
    TTimer timer_;
    TRect cell_{};
    int ticksLeft_ = 0;
};

class TpkCustomDBGrid : public TCustomGrid {
public:
    explicit TpkCustomDBGrid(TComponent* owner);
    ~TpkCustomDBGrid() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source);
    TpkGridDataLink& DataLink() { return link_; }
    TDataSet* DataSet() const { return link_.DataSet(); }

    TpkDBGridOptions GridOptions() const { return options_; }
    void SetGridOptions(TpkDBGridOptions options);
    TpkDBGridKeyOptions KeyOptions() const { return keyOptions_; }
    void SetKeyOptions(TpkDBGridKeyOptions value) { keyOptions_ = value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

    // Column list.
    TStrings& Selected() { return selected_; }
    void SetSelected(const TStrings& lines);
    bool UseTFields() const { return useTFields_; }
    void SetUseTFields(bool value);
    int TitleLines() const { return titleLines_; }
    void SetTitleLines(int value);
    int GridFixedCols() const { return gridFixedCols_; }
    void SetGridFixedCols(int value);
    bool EditCalculated() const { return editCalculated_; }
    void SetEditCalculated(bool value) { editCalculated_ = value; }
    TStrings& ControlType() { return controlType_; }
    TStrings& PictureMasks() { return pictureMasks_; }
    bool ControlInfoInDataset() const { return controlInfoInDataset_; }
    void SetControlInfoInDataset(bool value) { controlInfoInDataset_ = value; }
    bool PictureMaskFromDataSet() const { return pictureMaskFromDataSet_; }
    void SetPictureMaskFromDataSet(bool value) { pictureMaskFromDataSet_ = value; }

    // Display.
    bool TitleButtons() const { return titleButtons_; }
    void SetTitleButtons(bool value);
    int RowHeightPercent() const { return rowHeightPercent_; }
    void SetRowHeightPercent(int value);
    bool ShowHorzScrollBar() const { return showHorzScrollBar_; }
    void SetShowHorzScrollBar(bool value);
    bool ShowVertScrollBar() const { return showVertScrollBar_; }
    void SetShowVertScrollBar(bool value);
    int DragVertOffset() const { return dragVertOffset_; }
    void SetDragVertOffset(int value) { dragVertOffset_ = value; }

    // Painting.
    TColor TitleColor() const { return titleColor_; }
    void SetTitleColor(TColor value);
    TFont& TitleFont() { return titleFont_; }
    TAlignment TitleAlignment() const { return titleAlignment_; }
    void SetTitleAlignment(TAlignment value);
    TIndicatorColorType IndicatorColor() const { return indicatorColor_; }
    void SetIndicatorColor(TIndicatorColorType value);
    TColor FooterColor() const { return footerColor_; }
    void SetFooterColor(TColor value);
    TColor FooterCellColor() const { return footerCellColor_; }
    void SetFooterCellColor(TColor value);
    int FooterHeight() const { return footerHeight_; }
    void SetFooterHeight(int value);
    TImageList* TitleImageList() const { return titleImageList_; }
    void SetTitleImageList(TImageList* list);
    // The corner-cell button among the grid's children, nullptr when there is none.
    TpkIButton* IndicatorButton() const;

    // Cell hints: the open hint window (nullptr when none shows) and the cell it covers.
    TpkGridHintWindow* HintWindow() const { return hintWindow_.get(); }
    // Column drag: whether a title is being dragged (past the start distance) and the image that follows the
    // pointer (nullptr otherwise).
    bool ColumnDragging() const { return dragStarted_; }
    const TBitmap* DragImage() const { return dragImage_.get(); }
    // The footer strip's height with dgShowFooter (0 without).
    int FooterStripHeight() const;

    // Title and indicator offsets: rows above / columns left of the data cells.
    int TitleOffset() const { return titleOffset_; }
    int IndicatorOffset() const { return indicatorOffset_; }
    // Columns of the current layout (the field map while the link is active).
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TpkColumn& Columns(int index) { return *columns_.at(static_cast<size_t>(index)); }
    // The column of a field name (ignoring case), or a shared placeholder that is never read-only.
    TpkColumn& ColumnByName(const std::string& fieldName);
    // The field of a data column (0-based among the data columns), nullptr when there is none.
    TField* ColumnField(int dataCol) const;
    // The index of the field's Selected entry (ignoring case), -1 when none.
    int SelectedIndexOf(const std::string& fieldName) const;

    // Writes the Selected list into the fields (UseTFields), or rebuilds the layout.
    void ApplyColumnList();
    // Rebuilds rows and columns from the options, the column list and the data set.
    void LayoutChanged();

    // Events.
    TNotifyEvent OnRowChanged, OnCellChanged, OnColEnter, OnColExit, OnTopRowChanged, OnUpdateFooter;
    std::function<void(TComponent&, int)> OnLeftColChanged;
    std::function<void(TComponent&, const std::string&)> OnTitleButtonClick;
    std::function<void(TComponent&, int)> OnColWidthChanged;
    std::function<void(TComponent&, int, int)> OnColumnMoved;
    std::function<void(TComponent&, TField*, TGridDrawState, bool, TFont&, TBrush&)> OnCalcCellColors;
    std::function<void(TComponent&, const TRect&, TField*, TGridDrawState)> OnDrawDataCell;
    std::function<void(TComponent&, const std::string&, TFont&, TBrush&, TAlignment&)> OnCalcTitleAttributes;
    std::function<void(TComponent&, TCanvas&, TField*, const TRect&, bool&)> OnDrawTitleCell;
    std::function<void(TComponent&, TCanvas&, const TRect&, TField*, const std::string&, bool&)> OnDrawFooterCell;
    std::function<void(TComponent&, TField*, TpkTitleImageAttributes&)> OnCalcTitleImage;
    std::function<void(TComponent&, TpkGridHintWindow&, TField*, const TRect&, bool&, int&, int&, bool&)>
        OnCreateHintWindow;

    void KeyDown(TKey& key, TShiftState shift) override;
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    void ColWidthsChanged() override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void TopLeftChanged() override;
    bool CanEditShow() override;
    void SetParent(TWinControl* parent) override;
    void Loaded() override;

    // ---- cell editing, cell controls and multi-selection (db_grid_edit.cpp, db_grid_cells.cpp) ----
    TpkEditControlOptions EditControlOptions() const;
    void SetEditControlOptions(TpkEditControlOptions value);
    TpkMemoAttributes MemoAttributes() const;
    void SetMemoAttributes(TpkMemoAttributes value);
    TpkMultiSelectOptions MultiSelectOptions() const;
    void SetMultiSelectOptions(TpkMultiSelectOptions value);
    // Images of "ImageIndex" cells (borrowed; the grid hears when it goes).
    TImageList* ImageList() const;
    void SetImageList(TImageList* list);
    // The field of the current cell, or nullptr.
    TField* SelectedField() const;
    // The field's input picture (PictureMasks: field, tab, picture, tab, auto-fill "F" for off); empty when none.
    void PictureFor(const TField* field, std::string& mask, bool& autoFill) const;
    // The field's ControlType entry: its type and its parameters (empty when the field has none).
    bool ControlTypeOf(const TField* field, std::string& type, std::string& params) const;
    // The editor control of the current cell other than the in-place editor (hosted control or picker), or nullptr.
    TWinControl* HostedControl() const;
    TpkDBCustomDateTimePicker* DateTimePicker() const;
    // Multi-selection: bookmarks of the selected records, in selection order.
    const std::vector<TBookmark>& SelectedList() const;
    bool IsSelectedRecord() const;
    void SelectRecord();
    void UnselectRecord();
    void UnselectAll();
    // The text a data cell of the field shows for the active record ("(Memo)", a rich text's plain text, ...).
    std::string GridCellText(TField& field);
    // Toggles the check box of the current cell (the Space key does).
    void ToggleCheckBox();
    // Opens the memo dialog on the current memo cell (F2 does).
    void OpenMemoDialog();

    TpkValidateEvent OnCheckValue;
    TpkFieldChangedEvent OnFieldChanged;
    TpkMemoOpenEvent OnMemoOpen;
    TpkMemoCloseEvent OnMemoClose;
    TpkSelectRecordEvent OnMultiSelectRecord;
    TpkCreateDTPEvent OnCreateDateTimePicker;

    bool CanEditModify() override;
    bool CanEditAcceptKey(char key) override;
    std::string GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const std::string& value) override;
    std::string GetEditMask(int col, int row) override;
    int GetEditLimit() override;
    TInplaceEdit* CreateEditor() override;
    void KeyPress(char& key) override;

protected:
    void DblClick() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TpkInplaceEdit;
    // Hooks called from the display and painting code.
    bool EditKeyDown(TKey& key, TShiftState shift);
    void CellMouseDown(TMouseButton button, TShiftState shift, TGridCoord hit, int oldCol, int oldRow);
    bool DrawControlCell(int col, int row, const TRect& rect, TGridDrawState state);
    bool RowMultiSelected() const;
    bool CellEditorAllowed();
    void EditLinkActive(bool active);
    void EditDataChanged();
    bool EditFocusInside() const;
    bool WriteBackOnExit();
    void HideHostedControl();
    void EditRecordChanged(TField* field);
    void WriteEditText();
    void WriteBackEdit();
    void TakeOverHostedControls();
    void ConfirmDelete();
    void CancelEdit();
    void MultiSelectClick(TShiftState shift, int oldRow);
    void DrawCheckBox(TField* field, const std::string& params, int dataCol, const TRect& rect, TGridDrawState state);
    void DrawPicture(TField* field, const std::string& params, const TRect& rect, TGridDrawState state);
    void DrawImageIndex(TField* field, const std::string& params, const TRect& rect, TGridDrawState state);
    bool CellHighlighted(TGridDrawState state) const;
    void ShowHostedControl(TWinControl* control, TField* field, const TRect& rect);
    TWinControl* HostedControlFor(TField* field, const std::string& type, const std::string& params);
    struct EditStateDeleter {
        void operator()(TpkGridEditState* state) const;
    };
    // Made on first use, so that the grid's constructor needs nothing of it.
    TpkGridEditState& EditState() const;
    mutable std::unique_ptr<TpkGridEditState, EditStateDeleter> edit_;
    // ---- end of cell editing ----

protected:
    friend class TpkGridDataLink;
    // Link notifications.
    virtual void LinkActive(bool active);
    void DataChanged();
    void Scroll(int distance);
    void EditingChanged();

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void ScrollEvent(TScrollBarKind kind, TScrollCode code, int pos) override;
    void Resize() override;
    void DoExit() override;
    void CMFontChanged() override;
    void CMMouseLeave() override;
    void Paint() override;
    bool BeginColumnDrag(int& origin, int& destination, TPoint mousePt) override;
    bool EndColumnDrag(int& origin, int& destination, TPoint mousePt) override;
    // The grid has a parent to show in (the layout is not computed before).
    bool WindowPresent() const { return Parent() != nullptr && !Destroying(); }
    bool firstWindow_ = true;  // the window has not been shown in a parent yet

private:
    void ComputeRowHeights();
    void BuildFieldMap();
    void SetColumnAttributes();
    void UpdateRowCount();
    void UpdateActive();
    void UpdateScrollBar();
    void RowChangeEvents();
    void SelectDataColumn(int col);
    void LineDown();
    void LineUp();
    int CharWidth();
    std::string ColumnTitle(int dataCol) const;
    int ColumnChars(int dataCol) const;
    void DrawTitleCell(TCanvas& c, int dataCol, TRect rect);
    void DrawFooter();
    // The indicator glyphs exist once for all grids.
    static void AcquireGlyphs();
    static void ReleaseGlyphs();
    void DrawCellEdge(const TRect& rect, bool fixed);
    void UpdateCellHint(int x, int y);
    void CloseCellHint();
    void StartColumnDrag(int x);
    void DragTimer();
    void DrawIndicatorCell(int dataRow, const TRect& rect);
    void DrawDataCell(int dataCol, int dataRow, const TRect& rect, TGridDrawState state);

    TpkGridDataLink link_;
    TStringList selected_;
    TStringList controlType_;
    TStringList pictureMasks_;
    std::vector<std::unique_ptr<TpkColumn>> columns_;
    std::unique_ptr<TpkColumn> placeholder_;
    TpkDBGridOptions options_ = TpkDBGridOptions::FromBits(kDefaultGridOptionBits);
    TpkDBGridKeyOptions keyOptions_{dgAllowDelete, dgAllowInsert};
    bool readOnly_ = false;
    bool useTFields_ = true;
    int titleLines_ = 1;
    int gridFixedCols_ = 0;
    bool editCalculated_ = false;
    bool controlInfoInDataset_ = true;
    bool pictureMaskFromDataSet_ = true;
    bool titleButtons_ = false;
    int rowHeightPercent_ = 100;
    bool showHorzScrollBar_ = true;
    bool showVertScrollBar_ = true;
    int dragVertOffset_ = 15;
    TColor titleColor_ = clBtnFace;
    TFont titleFont_;
    TAlignment titleAlignment_ = taLeftJustify;
    TIndicatorColorType indicatorColor_ = icBlack;
    TColor footerColor_ = clBtnFace;
    TColor footerCellColor_ = clBtnFace;
    int footerHeight_ = 0;
    TImageList* titleImageList_ = nullptr;

    std::unique_ptr<TpkGridHintWindow> hintWindow_;
    TGridCoord hintCell_{-1, -1};  // the cell under the pointer, for cell hints

    std::unique_ptr<TBitmap> dragImage_;
    std::unique_ptr<TTimer> dragTimer_;
    bool dragPending_ = false;     // a title is held, the drag has not started yet
    bool dragStarted_ = false;
    int dragCol_ = -1;             // the grid column being dragged
    TPoint dragOrigin_{};          // where the button went down
    int dragGrab_ = 0;             // pointer x minus the dragged column's left edge
    int dragX_ = 0;                // the pointer's x while dragging

    int titleOffset_ = 1;
    int indicatorOffset_ = 1;
    int indicatorWidth_ = 11;
    int indicatorRow_ = -1;      // the row whose indicator was painted last
    int lastColEntered_ = -1;
    bool colEnterPending_ = false;
    bool footerUpdatePending_ = false;
    TBookmark rowBookmark_;
    bool haveRowBookmark_ = false;
    int pressedTitleCol_ = -1;
    bool titleDragged_ = false;
    int layoutDepth_ = 0;        // a layout rebuild is running
    bool updatingRowCount_ = false;
    bool mouseMoving_ = false;   // the grid moves the data set itself (click): no immediate paint
};

// The published grid: the layout store (IniAttributes), loaded when the window first shows and saved when the
// grid is destroyed.
class TpkDBGrid : public TpkCustomDBGrid {
public:
    explicit TpkDBGrid(TComponent* owner);
    ~TpkDBGrid() override;

    TpkIniAttributes& IniAttributes() { return ini_; }
    // Reads the stored layout into Selected and applies it; messages as warning boxes.
    void LoadLayout();
    // Writes the layout (only while the grid is being destroyed, unless forced by a caller that knows better).
    void SaveLayout();

    void SetParent(TWinControl* parent) override;
    void Loaded() override;

protected:
    void LinkActive(bool active) override;

private:
    TpkIniAttributes ini_;
    bool layoutLoaded_ = false;
    bool saved_ = false;
};

// Registers TpkDBGrid and its published properties with the form reader (idempotent).
void RegisterDataGridClasses();
// The cell-editing properties (EditControlOptions, MemoAttributes, MultiSelectOptions); RegisterDataGridClasses
// calls it.
void RegisterGridEditProperties();
