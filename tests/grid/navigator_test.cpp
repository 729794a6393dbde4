// The record navigator over real tables opened through the data-set adaptor: the main window's two-button
// navigator from its stored description, button states, auto-repeat on the framework's timer, the default
// buttons and their layout, hints, bookmarks, the delete confirmation and the picture of the default navigator.
#include "grid/pk_db_navigator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "data_set_fixture.h"
#include "framework/window/dialogs.h"
#include "framework/window/form_reader.h"
#include "framework/window/forms.h"
#include "framework/window/render.h"
#include "framework/window/timer.h"
#include "grid/pk_intl.h"
#include "temp_dir.h"
#include "window_support.h"

namespace {

// A table of `count` screensaver titles opened through the adaptor, with a form holding its data source.
class NavigatorOverTable : public ::testing::Test {
protected:
    void Open(int count, bool readOnly = true) {
        std::vector<RawRecord> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back({{"TITLE", "Title " + std::to_string(i + 1)}, {"EXENAME", "s" + std::to_string(i) + ".scr"}});
        MakeTable(dir.File("T.DBF"), 0x03, {{"TITLE", 'C', 55}, {"EXENAME", 'C', 55}}, rows);
        ds = DataSetOn(dir.Path(), "T");
        ds->SetReadOnly(readOnly);
        ds->Open();
        source = new TObjectComponent<TDataSource>(form.get());
        source->SetName("DataSource1");
        source->Object().SetDataSet(ds.get());
    }
    TDataSource& Source() { return source->Object(); }
    // A navigator on the form with buttons of the given styles.
    TpkDBNavigator& Navigator(std::initializer_list<TpkNavButtonStyle> styles) {
        auto* nav = new TpkDBNavigator(form.get());
        nav->SetParent(form.get());
        nav->SetDataSource(&Source());
        for (TpkNavButtonStyle s : styles) nav->Buttons().Add(s);
        return *nav;
    }

    TempDir dir;
    ScopedEnv programDir{"VELMORA_PROGRAM_DIR", dir.Path()};
    std::unique_ptr<TForm> form = std::make_unique<TForm>(Application);
    TObjectComponent<TDataSource>* source = nullptr;
    std::unique_ptr<TOrdaneDataSet> ds;

