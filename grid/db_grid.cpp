// The grid's column list, data link and display: rows follow the link's buffer, input moves the data set.
#include "grid/db_grid.h"

#include "framework/base/restore.h"

#include <algorithm>
#include <cstdlib>

#include "framework/data/strings.h"
#include "grid/grid_tokens.h"

namespace {

void Raise(const TNotifyEvent& event, TComponent& sender) {
    if (event) event(sender);
}

}  // namespace

// --- column and data link ---

bool TpkColumn::ReadOnly() const {
    if (!grid_) return false;
    int i = grid_->SelectedIndexOf(fieldName_);
    return i >= 0 && TSelectedEntry::Parse(grid_->Selected()[i]).IsReadOnly();
}

TpkGridDataLink::~TpkGridDataLink() = default;

TField* TpkGridDataLink::Fields(int index) const {
    TDataSet* ds = DataSet();
    int f = map_.at(static_cast<size_t>(index));
    if (!ds || f < 0 || f >= ds->FieldCount()) return nullptr;
    return &ds->Fields()[f];
}

void TpkGridDataLink::AddMapping(const std::string& fieldName) {
    TDataSet* ds = DataSet();
    TField* field = ds ? ds->FindField(fieldName) : nullptr;
    if (!field) return;
    if (FieldCount() >= kMaxMappedFields)
        throw EInvalidGridOperation("Grid requested to display more than 256 columns");
    if (FieldCount() == capacity_) {
        capacity_ = capacity_ == 0 ? 8 : std::min(capacity_ * 2, kMaxMappedFields);
        map_.reserve(static_cast<size_t>(capacity_));
    }
    map_.push_back(field->Index());
}

void TpkGridDataLink::ClearMapping() {
    std::vector<int32_t>().swap(map_);
    capacity_ = 0;
}

void TpkGridDataLink::ActiveChanged() { grid_->LinkActive(Active()); }

void TpkGridDataLink::DataSetChanged() {
    grid_->DataChanged();
    modified_ = false;
}

void TpkGridDataLink::DataSetScrolled(int distance) { grid_->Scroll(distance); }

void TpkGridDataLink::LayoutChanged() { grid_->LayoutChanged(); }

void TpkGridDataLink::EditingChanged() { grid_->EditingChanged(); }

void TpkGridDataLink::RecordChanged(TField* field) { grid_->EditRecordChanged(field); }

void TpkGridDataLink::UpdateData() {
    TRestore<bool> guard(inUpdateData_, true);
    if (modified_) grid_->WriteEditText();  // a refused text raises and stays marked modified
    modified_ = false;
}

// --- the grid ---

TpkCustomDBGrid::TpkCustomDBGrid(TComponent* owner) : TCustomGrid(owner), link_(this) {
    placeholder_ = std::make_unique<TpkColumn>(nullptr, std::string());
    SetOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing, goColMoving,
                            goEditing, goTabs});
    SetScrollBars(ssHorizontal);
    SetColCount(2);
    SetRowCount(2);
    SetTabStop(true);
    titleFont_.OnChange = [this](TFont&) { if (options_.Contains(dgTitles)) LayoutChanged(); };
    SetGridOptions(options_);
    AcquireGlyphs();  // last: a constructor that fails takes no share
}

TpkCustomDBGrid::~TpkCustomDBGrid() {
    MarkDestroying();
    titleFont_.OnChange = nullptr;
    hintWindow_.reset();
    dragTimer_.reset();
    try {
        link_.SetDataSource(nullptr);
    } catch (...) {
        // Teardown goes on: the data set's own state is not ours to repair here.
    }
    ReleaseGlyphs();
}

void TpkCustomDBGrid::SetDataSource(TDataSource* source) {
    if (source == link_.DataSource()) return;
    link_.SetDataSource(source);
    LinkActive(link_.Active());
}

