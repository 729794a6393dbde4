// The grid base: cell geometry, the cell under a point, keyboard moves, column sizing and moving with the
// mouse and their notifications, and the in-place editor.
#include <gtest/gtest.h>

#include <QTest>
#include <map>

#include "framework/window/bitmap.h"
#include "framework/window/forms.h"
#include "framework/window/grids.h"
#include "framework/window/render.h"
#include "window_support.h"

namespace {

class TextGrid : public TCustomGrid {
public:
    using TCustomGrid::TCustomGrid;
    std::map<std::pair<int, int>, std::string> cells;
    int widthChanges = 0;
    std::vector<std::pair<int, int>> moves;
    int topLeftChanges = 0;
    bool refuseRow3 = false;

    void DrawCell(int col, int row, const TRect& rect, TGridDrawState) override {
        auto it = cells.find({col, row});
        if (it != cells.end()) Canvas().TextRect(rect, rect.Left + 2, rect.Top + 2, it->second);
    }
    void ColWidthsChanged() override {
        ++widthChanges;
        TCustomGrid::ColWidthsChanged();
    }
    void ColumnMoved(int from, int to) override { moves.emplace_back(from, to); }
    void TopLeftChanged() override { ++topLeftChanges; }
    bool SelectCell(int, int row) override { return !(refuseRow3 && row == 3); }
    std::string GetEditText(int col, int row) override { return cells[{col, row}]; }
    void SetEditText(int col, int row, const std::string& value) override { cells[{col, row}] = value; }
    int GetEditLimit() override { return 8; }
};

struct GridFixture : testing::Test {
    TForm form{nullptr};
    TextGrid* grid = nullptr;
    void SetUp() override {
        form.SetBounds(0, 0, 300, 200);
        grid = new TextGrid(&form);
        grid->SetParent(&form);
        grid->SetBorderStyle(bsNone);
        grid->SetScrollBars(ssNone);
        grid->SetBounds(0, 0, 200, 100);
        grid->SetColCount(6);
        grid->SetRowCount(10);
        grid->SetDefaultColWidth(40);
        grid->SetDefaultRowHeight(18);
    }
    void ShowFocused() {
        form.Show();
        QApplication::setActiveWindow(WidgetOf(form));
        ASSERT_TRUE(WaitFor([&] { return WidgetOf(form)->isActiveWindow(); }));
        grid->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return grid->Focused(); }));
    }
};

}  // namespace

TEST_F(GridFixture, CellGeometryFollowsWidthsLinesAndScrolling) {
    EXPECT_EQ(grid->CellRect(0, 0), Rect(0, 0, 40, 18));
    EXPECT_EQ(grid->CellRect(1, 0), Rect(41, 0, 81, 18));
    EXPECT_EQ(grid->CellRect(1, 1), Rect(41, 19, 81, 37));
    grid->SetColWidths(1, 20);
    EXPECT_EQ(grid->CellRect(2, 0), Rect(62, 0, 102, 18));
    EXPECT_EQ(grid->CellRect(5, 0), Rect(185, 0, 225, 18));  // partly shown: the rectangle runs past the edge
    // 200 - 41 = 159 pixels for scrolling columns: 20 + 40 + 40 + 40 fit wholly, with their lines.
    EXPECT_EQ(grid->VisibleColCount(), 4);
    EXPECT_EQ(grid->VisibleRowCount(), 4);  // (100 - 19) / 19

    grid->SetLeftCol(3);
    EXPECT_EQ(grid->LeftCol(), 3);
    EXPECT_EQ(grid->CellRect(0, 0), Rect(0, 0, 40, 18));      // fixed columns stay
    EXPECT_EQ(grid->CellRect(3, 0), Rect(41, 0, 81, 18));     // first scrolling column shown
    EXPECT_TRUE(grid->CellRect(1, 0).IsEmpty());              // scrolled away
    EXPECT_EQ(grid->topLeftChanges, 1);

    grid->SetLeftCol(1);
    grid->SetColWidths(1, 40);
    struct Hit {
        int x, y;
        TGridCoord cell;
    } hits[] = {
        {0, 0, {0, 0}},   {40, 0, {0, 0}} /* a line belongs to the cell before it */, {41, 18, {1, 0}},
        {41, 19, {1, 1}}, {199, 99, {4, 5}} /* a partly shown cell */, {-1, 5, {-1, 0}}, {5, 100, {0, -1}},
    };
    for (const Hit& h : hits) EXPECT_EQ(grid->MouseCoord(h.x, h.y), h.cell) << h.x << "," << h.y;
}

TEST_F(GridFixture, KeysMoveTheCurrentCellAndScrollItIntoView) {
    ShowFocused();
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 1);
    QTest::keyClick(WidgetOf(*grid), Qt::Key_Right);
    EXPECT_EQ(grid->Col(), 2);
    QTest::keyClick(WidgetOf(*grid), Qt::Key_End);
    EXPECT_EQ(grid->Col(), 5);
    EXPECT_GT(grid->LeftCol(), 1);  // scrolled so that column 5 shows
    EXPECT_FALSE(grid->CellRect(5, 1).IsEmpty());
    QTest::keyClick(WidgetOf(*grid), Qt::Key_Home);
    EXPECT_EQ(grid->Col(), 1);
    grid->refuseRow3 = true;
    QTest::keyClick(WidgetOf(*grid), Qt::Key_Down);
    QTest::keyClick(WidgetOf(*grid), Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 2);  // SelectCell refused row 3
    grid->refuseRow3 = false;
    QTest::keyClick(WidgetOf(*grid), Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 6);
}