    void TearDown() override {
        form.reset();  // the navigator leaves its data source before the data set goes
        if (ds) ds->Close();
    }
};

// A navigator button as the main window's form description stores it.
std::string StoredButton(const std::string& name, int left, const std::string& style, int index,
                         const std::string& hint) {
    return "    object " + name + ": TpkNavButton\n      Left = " + std::to_string(left) +
           "\n      Top = 0\n      Width = 25\n      Height = 25\n      Style = " + style +
           "\n      Index = " + std::to_string(index) + "\n      Hint = '" + hint + "'\n      Caption = '" + name +
           "'\n      Enabled = False\n      ImageIndex = -1\n      NumGlyphs = 2\n      Spacing = 4\n"
           "      Transparent = False\n      DisabledTextColors.ShadeColor = clGray\n"
           "      DisabledTextColors.HighlightColor = clBtnHighlight\n    end\n";
}

// The main window's navigator as its form description stores it.
std::string MainWindowDescription() {
    return "object Form1: TForm\n  Left = 321\n  Top = 156\n  Width = 408\n  Height = 450\n"
           "  object pkDBNavigator1: TpkDBNavigator\n    Left = 16\n    Top = 392\n    Width = 50\n"
           "    Height = 25\n    DataSource = DataSource1\n    RepeatInterval.InitialDelay = 500\n"
           "    RepeatInterval.Interval = 100\n" +
           StoredButton("pkDBNavigator1Prior", 0, "nbsPrior", 0, "Move to prior record") +
           StoredButton("pkDBNavigator1Next", 25, "nbsNext", 1, "Move to next record") + "  end\nend\n";
}

class MainWindowNavigator : public NavigatorOverTable {
protected:
    TpkDBNavigator& Read() {
        TFormReader::ReadComponent(*form, MainWindowDescription());
        auto* nav = dynamic_cast<TpkDBNavigator*>(form->FindComponent("pkDBNavigator1"));
        EXPECT_NE(nav, nullptr);
        return *nav;
    }
    TpkNavButton& Button(const char* name) { return *dynamic_cast<TpkNavButton*>(form->FindComponent(name)); }
};

TEST_F(MainWindowNavigator, TwoButtonsKeepTheStoredSizeAndFollowBofAndEof) {
    Open(3);
    TpkDBNavigator& nav = Read();
    TpkNavButton& prior = Button("pkDBNavigator1Prior");
    TpkNavButton& next = Button("pkDBNavigator1Next");
    form->Show();
    TBitmap picture;
    RenderToBitmap(*form, picture);  // the first paint must not add buttons or resize
    EXPECT_EQ(nav.Buttons().Count(), 2);
    EXPECT_EQ(nav.BoundsRect(), Bounds(16, 392, 50, 25));
    EXPECT_EQ(prior.BoundsRect(), Bounds(0, 0, 25, 25));
    EXPECT_EQ(next.BoundsRect(), Bounds(25, 0, 25, 25));
    EXPECT_EQ(prior.Style(), nbsPrior);
    EXPECT_EQ(next.Index(), 1);
    EXPECT_EQ(prior.ImageIndex(), -1);
    EXPECT_EQ(prior.Hint(), "Move to prior record");

    EXPECT_FALSE(prior.Enabled()) << "at the beginning right after opening";
    EXPECT_TRUE(next.Enabled());
    next.Click();
    EXPECT_TRUE(prior.Enabled());
    next.Click();
    EXPECT_TRUE(next.Enabled()) << "on the last record, no move has failed yet";
    next.Click();  // fails at the last record: EOF
    EXPECT_FALSE(next.Enabled());
    EXPECT_EQ(ds->FieldByName("TITLE").AsString(), "Title 3");
    prior.Click();
    EXPECT_TRUE(next.Enabled());

    ds->Close();
    EXPECT_FALSE(prior.Enabled());
    EXPECT_FALSE(next.Enabled());
}

TEST_F(MainWindowNavigator, BothButtonsStayDisabledOnAnEmptyTableAndWithoutATable) {
    Open(0);
    Read();
    EXPECT_FALSE(Button("pkDBNavigator1Prior").Enabled());
    EXPECT_FALSE(Button("pkDBNavigator1Next").Enabled());
    ds->Close();
    ds->Open();
    EXPECT_FALSE(Button("pkDBNavigator1Prior").Enabled());
    EXPECT_FALSE(Button("pkDBNavigator1Next").Enabled());
}

TEST_F(MainWindowNavigator, RemovingTheDataSourceComponentDisconnectsTheNavigator) {
    Open(3);
    TpkDBNavigator& nav = Read();
    delete source;
    source = nullptr;
    EXPECT_EQ(nav.DataSource(), nullptr);
    EXPECT_FALSE(Button("pkDBNavigator1Next").Enabled());
}

TEST_F(NavigatorOverTable, HeldButtonRepeatsAfterTheInitialDelayThenEveryIntervalAndOnceMoreOnRelease) {
    Open(40);
    TpkDBNavigator& nav = Navigator({nbsPrior, nbsNext});
    TpkNavButton& next = nav.Buttons().Buttons(1);
    int clicks = 0;
    next.OnClick = [&](TComponent&) { ++clicks; };
    form->Show();
    ASSERT_TRUE(WaitFor([&] { return WidgetOf(next)->isVisible(); }));

    auto start = std::chrono::steady_clock::now();
    Press(next, 5, 5);
    ASSERT_TRUE(next.Repeating());
    EXPECT_EQ(next.RepeatTimer()->Interval(), 500);
    EXPECT_EQ(clicks, 0) << "a press alone does not move";
    ASSERT_TRUE(WaitFor([&] { return clicks >= 1; }));
    auto first = std::chrono::steady_clock::now() - start;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(first).count(), 450);
    EXPECT_EQ(next.RepeatTimer()->Interval(), 100) << "after the first repeat the interval applies";
    ASSERT_TRUE(WaitFor([&] { return clicks >= 3; }));
    int held = clicks;
    Release(next, 5, 5);
    EXPECT_FALSE(next.Repeating());
    EXPECT_EQ(clicks, held + 1) << "the release clicks once more";
    EXPECT_EQ(ds->FieldByName("TITLE").AsString(), "Title " + std::to_string(clicks + 1));

    // Pressing and releasing at once moves one record.
    int before = clicks;
    Click(next, 5, 5);
    EXPECT_EQ(clicks, before + 1);
    EXPECT_FALSE(next.Repeating());
}