void TpkCustomDBGrid::SetGridOptions(TpkDBGridOptions options) {
    const TpkDBGridOptions layoutOptions{dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColLines,
                                         dgRowLines, dgRowSelect, dgAlwaysShowSelection, dgPerfectRowFit,
                                         dgShowFooter};
    bool relayout = (options * layoutOptions) != (options_ * layoutOptions);
    options_ = options;
    TGridOptions base{goFixedVertLine, goFixedHorzLine};
    base = TGridOptions{};
    if (options.Contains(dgColLines)) base.Include(goFixedVertLine).Include(goVertLine);
    if (options.Contains(dgRowLines)) base.Include(goFixedHorzLine).Include(goHorzLine);
    if (options.Contains(dgColumnResize)) base.Include(goColSizing).Include(goColMoving);
    if (options.Contains(dgTabs)) base.Include(goTabs);
    if (options.Contains(dgRowSelect)) base.Include(goRowSelect);
    if (options.Contains(dgEditing) && !options.Contains(dgRowSelect)) base.Include(goEditing);
    if (options.Contains(dgAlwaysShowEditor)) base.Include(goAlwaysShowEditor);
    SetOptions(base);
    if (relayout) LayoutChanged();
}

void TpkCustomDBGrid::SetSelected(const TStrings& lines) {
    selected_.Assign(lines);
    LayoutChanged();
}

void TpkCustomDBGrid::SetUseTFields(bool value) {
    if (value == useTFields_) return;
    useTFields_ = value;
    LayoutChanged();
}

void TpkCustomDBGrid::SetTitleLines(int value) {
    if (value < 1) return;
    titleLines_ = value;
    LayoutChanged();
}

void TpkCustomDBGrid::SetGridFixedCols(int value) {
    gridFixedCols_ = value;
    LayoutChanged();
}

void TpkCustomDBGrid::SetTitleButtons(bool value) {
    titleButtons_ = value;
    Invalidate();
}

void TpkCustomDBGrid::SetRowHeightPercent(int value) {
    rowHeightPercent_ = value < 1 ? 100 : value;
    LayoutChanged();
}

void TpkCustomDBGrid::SetShowHorzScrollBar(bool value) {
    showHorzScrollBar_ = value;
    SetScrollBars(value ? ssHorizontal : ssNone);
}

void TpkCustomDBGrid::SetShowVertScrollBar(bool value) {
    showVertScrollBar_ = value;
    if (!value) SetScrollInfo(sbVertical, TScrollInfo{}, true);
    UpdateScrollBar();
}

void TpkCustomDBGrid::SetTitleColor(TColor value) { titleColor_ = value; Invalidate(); }
void TpkCustomDBGrid::SetTitleAlignment(TAlignment value) { titleAlignment_ = value; Invalidate(); }
void TpkCustomDBGrid::SetIndicatorColor(TIndicatorColorType value) { indicatorColor_ = value; Invalidate(); }
void TpkCustomDBGrid::SetFooterColor(TColor value) { footerColor_ = value; LayoutChanged(); }
void TpkCustomDBGrid::SetFooterCellColor(TColor value) { footerCellColor_ = value; LayoutChanged(); }
void TpkCustomDBGrid::SetFooterHeight(int value) { footerHeight_ = std::max(0, value); LayoutChanged(); }

void TpkCustomDBGrid::SetTitleImageList(TImageList* list) {
    if (titleImageList_) RemoveFreeNotification(titleImageList_);
    titleImageList_ = list;
    if (list) FreeNotification(list);
    Invalidate();
}

TpkIButton* TpkCustomDBGrid::IndicatorButton() const {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* b = dynamic_cast<TpkIButton*>(Controls(i))) return b;
    return nullptr;
}


TpkColumn& TpkCustomDBGrid::ColumnByName(const std::string& fieldName) {
    for (auto& c : columns_)
        if (SameText(c->FieldName(), fieldName)) return *c;
    return *placeholder_;
}

TField* TpkCustomDBGrid::ColumnField(int dataCol) const {
    if (!link_.Active() || dataCol < 0 || dataCol >= link_.FieldCount()) return nullptr;
    return link_.Fields(dataCol);
}

int TpkCustomDBGrid::SelectedIndexOf(const std::string& fieldName) const {
    for (int i = 0; i < selected_.Count(); ++i)
        if (SameText(TSelectedEntry::Parse(selected_[i]).field, fieldName)) return i;
    return -1;
}

