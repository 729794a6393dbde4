// The data grid over real tables on disk, in an offscreen window: column list and widths, rows and the link's
// buffer, keyboard, mouse and scroll-bar moves, the layout store, and the painted picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>

#include "../cursor/data_set_fixture.h"
#include "../window/window_support.h"
#include "framework/data/data_source.h"
#include "framework/data/ini_file.h"
#include "framework/window/bitmap.h"
#include "framework/window/dialogs.h"
#include "framework/window/form_reader.h"
#include "framework/window/forms.h"
#include "framework/window/render.h"
#include "grid/db_grid.h"
#include "grid/grid_tokens.h"
#include "temp_dir.h"

namespace {

std::vector<RawRecord> Titles(int n) {
    std::vector<RawRecord> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({{"TITLE", "Saver " + std::to_string(i)}, {"EXENAME", "s" + std::to_string(i) + ".scr"}});
    return rows;
}

// The main window's arrangement: a form, a read-only table of TITLE and EXENAME, and the grid showing TITLE.
class GridOnTable : public ::testing::Test {
protected:
    void Open(int records, bool filtered = false) {
        MakeTable(dir.File("T.DBF"), 0x03, {{"TITLE", 'C', 55}, {"EXENAME", 'C', 55}}, Titles(records));
        ds = DataSetOn(dir.Path(), "T");
        ds->SetReadOnly(true);
        if (filtered) {
            ds->OnFilterRecord = [](TDataSet&, bool& accept) { accept = true; };
            ds->SetFiltered(true);
        }
        ds->Open();
        source.SetDataSet(ds.get());
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(321, 156, 408, 450);
        grid = new TpkDBGrid(form.get());
        grid->SetName("pkDBGrid1");
        grid->SetBounds(16, 16, 369, 369);
        grid->Selected().Add("TITLE\t55\tTITLE");
        grid->SetUseTFields(false);
        grid->SetParent(form.get());
        grid->SetDataSource(&source);
        form->Show();
        grid->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        form.reset();  // the grid goes with its form, before the data set
        source.SetDataSet(nullptr);
    }
    int W0() {
        TBitmap b(10, 10);
        b.Canvas().Font().Assign(grid->Font());
        return b.Canvas().TextWidth("0");
    }
    void Key(TKey key, TShiftState shift = {}) { grid->KeyDown(key, shift); }
    TRect Cell(int col, int row) { return grid->CellRect(col, row); }