TEST_F(NavigatorOverTable, FirstPaintAddsTheFourteenDefaultButtonsAndTakesTheirWidth) {
    Open(3);
    auto* nav = new TpkDBNavigator(form.get());
    nav->SetParent(form.get());
    nav->SetDataSource(&Source());
    EXPECT_EQ(nav->Width(), 1);
    form->Show();
    TBitmap picture;
    RenderToBitmap(*form, picture);
    ASSERT_EQ(nav->Buttons().Count(), 14);
    const TpkNavButtonStyle order[] = {nbsFirst, nbsPriorPage, nbsPrior, nbsNext, nbsNextPage, nbsLast, nbsInsert,
                                       nbsDelete, nbsEdit, nbsPost, nbsCancel, nbsRefresh, nbsSaveBookmark,
                                       nbsRestoreBookmark};
    for (int i = 0; i < 14; ++i) {
        TpkNavButton& b = nav->Buttons().Buttons(i);
        EXPECT_EQ(b.Style(), order[i]) << "button " << i;
        EXPECT_EQ(b.Index(), i);
        EXPECT_EQ(b.BoundsRect(), Bounds(25 * i, 0, 25, 25)) << "button " << i;
    }
    EXPECT_EQ(nav->Width(), 14 * 25);
    EXPECT_EQ(nav->Height(), 25);

    // On a read-only table the editing buttons stay disabled; first and prior are disabled at the beginning.
    auto enabled = [&](TpkNavButtonStyle s) {
        for (int i = 0; i < nav->Buttons().Count(); ++i)
            if (nav->Buttons().Buttons(i).Style() == s) return nav->Buttons().Buttons(i).Enabled();
        return false;
    };
    for (TpkNavButtonStyle s : {nbsInsert, nbsDelete, nbsEdit, nbsPost, nbsCancel, nbsRefresh, nbsFirst, nbsPrior,
                                nbsPriorPage, nbsRestoreBookmark})
        EXPECT_FALSE(enabled(s)) << pkNavStyleName(s);
    for (TpkNavButtonStyle s : {nbsNext, nbsLast, nbsNextPage, nbsSaveBookmark}) EXPECT_TRUE(enabled(s)) << pkNavStyleName(s);

    // The picture of the default navigator: written where the caller asks (the program's documentation).
    if (const char* png = std::getenv("VELMORA_NAVIGATOR_PNG")) RenderToPng(*nav, png);
    TBitmap navPicture;
    RenderToBitmap(*nav, navPicture);
    ASSERT_EQ(navPicture.Width(), 350);
    // The next button's arrow is black; the prior button's (disabled) arrow is grey.
    EXPECT_EQ(ColorToRGB(navPicture.Pixel(3 * 25 + 3 + 8, 3 + 8)), clBlack);
    EXPECT_EQ(ColorToRGB(navPicture.Pixel(2 * 25 + 3 + 9, 3 + 8)), clGray);
}

TEST_F(NavigatorOverTable, SizeNavButtonsSharesTheWidthAndIgnoresABreakOnTheFirstButton) {
    Open(3);
    TpkDBNavigator& nav = Navigator({});
    nav.SetAutosizeStyle(asSizeNavButtons);
    nav.SetBounds(0, 0, 100, 25);
    for (TpkNavButtonStyle s : {nbsFirst, nbsNext, nbsLast}) nav.Buttons().Add(s);
    auto widths = [&] {
        std::vector<int> w;
        for (int i = 0; i < nav.Buttons().Count(); ++i) w.push_back(nav.Buttons().Buttons(i).Width());
        return w;
    };
    EXPECT_EQ(widths(), (std::vector<int>{34, 33, 33}));
    EXPECT_EQ(nav.Buttons().Buttons(1).Left(), 34);

    nav.Buttons().Buttons(0).SetLineBreak(true);  // no empty line, no division by zero
    EXPECT_EQ(widths(), (std::vector<int>{34, 33, 33}));
    EXPECT_EQ(nav.Buttons().Buttons(0).Top(), 0);

    nav.SetHeight(51);
    nav.Buttons().Buttons(2).SetLineBreak(true);  // two lines: 26 and 25 high
    EXPECT_EQ(widths(), (std::vector<int>{50, 50, 100}));
    EXPECT_EQ(nav.Buttons().Buttons(0).Height(), 26);
    EXPECT_EQ(nav.Buttons().Buttons(2).BoundsRect(), Bounds(0, 26, 100, 25));
}

