#include "framework/window/grids.h"

#include <algorithm>
#include <climits>

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner), fixedColor_(clBtnFace) {
    colWidths_.assign(static_cast<size_t>(colCount_), defaultColWidth_);
    rowHeights_.assign(static_cast<size_t>(rowCount_), defaultRowHeight_);
    tabStops_.assign(static_cast<size_t>(colCount_), true);
    SetBounds(0, 0, 320, 120);
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
    SetFrameWidth(2);
    UpdateScrollRange();
}

TCustomGrid::~TCustomGrid() {
    MarkDestroying();
    editor_ = nullptr;  // a child control: the window control base frees it
}

// --- sizes ---

void TCustomGrid::SizeChanged() {
    current_.X = std::clamp(current_.X, std::min(fixedCols_, colCount_ - 1), colCount_ - 1);
    current_.Y = std::clamp(current_.Y, std::min(fixedRows_, rowCount_ - 1), rowCount_ - 1);
    anchor_.X = std::clamp(anchor_.X, std::min(fixedCols_, colCount_ - 1), colCount_ - 1);
    anchor_.Y = std::clamp(anchor_.Y, std::min(fixedRows_, rowCount_ - 1), rowCount_ - 1);
    topLeft_.X = std::clamp(topLeft_.X, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    topLeft_.Y = std::clamp(topLeft_.Y, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    UpdateScrollRange();
    Invalidate();
    if (editorMode_) InvalidateEditor();
}

void TCustomGrid::SetColCount(int value) {
    value = std::max(1, value);
    if (value == colCount_) return;
    colCount_ = value;
    colWidths_.resize(static_cast<size_t>(value), defaultColWidth_);
    tabStops_.resize(static_cast<size_t>(value), true);
    if (fixedCols_ >= value) fixedCols_ = value - 1;
    SizeChanged();
    ColWidthsChanged();
}

void TCustomGrid::SetRowCount(int value) {
    value = std::max(1, value);
    if (value == rowCount_) return;
    rowCount_ = value;
    rowHeights_.resize(static_cast<size_t>(value), defaultRowHeight_);
    if (fixedRows_ >= value) fixedRows_ = value - 1;
    SizeChanged();
}

void TCustomGrid::SetFixedCols(int value) {
    if (value < 0) throw EInvalidGridOperation("Fixed column count must not be negative");
    if (value >= colCount_) throw EInvalidGridOperation("Fixed column count must be less than column count");
    if (value == fixedCols_) return;
    fixedCols_ = value;
    topLeft_.X = value;
    current_.X = std::max(current_.X, value);
    anchor_.X = std::max(anchor_.X, value);
    SizeChanged();
}

void TCustomGrid::SetFixedRows(int value) {
    if (value < 0) throw EInvalidGridOperation("Fixed row count must not be negative");
    if (value >= rowCount_) throw EInvalidGridOperation("Fixed row count must be less than row count");
    if (value == fixedRows_) return;
    fixedRows_ = value;
    topLeft_.Y = value;
    current_.Y = std::max(current_.Y, value);
    anchor_.Y = std::max(anchor_.Y, value);
    SizeChanged();
}

void TCustomGrid::SetDefaultColWidth(int value) {
    defaultColWidth_ = value;
    std::fill(colWidths_.begin(), colWidths_.end(), value);
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
    defaultRowHeight_ = value;
    std::fill(rowHeights_.begin(), rowHeights_.end(), value);
    RowHeightsChanged();
}

int TCustomGrid::ColWidths(int index) const {
    if (index < 0 || index >= colCount_) return defaultColWidth_;
    return colWidths_[static_cast<size_t>(index)];
}

void TCustomGrid::SetColWidths(int index, int width) {
    if (index < 0 || index >= colCount_ || colWidths_[static_cast<size_t>(index)] == width) return;
    colWidths_[static_cast<size_t>(index)] = width;
    ColWidthsChanged();
}

int TCustomGrid::RowHeights(int index) const {
    if (index < 0 || index >= rowCount_) return defaultRowHeight_;
    return rowHeights_[static_cast<size_t>(index)];
}

void TCustomGrid::SetRowHeights(int index, int height) {
    if (index < 0 || index >= rowCount_ || rowHeights_[static_cast<size_t>(index)] == height) return;
    rowHeights_[static_cast<size_t>(index)] = height;
    RowHeightsChanged();
}

bool TCustomGrid::TabStops(int index) const {
    if (index < 0 || index >= colCount_) return true;
    return tabStops_[static_cast<size_t>(index)];
}

void TCustomGrid::SetTabStops(int index, bool value) {
    if (index < 0 || index >= colCount_) return;
    tabStops_[static_cast<size_t>(index)] = value;
}

void TCustomGrid::SetGridLineWidth(int value) {
    gridLineWidth_ = std::max(0, value);
    SizeChanged();
}

void TCustomGrid::SetOptions(TGridOptions options) {
    if (options == options_) return;
    options_ = options;
    if (!CanEditShow() && editor_ && editor_->Visible()) {
        editor_->Hide();
    }
    if (options_.Contains(goAlwaysShowEditor)) editorMode_ = true;
    Invalidate();
    UpdateEdit();
}

void TCustomGrid::SetFixedColor(TColor color) {
    fixedColor_ = color;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle value) {
    scrollBars_ = value;
    if (value == ssNone || value == ssVertical) SetScrollInfo(sbHorizontal, TScrollInfo{}, true);
    if (value == ssNone || value == ssHorizontal) SetScrollInfo(sbVertical, TScrollInfo{}, true);
    UpdateScrollRange();
}

void TCustomGrid::SetBorderStyle(TBorderStyle value) {
    borderStyle_ = value;
    SetFrameWidth(value == bsSingle ? 2 : 0);
    SizeChanged();
}

// --- geometry ---

int TCustomGrid::FixedWidth() const {
    int w = 0;
    for (int i = 0; i < fixedCols_; ++i) w += ColWidths(i) + gridLineWidth_;
    return w;
}

int TCustomGrid::FixedHeight() const {
    int h = 0;
    for (int i = 0; i < fixedRows_; ++i) h += RowHeights(i) + gridLineWidth_;
    return h;
}

int TCustomGrid::ColStart(int col) const {
    if (col < 0 || col >= colCount_) return INT_MIN;
    int x = 0;
    if (col < fixedCols_) {
        for (int i = 0; i < col; ++i) x += ColWidths(i) + gridLineWidth_;
        return x;
    }
    if (col < topLeft_.X) return INT_MIN;
    x = FixedWidth();
    for (int i = topLeft_.X; i < col; ++i) {
        x += ColWidths(i) + gridLineWidth_;
        if (x > ClientWidth() + 65536) return INT_MIN;
    }
    return x;
}

int TCustomGrid::RowStart(int row) const {
    if (row < 0 || row >= rowCount_) return INT_MIN;
    int y = 0;
    if (row < fixedRows_) {
        for (int i = 0; i < row; ++i) y += RowHeights(i) + gridLineWidth_;
        return y;
    }
    if (row < topLeft_.Y) return INT_MIN;
    y = FixedHeight();
    for (int i = topLeft_.Y; i < row; ++i) {
        y += RowHeights(i) + gridLineWidth_;
        if (y > ClientHeight() + 65536) return INT_MIN;
    }
    return y;
}

TRect TCustomGrid::CellRect(int col, int row) const {
    int x = ColStart(col), y = RowStart(row);
    if (x == INT_MIN || y == INT_MIN || x >= ClientWidth() || y >= RowAreaHeight()) return TRect{};
    return Rect(x, y, x + ColWidths(col), y + RowHeights(row));
}

TRect TCustomGrid::BoxRect(int left, int top, int right, int bottom) const {
    TRect r{};
    for (int c = left; c <= right; ++c)
        for (int rw = top; rw <= bottom; ++rw) {
            TRect cell = CellRect(c, rw);
            if (!cell.IsEmpty()) r = UnionRect(r, Rect(cell.Left, cell.Top, cell.Right + gridLineWidth_,
                                                        cell.Bottom + gridLineWidth_));
        }
    return r;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
    TGridCoord c{-1, -1};
    if (x >= 0 && x < ClientWidth()) {
        int pos = 0;
        for (int i = 0; i < fixedCols_ && c.X < 0; ++i) {
            pos += ColWidths(i) + gridLineWidth_;
            if (x < pos) c.X = i;
        }
        for (int i = topLeft_.X; i < colCount_ && c.X < 0 && pos <= x; ++i) {
            pos += ColWidths(i) + gridLineWidth_;
            if (x < pos) c.X = i;
        }
    }
    if (y >= 0 && y < RowAreaHeight()) {
        int pos = 0;
        for (int i = 0; i < fixedRows_ && c.Y < 0; ++i) {
            pos += RowHeights(i) + gridLineWidth_;
            if (y < pos) c.Y = i;
        }
        for (int i = topLeft_.Y; i < rowCount_ && c.Y < 0 && pos <= y; ++i) {
            pos += RowHeights(i) + gridLineWidth_;
            if (y < pos) c.Y = i;
        }
    }
    return c;
}

int TCustomGrid::RowAreaHeight() const { return std::max(0, ClientHeight() - reservedBottom_); }

void TCustomGrid::SetReservedBottom(int pixels) {
    pixels = std::max(0, pixels);
    if (pixels == reservedBottom_) return;
    reservedBottom_ = pixels;
    SizeChanged();
    Invalidate();
}

int TCustomGrid::VisibleColCount() const {
    int avail = ClientWidth() - FixedWidth(), n = 0, used = 0;
    for (int i = topLeft_.X; i < colCount_; ++i) {
        used += ColWidths(i);
        if (used > avail) break;
        used += gridLineWidth_;
        ++n;
    }
    return topLeft_.X < colCount_ ? std::max(1, n) : 0;
}

int TCustomGrid::VisibleRowCount() const {
    int avail = RowAreaHeight() - FixedHeight(), n = 0, used = 0;
    for (int i = topLeft_.Y; i < rowCount_; ++i) {
        used += RowHeights(i);
        if (used > avail) break;
        used += gridLineWidth_;
        ++n;
    }
    return topLeft_.Y < rowCount_ ? std::max(1, n) : 0;
}

int TCustomGrid::MaxLeftCol() const {
    int avail = ClientWidth() - FixedWidth(), used = 0, result = colCount_ - 1;
    for (int i = colCount_ - 1; i >= fixedCols_; --i) {
        used += ColWidths(i);
        if (used > avail) break;
        result = i;
        used += gridLineWidth_;
    }
    return std::max(fixedCols_, result);
}

int TCustomGrid::MaxTopRow() const {
    int avail = RowAreaHeight() - FixedHeight(), used = 0, result = rowCount_ - 1;
    for (int i = rowCount_ - 1; i >= fixedRows_; --i) {
        used += RowHeights(i);
        if (used > avail) break;
        result = i;
        used += gridLineWidth_;
    }
    return std::max(fixedRows_, result);
}

// --- current cell, selection, scrolling ---

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(current_.X, anchor_.X), std::min(current_.Y, anchor_.Y), std::max(current_.X, anchor_.X),
                std::max(current_.Y, anchor_.Y)};
    if (options_.Contains(goRowSelect)) {
        r.Left = fixedCols_;
        r.Right = colCount_ - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& rect) {
    InvalidateGridRect(Selection());
    anchor_ = TGridCoord{rect.Right, rect.Bottom};
    current_ = TGridCoord{rect.Left, rect.Top};
    ClampInView(current_);
    InvalidateGridRect(Selection());
}

void TCustomGrid::SetCol(int value) {
    if (value != current_.X) FocusCell(value, current_.Y, true);
}

void TCustomGrid::SetRow(int value) {
    if (value != current_.Y) FocusCell(current_.X, value, true);
}

void TCustomGrid::SetLeftCol(int value) { MoveTopLeft(value, topLeft_.Y); }
void TCustomGrid::SetTopRow(int value) { MoveTopLeft(topLeft_.X, value); }

void TCustomGrid::MoveColRow(int col, int row, bool moveAnchor, bool show) {
    col = std::clamp(col, 0, colCount_ - 1);
    row = std::clamp(row, 0, rowCount_ - 1);
    if (!SelectCell(col, row)) return;
    TGridRect old = Selection();
    current_ = TGridCoord{col, row};
    if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
    if (moveAnchor || !options_.Contains(goRangeSelect)) anchor_ = current_;
    if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
    if (show) ClampInView(current_);
    InvalidateGridRect(old);
    InvalidateGridRect(Selection());
    InvalidateCell(current_.X, current_.Y);
}

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor) {
    MoveColRow(col, row, moveAnchor, true);
    UpdateEdit();
    Click();
}