void TpkCustomDBGrid::ApplyColumnList() {
    TDataSet* ds = DataSet();
    if (useTFields_ && ds && ds->Active() && selected_.Count() > 0) {
        TDisabledControlsScope disabled(*ds);
        for (int i = 0; i < ds->FieldCount(); ++i) ds->Fields()[i].SetVisible(false);
        for (int i = 0; i < selected_.Count(); ++i) {
            TSelectedEntry e = TSelectedEntry::Parse(selected_[i]);
            TField* f = ds->FindField(e.field);
            if (!f) continue;
            if (e.width) f->SetDisplayWidth(*e.width);
            if (e.title) f->SetDisplayLabel(*e.title);
            f->SetIndex(std::min(i, ds->FieldCount() - 1));
            f->SetVisible(true);
        }
    }
    LayoutChanged();
    TakeOverHostedControls();
}

// --- layout ---

int TpkCustomDBGrid::CharWidth() {
    Canvas().Font().Assign(Font());
    // A font that measures "0" as nothing must not make widths divide by zero.
    return std::max(1, Canvas().TextWidth("0"));
}

void TpkCustomDBGrid::ComputeRowHeights() {
    TCanvas& c = Canvas();
    c.Font().Assign(Font());
    int h = c.TextHeight("W") + 2;
    if (options_.Contains(dgRowLines)) ++h;
    h = std::max(1, h * rowHeightPercent_ / 100);
    SetDefaultRowHeight(h);
    if (options_.Contains(dgTitles)) {
        c.Font().Assign(titleFont_);
        int t = c.TextHeight("W") * titleLines_ + 4;
        if (!options_.Contains(dgRowLines)) ++t;
        SetRowHeights(0, t);
    }
}

void TpkCustomDBGrid::BuildFieldMap() {
    TDataSet* ds = DataSet();
    if (!ds) return;
    std::vector<std::unique_ptr<TpkColumn>> old;
    old.swap(columns_);
    if (useTFields_) {
        for (int i = 0; i < ds->FieldCount(); ++i)
            if (ds->Fields()[i].Visible()) link_.AddMapping(ds->Fields()[i].FieldName());
    } else {
        for (int i = 0; i < selected_.Count();) {
            std::string name = TSelectedEntry::Parse(selected_[i]).field;
            if (!ds->FindField(name)) {
                selected_.Delete(i);  // the entry of a field the table lacks goes, silently
                continue;
            }
            link_.AddMapping(name);
            ++i;
        }
    }
    for (int i = 0; i < link_.FieldCount(); ++i) {
        TField* f = link_.Fields(i);
        auto col = std::make_unique<TpkColumn>(this, f ? f->FieldName() : std::string());
        for (auto& o : old)
            if (SameText(o->FieldName(), col->FieldName())) col->SetFooterText(o->FooterText());
        columns_.push_back(std::move(col));
    }
}

std::string TpkCustomDBGrid::ColumnTitle(int dataCol) const {
    TField* f = ColumnField(dataCol);
    if (useTFields_) return f ? f->DisplayLabel() : std::string();
    std::string name = f ? f->FieldName() : std::string();
    int i = f ? SelectedIndexOf(name) : (dataCol < selected_.Count() ? dataCol : -1);
    if (i >= 0) {
        TSelectedEntry e = TSelectedEntry::Parse(selected_[i]);
        if (e.title) return *e.title;
    }
    return f ? f->DisplayLabel() : std::string();
}

int TpkCustomDBGrid::ColumnChars(int dataCol) const {
    TField* f = ColumnField(dataCol);
    if (useTFields_) return f ? f->DisplayWidth() : 10;
    int i = f ? SelectedIndexOf(f->FieldName()) : (dataCol < selected_.Count() ? dataCol : -1);
    if (i >= 0) {
        TSelectedEntry e = TSelectedEntry::Parse(selected_[i]);
        if (e.width) return *e.width;
    }
    // A missing or malformed width takes the field's own display width.
    return f ? f->DisplayWidth() : 10;
}