TEST_F(NavigatorOverTable, AButtonThatItsUpdateHandlerDisablesStaysDisabled) {
    Open(5);
    TpkDBNavigator& nav = Navigator({nbsPrior, nbsNext});
    TpkNavButton& next = nav.Buttons().Buttons(1);
    std::vector<TpkUpdateCause> causes;
    next.OnUpdateState = [&](TpkDBNavigator& n, TpkNavButton& b, TpkUpdateCause cause) {
        EXPECT_EQ(&n, &nav);
        causes.push_back(cause);
        b.SetEnabled(false);
    };
    ds->First();
    EXPECT_FALSE(next.Enabled());
    nav.Buttons().Buttons(0).UpdateState(ucOther);
    ds->Next();
    EXPECT_FALSE(next.Enabled());
    ds->Close();
    ds->Open();
    EXPECT_FALSE(next.Enabled());
    EXPECT_TRUE(nav.Buttons().Buttons(0).Enabled() || ds->Bof());
    ASSERT_FALSE(causes.empty());
    EXPECT_NE(std::find(causes.begin(), causes.end(), ucActiveChanged), causes.end());
    EXPECT_NE(std::find(causes.begin(), causes.end(), ucDataChanged), causes.end());
}

TEST_F(NavigatorOverTable, HintsComeFromTheTextsAndPageHintsShowMoveByWithoutTreatingHintsAsFormats) {
    Open(3);
    TpkDBNavigator& nav = Navigator({nbsFirst, nbsNextPage, nbsPriorPage, nbsRestoreBookmark, nbsCustom});
    EXPECT_EQ(nav.Buttons().Buttons(0).Hint(), "Move to first record");
    EXPECT_EQ(nav.Buttons().Buttons(1).Hint(), "Move forward 10 records");
    EXPECT_EQ(nav.Buttons().Buttons(2).Hint(), "Move backward 10 records");
    EXPECT_EQ(nav.Buttons().Buttons(3).Hint(), "Go back to saved bookmark");
    EXPECT_EQ(nav.Buttons().Buttons(4).Hint(), "");
    nav.SetMoveBy(-25);
    EXPECT_EQ(nav.Buttons().Buttons(1).Hint(), "Move forward 25 records");
    EXPECT_EQ(nav.Buttons().Buttons(2).Hint(), "Move backward 25 records");

    // A hint of the program's own is text: "%s" and a lone '%' stay, only "%d" takes the number.
    TpkNavButton& custom = nav.Buttons().Buttons(1);
    custom.SetHint("Skip %s ahead");
    custom.SetStyle(nbsNextPage);
    EXPECT_EQ(custom.Hint(), "Skip %s ahead");
    nav.SetMoveBy(5);
    EXPECT_EQ(custom.Hint(), "Skip %s ahead");
    custom.SetHint("100% of %d rows %n");
    nav.SetMoveBy(7);
    EXPECT_EQ(custom.Hint(), "100% of 7 rows %n");
    EXPECT_EQ(pkNavFormatPageHint("%s %x %%", 3), "%s %x %%");
}

TEST_F(NavigatorOverTable, PageButtonsMoveByAndBookmarksReturnToTheSavedRecord) {
    Open(30);
    TpkDBNavigator& nav = Navigator({nbsNextPage, nbsPriorPage, nbsSaveBookmark, nbsRestoreBookmark});
    nav.SetMoveBy(-10);
    TpkNavButton& restore = nav.Buttons().Buttons(3);
    EXPECT_FALSE(restore.Enabled());
    nav.Buttons().Buttons(0).Click();
    EXPECT_EQ(ds->FieldByName("TITLE").AsString(), "Title 11");
    nav.Buttons().Buttons(2).Click();  // save
    EXPECT_TRUE(restore.Enabled());
    nav.Buttons().Buttons(0).Click();
    nav.Buttons().Buttons(0).Click();
    EXPECT_EQ(ds->FieldByName("TITLE").AsString(), "Title 30");
    restore.Click();
    EXPECT_EQ(ds->FieldByName("TITLE").AsString(), "Title 11");
    nav.Buttons().Buttons(1).Click();
    EXPECT_EQ(ds->FieldByName("TITLE").AsString(), "Title 1");
    ds->Close();  // closing drops the data set's bookmarks
    ds->Open();
    EXPECT_FALSE(restore.Enabled());
}

