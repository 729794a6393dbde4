// Painting the cells that have a control type: check boxes, pictures from blobs, image-list images; the text of
// memo and rich text cells; the control hosted over the current cell. Like the rest of the grid's painting this
// reads the row's record through the link's buffer and puts the active record back on every path.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "framework/data/stream.h"
#include "framework/window/bitmap.h"
#include "framework/window/image_list.h"
#include "framework/window/rich_edit.h"
#include "grid/active_record_restore.h"
#include "grid/db_grid.h"
#include "grid/db_grid_edit_state.h"
#include "grid/grid_tokens.h"
#include "grid/pk_db_edit.h"
#include "grid/pk_intl.h"

namespace {

TCopyMode CopyModeByName(const std::string& name) {
    struct Mode { const char* name; TCopyMode mode; };
    static const Mode kModes[] = {
        {"Source Copy", SRCCOPY},     {"Source Paint", SRCPAINT},       {"Source And", SRCAND},
        {"Source Invert", SRCINVERT}, {"Source Erase", SRCERASE},       {"Not Source Copy", NOTSRCCOPY},
        {"Not Source Erase", NOTSRCERASE}, {"Merge Paint", MERGEPAINT},
    };
    for (const Mode& m : kModes)
        if (SameText(name, m.name)) return m.mode;
    return SRCCOPY;
}

// The picture of a blob field: a bitmap, or one with the 8-byte header (16-bit 1, 16-bit 256, 32-bit length of the
// rest, little-endian) before it. A picture that cannot be read leaves the bitmap empty.
void LoadPicture(TDataSet& ds, TField& field, TBitmap& bitmap) {
    try {
        std::unique_ptr<TStream> stream = ds.CreateBlobStream(field, bmRead);
        if (!stream) return;
        const int64_t size = stream->Size();
        if (size <= 0) return;
        std::vector<unsigned char> bytes(static_cast<size_t>(size));
        stream->Seek(0, TSeekOrigin::soFromBeginning);
        stream->ReadBuffer(bytes.data(), size);
        size_t skip = 0;
        if (size > 7) {
            const uint16_t a = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
            const uint16_t b = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
            const uint32_t n = static_cast<uint32_t>(bytes[4]) | static_cast<uint32_t>(bytes[5]) << 8 |
                               static_cast<uint32_t>(bytes[6]) << 16 | static_cast<uint32_t>(bytes[7]) << 24;
            if (a == 1 && b == 256 && static_cast<int64_t>(n) == size - 8) skip = 8;
        }
        TMemoryStream picture;
        picture.WriteBuffer(bytes.data() + skip, size - static_cast<int64_t>(skip));
        picture.Seek(0, TSeekOrigin::soFromBeginning);
        bitmap.LoadFromStream(picture);
    } catch (const std::exception&) {
        bitmap.SetSize(0, 0);  // an unreadable picture: an empty cell, no message
    }
}

}  // namespace

bool TpkCustomDBGrid::CellHighlighted(TGridDrawState state) const {
    if (options_.Contains(dgMultiSelect) && !state.Contains(gdFixed)) return RowMultiSelected();
    return state.Contains(gdSelected) && (Focused() || options_.Contains(dgAlwaysShowSelection));
}

std::string TpkCustomDBGrid::GridCellText(TField& field) {
    TpkGridEditState& e = EditState();
    TDataSet* ds = DataSet();
    if (field.DataType() == ftMemo) {
        if (ds && ds->State() == dsInsert && ds->RecordCount() == 0) return std::string();
        if (!e.memoAttributes.Contains(mGridShow)) return "(Memo)";
        try {
            return field.AsString();
        } catch (const std::exception&) {
            return "(Memo)";
        }
    }
    std::string type, params;
    ControlTypeOf(&field, type, params);
    if (field.IsBlob() && SameText(type, "RichEdit")) {
        if (!e.richText) {
            e.richText = new TRichEdit(this);
            e.richText->Hide();
            e.richText->SetAllowProtectionChange(true);
        }
        try {
            e.richText->LoadContents(field.AsString());
        } catch (const std::exception&) {
            return std::string();
        }
        return e.richText->PlainText();
    }
    if (IsHostedTypeName(type)) {
        for (TWinControl* c : e.takenOver)
            if (auto* edit = dynamic_cast<TpkDBCustomEdit*>(c); edit && SameText(edit->DataField(), field.FieldName()))
                return edit->FormatFieldText(field, field.DisplayText());
    }
    return field.DisplayText();
}