void TpkCustomDBGrid::SetColumnAttributes() {
    const int w0 = CharWidth();
    const int dataCols = ColCount() - indicatorOffset_;
    const bool limit = options_.Contains(dgTitles) && !options_.Contains(dgNoLimitColSize);
    for (int i = 0; i < dataCols; ++i) {
        TField* f = ColumnField(i);
        if (!f && link_.Active()) continue;
        int w = ColumnChars(i) * w0 + 4;
        if (limit) {
            Canvas().Font().Assign(titleFont_);
            std::string title = ColumnTitle(i);
            int widest = 0, pos = 1;
            while (pos != -1) {
                std::string line = NextToken(title, "~", pos);
                if (line.empty()) break;
                widest = std::max(widest, Canvas().TextWidth(line));
            }
            w = std::max(w, widest + 4);
        }
        SetColWidths(i + indicatorOffset_, w);
        bool stop = f ? !f->ReadOnly() : true;
        if (stop && f && ColumnByName(f->FieldName()).ReadOnly()) stop = false;
        if (stop && f && !editCalculated_) stop = !f->Calculated();
        SetTabStops(i + indicatorOffset_, stop);
    }
}

void TpkCustomDBGrid::LayoutChanged() {
    if (Loading() || !WindowPresent() || layoutDepth_ > 0) return;
    TRestore<int> depth(layoutDepth_, layoutDepth_ + 1);  // a layout rebuild runs
    HideHostedControl();
    titleOffset_ = options_.Contains(dgTitles) ? 1 : 0;
    if (RowCount() <= titleOffset_) SetRowCount(titleOffset_ + 1);
    ComputeRowHeights();
    indicatorOffset_ = options_.Contains(dgIndicator) ? 1 : 0;
    TpkIButton* button = IndicatorButton();
    indicatorWidth_ = button ? std::max(1, button->Width() - 1) : 11;
    link_.ClearMapping();
    if (link_.Active()) {
        BuildFieldMap();
    } else {
        columns_.clear();
    }
    int dataCols = link_.Active() ? link_.FieldCount() : (!useTFields_ ? selected_.Count() : 0);
    // The base's fixed columns must stay below the count while it changes.
    if (FixedCols() >= std::max(1, dataCols) + indicatorOffset_) SetFixedCols(0);
    SetColCount(std::max(1, dataCols) + indicatorOffset_);
    int fixed = indicatorOffset_;
    if (link_.Active() && indicatorOffset_ + gridFixedCols_ < ColCount() && gridFixedCols_ > 0)
        fixed += gridFixedCols_;
    SetFixedCols(fixed);
    if (indicatorOffset_) {
        SetColWidths(0, indicatorWidth_);
        if (Col() == 0) SetCol(1);
    }
    SetReservedBottom(FooterStripHeight());
    UpdateRowCount();
    int visible = VisibleRowCount();
    SetColumnAttributes();
    if (visible != VisibleRowCount()) UpdateRowCount();
    UpdateActive();
    UpdateScrollBar();
    if (button) {
        const TRect corner = CellRect(0, 0);
        if (!corner.IsEmpty()) button->SetBounds(corner.Left, corner.Top, corner.Width(), corner.Height());
    }
    Invalidate();
}

void TpkCustomDBGrid::UpdateRowCount() {
    if (updatingRowCount_) return;
    TRestore<bool> guard(updatingRowCount_, true);
    if (titleOffset_ >= RowCount()) SetRowCount(titleOffset_ + 1);
    SetFixedRows(titleOffset_);
    if (link_.Active() && link_.RecordCount() != 0) {
        SetRowCount(1000);  // so that VisibleRowCount tells how many rows fit
        SetTopRow(titleOffset_);
        int visible = std::max(1, VisibleRowCount());
        if (visible < link_.BufferCount() && Row() >= titleOffset_ + visible - 1) {
            Invalidate();
            Raise(OnTopRowChanged, *this);
        }
        link_.SetBufferCount(visible);
        SetRowCount(link_.RecordCount() + titleOffset_);
        UpdateActive();
    } else {
        SetRowCount(titleOffset_ + 1);
    }
}

void TpkCustomDBGrid::UpdateActive() {
    if (!link_.Active() || !WindowPresent()) return;
    int row = link_.ActiveRecord() + titleOffset_;
    if (row == Row()) return;
    if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
    if (row >= RowCount()) {
        UpdateRowCount();
        row = std::min(link_.ActiveRecord() + titleOffset_, RowCount() - 1);
    }
    MoveColRow(Col(), row, true, false);
}