TEST_F(NavigatorOverTable, DeleteAsksWithTheConfirmationTextAndCancelKeepsTheRecord) {
    Open(3, false);
    TpkDBNavigator& nav = Navigator({nbsDelete});
    TpkNavButton& del = nav.Buttons().Buttons(0);
    ASSERT_TRUE(del.Enabled());
    TMessageBoxRecorder boxes(mrCancel);
    del.Click();
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Text, "Delete record?");
    EXPECT_EQ(boxes.Requests()[0].Kind, mtConfirmation);
    EXPECT_EQ(boxes.Requests()[0].Buttons, mbOKCancel);
    EXPECT_EQ(Column(*ds, "TITLE").size(), 3u);
    ds->First();
    boxes.Answer(mrOk);
    del.Click();
    EXPECT_EQ(Column(*ds, "TITLE"), (std::vector<std::string>{"Title 2", "Title 3"}));

    nav.SetOptions({});  // without the option: no question
    boxes.Clear();
    ds->First();
    del.Click();
    EXPECT_TRUE(boxes.Requests().empty());
    EXPECT_EQ(Column(*ds, "TITLE"), (std::vector<std::string>{"Title 3"}));
}

TEST_F(NavigatorOverTable, VisibleButtonsHidesTheOthersButKeepsThemInTheList) {
    Open(3);
    TpkDBNavigator& nav = Navigator({});
    nav.SetVisibleButtons({nbsFirst, nbsLast});
    EXPECT_EQ(nav.Buttons().Count(), 14);
    EXPECT_EQ(nav.Buttons().VisibleCount(), 2);
    EXPECT_EQ(nav.Buttons().VisibleButtons(1).Style(), nbsLast);
    EXPECT_EQ(nav.Buttons().VisibleButtons(1).Left(), 25);
    EXPECT_EQ(nav.Width(), 50);
    EXPECT_EQ(nav.VisibleButtons().Bits(), TpkNavButtonStyles::FromBits((1u << 14) - 1).Bits());
}

TEST_F(NavigatorOverTable, ClicksWithoutADataSetAndBadIndicesRaiseTheirErrors) {
    Open(3);
    TpkDBNavigator& nav = Navigator({nbsNext});
    TpkNavButton& next = nav.Buttons().Buttons(0);
    nav.SetDataSource(nullptr);
    EXPECT_FALSE(next.Enabled());
    EXPECT_EQ(Message([&] { next.Click(); }), "Error, DataSource not assigned");
    TDataSource empty;
    nav.SetDataSource(&empty);
    EXPECT_EQ(Message([&] { next.Click(); }), "Field '%s' has no dataset");
    nav.SetDataSource(nullptr);
    EXPECT_EQ(Message([&] { nav.Buttons().Buttons(1); }), "Index of Buttons[] out of range");
    EXPECT_EQ(Message([&] { nav.Buttons().VisibleButtons(-1); }), "Index of VisibleButtons[] out of range");
    TpkNavButton stray(nullptr);
    EXPECT_EQ(Message([&] { nav.Buttons().RetrieveIndex(stray); }),
              "Button parameter of RetrieveIndex not in Buttons list");
    TMessageBoxRecorder boxes;
    EXPECT_THROW(stray.SetParent(form.get()), EAbort);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Text, "Parent of TpkNavButton must be TpkDBNavigator");
    EXPECT_EQ(stray.Parent(), nullptr);
}

TEST_F(NavigatorOverTable, DialogButtonsFindOrMakeTheirDialogOverTheDataSet) {
    Open(3);
    TpkDBNavigator& nav = Navigator({nbsLocateDialog, nbsSearchDialog});
    TpkNavButton& locate = nav.Buttons().Buttons(0);
    TpkNavButton& search = nav.Buttons().Buttons(1);
    EXPECT_TRUE(locate.Enabled());
    int created = 0, executed = 0;
    locate.OnAfterCreateDialog = [&](TpkCustomDialog& d) {
        ++created;
        d.OnExecute = [&](TpkCustomDialog&) { ++executed; };
    };
    locate.Click();
    ASSERT_NE(locate.Dialog(), nullptr);
    EXPECT_EQ(locate.Dialog()->ClassName(), "TpkLocateDialog");
    EXPECT_EQ(locate.Dialog()->DataSet(), ds.get());
    locate.Click();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(executed, 2);
    ASSERT_NE(search.GetDialog(), nullptr);
    EXPECT_EQ(dynamic_cast<TpkSearchDialog*>(search.Dialog())->SearchTable(), ds.get());

    // Assigning a dialog picks the style from its class.
    TpkFilterDialog filter(nullptr);
    locate.SetDialog(&filter);
    EXPECT_EQ(locate.Style(), nbsFilterDialog);
}

}  // namespace