    TempDir dir;
    std::unique_ptr<TOrdaneDataSet> ds;
    TDataSource source;
    std::unique_ptr<TForm> form;
    TpkDBGrid* grid = nullptr;
};

TEST(GridTokens, TokenRuleAndEntries) {
    struct Case { std::string line, delimiter; std::vector<std::string> tokens; };
    const std::vector<Case> cases = {
        {"TITLE\t55\tTITLE", "\t", {"TITLE", "55", "TITLE"}},
        {"A\t\tC", "\t", {"A", "", "C"}},
        {"a;b", ";", {"a", "b"}},
        {"x AND y and z", "and", {"x", "y", "z"}},  // long delimiters: blanks around, case ignored
    };
    for (const Case& c : cases) {
        int pos = 1;
        for (const std::string& t : c.tokens) EXPECT_EQ(NextToken(c.line, c.delimiter, pos), t) << c.line;
        EXPECT_EQ(pos, -1) << c.line;
        EXPECT_EQ(NextToken(c.line, c.delimiter, pos), "") << "past the end";
    }
    int zero = 0;
    EXPECT_EQ(NextToken("abc", "\t", zero), "");
    TSelectedEntry bad = TSelectedEntry::Parse("TITLE\twide");
    EXPECT_FALSE(bad.width.has_value());
    EXPECT_FALSE(bad.title.has_value());
    EXPECT_EQ(TSelectedEntry::Parse("A\t10\tA\tT\tX").Compose(16, "A"), "A\t16\tA\tT");
}

TEST_F(GridOnTable, MainWindowColumnIsFiftyFiveCharactersOfZero) {
    Open(5);
    EXPECT_EQ(grid->ColCount(), 2);  // the indicator and TITLE; EXENAME is not a column
    ASSERT_EQ(grid->ColumnCount(), 1);
    EXPECT_EQ(grid->Columns(0).FieldName(), "TITLE");
    EXPECT_FALSE(grid->Columns(0).ReadOnly());
    EXPECT_EQ(grid->ColWidths(1), 55 * W0() + 4);
    EXPECT_EQ(grid->RowCount(), 6);  // title and five records: fewer records than rows fit
    EXPECT_GT(grid->DataLink().BufferCount(), 5) << "as many buffers as rows fit";
    EXPECT_EQ(grid->IniAttributes().EffectiveSectionName(), "pkDBGrid1");
}

TEST_F(GridOnTable, EmptyTableShowsOneEmptyRowAndAFullThumb) {
    Open(0);
    EXPECT_EQ(grid->RowCount(), 2);
    TScrollInfo info = grid->GetScrollInfo(sbVertical);
    EXPECT_EQ(info.Min, 1);
    EXPECT_EQ(info.Max, 1001);
    EXPECT_EQ(info.Page, 1000);
    TBitmap picture;
    RenderToBitmap(*grid, picture);
    TRect ind = Cell(0, 1);
    // The picture holds the frame too: look well inside the cell.
    for (int y = ind.Top + 3; y < ind.Bottom - 3; ++y)
        for (int x = ind.Left + 3; x < ind.Right - 3; ++x)
            ASSERT_NE(picture.Pixel(x, y), clBlack) << "no indicator glyph on an empty table";
}

TEST_F(GridOnTable, ClickMovesByTheRowDifference) {
    Open(30);
    ds->Next();  // record 2 on row 2
    Application->ProcessMessages();
    ASSERT_EQ(grid->Row(), 2);
    TRect r = Cell(1, 5);
    Click(*grid, r.Left + 5, r.Top + 3);
    EXPECT_EQ(ds->RecNo(), 5);
    EXPECT_EQ(grid->Row(), 5);
}

TEST_F(GridOnTable, PageDownAndCtrlPageDown) {
    Open(200);
    const int visible = grid->VisibleRowCount();
    ASSERT_GT(visible, 3);
    Key(VK_NEXT, TShiftState{ssCtrl});  // the last visible row, no scrolling
    EXPECT_EQ(ds->RecNo(), visible);
    EXPECT_EQ(grid->Row(), visible);
    ds->First();
    Key(VK_NEXT);
    EXPECT_EQ(ds->RecNo(), 1 + visible);
    EXPECT_EQ(grid->Row(), grid->TitleOffset() + grid->DataLink().ActiveRecord());
    EXPECT_EQ(grid->GetScrollInfo(sbVertical).Pos, 1 + visible);
    Key(VK_PRIOR);
    EXPECT_EQ(ds->RecNo(), 1);
    Key(VK_END, TShiftState{ssCtrl});
    EXPECT_EQ(ds->RecNo(), 200);
    Key(VK_DOWN);  // read-only table: nothing is appended
    EXPECT_EQ(ds->RecNo(), 200);
    EXPECT_EQ(ds->State(), dsBrowse);
    Key(VK_UP);
    EXPECT_EQ(ds->RecNo(), 199);
}

TEST_F(GridOnTable, HomeSelectsTheFirstColumnAndWheelSteps) {
    Open(10);
    ds->MoveBy(4);
    Key(VK_HOME);  // two fields in the data set: a column move, not First
    EXPECT_EQ(ds->RecNo(), 5);
    EXPECT_EQ(grid->Col(), 1);
    QTest::qWait(1);
    QWheelEvent down(QPointF(50, 50), WidgetOf(*grid)->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -240),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(WidgetOf(*grid), &down);
    EXPECT_EQ(ds->RecNo(), 7);
}

TEST_F(GridOnTable, ResizeKeepsTheCurrentRecordVisible) {
    Open(100);
    ds->MoveBy(14);  // record 15
    Application->ProcessMessages();
    ASSERT_EQ(ds->RecNo(), 15);
    grid->SetBounds(16, 16, 369, grid->RowHeights(0) + 5 * (grid->DefaultRowHeight() + 1) + 6);
    Application->ProcessMessages();
    EXPECT_EQ(ds->RecNo(), 15);
    EXPECT_LE(grid->VisibleRowCount(), 5);
    EXPECT_EQ(grid->DataLink().BufferCount(), grid->VisibleRowCount());
    EXPECT_EQ(grid->Row(), grid->TitleOffset() + grid->DataLink().ActiveRecord());
    EXPECT_EQ(grid->Row(), grid->RowCount() - 1) << "shown on the last visible row";
}

TEST_F(GridOnTable, NonSequencedThumbSitsTopMiddleBottom) {
    Open(50, /*filtered=*/true);
    ASSERT_FALSE(ds->IsSequenced());
    auto pos = [&] { return grid->GetScrollInfo(sbVertical).Pos; };
    EXPECT_EQ(grid->GetScrollInfo(sbVertical).Max, 4);
    EXPECT_EQ(pos(), 0);
    Key(VK_NEXT);
    EXPECT_EQ(pos(), 2);
    Key(VK_END, TShiftState{ssCtrl});
    Key(VK_DOWN);
    EXPECT_EQ(pos(), 4);
}

TEST_F(GridOnTable, UserWidthIsWrittenBackInCharacters) {
    Open(3);
    grid->Selected().Clear();
    grid->Selected().Add("TITLE\t10\tTITLE\tT\tX");
    grid->ApplyColumnList();
    const int w0 = W0();
    grid->SetColWidths(1, 100);
    const int slack = std::max(0, w0 / 2 - 3);
    EXPECT_EQ(grid->Selected()[0], "TITLE\t" + std::to_string((100 + slack - 4) / w0) + "\tTITLE\tT");
    EXPECT_TRUE(grid->Columns(0).ReadOnly());
    EXPECT_FALSE(grid->TabStops(1));
}

TEST_F(GridOnTable, MalformedEntriesTakeTheFieldsWidth) {
    Open(3);
    for (const std::string entry : {"TITLE\tabc\tTITLE", "TITLE\t12", "TITLE"}) {
        grid->Selected().Clear();
        grid->Selected().Add(entry);
        grid->ApplyColumnList();
        const int expected = entry == "TITLE\t12" ? 12 : 55;
        EXPECT_EQ(grid->ColWidths(1), std::max(expected * W0() + 4, grid->ColWidths(1))) << entry;
        EXPECT_GE(grid->ColWidths(1), expected * W0() + 4) << entry;
        EXPECT_NO_THROW(grid->SetColWidths(1, 80)) << entry;
    }
    grid->IniAttributes().Enabled = true;
    grid->IniAttributes().FileName = dir.File("bad.ini");
    grid->Selected().Clear();
    grid->Selected().Add("TITLE\tabc");
    form.reset();  // saving a malformed entry while the grid goes must not fail
    TIniFile ini(dir.File("bad.ini"));
    EXPECT_EQ(ini.ReadString("pkDBGrid1", "TITLE", ""), "55;;TITLE;;F");
}

TEST_F(GridOnTable, LayoutSavedOnDestructionLoadsBack) {
    Open(3);
    grid->IniAttributes().Enabled = true;
    grid->IniAttributes().FileName = dir.File("layout.ini");
    grid->Selected().Clear();
    grid->Selected().Add("TITLE\t40\tName~Of saver");
    grid->Selected().Add("EXENAME\t12\tProgram\tT");
    grid->ApplyColumnList();
    form.reset();
    TIniFile ini(dir.File("layout.ini"));
    EXPECT_EQ(ini.ReadString("pkDBGrid1", "TITLE", ""), "40;;Name~Of saver;;F");
    EXPECT_EQ(ini.ReadString("pkDBGrid1", "EXENAME", ""), "12;;Program;;T");

    auto next = std::make_unique<TForm>(nullptr);
    auto* g = new TpkDBGrid(next.get());
    g->SetName("pkDBGrid1");
    g->SetUseTFields(false);
    g->Selected().Add("TITLE\t55\tTITLE");
    g->IniAttributes().Enabled = true;
    g->IniAttributes().FileName = dir.File("layout.ini");
    g->SetBounds(0, 0, 300, 200);
    g->SetParent(next.get());
    g->SetDataSource(&source);
    ASSERT_EQ(g->Selected().Count(), 2);
    EXPECT_EQ(g->Selected()[0], "TITLE\t40\tName~Of saver\tF");
    EXPECT_EQ(g->Selected()[1], "EXENAME\t12\tProgram\tT");
    EXPECT_EQ(g->ColCount(), 3);
    g->IniAttributes().Enabled = false;
}

TEST_F(GridOnTable, StoredValueWithoutTheDelimiterKeepsTheDesign) {
    MakeTable(dir.File("T.DBF"), 0x03, {{"TITLE", 'C', 55}, {"EXENAME", 'C', 55}}, Titles(3));
    {
        std::ofstream out(dir.File("single.ini"));
        out << "[pkDBGrid1]\nTITLE=40;Name;F\n";
    }
    TMessageBoxRecorder boxes;
    TForm f(nullptr);
    auto* g = new TpkDBGrid(&f);
    g->SetName("pkDBGrid1");
    g->SetUseTFields(false);
    g->Selected().Add("TITLE\t55\tTITLE");
    g->IniAttributes().Enabled = true;
    g->IniAttributes().FileName = dir.File("single.ini");
    g->SetParent(&f);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Text, "Key Delimiter Not Found");
    EXPECT_EQ(boxes.Requests()[0].Kind, mtWarning);
    ASSERT_EQ(g->Selected().Count(), 1);
    EXPECT_EQ(g->Selected()[0], "TITLE\t55\tTITLE");
    g->IniAttributes().Enabled = false;