void TCustomGrid::ClampInView(TGridCoord coord) {
    // Tries first columns (rows) until the cell fits wholly; positions depend on topLeft_, restored after.
    TGridCoord saved = topLeft_;
    int left = topLeft_.X, top = topLeft_.Y;
    if (coord.X >= fixedCols_) {
        if (coord.X < left) {
            left = coord.X;
        } else {
            while (left < coord.X) {
                topLeft_.X = left;
                int x = ColStart(coord.X);
                if (x != INT_MIN && x + ColWidths(coord.X) <= ClientWidth()) break;
                ++left;
            }
        }
    }
    if (coord.Y >= fixedRows_) {
        if (coord.Y < top) {
            top = coord.Y;
        } else {
            while (top < coord.Y) {
                topLeft_.Y = top;
                int y = RowStart(coord.Y);
                if (y != INT_MIN && y + RowHeights(coord.Y) <= RowAreaHeight()) break;
                ++top;
            }
        }
    }
    topLeft_ = saved;
    MoveTopLeft(left, top);
}

void TCustomGrid::MoveTopLeft(int leftCol, int topRow) {
    leftCol = std::clamp(leftCol, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    topRow = std::clamp(topRow, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    if (leftCol == topLeft_.X && topRow == topLeft_.Y) {
        UpdateScrollRange();
        Invalidate();
        return;
    }
    topLeft_ = TGridCoord{leftCol, topRow};
    UpdateScrollRange();
    Invalidate();
    TopLeftChanged();
    UpdateEdit();
}

void TCustomGrid::UpdateScrollRange() {
    if (updatingScroll_) return;
    updatingScroll_ = true;
    try {
        // Twice: a bar that appears takes room from the other direction.
        for (int pass = 0; pass < 2; ++pass) {
            if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
                int maxLeft = MaxLeftCol();
                TScrollInfo info;
                if (maxLeft > fixedCols_) info = TScrollInfo{fixedCols_, maxLeft, 0, topLeft_.X, 0};
                SetScrollInfo(sbHorizontal, info, true);
            }
            if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
                int maxTop = MaxTopRow();
                TScrollInfo info;
                if (maxTop > fixedRows_) info = TScrollInfo{fixedRows_, maxTop, 0, topLeft_.Y, 0};
                SetScrollInfo(sbVertical, info, true);
            }
        }
    } catch (...) {
        updatingScroll_ = false;
        throw;
    }
    updatingScroll_ = false;
}

