// The grid base: TCustomGrid, a scrollable table of cells with fixed (non-scrolling) leading rows and columns,
// column widths and row heights, grid lines, a current cell and a selection, keyboard and mouse navigation,
// column sizing and moving with the mouse, scroll bars, and an in-place editor (TInplaceEdit) over the current
// cell. A derived grid supplies the cell contents through its overridable steps (DrawCell, GetEditText,
// SetEditText, SelectCell, ...) and hears of changes through ColWidthsChanged, ColumnMoved, TopLeftChanged.
// Cells are addressed (column, row) from 0; fixed columns come first, then the scrolling ones from LeftCol on.
// Each cell is followed by its grid line (GridLineWidth pixels) to the right and below.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/window/controls.h"

class TCustomGrid;

// A grid operation the grid's state does not allow.
class EInvalidGridOperation : public EInvalidOperation {
public:
    using EInvalidOperation::EInvalidOperation;
};

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
    goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

enum TGridDrawStateFlag { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateFlag>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

struct TGridCoord {
    int X = 0;  // column
    int Y = 0;  // row
    bool operator==(const TGridCoord&) const = default;
};

// A block of cells, corners included.
struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

// The editor the grid places over its current cell: single-line, or multi-line with word wrap; without a border
// its text sits 2 pixels in from the left and top. Keys that move between cells go to the grid.
class TInplaceEdit : public TWinControl {
public:
    // REQUIRES: grid outlives the editor (the grid owns and frees it).
    explicit TInplaceEdit(TCustomGrid* grid);
    ~TInplaceEdit() override;

    TCustomGrid* Grid() const { return grid_; }
    std::string EditText() const;
    void SetEditText(const std::string& text);
    void SelectAll();
    void Deselect();
    int SelStart() const;
    int SelLength() const;
    void SetSel(int start, int length);
    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    // Multi-line with word wrap (else a single line).
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool BorderStyleNone() const { return !border_; }
    void SetBorder(bool value);
    // Takes text, limit and read-only state from the grid's current cell.
    virtual void UpdateContents();
    // Places the editor on the rectangle (grid client coordinates), shows it and gives it the focus when the
    // grid has it.
    void Move(const TRect& rect);
    // The editor's rectangle changed: lays out the text area inside it.
    virtual void BoundsChanged();
    // Types a character as if the user had (replacing the selection).
    void TypeChar(char ch);
    void SetFocus() override;
    bool Focused() const;

    void KeyDown(TKey& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void KeyUp(TKey& key, TShiftState shift) override;

protected:
    friend class TCustomGrid;
    // The text changed by the user: the grid hears it through SetEditText.
    virtual void Change();
    void Resize() override;
    void CMFontChanged() override;
    void CMColorChanged() override;

private:
    struct EditImpl;
    void RebuildEditor();

    TCustomGrid* grid_;
    std::unique_ptr<EditImpl> edit_;  // the Qt editor inside
    int maxLength_ = 0;
    bool modified_ = false;
    bool wordWrap_ = false;
    bool border_ = false;
    bool settingText_ = false;        // text set by code, not typed
};

class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* owner);
    ~TCustomGrid() override;