    // The settings checks: each message, Selected unchanged.
    boxes.Clear();
    auto* h = new TpkDBGrid(&f);
    h->IniAttributes().Enabled = true;
    h->IniAttributes().FileName = dir.File("missing/x.ini");
    h->SetParent(&f);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Text, "Directory does not exist");
    h->IniAttributes().Enabled = false;
}

TEST_F(GridOnTable, PictureOfThirtyRecords) {
    Open(30);
    ds->MoveBy(2);  // record 3 current
    Application->ProcessMessages();
    TBitmap picture;
    RenderToBitmap(*grid, picture);
    TRect ind = Cell(0, 3);
    bool glyph = false;
    for (int y = ind.Top + 3; y < ind.Bottom - 3; ++y)
        for (int x = ind.Left + 3; x < ind.Right - 3; ++x) glyph = glyph || picture.Pixel(x, y) == clBlack;
    EXPECT_TRUE(glyph) << "the arrow marks the current row";
    TRect cur = Cell(1, 3);
    EXPECT_EQ(picture.Pixel(cur.Left + 150, cur.Top + 4), ColorToRGB(clHighlight));
    TRect other = Cell(1, 5);
    EXPECT_EQ(picture.Pixel(other.Left + 150, other.Top + 4), ColorToRGB(clWindow));
    if (const char* out = std::getenv("VELMORA_GRID_PNG")) RenderToPng(*grid, out);
}