void TCustomGrid::ScrollEvent(TScrollBarKind kind, TScrollCode code, int pos) {
    bool horz = kind == sbHorizontal;
    int current = horz ? topLeft_.X : topLeft_.Y;
    int page = horz ? VisibleColCount() : VisibleRowCount();
    int first = horz ? fixedCols_ : fixedRows_;
    int last = horz ? MaxLeftCol() : MaxTopRow();
    int next = current;
    switch (code) {
        case scLineUp: next = current - 1; break;
        case scLineDown: next = current + 1; break;
        case scPageUp: next = current - std::max(1, page); break;
        case scPageDown: next = current + std::max(1, page); break;
        case scTop: next = first; break;
        case scBottom: next = last; break;
        case scPosition: next = pos; break;
        case scTrack:
            if (!options_.Contains(goThumbTracking)) return;
            next = pos;
            break;
        default: return;
    }
    if (horz) {
        MoveTopLeft(next, topLeft_.Y);
    } else {
        MoveTopLeft(topLeft_.X, next);
    }
}

bool TCustomGrid::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    int notches = wheelDelta / 120;
    if (notches == 0) notches = wheelDelta > 0 ? 1 : (wheelDelta < 0 ? -1 : 0);
    if (notches != 0) FocusCell(current_.X, std::clamp(current_.Y - notches, fixedRows_, rowCount_ - 1), true);
    return true;
}

