// Painting the data grid: titles, the record indicator, data cells. Painting reads the grid's state and the
// link's buffer; it never moves the data set (the slot a row shows is made current only for the cell's reading,
// and put back on every path).
#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "framework/window/bitmap.h"
#include "grid/active_record_restore.h"
#include "grid/db_grid.h"
#include "grid/grid_tokens.h"

namespace {

// The indicator glyphs, 6 x 11, black ('#') on white: the current record, a record being edited, a record
// being inserted.
constexpr int kGlyphW = 6, kGlyphH = 11;
using Glyph = std::array<const char*, kGlyphH>;
constexpr Glyph kArrow{"......", "#.....", "##....", "###...", "####..", "#####.",
                       "####..", "###...", "##....", "#.....", "......"};
constexpr Glyph kEdit{"##.##.", "..#...", "..#...", "..#...", "..#...", "..#...",
                      "..#...", "..#...", "..#...", "..#...", "##.##."};
constexpr Glyph kInsert{"......", "......", "..#...", "#.#.#.", ".###..", "#####.",
                        ".###..", "#.#.#.", "..#...", "......", "......"};

// The glyph black on white.
void MakeGlyph(TBitmap& bitmap, const Glyph& glyph) {
    bitmap.SetSize(kGlyphW, kGlyphH);
    for (int y = 0; y < kGlyphH; ++y)
        for (int x = 0; x < kGlyphW; ++x) bitmap.Canvas().SetPixel(x, y, glyph[y][x] == '#' ? clBlack : clWhite);
}

// One set of glyphs for all grids: made with the first grid, freed with the last.
struct SharedGlyphs {
    TBitmap arrow, edit, insert;
    SharedGlyphs() {
        MakeGlyph(arrow, kArrow);
        MakeGlyph(edit, kEdit);
        MakeGlyph(insert, kInsert);
    }
};
int gGlyphUsers = 0;
std::unique_ptr<SharedGlyphs> gGlyphs;

unsigned AlignFlags(TAlignment a) {
    return a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT;
}

}  // namespace

void TpkCustomDBGrid::DrawCell(int col, int row, const TRect& cell, TGridDrawState state) {
    TCanvas& c = Canvas();
    TRect rect = cell;
    rect.Right = std::min(rect.Right, 2 * Width());
    const bool fixed = state.Contains(gdFixed);
    c.Font().Assign(fixed ? titleFont_ : Font());
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(fixed ? titleColor_ : Color());
    if (DrawControlCell(col, row, rect, state)) return;  // check boxes, pictures, images
    const int dataCol = col - indicatorOffset_;
    const int dataRow = row - titleOffset_;
    if (dataRow < 0) {
        if (dataCol >= 0 && dataCol < std::max(ColumnCount(), link_.Active() ? 0 : ColCount() - indicatorOffset_))
            DrawTitleCell(c, dataCol, rect);
        else
            c.FillRect(rect);
    } else if (!link_.Active()) {
        c.FillRect(rect);
    } else if (dataCol < 0) {
        DrawIndicatorCell(dataRow, rect);
    } else {
        DrawDataCell(dataCol, dataRow, rect, state);
    }
    DrawCellEdge(rect, fixed);
}

void TpkCustomDBGrid::DrawCellEdge(const TRect& rect, bool fixed) {
    // The base edges fixed cells when Ctl3D is on; the grid edges the rest it paints.
    if (!DefaultDrawing() || (fixed && Ctl3D()) || (!fixed && !Ctl3D())) return;
    TRect e = rect;
    DrawEdge(Canvas(), e, BDR_RAISEDINNER, fixed ? BF_RECT : BF_BOTTOMRIGHT);
}