void TpkCustomDBGrid::UpdateScrollBar() {
    if (!showVertScrollBar_ || !link_.Active() || !WindowPresent()) return;
    TDataSet* ds = DataSet();
    TScrollInfo info = GetScrollInfo(sbVertical);
    TScrollInfo next = info;
    if (ds->IsSequenced()) {
        ds->UpdateCursorPos();
        next.Min = 1;
        next.Page = std::max(1, VisibleRowCount());
        next.Max = ds->RecordCount() + next.Page - 1;
        TDataSetState s = ds->State();
        if (s == dsInactive || s == dsBrowse || s == dsEdit) next.Pos = ds->RecNo();
    } else {
        next.Min = 0;
        next.Page = 0;
        next.Max = 4;
        next.Pos = link_.Bof() ? 0 : link_.Eof() ? 4 : 2;
    }
    if (next.Max - next.Min <= 1) {  // the thumb fills the track
        next.Min = 1;
        next.Max = 1001;
        next.Page = 1000;
        next.Pos = 1;
    }
    if (next == info) return;
    SetScrollInfo(sbVertical, next, true);
}

// --- link notifications ---

void TpkCustomDBGrid::LinkActive(bool active) {
    EditLinkActive(active);
    if (!active) HideEditor();
    LayoutChanged();
    UpdateScrollBar();
    if (active) {
        rowBookmark_.clear();
        haveRowBookmark_ = false;
        if (WindowPresent() && Col() != lastColEntered_) {
            lastColEntered_ = Col();
            Raise(OnColEnter, *this);
            Raise(OnCellChanged, *this);
        } else if (!WindowPresent()) {
            colEnterPending_ = true;
        }
        footerUpdatePending_ = true;
    } else {
        lastColEntered_ = -1;
        rowBookmark_.clear();
        haveRowBookmark_ = false;
    }
}

void TpkCustomDBGrid::DataChanged() {
    if (!WindowPresent()) return;
    EditDataChanged();
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateEditor();
    Invalidate();
    RowChangeEvents();
}

void TpkCustomDBGrid::Scroll(int distance) {
    if (!WindowPresent()) return;
    const int oldRow = Row();
    UpdateScrollBar();
    UpdateActive();
    HideEditor();
    if (distance != 0) HideHostedControl();
    if (distance != 0) {
        if (std::abs(distance) > VisibleRowCount()) {
            Invalidate();
        } else {
            // Move the pixels of the data area; only the uncovered strip and the changed rows repaint.
            const int pitch = DefaultRowHeight() + GridLineWidth();
            TRect area = BoxRect(indicatorOffset_, titleOffset_, ColCount() - 1, RowCount() - 1);
            area.Right = ClientWidth();
            area.Bottom = std::max(area.Bottom, FixedHeight() + VisibleRowCount() * pitch);
            if (!area.IsEmpty()) ScrollWindow(0, -distance * pitch, &area);
            if (indicatorOffset_) {
                if (indicatorRow_ >= 0) InvalidateCell(0, indicatorRow_);
                InvalidateCell(0, Row());
            }
            InvalidateRow(oldRow - distance);
        }
    }
    InvalidateRow(oldRow);
    InvalidateRow(Row());
    if (options_.Contains(dgAlwaysShowEditor)) ShowEditor();  // not on hosted or memo cells (CanEditShow)
    if (!mouseMoving_) Update();
    if (distance != 0) Raise(OnTopRowChanged, *this);
    RowChangeEvents();
}

void TpkCustomDBGrid::EditingChanged() {
    if (indicatorOffset_ && WindowPresent()) InvalidateCell(0, Row());
    TDataSet* ds = DataSet();
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert)) footerUpdatePending_ = true;
}

void TpkCustomDBGrid::RowChangeEvents() {
    TDataSet* ds = DataSet();
    if (!(OnRowChanged || OnCellChanged || OnUpdateFooter) || !ds || !ds->Active()) return;
    TBookmark now = ds->GetBookmark();
    bool changed = !haveRowBookmark_;
    if (!changed && !now.empty() && !rowBookmark_.empty()) {
        int cmp = ds->CompareBookmarks(now, rowBookmark_);
        changed = cmp != 0 && cmp != 2;
    } else if (!changed) {
        changed = now.empty() != rowBookmark_.empty() && (ds->State() == dsInsert || !now.empty());
    }
    rowBookmark_ = now;
    haveRowBookmark_ = true;
    if (changed) {
        Raise(OnRowChanged, *this);
        Raise(OnCellChanged, *this);
    }
    if (colEnterPending_) {
        colEnterPending_ = false;
        lastColEntered_ = Col();
        Raise(OnColEnter, *this);
        Raise(OnCellChanged, *this);
    }
    if (OnUpdateFooter && (changed || footerUpdatePending_)) {
        footerUpdatePending_ = false;
        OnUpdateFooter(*this);
    }
}