    int ColCount() const { return colCount_; }
    void SetColCount(int value);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int value);
    // Fewer than ColCount (else EInvalidGridOperation "Fixed column count must be less than column count").
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);
    int DefaultColWidth() const { return defaultColWidth_; }
    // Sets every column to the width.
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);
    // REQUIRES: 0 <= index < ColCount (out of range reads the default and ignores writes).
    int ColWidths(int index) const;
    void SetColWidths(int index, int width);
    int RowHeights(int index) const;
    void SetRowHeights(int index, int height);
    bool TabStops(int index) const;
    void SetTabStops(int index, bool value);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int value);
    TGridOptions Options() const { return options_; }
    virtual void SetOptions(TGridOptions options);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor color);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; Invalidate(); }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value) { ctl3D_ = value; Invalidate(); }

    // The current cell.
    int Col() const { return current_.X; }
    void SetCol(int value);
    int Row() const { return current_.Y; }
    void SetRow(int value);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& rect);
    // The first scrolling column and row shown.
    int LeftCol() const { return topLeft_.X; }
    void SetLeftCol(int value);
    int TopRow() const { return topLeft_.Y; }
    void SetTopRow(int value);
    // How many scrolling columns / rows fit wholly in the client area from LeftCol / TopRow (at least 1 when
    // there is one).
    int VisibleColCount() const;
    int VisibleRowCount() const;
    // The client height rows may use (the client area less what lies below the rows).
    int RowAreaHeight() const;
    // The rectangle of a cell in client coordinates; empty when the cell is not shown.
    TRect CellRect(int col, int row) const;
    // The rectangle of a block of cells (its visible part).
    TRect BoxRect(int left, int top, int right, int bottom) const;
    // The cell under a client point; -1 in X or Y where the point lies beyond the cells.
    TGridCoord MouseCoord(int x, int y) const;

    bool EditorMode() const { return editorMode_; }
    void SetEditorMode(bool value);
    TInplaceEdit* InplaceEditor() const { return editor_; }
    TGridState GridState() const { return gridState_; }

    // Repaint requests for parts of the grid.
    void InvalidateCell(int col, int row);
    void InvalidateRow(int row);
    void InvalidateCol(int col);
    void InvalidateGrid() { Invalidate(); }
    void InvalidateGridRect(const TGridRect& rect);
    // Re-reads the editor's text from the current cell.
    void InvalidateEditor();

    // Moves a column (its width and tab stop go with it) and runs ColumnMoved.
    void MoveColumn(int fromIndex, int toIndex);
    void MoveRow(int fromIndex, int toIndex);

    void KeyDown(TKey& key, TShiftState shift) override;
    void KeyPress(char& key) override;

    // --- the steps a derived grid overrides ---
    // Paints one cell (the base has filled it with the cell's colour when DefaultDrawing).
    virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
    // Whether the current cell may move to (col, row).
    virtual bool SelectCell(int col, int row);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void ColumnMoved(int fromIndex, int toIndex);
    virtual void RowMoved(int fromIndex, int toIndex);
    virtual void TopLeftChanged();
    virtual bool CanEditShow();
    virtual bool CanEditModify();
    virtual bool CanEditAcceptKey(char key);
    virtual std::string GetEditText(int col, int row);
    virtual void SetEditText(int col, int row, const std::string& value);
    virtual std::string GetEditMask(int col, int row);
    virtual int GetEditLimit();
    virtual TInplaceEdit* CreateEditor();
    virtual void ShowEditor();
    virtual void HideEditor();

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void ScrollEvent(TScrollBarKind kind, TScrollCode code, int pos) override;
    void Resize() override;
    void DoExit() override;
    void CMFontChanged() override;
    // Which sizing (if any) a press at (x, y) would start; index is the column (row) whose width (height)
    // changes, sizingPos the line position.
    virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs);
    // A column drag may start at origin; false refuses it.
    virtual bool BeginColumnDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool EndColumnDrag(int& origin, int& destination, TPoint mousePt);
    // Moves the current cell (and with moveAnchor the anchor), optionally scrolling it into view.
    void MoveColRow(int col, int row, bool moveAnchor, bool show);
    void FocusCell(int col, int row, bool moveAnchor);
    void MoveTopLeft(int leftCol, int topRow);
    // Shows (or hides) the editor as EditorMode and CanEditShow say, on the current cell.
    void UpdateEdit();
    // Writes the editor's text back to the cell (SetEditText) when it is showing.
    void UpdateText();
    virtual void UpdateScrollRange();
    bool IsActiveControl() const;
    // The largest LeftCol / TopRow that still fills the client area.
    int MaxLeftCol() const;
    int MaxTopRow() const;
    int FixedWidth() const;
    int FixedHeight() const;
    // Pixels at the bottom of the client area that rows never use (a footer below the rows).
    void SetReservedBottom(int pixels);

private:
    void ClampInView(TGridCoord coord);
    void SizeChanged();
    int ColStart(int col) const;  // x of a shown column, or INT_MIN
    int RowStart(int row) const;
    void DrawLines(TCanvas& c);

    int colCount_ = 5, rowCount_ = 5;
    int fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64, defaultRowHeight_ = 24;
    std::vector<int> colWidths_;     // one per column
    std::vector<int> rowHeights_;    // one per row
    std::vector<bool> tabStops_;     // one per column
    int gridLineWidth_ = 1;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TColor fixedColor_;
    bool defaultDrawing_ = true;
    TScrollStyle scrollBars_ = ssBoth;
    TBorderStyle borderStyle_ = bsSingle;
    bool ctl3D_ = true;
    int reservedBottom_ = 0;

    TGridCoord current_{1, 1};      // the current cell
    TGridCoord anchor_{1, 1};       // the other corner of the selection
    TGridCoord topLeft_{1, 1};      // LeftCol, TopRow
    TInplaceEdit* editor_ = nullptr;  // created on first need; a child control, freed with the grid
    bool editorMode_ = false;
    TGridCoord inplaceCell_{-1, -1}; // the cell the editor's text came from

    TGridState gridState_ = gsNormal;
    int sizingIndex_ = -1;           // column or row being sized
    int sizingPos_ = 0;              // where the sizing line is drawn
    int sizingOfs_ = 0;              // offset of the press from the line
    int moveIndex_ = -1;             // column or row being moved
    int movePos_ = -1;               // where it would drop
    bool updatingScroll_ = false;    // UpdateScrollRange is running
};