TEST_F(GridOnTable, ReadFromTheStoredFormDescription) {
    MakeTable(dir.File("T.DBF"), 0x03, {{"TITLE", 'C', 55}, {"EXENAME", 'C', 55}}, Titles(4));
    ds = DataSetOn(dir.Path(), "T");
    ds->SetReadOnly(true);
    ds->Open();
    source.SetDataSet(ds.get());
    RegisterDataGridClasses();
    form = std::make_unique<TForm>(nullptr);
    TFormReader::ReadComponent(*form, R"(object Form1: TForm
  Left = 321
  Top = 156
  Width = 408
  Height = 450
  object pkDBGrid1: TpkDBGrid
    Left = 16
    Top = 16
    Width = 369
    Height = 369
    Selected.Strings = (
      'TITLE'#9'55'#9'TITLE')
    IniAttributes.Delimiter = ';;'
    TitleColor = clBtnFace
    FixedCols = 0
    ShowHorzScrollBar = True
    TabOrder = 0
    TitleAlignment = taLeftJustify
    TitleFont.Charset = DEFAULT_CHARSET
    TitleFont.Color = clWindowText
    TitleFont.Height = -11
    TitleFont.Name = 'MS Sans Serif'
    TitleFont.Style = []
    TitleLines = 1
    TitleButtons = False
    UseTFields = False
    IndicatorColor = icBlack
  end
end
)");
    grid = dynamic_cast<TpkDBGrid*>(form->FindComponent("pkDBGrid1"));
    ASSERT_NE(grid, nullptr);
    EXPECT_FALSE(grid->UseTFields());
    EXPECT_EQ(grid->IniAttributes().EffectiveSectionName(), "Form1pkDBGrid1");
    grid->SetDataSource(&source);
    EXPECT_EQ(grid->ColCount(), 2);
    EXPECT_EQ(grid->ColWidths(1), 55 * W0() + 4);
    EXPECT_EQ(grid->RowCount(), 5);
}

}  // namespace