// --- user changes to the columns ---

void TpkCustomDBGrid::ColWidthsChanged() {
    TCustomGrid::ColWidthsChanged();
    if (layoutDepth_ > 0 || !link_.Active() || !WindowPresent()) return;
    const int w0 = CharWidth();
    const int slack = std::max(0, w0 / 2 - 3);
    const int dataCols = std::min(ColCount() - indicatorOffset_, link_.FieldCount());
    if (useTFields_) {
        for (int i = 0; i < dataCols; ++i)
            if (TField* f = ColumnField(i)) f->SetDisplayWidth((ColWidths(i + indicatorOffset_) + slack - 4) / w0);
    } else {
        for (int i = 0; i < dataCols && i < selected_.Count(); ++i) {
            TSelectedEntry e = TSelectedEntry::Parse(selected_[i]);
            TField* f = ColumnField(i);
            int chars = std::max(0, (ColWidths(i + indicatorOffset_) + slack - 4) / w0);
            selected_.Put(i, e.Compose(chars, f ? f->DisplayLabel() : e.field));
        }
    }
    LayoutChanged();
}

void TpkCustomDBGrid::ColumnMoved(int fromIndex, int toIndex) {
    const int a = fromIndex - indicatorOffset_, b = toIndex - indicatorOffset_;
    if (a < 0 || b < 0) return;
    if (!useTFields_) {
        if (a < selected_.Count() && b < selected_.Count()) selected_.Move(a, b);
        LayoutChanged();
    } else {
        TField* fa = ColumnField(a);
        TField* fb = ColumnField(b);
        if (fa && fb) fa->SetIndex(fb->Index());
        LayoutChanged();
    }
    Invalidate();
    if (OnColumnMoved) OnColumnMoved(*this, a, b);
}

void TpkCustomDBGrid::TopLeftChanged() {
    TCustomGrid::TopLeftChanged();
    if (options_.Contains(dgShowFooter)) InvalidateRect(Rect(0, RowAreaHeight(), ClientWidth(), ClientHeight()));
    if (OnLeftColChanged) OnLeftColChanged(*this, LeftCol());
}

bool TpkCustomDBGrid::CanEditShow() {
    return TCustomGrid::CanEditShow() && CellEditorAllowed();
}

void TpkCustomDBGrid::SetParent(TWinControl* parent) {
    TCustomGrid::SetParent(parent);
    if (parent && firstWindow_ && !Loading()) {
        firstWindow_ = false;
        LayoutChanged();
        UpdateScrollBar();
        RowChangeEvents();
    }
}

void TpkCustomDBGrid::Loaded() {
    TCustomGrid::Loaded();
    if (Parent()) firstWindow_ = false;
    LayoutChanged();
}

void TpkCustomDBGrid::Resize() {
    TCustomGrid::Resize();
    HideHostedControl();
    HideEditor();
    if (layoutDepth_ > 0) return;
    UpdateRowCount();
    UpdateScrollBar();
    TDataSet* ds = DataSet();
    if (ds && ds->Active() && ds->Bof() && ds->Eof()) Invalidate();
}

void TpkCustomDBGrid::CMFontChanged() {
    TCustomGrid::CMFontChanged();
    LayoutChanged();
}

void TpkCustomDBGrid::DoExit() {
    CloseCellHint();
    if (EditFocusInside()) return;  // the focus went to the grid's own editor
    TDataSet* ds = DataSet();
    if (link_.Active() && ds && options_.Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() &&
        !link_.Modified())
        ds->Cancel();
    else if (!WriteBackOnExit()) return;
    HideHostedControl();
    TCustomGrid::DoExit();
}

// --- keyboard ---