void TpkCustomDBGrid::DrawTitleCell(TCanvas& c, int dataCol, TRect rect) {
    TField* f = ColumnField(dataCol);
    std::string title = ColumnTitle(dataCol);
    TAlignment alignment = titleAlignment_;
    if (OnCalcTitleAttributes) OnCalcTitleAttributes(*this, f ? f->FieldName() : std::string(), c.Font(), c.Brush(),
                                                     alignment);
    c.FillRect(rect);
    const bool pressed = titleButtons_ && pressedTitleCol_ == dataCol + indicatorOffset_;
    const int shift = pressed ? 1 : 0;  // a pressed button moves its contents right and down
    TRect textRect = rect;
    textRect.Left += pressed ? 4 : 3;
    textRect.Right -= 2;
    bool showText = true;
    TpkTitleImageAttributes image;
    if (OnCalcTitleImage) OnCalcTitleImage(*this, f, image);
    if (image.ImageIndex >= 0 && titleImageList_ && image.ImageIndex < titleImageList_->Count()) {
        const int iw = titleImageList_->Width(), ih = titleImageList_->Height();
        const int y = (rect.Top + rect.Bottom - ih) / 2 + shift;
        int x;
        if (image.ImagePlacement == 0) {
            x = rect.Left + image.Margin;
            textRect.Left = x + iw + 2;
        } else if (image.ImagePlacement == 2) {
            x = rect.Left + (rect.Width() - iw) / 2;
            showText = false;
        } else {
            x = rect.Right - image.Margin - iw;
            textRect.Right = x - 2;
        }
        c.SetClipRect(rect);
        titleImageList_->Draw(c, x + shift, y, image.ImageIndex);
        c.ResetClipRect();
    }
    bool defaultDrawing = true;
    if (OnDrawTitleCell) OnDrawTitleCell(*this, c, f, rect, defaultDrawing);
    if (defaultDrawing && showText) {
        std::string text = title;
        std::replace(text.begin(), text.end(), '~', '\n');
        int lines = titleLines_ != 1 ? static_cast<int>(std::count(title.begin(), title.end(), '~')) + 1 : 1;
        int lineH = c.TextHeight("W");
        textRect.Top += rect.Height() / 2 - lineH * lines / 2;
        OffsetRect(textRect, 0, shift);
        unsigned flags = DT_EXPANDTABS | DT_END_ELLIPSIS | AlignFlags(alignment);
        if (useTFields_) flags |= DT_NOPREFIX;  // field labels show "&" as it is
        c.Brush().SetStyle(bsClear);
        c.SetClipRect(rect);
        c.DrawText(text, textRect, flags);
        c.ResetClipRect();
        c.Brush().SetStyle(bsSolid);
    }
    if (titleButtons_) {
        TRect e = rect;
        DrawEdge(c, e, pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_RECT);
    }
}

void TpkCustomDBGrid::DrawIndicatorCell(int dataRow, const TRect& rect) {
    TCanvas& c = Canvas();
    c.FillRect(rect);
    if (dataRow != link_.ActiveRecord() || dataRow >= link_.RecordCount()) return;
    indicatorRow_ = dataRow + titleOffset_;
    TDataSet* ds = DataSet();
    const TBitmap& g = ds && ds->State() == dsEdit     ? gGlyphs->edit
                       : ds && ds->State() == dsInsert ? gGlyphs->insert
                                                       : gGlyphs->arrow;
    const int x = rect.Left + (rect.Width() - kGlyphW) / 2 + 1;
    const int y = (rect.Top + rect.Bottom - kGlyphH) / 2;
    if (indicatorColor_ == icYellow) {
        // A copy with white as the cell's brush and black as yellow.
        TBitmap yellow(kGlyphW, kGlyphH);
        for (int py = 0; py < kGlyphH; ++py)
            for (int px = 0; px < kGlyphW; ++px)
                yellow.SetPixel(px, py, g.Pixel(px, py) == clBlack ? clYellow : c.Brush().Color());
        c.CopyBitmap(Bounds(x, y, kGlyphW, kGlyphH), yellow, Rect(0, 0, kGlyphW, kGlyphH), SRCCOPY);
    } else {
        // White leaves the background: the glyph is ANDed onto it.
        c.CopyBitmap(Bounds(x, y, kGlyphW, kGlyphH), g, Rect(0, 0, kGlyphW, kGlyphH), SRCAND);
    }
}

void TpkCustomDBGrid::AcquireGlyphs() {
    if (gGlyphUsers++ == 0) gGlyphs = std::make_unique<SharedGlyphs>();
}

void TpkCustomDBGrid::ReleaseGlyphs() {
    if (--gGlyphUsers == 0) gGlyphs.reset();
}

void TpkCustomDBGrid::DrawDataCell(int dataCol, int dataRow, const TRect& rect, TGridDrawState state) {
    TCanvas& c = Canvas();
    if (dataRow >= link_.RecordCount()) {  // the empty row of an empty table
        c.FillRect(rect);
        return;
    }
    TpkActiveRecordRestore restore(link_, dataRow);
    TField* f = ColumnField(dataCol);
    std::string text = f ? GridCellText(*f) : std::string();
    bool highlight = CellHighlighted(state);
    if (highlight) {
        c.Brush().SetColor(clHighlight);
        c.Font().SetColor(clHighlightText);
    }
    if (OnCalcCellColors) OnCalcCellColors(*this, f, state, highlight, c.Font(), c.Brush());
    c.FillRect(rect);
    TRect r = rect;
    const TAlignment alignment = f ? f->Alignment() : taLeftJustify;
    if (alignment == taLeftJustify) r.Left += 3;
    if (alignment == taRightJustify) r.Right -= 2;
    r.Top += options_.Contains(dgRowLines) ? 2 : 1;
    unsigned flags = DT_NOPREFIX | DT_EXPANDTABS | AlignFlags(alignment);
    const int lineH = c.TextHeight("W");
    const bool oneLine = lineH + 2 + 3 >= rect.Height();
    if (options_.Contains(dgWordWrap) && !oneLine) flags |= DT_WORDBREAK;
    if (options_.Contains(dgTrailingEllipsis) && (oneLine || !options_.Contains(dgWordWrap)))
        flags |= DT_END_ELLIPSIS;
    if (oneLine) flags |= DT_SINGLELINE;
    c.Brush().SetStyle(bsClear);
    c.SetClipRect(rect);
    c.DrawText(text, r, flags);
    c.ResetClipRect();
    c.Brush().SetStyle(bsSolid);
    if (OnDrawDataCell) OnDrawDataCell(*this, rect, f, state);
}