void TCustomGrid::Resize() {
    TCustomControl::Resize();
    UpdateScrollRange();
    MoveTopLeft(topLeft_.X, topLeft_.Y);
    if (editor_ && editor_->Visible()) editor_->Move(CellRect(current_.X, current_.Y));
}

// --- invalidation ---

void TCustomGrid::InvalidateCell(int col, int row) {
    TRect r = CellRect(col, row);
    if (r.IsEmpty()) return;
    InvalidateRect(Rect(r.Left, r.Top, r.Right + gridLineWidth_, r.Bottom + gridLineWidth_));
}

void TCustomGrid::InvalidateRow(int row) {
    TRect r = CellRect(0, row);
    if (r.IsEmpty()) {
        int y = RowStart(row);
        if (y == INT_MIN) return;
        r = Rect(0, y, 0, y + RowHeights(row));
    }
    InvalidateRect(Rect(0, r.Top, ClientWidth(), r.Bottom + gridLineWidth_));
}

void TCustomGrid::InvalidateCol(int col) {
    int x = ColStart(col);
    if (x == INT_MIN) return;
    InvalidateRect(Rect(x, 0, x + ColWidths(col) + gridLineWidth_, ClientHeight()));
}

void TCustomGrid::InvalidateGridRect(const TGridRect& rect) {
    TRect r = BoxRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (!r.IsEmpty()) InvalidateRect(r);
}

// --- painting ---