void TpkCustomDBGrid::LineDown() {
    TDataSet* ds = DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !link_.Modified()) {
        if (!link_.Eof()) ds->Cancel();
        return;
    }
    if (ds->Eof() && link_.ActiveRecord() < link_.RecordCount() - 1) {
        link_.SetActiveRecord(link_.ActiveRecord() + 1);
        UpdateActive();
    } else {
        ds->Next();
    }
    if (ds->Eof() && ds->CanModify() && !readOnly_ && options_.Contains(dgEditing) &&
        keyOptions_.Contains(dgAllowInsert))
        ds->Append();
}

void TpkCustomDBGrid::LineUp() {
    TDataSet* ds = DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !link_.Modified() && ds->Eof()) {
        ds->Cancel();
    } else if (ds->Bof() && link_.ActiveRecord() > 0) {
        link_.SetActiveRecord(link_.ActiveRecord() - 1);
        UpdateActive();
    } else {
        ds->Prior();
    }
}

void TpkCustomDBGrid::SelectDataColumn(int col) {
    col = std::clamp(col, FixedCols(), ColCount() - 1);
    if (col == Col()) return;
    WriteBackEdit();
    Raise(OnColExit, *this);
    HideEditor();
    MoveColRow(col, Row(), true, true);
    lastColEntered_ = col;
    Raise(OnColEnter, *this);
    Raise(OnCellChanged, *this);
}

void TpkCustomDBGrid::KeyDown(TKey& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(*this, key, shift);
    if (key == 0) return;
    if (EditKeyDown(key, shift)) return;
    TDataSet* ds = DataSet();
    if (!link_.Active() || !ds) {
        TCustomGrid::KeyDown(key, shift);
        return;
    }
    const bool ctrl = shift.Contains(ssCtrl);
    const bool rowSelect = options_.Contains(dgRowSelect);
    const bool oneField = ds->FieldCount() == 1;
    const int visible = VisibleRowCount();
    switch (key) {
        case VK_UP:
            if (ctrl) link_.MoveBy(-link_.ActiveRecord()); else LineUp();
            break;
        case VK_PRIOR:
            if (ctrl) link_.MoveBy(-link_.ActiveRecord()); else link_.MoveBy(-visible);
            break;
        case VK_DOWN:
            if (ctrl) link_.MoveBy(link_.BufferCount() - link_.ActiveRecord() - 1); else LineDown();
            break;
        case VK_NEXT:
            if (ctrl) link_.MoveBy(link_.BufferCount() - link_.ActiveRecord() - 1); else link_.MoveBy(visible);
            break;
        case VK_HOME:
            if (ctrl || oneField || rowSelect) ds->First(); else SelectDataColumn(FixedCols());
            break;
        case VK_END:
            if (ctrl || oneField || rowSelect) ds->Last(); else SelectDataColumn(ColCount() - 1);
            break;
        case VK_LEFT:
            if (ctrl) SelectDataColumn(FixedCols());
            else if (rowSelect) LineUp();
            else SelectDataColumn(Col() - 1);
            break;
        case VK_RIGHT:
            if (ctrl) SelectDataColumn(ColCount() - 1);
            else if (rowSelect) LineDown();
            else SelectDataColumn(Col() + 1);
            break;
        case VK_DELETE:
            // Deleting records from the grid needs the confirmation of the cell-editing layer; the key is taken.
            break;
        case VK_INSERT:
            if (!readOnly_ && options_.Contains(dgEditing) && keyOptions_.Contains(dgAllowInsert) && ds->CanModify())
                ds->Insert();
            break;
        case VK_TAB: {
            if (shift.Contains(ssAlt) || !options_.Contains(dgTabs)) return;
            const bool back = shift.Contains(ssShift);
            int col = Col();
            for (int steps = 0; steps < ColCount(); ++steps) {
                col += back ? -1 : 1;
                if (col >= ColCount()) {
                    LineDown();
                    SelectDataColumn(FixedCols());
                    break;
                }
                if (col < FixedCols()) {
                    LineUp();
                    SelectDataColumn(ColCount() - 1);
                    break;
                }
                if (TabStops(col) || col == Col()) {
                    SelectDataColumn(col);
                    break;
                }
            }
            break;
        }
        case VK_ESCAPE:
            if (ds->State() == dsInsert || ds->State() == dsEdit) ds->Cancel();
            if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
            break;
        default:
            TCustomGrid::KeyDown(key, shift);
            return;
    }
    key = 0;
}

// --- mouse ---

void TpkCustomDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    CloseCellHint();
    if (!IsActiveControl() && CanFocus()) SetFocus();
    if (button == mbLeft && shift.Contains(ssDouble)) DblClick();
    TGridState sizing;
    int index = 0, pos = 0, ofs = 0;
    CalcSizingState(x, y, sizing, index, pos, ofs);
    TGridCoord hit = MouseCoord(x, y);
    if (sizing != gsNormal || hit.Y < 0 || hit.X < 0 || hit.Y < titleOffset_ || hit.X < indicatorOffset_) {
        if (button == mbLeft && titleButtons_ && sizing == gsNormal && hit.Y >= 0 && hit.Y < titleOffset_ &&
            hit.X >= indicatorOffset_) {
            pressedTitleCol_ = hit.X;
            titleDragged_ = false;
            InvalidateCell(hit.X, hit.Y);
        }
        TCustomGrid::MouseDown(button, shift, x, y);  // column sizing and moving are the base's
        return;
    }
    if (link_.Active()) {
        const int oldCol = Col(), oldRow = Row();
        if (!options_.Contains(dgRowSelect) && hit.X != Col()) SelectDataColumn(hit.X);
        if (hit.Y != Row()) {
            TRestore<bool> moving(mouseMoving_, true);
            link_.MoveBy(hit.Y - Row());
        }
        if (Col() != oldCol || Row() != oldRow) Raise(OnCellChanged, *this);
        CellMouseDown(button, shift, hit, oldCol, oldRow);
        Update();
    }
    if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TpkCustomDBGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const TGridState state = GridState();
    const int sizedCol = state == gsColSizing ? MouseCoord(x, y).X : -1;
    if (state == gsColMoving && dragStarted_) titleDragged_ = true;
    TCustomGrid::MouseUp(button, shift, x, y);
    if (state == gsColSizing && OnColWidthChanged) OnColWidthChanged(*this, sizedCol);
    if (pressedTitleCol_ >= 0) {
        const int col = pressedTitleCol_;
        pressedTitleCol_ = -1;
        InvalidateCell(col, 0);
        TGridCoord hit = MouseCoord(x, y);
        if (!titleDragged_ && hit.X == col && hit.Y >= 0 && hit.Y < titleOffset_ && OnTitleButtonClick) {
            TField* f = ColumnField(col - indicatorOffset_);
            OnTitleButtonClick(*this, f ? f->FieldName() : std::string());
        }
    }
}

bool TpkCustomDBGrid::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (OnMouseWheel) {
        bool handled = false;
        OnMouseWheel(*this, shift, wheelDelta, mousePos, handled);
        if (handled) return true;
    }
    TDataSet* ds = DataSet();
    if (link_.Active() && ds) {
        int notches = wheelDelta / 120;
        if (notches == 0 && wheelDelta != 0) notches = wheelDelta > 0 ? 1 : -1;
        for (int i = 0; i < std::abs(notches); ++i) {
            if (notches < 0) ds->Next(); else ds->Prior();
        }
    }
    return true;
}

void TpkCustomDBGrid::ScrollEvent(TScrollBarKind kind, TScrollCode code, int pos) {
    if (kind != sbVertical) {
        TCustomGrid::ScrollEvent(kind, code, pos);
        return;
    }
    TDataSet* ds = DataSet();
    if (!link_.Active() || !ds) return;
    if (!Focused() && CanFocus()) SetFocus();
    switch (code) {
        case scLineUp: LineUp(); break;
        case scLineDown: LineDown(); break;
        case scPageUp: link_.MoveBy(-VisibleRowCount()); break;
        case scPageDown: link_.MoveBy(VisibleRowCount()); break;
        case scTop: ds->First(); break;
        case scBottom: ds->Last(); break;
        case scPosition:
            if (ds->IsSequenced()) {
                ds->CheckBrowseMode();
                if (pos <= 1) ds->First();
                else if (pos >= ds->RecordCount()) ds->Last();
                else ds->SetRecNo(pos);
                ds->Resync(0);
            } else {
                switch (pos) {
                    case 0: ds->First(); break;
                    case 1: link_.MoveBy(-VisibleRowCount()); break;
                    case 3: link_.MoveBy(VisibleRowCount()); break;
                    case 4: ds->Last(); break;
                    default: break;
                }
            }
            break;
        default: break;
    }
}