// --- footer, title images, cell hints, column drag, the corner button ---

namespace {

// Two columns of the given widths in characters.
void TwoColumns(TpkDBGrid& g, int titleChars, int exeChars) {
    g.Selected().Clear();
    g.Selected().Add("TITLE\t" + std::to_string(titleChars) + "\tTITLE");
    g.Selected().Add("EXENAME\t" + std::to_string(exeChars) + "\tEXENAME");
    g.SetUseTFields(true);
    g.SetUseTFields(false);
}

// The picture of a control holds its frame: these take client coordinates.
TColor PixelAt(TControl& c, const TBitmap& b, int x, int y) {
    QPoint p = At(c, x, y);
    return b.Pixel(p.x(), p.y());
}

bool Contains(TControl& c, const TBitmap& b, const TRect& r, TColor color) {
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (PixelAt(c, b, x, y) == color) return true;
    return false;
}

}  // namespace

TEST_F(GridOnTable, FooterTakesRowsAndShowsEachColumnsText) {
    Open(100);
    const int rowsBefore = grid->VisibleRowCount();
    std::vector<std::string> drawn;
    grid->OnDrawFooterCell = [&](TComponent&, TCanvas&, const TRect&, TField* f, const std::string& text, bool&) {
        drawn.push_back((f ? f->FieldName() : "?") + "=" + text);
    };
    grid->SetFooterCellColor(clAqua);
    grid->Columns(0).SetFooterText("100 savers");
    grid->SetGridOptions(grid->GridOptions() + TpkDBGridOptions{dgShowFooter});
    EXPECT_EQ(grid->FooterStripHeight(), grid->DefaultRowHeight() + 4);
    EXPECT_LT(grid->VisibleRowCount(), rowsBefore) << "the footer takes the room of rows";
    EXPECT_EQ(grid->DataLink().BufferCount(), grid->VisibleRowCount());
    drawn.clear();
    TBitmap picture;
    RenderToBitmap(*grid, picture);
    const int footerTop = grid->RowAreaHeight();
    TRect col = Cell(1, 0);
    EXPECT_TRUE(Contains(*grid, picture, Rect(col.Left + 2, footerTop + 4, col.Right - 2, grid->ClientHeight() - 2), clAqua));
    EXPECT_TRUE(Contains(*grid, picture, Rect(col.Left + 5, footerTop + 4, col.Left + 80, grid->ClientHeight() - 2),
                         clBlack)) << "the footer text";
    ASSERT_FALSE(drawn.empty());
    for (const std::string& d : drawn) EXPECT_EQ(d, "TITLE=100 savers");
    grid->SetFooterHeight(-5);
    EXPECT_EQ(grid->FooterHeight(), 0);
    grid->SetGridOptions(grid->GridOptions() - TpkDBGridOptions{dgShowFooter});
    EXPECT_EQ(grid->VisibleRowCount(), rowsBefore);
}