TEST_F(GridFixture, DraggingAColumnBorderInTheFixedRowResizesIt) {
    grid->SetOptions(grid->Options() + TGridOptions{goColSizing});
    ShowFocused();
    int before = grid->widthChanges;
    // The border after column 1 lies at x = 81; dragging it 20 pixels right makes the column 60 wide.
    Press(*grid, 81, 5);
    EXPECT_EQ(grid->GridState(), gsColSizing);
    EXPECT_TRUE(grid->MouseCapture());
    DragTo(*grid, 95, 5);
    DragTo(*grid, 101, 5);
    EXPECT_EQ(grid->ColWidths(1), 40);  // applied on release
    Release(*grid, 101, 5);
    EXPECT_EQ(grid->GridState(), gsNormal);
    EXPECT_EQ(grid->ColWidths(1), 60);
    EXPECT_EQ(grid->widthChanges, before + 1);
    EXPECT_FALSE(grid->MouseCapture());
    // A press on a data row is no resize.
    Press(*grid, 121, 30);
    EXPECT_NE(grid->GridState(), gsColSizing);
    Release(*grid, 121, 30);
}

TEST_F(GridFixture, DraggingATitleMovesTheColumnAndNotifies) {
    grid->SetOptions(grid->Options() + TGridOptions{goColMoving});
    grid->SetColWidths(1, 30);
    ShowFocused();
    Press(*grid, 45, 5);  // title of column 1
    EXPECT_EQ(grid->GridState(), gsColMoving);
    DragTo(*grid, 100, 5);  // over column 2 (72..111)... column 3 begins at 113
    Release(*grid, 100, 5);
    ASSERT_EQ(grid->moves.size(), 1u);
    EXPECT_EQ(grid->moves[0], std::make_pair(1, 2));
    EXPECT_EQ(grid->ColWidths(2), 30);  // the width moved with the column
}

TEST_F(GridFixture, InplaceEditorShowsTheCellTextAndTakesTyping) {
    grid->SetOptions(grid->Options() + TGridOptions{goEditing});
    grid->cells[{1, 1}] = "abc";
    ShowFocused();
    QTest::keyClick(WidgetOf(*grid), Qt::Key_F2);
    TInplaceEdit* editor = grid->InplaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->Visible());
    EXPECT_EQ(editor->EditText(), "abc");
    EXPECT_EQ(editor->BoundsRect(), grid->CellRect(1, 1));
    ASSERT_TRUE(WaitFor([&] { return editor->Focused(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClicks(QApplication::focusWidget(), "defghijk");
    EXPECT_EQ(editor->EditText(), "abcdefgh");  // the edit limit is 8
    EXPECT_EQ(grid->cells[(std::pair{1, 1})], "abcdefgh");
    // Down goes to the grid: the editor hides and the text stays written.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_FALSE(editor->Visible());
    EXPECT_EQ(grid->cells[(std::pair{1, 1})], "abcdefgh");

    // Typing on a cell opens the editor with the typed character replacing the text.
    grid->cells[{1, 2}] = "old";
    ASSERT_TRUE(WaitFor([&] { return grid->Focused(); }));
    QTest::keyClick(WidgetOf(*grid), Qt::Key_X);
    EXPECT_TRUE(editor->Visible());
    EXPECT_EQ(editor->EditText(), "x");
    EXPECT_EQ(grid->cells[(std::pair{1, 2})], "x");

    editor->SetWordWrap(true);
    EXPECT_TRUE(editor->WordWrap());
    EXPECT_EQ(editor->EditText(), "x");
}

TEST_F(GridFixture, PaintsFixedCellsLinesAndTheCurrentCell) {
    grid->SetOptions(grid->Options() + TGridOptions{goDrawFocusSelected});
    grid->cells[{1, 0}] = "T";
    TBitmap picture;
    RenderToBitmap(*grid, picture);
    EXPECT_EQ(picture.Pixel(20, 9), ColorToRGB(clBtnFace));      // fixed cell
    EXPECT_EQ(picture.Pixel(0, 9), ColorToRGB(clBtnHighlight));  // its raised edge
    EXPECT_EQ(picture.Pixel(40, 9), clBlack);                    // fixed line
    EXPECT_EQ(picture.Pixel(60, 28), ColorToRGB(clHighlight));   // the selected current cell
    EXPECT_EQ(picture.Pixel(100, 28), clWhite);                  // another cell
    EXPECT_EQ(picture.Pixel(81, 28), clSilver);                  // an inner line
    EXPECT_EQ(picture.Pixel(199, 99), clWhite);
}