// --- the footer and what is drawn over the cells ---

int TpkCustomDBGrid::FooterStripHeight() const {
    if (!options_.Contains(dgShowFooter)) return 0;
    int h = footerHeight_ > 0 ? footerHeight_ : DefaultRowHeight() + 4;
    if (options_.Contains(dgFooter3DCells)) h += 2;
    return h;
}

void TpkCustomDBGrid::Paint() {
    TCustomGrid::Paint();
    if (options_.Contains(dgShowFooter)) DrawFooter();
    if (dragStarted_ && dragImage_) {
        // The dragged title follows the pointer, DragVertOffset pixels from the top.
        Canvas().Draw(dragX_ - dragGrab_, dragVertOffset_, *dragImage_);
    }
}

void TpkCustomDBGrid::DrawFooter() {
    TCanvas& c = Canvas();
    const int top = RowAreaHeight(), bottom = ClientHeight(), cw = ClientWidth();
    if (top >= bottom) return;
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(Rect(0, top, cw, bottom));
    // The columns' part: FooterColor, a black top line and a white line inside it.
    int right = 0;
    std::vector<std::pair<int, TRect>> cells;  // data column, cell rectangle
    for (int col = 0; col < ColCount(); ++col) {
        if (col >= FixedCols() && col < LeftCol()) continue;
        const TRect r = CellRect(col, FixedRows() > 0 ? 0 : TopRow());
        if (r.IsEmpty()) continue;
        right = std::max(right, r.Right + GridLineWidth());
        if (col >= indicatorOffset_) cells.emplace_back(col - indicatorOffset_, Rect(r.Left, top, r.Right, bottom));
    }
    right = std::min(right, cw);
    c.Brush().SetColor(footerColor_);
    c.FillRect(Rect(0, top, right, bottom));
    c.Brush().SetColor(clBlack);
    c.FillRect(Rect(0, top, right, top + 1));
    c.Brush().SetColor(clWhite);
    c.FillRect(Rect(0, top + 1, right, top + 2));
    const bool threeD = options_.Contains(dgFooter3DCells);
    for (auto& [dataCol, strip] : cells) {
        TRect cell = strip;
        cell.Top += 2 + 2;  // below the two lines, inset 2
        cell.Bottom -= 2;
        if (cell.Bottom <= cell.Top) continue;
        c.Brush().SetColor(footerCellColor_);
        c.FillRect(cell);
        TRect edge = cell;
        DrawEdge(c, edge, BDR_SUNKENOUTER, BF_RECT);
        if (threeD) {
            TRect outer = cell;
            InflateRect(outer, 1, 1);
            DrawEdge(c, outer, BDR_SUNKENINNER, BF_RECT);
        }
        TField* f = ColumnField(dataCol);
        const std::string text = dataCol < ColumnCount() ? Columns(dataCol).FooterText() : std::string();
        bool defaultDrawing = true;
        if (OnDrawFooterCell) OnDrawFooterCell(*this, c, cell, f, text, defaultDrawing);
        if (!defaultDrawing || text.empty()) continue;
        c.Font().Assign(Font());
        TRect r = cell;
        r.Left += 5;
        r.Right -= 2;
        const unsigned flags = DT_NOPREFIX | DT_WORDBREAK | AlignFlags(f ? f->Alignment() : taLeftJustify);
        TRect need = r;
        c.DrawText(text, need, flags | DT_CALCRECT);
        OffsetRect(r, 0, std::max(0, (cell.Height() - need.Height()) / 2));
        c.Brush().SetStyle(bsClear);
        c.SetClipRect(cell);
        c.DrawText(text, r, flags);
        c.ResetClipRect();
        c.Brush().SetStyle(bsSolid);
    }
}