bool TpkCustomDBGrid::DrawControlCell(int col, int row, const TRect& rect, TGridDrawState state) {
    const int dataCol = col - indicatorOffset_, dataRow = row - titleOffset_;
    if (dataCol < 0 || dataRow < 0 || !link_.Active() || dataRow >= link_.RecordCount()) return false;
    TField* f = ColumnField(dataCol);
    if (!f) return false;
    std::string type, params;
    ControlTypeOf(f, type, params);
    if (col == Col() && row == Row()) {
        TWinControl* h = options_.Contains(dgEditing) && !readOnly_ ? HostedControlFor(f, type, params) : nullptr;
        if (h) {
            ShowHostedControl(h, f, rect);
            return true;  // the control covers the cell
        }
        HideHostedControl();
    }
    const bool checkBox = SameText(type, "CheckBox"), picture = SameText(type, "Bitmap"),
               image = SameText(type, "ImageIndex");
    if (!checkBox && !picture && !image) return false;
    TDataSet* ds = DataSet();
    const bool inserting = ds->State() == dsInsert && dataRow == link_.ActiveRecord();
    TpkActiveRecordRestore scope(link_, dataRow);
    TCanvas& c = Canvas();
    const bool highlight = CellHighlighted(state);
    if (highlight) {
        c.Brush().SetColor(clHighlight);
        c.Font().SetColor(clHighlightText);
    }
    if (OnCalcCellColors) OnCalcCellColors(*this, f, state, highlight, c.Font(), c.Brush());
    c.FillRect(rect);
    if (checkBox) DrawCheckBox(f, params, dataCol, rect, state);
    else if (picture && !inserting) DrawPicture(f, params, rect, state);
    else if (image) DrawImageIndex(f, params, rect, state);
    if (OnDrawDataCell) OnDrawDataCell(*this, rect, f, state);
    return true;
}

void TpkCustomDBGrid::DrawCheckBox(TField* f, const std::string& params, int, const TRect& rect, TGridDrawState) {
    TCanvas& c = Canvas();
    int pos = 1;
    const std::string tickedValue = NextToken(params, ";", pos);
    const bool selectedField = f->Calculated() && SameText(f->FieldName(), "selected");
    const bool ticked = selectedField ? IsSelectedRecord() : SameText(f->DisplayText(), tickedValue);
    const bool readOnly = f->ReadOnly() || ColumnByName(f->FieldName()).ReadOnly();
    const TRect box = Bounds((rect.Left + rect.Right - 10) / 2, (rect.Top + rect.Bottom - 10) / 2, 10, 10);
    const TpkCheckBoxInGridStyle style = pkIntl() ? pkIntl()->CheckBoxInGridStyle() : cbStyleAuto;
    TRect edge = box;
    if (style != cbStyleXmark) {
        // Flat box with a sunken edge; the tick is a run of short vertical strokes.
        c.Brush().SetColor(readOnly ? clInactiveBorder : clWindow);
        c.FillRect(box);
        DrawEdge(c, edge, BDR_SUNKENOUTER, BF_RECT);
        if (ticked) {
            c.Pen().SetColor(readOnly ? clInactiveCaption : clBlack);
            static const int kTop[] = {3, 4, 5, 4, 3, 2, 1};
            for (int i = 0; i < 7; ++i) {
                c.MoveTo(box.Left + 2 + i, box.Top + kTop[i]);
                c.LineTo(box.Left + 2 + i, box.Top + kTop[i] + 3);
            }
        }
    } else {
        c.Brush().SetColor(clWindow);
        c.FillRect(box);
        DrawEdge(c, edge, EDGE_SUNKEN, BF_RECT);
        if (ticked) {
            c.Pen().SetColor(clBlack);
            c.MoveTo(box.Left + 2, box.Top + 2);
            c.LineTo(box.Right - 2, box.Bottom - 2);
            c.MoveTo(box.Right - 3, box.Top + 2);
            c.LineTo(box.Left + 1, box.Bottom - 2);
        }
    }
}