void TCustomGrid::Paint() {
    TCanvas& c = Canvas();
    const int cw = ClientWidth(), ch = RowAreaHeight();
    std::vector<int> cols, rows;
    for (int i = 0; i < fixedCols_; ++i) cols.push_back(i);
    for (int i = topLeft_.X; i < colCount_; ++i) {
        int x = ColStart(i);
        if (x == INT_MIN || x >= cw) break;
        cols.push_back(i);
    }
    for (int i = 0; i < fixedRows_; ++i) rows.push_back(i);
    for (int i = topLeft_.Y; i < rowCount_; ++i) {
        int y = RowStart(i);
        if (y == INT_MIN || y >= ch) break;
        rows.push_back(i);
    }
    const bool active = IsActiveControl();
    const TGridRect sel = Selection();
    const bool editorShown = editor_ && editor_->Visible();
    const TColor lineColor = ColorToRGB(Color()) == clSilver ? clGray : clSilver;
    int right = 0, bottom = 0;
    for (int row : rows) {
        for (int col : cols) {
            TRect where = CellRect(col, row);
            if (where.IsEmpty()) continue;
            right = std::max(right, where.Right + gridLineWidth_);
            bottom = std::max(bottom, where.Bottom + gridLineWidth_);
            bool fixed = col < fixedCols_ || row < fixedRows_;
            TGridDrawState state;
            if (fixed) state.Include(gdFixed);
            if (!fixed && active && col == current_.X && row == current_.Y) state.Include(gdFocused);
            if (!fixed && col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom)
                state.Include(gdSelected);
            // Lines: right of and below the cell.
            bool vert = fixed ? options_.Contains(goFixedVertLine) : options_.Contains(goVertLine);
            bool horz = fixed ? options_.Contains(goFixedHorzLine) : options_.Contains(goHorzLine);
            c.Brush().SetStyle(bsSolid);
            c.Brush().SetColor(fixed ? clBlack : lineColor);
            if (gridLineWidth_ > 0) {
                if (vert) c.FillRect(Rect(where.Right, where.Top, where.Right + gridLineWidth_,
                                          where.Bottom + gridLineWidth_));
                if (horz) c.FillRect(Rect(where.Left, where.Bottom, where.Right + gridLineWidth_,
                                          where.Bottom + gridLineWidth_));
                if (!vert) {
                    c.Brush().SetColor(fixed ? fixedColor_ : Color());
                    c.FillRect(Rect(where.Right, where.Top, where.Right + gridLineWidth_, where.Bottom));
                }
                if (!horz) {
                    c.Brush().SetColor(fixed ? fixedColor_ : Color());
                    c.FillRect(Rect(where.Left, where.Bottom, where.Right, where.Bottom + gridLineWidth_));
                }
            }
            // The cell under a showing editor is the editor's.
            if (state.Contains(gdFocused) && editorShown && options_.Contains(goEditing)) continue;
            c.Font().Assign(Font());
            if (fixed) {
                c.Brush().SetColor(fixedColor_);
            } else if (state.Contains(gdSelected) &&
                       (!state.Contains(gdFocused) || options_.Contains(goDrawFocusSelected) ||
                        options_.Contains(goRowSelect))) {
                c.Brush().SetColor(clHighlight);
                c.Font().SetColor(clHighlightText);
            } else {
                c.Brush().SetColor(Color());
            }
            if (defaultDrawing_) c.FillRect(where);
            DrawCell(col, row, where, state);
            if (defaultDrawing_ && fixed && ctl3D_) {
                unsigned f1 = 0, f2 = 0;
                if (options_.Contains(goFixedVertLine)) { f1 |= BF_RIGHT; f2 |= BF_LEFT; }
                if (options_.Contains(goFixedHorzLine)) { f1 |= BF_BOTTOM; f2 |= BF_TOP; }
                TRect e = where;
                if (f1) DrawEdge(c, e, BDR_RAISEDINNER, f1);
                e = where;
                if (f2) DrawEdge(c, e, BDR_RAISEDINNER, f2);
            }
            if (defaultDrawing_ && state.Contains(gdFocused) && !options_.Contains(goRowSelect) &&
                !(options_.Contains(goEditing) && options_.Contains(goAlwaysShowEditor)))
                c.DrawFocusRect(where);
        }
    }
    // What lies beyond the last cells.
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    if (right < cw) c.FillRect(Rect(right, 0, cw, ch));
    if (bottom < ch) c.FillRect(Rect(0, bottom, std::min(right, cw), ch));
    if (reservedBottom_ > 0) c.FillRect(Rect(0, ch, cw, ClientHeight()));
    // The line a column resize would leave, drawn inverted over the picture.
    if (gridState_ == gsColSizing) {
        c.Pen().SetMode(pmNot);
        c.MoveTo(sizingPos_, 0);
        c.LineTo(sizingPos_, ch);
        c.Pen().SetMode(pmCopy);
    } else if (gridState_ == gsColMoving && movePos_ != moveIndex_ && movePos_ >= 0) {
        int x = ColStart(movePos_);
        if (x != INT_MIN) {
            if (movePos_ > moveIndex_) x += ColWidths(movePos_);
            c.Brush().SetColor(clBlack);
            c.FillRect(Rect(std::max(0, x - 1), 0, x + 1, FixedHeight()));
        }
    }
}