TEST_F(GridOnTable, TitleImagePlacements) {
    Open(3);
    TwoColumns(*grid, 20, 20);
    TImageList images(form.get());
    images.SetWidth(8);
    images.SetHeight(8);
    TBitmap red(8, 8);
    red.Canvas().Brush().SetColor(clRed);
    red.Canvas().FillRect(Rect(0, 0, 8, 8));
    images.Add(red, nullptr);
    grid->SetTitleImageList(&images);
    struct Case { int placement; int expectLeft; bool textShown; };
    const TRect t = Cell(1, 0);
    const std::vector<Case> cases = {
        {0, t.Left + 3, true}, {1, t.Right - 3 - 8, true}, {2, t.Left + (t.Width() - 8) / 2, false}};
    for (const Case& c : cases) {
        grid->OnCalcTitleImage = [&](TComponent&, TField*, TpkTitleImageAttributes& a) {
            EXPECT_EQ(a.ImageIndex, -1);
            EXPECT_EQ(a.ImagePlacement, 1);
            EXPECT_EQ(a.Margin, 3);
            a.ImageIndex = 0;
            a.ImagePlacement = c.placement;
        };
        TBitmap picture;
        RenderToBitmap(*grid, picture);
        const int y = (t.Top + t.Bottom) / 2;
        EXPECT_EQ(PixelAt(*grid, picture, c.expectLeft + 1, y), clRed) << "placement " << c.placement;
        EXPECT_NE(PixelAt(*grid, picture, c.expectLeft - 2, y), clRed) << "placement " << c.placement;
        const TRect textArea = c.placement == 0 ? Rect(t.Left + 13, t.Top + 2, t.Left + 60, t.Bottom - 2)
                                                : Rect(t.Left + 3, t.Top + 2, t.Left + 50, t.Bottom - 2);
        EXPECT_EQ(Contains(*grid, picture, textArea, clBlack), c.textShown) << "placement " << c.placement;
    }
    images.Delete(0);  // an index past the list draws nothing
    TBitmap picture;
    EXPECT_NO_THROW(RenderToBitmap(*grid, picture));
}

TEST_F(GridOnTable, CellHintShowsTextThatDoesNotFit) {
    Open(5);
    TwoColumns(*grid, 3, 30);
    grid->SetGridOptions(grid->GridOptions() + TpkDBGridOptions{dgShowCellHint});
    auto moveTo = [&](int col, int row) {
        TRect r = Cell(col, row);
        QTest::mouseMove(WidgetOf(*grid), At(*grid, r.Left + 4, r.Top + 4));
        Application->ProcessMessages();
    };
    moveTo(1, 2);  // "Saver 2" in three characters' width
    ASSERT_NE(grid->HintWindow(), nullptr);
    EXPECT_TRUE(grid->HintWindow()->Active());
    EXPECT_EQ(grid->HintWindow()->Text(), "Saver 2");
    EXPECT_GE(grid->HintWindow()->Width(), Cell(1, 2).Width());
    moveTo(2, 3);  // "s3.scr" fits in thirty
    EXPECT_FALSE(grid->HintWindow()->Active());
    moveTo(1, 0);  // titles get no hint
    EXPECT_FALSE(grid->HintWindow()->Active());
    bool asked = false;
    grid->OnCreateHintWindow = [&](TComponent&, TpkGridHintWindow&, TField* f, const TRect&, bool& wrap, int&,
                                   int& maxHeight, bool& doDefault) {
        asked = true;
        EXPECT_TRUE(wrap);
        EXPECT_EQ(f->FieldName(), "TITLE");
        EXPECT_EQ(maxHeight, Cell(1, 4).Height() - 2);
        doDefault = false;
    };
    moveTo(1, 4);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(grid->HintWindow()->Active()) << "the handler cancelled it";
    grid->OnCreateHintWindow = nullptr;
    moveTo(1, 5);
    ASSERT_TRUE(grid->HintWindow()->Active());
    // The pointer leaves the grid: the timer closes the hint.
    QCursor::setPos(WidgetOf(*grid)->mapToGlobal(QPoint(-50, -50)));
    EXPECT_TRUE(WaitFor([&] { return !grid->HintWindow()->Active(); }));
}

