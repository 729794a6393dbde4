// Painting the data grid: titles, the record indicator, data cells. Painting reads the grid's state and the
// link's buffer; it never moves the data set (the slot a row shows is made current only for the cell's reading,
// and put back on every path).
#include <algorithm>
#include <array>

#include "framework/window/bitmap.h"
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

// The glyph in the given colours.
void MakeGlyph(TBitmap& bitmap, const Glyph& glyph, TColor ink, TColor paper) {
    bitmap.SetSize(kGlyphW, kGlyphH);
    for (int y = 0; y < kGlyphH; ++y)
        for (int x = 0; x < kGlyphW; ++x) bitmap.Canvas().SetPixel(x, y, glyph[y][x] == '#' ? ink : paper);
}

// Puts the active record back when the cell is done, also when an event handler fails.
class ActiveRecordRestore {
public:
    ActiveRecordRestore(TDataLink& link, int slot) : link_(link), old_(link.ActiveRecord()) {
        if (slot != old_) link_.SetActiveRecord(slot);
    }
    ~ActiveRecordRestore() {
        if (link_.ActiveRecord() != old_) link_.SetActiveRecord(old_);
    }
    ActiveRecordRestore(const ActiveRecordRestore&) = delete;
    ActiveRecordRestore& operator=(const ActiveRecordRestore&) = delete;

private:
    TDataLink& link_;
    int old_;
};

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
            DrawTitleCell(dataCol, rect);
        else
            c.FillRect(rect);
    } else if (!link_.Active()) {
        c.FillRect(rect);
    } else if (dataCol < 0) {
        DrawIndicatorCell(dataRow, rect);
    } else {
        DrawDataCell(dataCol, dataRow, rect, state);
    }
}

void TpkCustomDBGrid::DrawTitleCell(int dataCol, TRect rect) {
    TCanvas& c = Canvas();
    TField* f = ColumnField(dataCol);
    std::string title = ColumnTitle(dataCol);
    TAlignment alignment = titleAlignment_;
    if (OnCalcTitleAttributes) OnCalcTitleAttributes(*this, f ? f->FieldName() : std::string(), c.Font(), c.Brush(),
                                                     alignment);
    c.FillRect(rect);
    bool defaultDrawing = true;
    if (OnDrawTitleCell) OnDrawTitleCell(*this, c, f, rect, defaultDrawing);
    const bool pressed = titleButtons_ && pressedTitleCol_ == dataCol + indicatorOffset_;
    if (defaultDrawing) {
        std::string text = title;
        std::replace(text.begin(), text.end(), '~', '\n');
        int lines = titleLines_ != 1 ? static_cast<int>(std::count(title.begin(), title.end(), '~')) + 1 : 1;
        int lineH = c.TextHeight("W");
        TRect r = rect;
        r.Left += pressed ? 4 : 3;
        r.Right -= 2;
        r.Top += rect.Height() / 2 - lineH * lines / 2;
        if (pressed) OffsetRect(r, 0, 1);
        unsigned flags = DT_EXPANDTABS | DT_END_ELLIPSIS | AlignFlags(alignment);
        if (useTFields_) flags |= DT_NOPREFIX;  // field labels show "&" as it is
        c.Brush().SetStyle(bsClear);
        c.SetClipRect(rect);
        c.DrawText(text, r, flags);
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
    const Glyph& g = ds && ds->State() == dsEdit ? kEdit : ds && ds->State() == dsInsert ? kInsert : kArrow;
    const int x = rect.Left + (rect.Width() - kGlyphW) / 2 + 1;
    const int y = (rect.Top + rect.Bottom - kGlyphH) / 2;
    TBitmap glyph;
    if (indicatorColor_ == icYellow) {
        MakeGlyph(glyph, g, clYellow, c.Brush().Color());
        c.CopyBitmap(Bounds(x, y, kGlyphW, kGlyphH), glyph, Rect(0, 0, kGlyphW, kGlyphH), SRCCOPY);
    } else {
        // White leaves the background: the glyph is ANDed onto it.
        MakeGlyph(glyph, g, clBlack, clWhite);
        c.CopyBitmap(Bounds(x, y, kGlyphW, kGlyphH), glyph, Rect(0, 0, kGlyphW, kGlyphH), SRCAND);
    }
}

void TpkCustomDBGrid::DrawDataCell(int dataCol, int dataRow, const TRect& rect, TGridDrawState state) {
    TCanvas& c = Canvas();
    if (dataRow >= link_.RecordCount()) {  // the empty row of an empty table
        c.FillRect(rect);
        return;
    }
    ActiveRecordRestore restore(link_, dataRow);
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