void TCustomGrid::DrawCell(int, int, const TRect&, TGridDrawState) {}

// --- the overridable steps' defaults ---

bool TCustomGrid::SelectCell(int, int) { return true; }

void TCustomGrid::ColWidthsChanged() {
    UpdateScrollRange();
    Invalidate();
    if (editor_ && editor_->Visible()) editor_->Move(CellRect(current_.X, current_.Y));
}

void TCustomGrid::RowHeightsChanged() {
    UpdateScrollRange();
    Invalidate();
    if (editor_ && editor_->Visible()) editor_->Move(CellRect(current_.X, current_.Y));
}

void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::RowMoved(int, int) {}
void TCustomGrid::TopLeftChanged() {}

bool TCustomGrid::IsActiveControl() const {
    return Focused() || (editor_ && editor_->Focused());
}

bool TCustomGrid::CanEditShow() {
    return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && editorMode_ &&
           (options_.Contains(goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGrid::CanEditModify() { return true; }
bool TCustomGrid::CanEditAcceptKey(char) { return true; }
std::string TCustomGrid::GetEditText(int, int) { return std::string(); }
void TCustomGrid::SetEditText(int, int, const std::string&) {}
std::string TCustomGrid::GetEditMask(int, int) { return std::string(); }
int TCustomGrid::GetEditLimit() { return 0; }
TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

// --- the editor ---

void TCustomGrid::SetEditorMode(bool value) {
    if (value) {
        ShowEditor();
    } else {
        HideEditor();
    }
}

void TCustomGrid::ShowEditor() {
    editorMode_ = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor() {
    editorMode_ = false;
    if (editor_ && editor_->Visible()) {
        UpdateText();
        bool hadFocus = editor_->Focused();
        inplaceCell_ = TGridCoord{-1, -1};
        editor_->Hide();
        InvalidateCell(current_.X, current_.Y);
        if (hadFocus && CanFocus()) SetFocus();
    }
}

void TCustomGrid::InvalidateEditor() {
    inplaceCell_ = TGridCoord{-1, -1};
    UpdateEdit();
}

void TCustomGrid::UpdateEdit() {
    if (!CanEditShow()) return;
    if (!editor_) {
        editor_ = CreateEditor();
        editor_->SetParent(this);
    }
    if (!(inplaceCell_ == current_)) {
        inplaceCell_ = current_;
        editor_->UpdateContents();
        editor_->SelectAll();
    }
    editor_->Move(CellRect(current_.X, current_.Y));
}

void TCustomGrid::UpdateText() {
    if (editor_ && inplaceCell_.X >= 0 && editor_->Modified())
        SetEditText(inplaceCell_.X, inplaceCell_.Y, editor_->EditText());
}

void TCustomGrid::DoExit() {
    TCustomControl::DoExit();
    InvalidateGridRect(Selection());
}

void TCustomGrid::CMFontChanged() {
    TCustomControl::CMFontChanged();
    if (editor_) editor_->SetFont(Font());
}

// --- moving rows and columns ---

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
    if (fromIndex == toIndex || fromIndex < 0 || toIndex < 0 || fromIndex >= colCount_ || toIndex >= colCount_)
        return;
    int w = colWidths_[static_cast<size_t>(fromIndex)];
    bool t = tabStops_[static_cast<size_t>(fromIndex)];
    colWidths_.erase(colWidths_.begin() + fromIndex);
    colWidths_.insert(colWidths_.begin() + toIndex, w);
    tabStops_.erase(tabStops_.begin() + fromIndex);
    tabStops_.insert(tabStops_.begin() + toIndex, t);
    auto follow = [&](int& index) {
        if (index == fromIndex) index = toIndex;
        else if (fromIndex < index && index <= toIndex) --index;
        else if (toIndex <= index && index < fromIndex) ++index;
    };
    follow(current_.X);
    follow(anchor_.X);
    ColumnMoved(fromIndex, toIndex);
    Invalidate();
    InvalidateEditor();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
    if (fromIndex == toIndex || fromIndex < 0 || toIndex < 0 || fromIndex >= rowCount_ || toIndex >= rowCount_)
        return;
    int h = rowHeights_[static_cast<size_t>(fromIndex)];
    rowHeights_.erase(rowHeights_.begin() + fromIndex);
    rowHeights_.insert(rowHeights_.begin() + toIndex, h);
    RowMoved(fromIndex, toIndex);
    Invalidate();
    InvalidateEditor();
}

// --- keyboard ---

void TCustomGrid::KeyDown(TKey& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == 0) return;
    if (key == VK_TAB && (!options_.Contains(goTabs) || shift.Contains(ssAlt))) return;
    TGridCoord next = current_, top = topLeft_;
    const int page = std::max(1, VisibleRowCount());
    const int pageW = std::max(1, VisibleColCount());
    bool rowSelect = options_.Contains(goRowSelect);
    bool handled = true;
    if (shift.Contains(ssCtrl)) {
        switch (key) {
            case VK_UP: --top.Y; break;
            case VK_DOWN: ++top.Y; break;
            case VK_LEFT: if (!rowSelect) { next.X -= pageW; top.X -= pageW; } break;
            case VK_RIGHT: if (!rowSelect) { next.X += pageW; top.X += pageW; } break;
            case VK_PRIOR: next.Y = topLeft_.Y; break;
            case VK_NEXT: next.Y = topLeft_.Y + VisibleRowCount() - 1; break;
            case VK_HOME: next.X = fixedCols_; next.Y = fixedRows_; break;
            case VK_END: next.X = colCount_ - 1; next.Y = rowCount_ - 1; break;
            default: handled = false; break;
        }
    } else {
        switch (key) {
            case VK_UP: --next.Y; break;
            case VK_DOWN: ++next.Y; break;
            case VK_LEFT: if (rowSelect) --next.Y; else --next.X; break;
            case VK_RIGHT: if (rowSelect) ++next.Y; else ++next.X; break;
            case VK_NEXT: next.Y += page; top.Y += page; break;
            case VK_PRIOR: next.Y -= page; top.Y -= page; break;
            case VK_HOME: if (rowSelect) next.Y = fixedRows_; else next.X = fixedCols_; break;
            case VK_END: if (rowSelect) next.Y = rowCount_ - 1; else next.X = colCount_ - 1; break;
            case VK_TAB: {
                // To the next (Shift: previous) tab stop, wrapping into the next (previous) row.
                bool back = shift.Contains(ssShift);
                int guard = colCount_ * 2 + 2;
                do {
                    if (back) {
                        if (--next.X < fixedCols_) {
                            next.X = colCount_ - 1;
                            if (--next.Y < fixedRows_) next.Y = rowCount_ - 1;
                        }
                    } else {
                        if (++next.X >= colCount_) {
                            next.X = fixedCols_;
                            if (++next.Y >= rowCount_) next.Y = fixedRows_;
                        }
                    }
                } while (!TabStops(next.X) && next.X != current_.X && --guard > 0);
                key = 0;
                break;
            }
            case VK_F2: SetEditorMode(true); break;
            default: handled = false; break;
        }
    }
    if (!handled) return;
    if (top.X != topLeft_.X || top.Y != topLeft_.Y) MoveTopLeft(top.X, top.Y);
    next.X = std::clamp(next.X, std::min(fixedCols_, colCount_ - 1), colCount_ - 1);
    next.Y = std::clamp(next.Y, std::min(fixedRows_, rowCount_ - 1), rowCount_ - 1);
    if (!(next == current_)) FocusCell(next.X, next.Y, !shift.Contains(ssShift));
}

void TCustomGrid::KeyPress(char& key) {
    TCustomControl::KeyPress(key);
    if (key == 0) return;
    if (!options_.Contains(goAlwaysShowEditor) && key == '\r') {
        if (editorMode_ && editor_ && editor_->Visible()) {
            HideEditor();
        } else {
            ShowEditor();
        }
        key = 0;
        return;
    }
    unsigned char u = static_cast<unsigned char>(key);
    bool typing = key == '\b' || (u >= 32 && u != 127);
    if (typing && options_.Contains(goEditing) && !(editor_ && editor_->Visible())) {
        ShowEditor();
        if (editor_ && editor_->Visible()) {
            char ch = key;
            editor_->KeyPress(ch);
            if (ch != 0) editor_->TypeChar(ch);
        }
        key = 0;
    }
}

// --- mouse ---

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs) {
    state = gsNormal;
    index = -1;
    if (options_.Contains(goColSizing) && x > FixedWidth() && y < FixedHeight()) {
        int line = FixedWidth();
        for (int i = topLeft_.X; i < colCount_; ++i) {
            line += ColWidths(i);  // the grid line right of column i starts here
            if (line > ClientWidth()) break;
            // A band 7 pixels wide around the line.
            if (x >= line - 3 && x <= line + 3) {
                state = gsColSizing;
                index = i;
                sizingPos = x;
                sizingOfs = line - x;
                return;
            }
            line += gridLineWidth_;
        }
    } else if (options_.Contains(goRowSizing) && y > FixedHeight() && x < FixedWidth()) {
        int line = FixedHeight();
        for (int i = topLeft_.Y; i < rowCount_; ++i) {
            line += RowHeights(i);
            if (line > ClientHeight()) break;
            if (y >= line - 3 && y <= line + 3) {
                state = gsRowSizing;
                index = i;
                sizingPos = y;
                sizingOfs = line - y;
                return;
            }
            line += gridLineWidth_;
        }
    }
}

bool TCustomGrid::BeginColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndColumnDrag(int&, int&, TPoint) { return true; }

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (!IsActiveControl() && CanFocus()) SetFocus();
    if (button == mbLeft) {
        TGridState state;
        int index, pos, ofs;
        CalcSizingState(x, y, state, index, pos, ofs);
        if (state != gsNormal) {
            gridState_ = state;
            sizingIndex_ = index;
            sizingPos_ = pos;
            sizingOfs_ = ofs;
            SetMouseCapture(true);
            Invalidate();
            TCustomControl::MouseDown(button, shift, x, y);
            return;
        }
        TGridCoord hit = MouseCoord(x, y);
        if (hit.X >= fixedCols_ && hit.Y >= fixedRows_) {
            if (options_.Contains(goEditing)) {
                if (hit == current_) {
                    ShowEditor();
                } else {
                    MoveColRow(hit.X, hit.Y, true, true);
                    UpdateEdit();
                }
                Click();
            } else {
                gridState_ = gsSelecting;
                if (shift.Contains(ssShift) && options_.Contains(goRangeSelect)) {
                    InvalidateGridRect(Selection());
                    anchor_ = hit;
                    InvalidateGridRect(Selection());
                } else {
                    MoveColRow(hit.X, hit.Y, true, true);
                }
            }
        } else if (options_.Contains(goColMoving) && hit.X >= fixedCols_ && hit.Y >= 0 && hit.Y < fixedRows_) {
            moveIndex_ = hit.X;
            movePos_ = hit.X;
            if (BeginColumnDrag(moveIndex_, movePos_, Point(x, y))) {
                gridState_ = gsColMoving;
                SetMouseCapture(true);
                Invalidate();
            }
        }
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
    switch (gridState_) {
        case gsColSizing: {
            int start = ColStart(sizingIndex_);
            sizingPos_ = std::max(x, start == INT_MIN ? x : start + 1 - sizingOfs_);
            Invalidate();
            break;
        }
        case gsRowSizing:
            sizingPos_ = y;
            break;
        case gsColMoving: {
            TGridCoord hit = MouseCoord(x, y);
            int pos = hit.X;
            if (pos < 0) pos = x < FixedWidth() ? fixedCols_ : std::min(colCount_ - 1, topLeft_.X + VisibleColCount());
            pos = std::clamp(pos, fixedCols_, colCount_ - 1);
            if (pos != movePos_) {
                movePos_ = pos;
                Invalidate();
            }
            break;
        }
        case gsSelecting: {
            TGridCoord hit = MouseCoord(x, y);
            if (hit.X >= fixedCols_ && hit.Y >= fixedRows_ && options_.Contains(goRangeSelect) && !(hit == anchor_)) {
                InvalidateGridRect(Selection());
                anchor_ = hit;
                InvalidateGridRect(Selection());
            }
            break;
        }
        default: {
            TGridState state;
            int index, pos, ofs;
            CalcSizingState(x, y, state, index, pos, ofs);
            SetCursor(state == gsColSizing ? crHSplit : state == gsRowSizing ? crVSplit : crDefault);
            break;
        }
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGridState state = gridState_;
    gridState_ = gsNormal;
    switch (state) {
        case gsSelecting:
            Click();
            break;
        case gsColSizing: {
            int start = ColStart(sizingIndex_);
            int size = sizingPos_ + sizingOfs_ - (start == INT_MIN ? 0 : start);
            SetMouseCapture(false);
            Invalidate();
            if (start != INT_MIN && size > 1) SetColWidths(sizingIndex_, size);
            break;
        }
        case gsRowSizing: {
            int start = RowStart(sizingIndex_);
            int size = sizingPos_ + sizingOfs_ - (start == INT_MIN ? 0 : start);
            SetMouseCapture(false);
            if (start != INT_MIN && size > 1) SetRowHeights(sizingIndex_, size);
            break;
        }
        case gsColMoving: {
            SetMouseCapture(false);
            Invalidate();
            int from = moveIndex_, to = movePos_;
            if (EndColumnDrag(from, to, Point(x, y)) && from != to) MoveColumn(from, to);
            moveIndex_ = movePos_ = -1;
            break;
        }
        default: break;
    }
    TCustomControl::MouseUp(button, shift, x, y);
}
