// Moving a column by dragging its title: the drag starts once the pointer has left a small square around where
// the button went down, an image of the title follows the pointer, and a timer scrolls the columns while the
// image is held past either edge.
#include <algorithm>
#include <cstdlib>

#include "grid/db_grid.h"

namespace {
constexpr int kDragScrollMs = 100;
}

bool TpkCustomDBGrid::BeginColumnDrag(int& origin, int&, TPoint mousePt) {
    const TRect cell = CellRect(origin, 0);
    dragCol_ = origin;
    dragPending_ = true;
    dragStarted_ = false;
    dragOrigin_ = mousePt;
    dragGrab_ = cell.IsEmpty() ? 0 : mousePt.X - cell.Left;
    dragX_ = mousePt.X;
    return true;
}

void TpkCustomDBGrid::StartColumnDrag(int x) {
    dragStarted_ = true;
    dragX_ = x;
    CloseCellHint();
    const int col = dragCol_;
    const TRect cell = CellRect(col, 0);
    const int maxWidth = ClientWidth() - 9 - (indicatorOffset_ ? indicatorWidth_ : 0) - 2;
    const int w = std::max(1, std::min(cell.Width() + 1, maxWidth));
    const int h = std::max(1, cell.Height() + 1);
    dragImage_ = std::make_unique<TBitmap>(w, h);
    TCanvas& c = dragImage_->Canvas();
    c.Font().Assign(titleFont_);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(titleColor_);
    DrawTitleCell(c, col - indicatorOffset_, Rect(0, 0, w - 1, h - 1));
    c.Brush().SetColor(clBlack);
    c.FillRect(Rect(w - 1, 0, w, h));
    c.FillRect(Rect(0, h - 1, w, h));
    if (!dragTimer_) {
        dragTimer_ = std::make_unique<TTimer>(nullptr);
        dragTimer_->SetInterval(kDragScrollMs);
        dragTimer_->OnTimer = [this](TComponent&) { DragTimer(); };
    }
    dragTimer_->SetEnabled(true);
    Invalidate();
}

void TpkCustomDBGrid::DragTimer() {
    if (!dragStarted_ || !dragImage_) return;
    const int left = dragX_ - dragGrab_, right = left + dragImage_->Width();
    if (right > ClientWidth() && LeftCol() < MaxLeftCol()) {
        SetLeftCol(LeftCol() + 1);
    } else if (left < FixedWidth() && LeftCol() > FixedCols()) {
        SetLeftCol(LeftCol() - 1);
    }
}

bool TpkCustomDBGrid::EndColumnDrag(int& origin, int& destination, TPoint) {
    const bool started = dragStarted_;
    dragPending_ = dragStarted_ = false;
    dragImage_.reset();
    if (dragTimer_) dragTimer_->SetEnabled(false);
    Invalidate();
    // A title that was pressed and let go without moving is a click, not a move.
    return started && origin != destination;
}

void TpkCustomDBGrid::MouseMove(TShiftState shift, int x, int y) {
    if (GridState() == gsColMoving && dragPending_ && !dragStarted_) {
        if (std::abs(x - dragOrigin_.X) <= 2 && std::abs(y - dragOrigin_.Y) < 3) {
            TCustomControl::MouseMove(shift, x, y);  // not a drag yet: the drop place stays
            return;
        }
        StartColumnDrag(x);
    }
    if (dragStarted_) {
        dragX_ = x;
        Invalidate();
        TCustomGrid::MouseMove(shift, x, y);
        return;
    }
    TCustomGrid::MouseMove(shift, x, y);
    if (GridState() == gsNormal) UpdateCellHint(x, y);
}