TEST_F(GridOnTable, ColumnDragStartsPastTheSlackAndMovesTheColumn) {
    Open(5);
    TwoColumns(*grid, 10, 10);
    grid->SetTitleButtons(true);
    std::string clicked;
    grid->OnTitleButtonClick = [&](TComponent&, const std::string& name) { clicked = name; };
    const TRect a = Cell(1, 0), b = Cell(2, 0);
    const int y = (a.Top + a.Bottom) / 2;
    Press(*grid, a.Left + 10, y);
    DragTo(*grid, a.Left + 12, y + 2);  // within the slack
    EXPECT_FALSE(grid->ColumnDragging());
    Release(*grid, a.Left + 12, y + 2);
    EXPECT_EQ(clicked, "TITLE") << "pressed and let go: a title click";
    EXPECT_EQ(grid->Columns(0).FieldName(), "TITLE");

    clicked.clear();
    Press(*grid, a.Left + 10, y);
    DragTo(*grid, b.Left + 20, y);
    ASSERT_TRUE(grid->ColumnDragging());
    ASSERT_NE(grid->DragImage(), nullptr);
    EXPECT_EQ(grid->DragImage()->Width(), a.Width() + 1);
    TBitmap picture;
    RenderToBitmap(*grid, picture);
    // The image's black right edge, at the pointer minus the grab offset, DragVertOffset from the top.
    const int imageRight = b.Left + 20 - 10 + grid->DragImage()->Width() - 1;
    EXPECT_EQ(PixelAt(*grid, picture, imageRight, grid->DragVertOffset() + 3), clBlack);
    Release(*grid, b.Left + 20, y);
    EXPECT_FALSE(grid->ColumnDragging());
    EXPECT_EQ(grid->DragImage(), nullptr);
    EXPECT_EQ(clicked, "") << "a drag is no click";
    EXPECT_EQ(grid->Columns(0).FieldName(), "EXENAME");
    EXPECT_EQ(grid->Columns(1).FieldName(), "TITLE");
}

TEST_F(GridOnTable, CornerButtonSetsTheIndicatorWidth) {
    Open(3);
    auto* button = new TpkIButton(grid);
    button->SetBounds(0, 0, 20, 20);
    button->SetParent(grid);
    grid->LayoutChanged();
    EXPECT_EQ(grid->IndicatorButton(), button);
    EXPECT_EQ(grid->ColWidths(0), 19);
    EXPECT_EQ(button->Left(), Cell(0, 0).Left);
}

TEST_F(GridOnTable, IndicatorGlyphBlackOrYellowAndSharedByAllGrids) {
    Open(3);
    auto glyphColours = [&](TpkDBGrid& g) {
        TBitmap picture;
        RenderToBitmap(g, picture);
        const TRect ind = g.CellRect(0, 1);
        std::set<TColor> seen;
        for (int y = ind.Top + 2; y < ind.Bottom - 2; ++y)
            for (int x = ind.Left + 2; x < ind.Right - 2; ++x) seen.insert(PixelAt(g, picture, x, y));
        return seen;
    };
    EXPECT_TRUE(glyphColours(*grid).count(clBlack));
    {
        // A second grid comes and goes: the glyphs stay for the first.
        auto* other = new TpkDBGrid(form.get());
        other->SetParent(form.get());
        delete other;
    }
    grid->SetIndicatorColor(icYellow);
    std::set<TColor> yellow = glyphColours(*grid);
    EXPECT_TRUE(yellow.count(clYellow));
    EXPECT_FALSE(yellow.count(clBlack));
}
