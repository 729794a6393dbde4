// Cell hints: when the pointer rests on a data cell whose text does not fit, a hint window over the cell shows
// all of it. The hint follows the pointer from cell to cell and a timer closes it.
#include <algorithm>

#include "framework/window/forms.h"
#include "grid/active_record_restore.h"
#include "grid/db_grid.h"

namespace {
constexpr int kHintTickMs = 250;
}

TpkGridHintWindow::TpkGridHintWindow(TpkCustomDBGrid* grid) : THintWindow(nullptr), grid_(grid), timer_(nullptr) {
    Font().Assign(grid->Font());
    Font().SetColor(clInfoText);
    timer_.SetEnabled(false);
    timer_.SetInterval(kHintTickMs);
    timer_.OnTimer = [this](TComponent&) { Tick(); };
}

void TpkGridHintWindow::ShowCellHint(const TRect& cellRect, const TRect& hintRect, const std::string& text,
                                     int maxTicks) {
    cell_ = cellRect;
    ticksLeft_ = maxTicks;
    ActivateHint(hintRect, text);
    timer_.SetEnabled(true);
}

void TpkGridHintWindow::CloseHint() {
    timer_.SetEnabled(false);
    ReleaseHandle();
}

void TpkGridHintWindow::Tick() {
    // The pointer's place is asked of the window system: the grid sees no move once the hint covers the cell.
    TPoint p = grid_->ScreenToClient(CursorPos());
    TRect cell = cell_;
    InflateRect(cell, 1, 1);
    const bool inside = PtInRect(cell, p) && p.X >= 0 && p.Y >= 0 && p.X < grid_->ClientWidth() &&
                        p.Y < grid_->ClientHeight();
    if (!inside || --ticksLeft_ <= 0) CloseHint();
}

void TpkCustomDBGrid::CloseCellHint() {
    if (hintWindow_) hintWindow_->CloseHint();
}

void TpkCustomDBGrid::UpdateCellHint(int x, int y) {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell == hintCell_) return;
    hintCell_ = cell;
    CloseCellHint();
    if (!options_.Contains(dgShowCellHint) || !link_.Active() || cell.X < indicatorOffset_ ||
        cell.Y < titleOffset_)
        return;
    if (cell.X == Col() && cell.Y == Row() && EditorMode()) return;  // the editor shows the cell itself
    const int dataCol = cell.X - indicatorOffset_, dataRow = cell.Y - titleOffset_;
    if (dataRow >= link_.RecordCount()) return;
    TField* f = ColumnField(dataCol);
    if (!f || (f->IsBlob() && f->DataType() != ftMemo)) return;
    std::string text;
    {
        TpkActiveRecordRestore slot(link_, dataRow);
        text = GridCellText(*f);
    }
    const TRect rect = CellRect(cell.X, cell.Y);
    if (rect.IsEmpty() || text.empty()) return;
    const bool wrapInCell = options_.Contains(dgWordWrap);
    TCanvas& c = Canvas();
    c.Font().Assign(Font());
    TRect need = Rect(0, 0, std::max(1, rect.Width() - 4), 0);
    c.DrawText(text, need, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrapInCell ? DT_WORDBREAK : DT_SINGLELINE));
    if (need.Width() <= rect.Width() - 4 && need.Height() <= rect.Height()) return;  // it fits: no hint

    if (!hintWindow_) hintWindow_ = std::make_unique<TpkGridHintWindow>(this);
    hintWindow_->Font().Assign(Font());
    hintWindow_->Font().SetColor(clInfoText);
    bool wordWrap = true, doDefault = true;
    int maxWidth = Screen().Width(), maxHeight = rect.Height() - 2;
    if (OnCreateHintWindow)
        OnCreateHintWindow(*this, *hintWindow_, f, rect, wordWrap, maxWidth, maxHeight, doDefault);
    if (!doDefault) return;
    // The hint covers the cell and grows to the text: wider first, then taller when wrapping.
    TRect size = hintWindow_->CalcHintRect(std::max(rect.Width(), std::min(maxWidth, Screen().Width())), text,
                                           wordWrap);
    const int w = std::max(rect.Width(), std::min(size.Width(), maxWidth));
    const int h = std::max(rect.Height(), std::min(size.Height(), maxHeight));
    TPoint origin = ClientToScreen(Point(rect.Left, rect.Top));
    if (f->Alignment() == taRightJustify) origin.X -= w - rect.Width();
    origin.X = std::max(0, std::min(origin.X, Screen().Width() - w));
    const int ticks = std::max(Application ? Application->HintHidePause() / kHintTickMs : 0, 16);
    hintWindow_->ShowCellHint(rect, Bounds(origin.X, origin.Y, w, h), text, ticks);
}

void TpkCustomDBGrid::CMMouseLeave() {
    TCustomGrid::CMMouseLeave();
    // The hint's own timer decides: the hint window covering the cell takes the pointer from the grid.
    hintCell_ = TGridCoord{-1, -1};
}