void TpkCustomDBGrid::DrawPicture(TField* f, const std::string& params, const TRect& rect, TGridDrawState state) {
    TCanvas& c = Canvas();
    TDataSet* ds = DataSet();
    // Lookup and calculated fields would take their picture from another data set; ours define no such links.
    if (f->FieldKind() != fkData || !f->IsBlob()) return;
    TBitmap bitmap;
    LoadPicture(*ds, *f, bitmap);
    if (bitmap.Width() < 1 || bitmap.Height() < 1) return;
    int pos = 1;
    const std::string fit = NextToken(params, ";", pos);
    const TCopyMode mode = CopyModeByName(NextToken(params, ";", pos));
    const int bw = bitmap.Width(), bh = bitmap.Height(), cw = rect.Width(), ch = rect.Height();
    TRect dest, src;
    bool draw = true;
    if (SameText(fit, "Original Size")) {
        const int w = std::min(bw, cw - 1), h = std::min(bh, ch - 1);
        dest = Bounds(rect.Left + 1, rect.Top + 1, w, h);
        src = Rect(0, 0, w, h);
    } else if (SameText(fit, "Stretch To Fit")) {
        dest = rect;
        src = Rect(0, 0, bw, bh);
    } else if (SameText(fit, "Fit Height") || SameText(fit, "Fit Width")) {
        const bool byHeight = SameText(fit, "Fit Height");
        int tw = byHeight ? bw * ch / bh : cw;
        int th = byHeight ? ch : bh * cw / bw;
        draw = tw > 2 && th > 2;
        // A part too wide (or tall) for the cell is cut: only the source that fits is used.
        const int sw = tw > cw ? bw * cw / tw : bw, sh = th > ch ? bh * ch / th : bh;
        dest = Bounds(rect.Left, rect.Top, std::min(tw, cw), std::min(th, ch));
        src = Rect(0, 0, std::max(1, sw), std::max(1, sh));
    } else {
        draw = false;
    }
    if (draw && !dest.IsEmpty()) {
        c.SetClipRect(rect);
        c.CopyBitmap(dest, bitmap, src, mode);
        c.ResetClipRect();
    }
    if (CellHighlighted(state)) {
        c.Brush().SetColor(clHighlight);
        c.FrameRect(rect);
    }
}

void TpkCustomDBGrid::DrawImageIndex(TField* f, const std::string& params, const TRect& rect, TGridDrawState) {
    TImageList* list = EditState().imageList;
    const TFieldType t = f->DataType();
    if (!list || f->IsNull() || !(t == ftInteger || t == ftSmallint || t == ftFloat)) return;
    const double v = f->AsFloat();
    if (!(v >= 0) || v >= list->Count()) return;
    const int index = static_cast<int>(std::trunc(v));
    TCanvas& c = Canvas();
    TRect area = rect;
    InflateRect(area, -1, -1);
    if (SameText(params, "Shrink To Fit")) {
        TBitmap b;
        list->GetBitmap(index, b, c.Brush().Color());
        c.StretchDraw(area, b);
        return;
    }
    const int x = std::max(rect.Left, (rect.Left + rect.Right - list->Width()) / 2);
    const int y = std::max(rect.Top, (rect.Top + rect.Bottom - list->Height()) / 2);
    c.SetClipRect(area);
    list->Draw(c, x, y, index);
    c.ResetClipRect();
}
