// The main window made from its stored description: its layout, the table opened on creation, the launcher's
// target following the current record, the launcher starting a demo screensaver, and a missing table shown in
// the exception box with the window still up.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "app/modules.h"
#include "app/program_launch.h"
#include "app_support.h"
#include "framework/window/dialogs.h"
#include "temp_dir.h"
#include "../window/window_support.h"

namespace {

// Makes file0feed.dbf and TITLE.NDX in folder with the ordane tool, from CSV rows "TITLE,EXENAME".
void MakeTable(const std::string& folder, const std::string& rows) {
    WriteFileBytes(folder + "/rows.csv", std::vector<uint8_t>(rows.begin(), rows.end()));
    std::string ordane = ORDANE_PATH;
    std::string commands = "cd '" + folder + "' && '" + ordane +
                           "' create file0feed.dbf --version 0x03 --fields 'TITLE C(55); EXENAME C(55)' && '" +
                           ordane + "' import file0feed.dbf --from rows.csv && '" + ordane +
                           "' index file0feed.dbf --create TITLE.NDX --tag TITLE --key TITLE 2>&1";
    int status = -1;
    std::string output = RunCommand(commands, &status);
    ASSERT_EQ(status, 0) << output;
}

// The main window over a table folder, made as the application makes it, freed at the end of the test.
class MainWindowTest : public testing::Test {
protected:
    std::unique_ptr<TForm1> Open() {
        folderEnv = std::make_unique<ScopedEnv>("VELMORA_PROGRAM_DIR", dir.Path());
        return std::unique_ptr<TForm1>(Application->CreateForm<TForm1>());
    }
    void TearDown() override { ReapFinishedChildren(); }

    TModuleScope modules;
    TempDir dir;
    std::unique_ptr<ScopedEnv> folderEnv;
};

TEST_F(MainWindowTest, OpensOnTheTableAndExeFileFollowsTheCurrentRecord) {
    MakeTable(dir.Path(), "TITLE,EXENAME\nZebra Stripes,ZEBRA.SCR\nAquarium,AQUA.SCR\nNothing to run,\n");
    auto form = Open();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Caption(), "Velmora");
    EXPECT_EQ(form->BoundsRect(), Bounds(321, 156, 408, 450));
    EXPECT_EQ(form->Color(), clBtnFace);
    EXPECT_EQ(form->Font().Name(), "MS Sans Serif");
    EXPECT_EQ(form->Font().Height(), -11);
    ASSERT_TRUE(form->QmRunButton1 && form->Table1 && form->DataSource1 && form->Table1TITLE && form->Table1EXENAME);
    TQmRunButton& button = *form->QmRunButton1;
    EXPECT_EQ(button.Caption(), "&Install Screensaver");
    EXPECT_EQ(button.BoundsRect(), Bounds(88, 392, 145, 25));
    EXPECT_EQ(button.Parent(), form.get());
    EXPECT_FALSE(button.WaitUntilDone());
    EXPECT_EQ(button.ExeParams(), "");

    TOrdaneDataSet& table = *form->Table1;
    ASSERT_TRUE(table.Active());
    EXPECT_TRUE(table.ReadOnly());
    EXPECT_EQ(form->Table1TITLE->Size(), 55);
    // Physical order: the index is kept but selects no order.
    EXPECT_EQ(form->Table1TITLE->AsString(), "Zebra Stripes");
    EXPECT_EQ(button.ExeFile(), "ZEBRA.SCR");
    table.Next();
    EXPECT_EQ(button.ExeFile(), "AQUA.SCR");
    table.Next();
    EXPECT_EQ(button.ExeFile(), "");  // a blank EXENAME launches nothing
    button.Click();
    EXPECT_EQ(button.RunResult(), 0);
    table.First();
    EXPECT_EQ(button.ExeFile(), "ZEBRA.SCR");
}

TEST_F(MainWindowTest, GridListsTheTitlesAndTheNavigatorStepsThroughThem) {
    MakeTable(dir.Path(), "TITLE,EXENAME\nZebra Stripes,ZEBRA.SCR\nAquarium,AQUA.SCR\n");
    auto form = Open();
    ASSERT_TRUE(form && form->pkDBGrid1 && form->pkDBNavigator1 && form->pkDBNavigator1Prior &&
                form->pkDBNavigator1Next && form->QmRunButton1);
    form->ShowForm();
    TpkDBGrid& grid = *form->pkDBGrid1;
    EXPECT_EQ(grid.BoundsRect(), Bounds(16, 16, 369, 369));
    EXPECT_EQ(grid.DataSource(), form->DataSource1);
    ASSERT_EQ(grid.ColumnCount(), 1);
    ASSERT_TRUE(grid.ColumnField(0));
    EXPECT_EQ(grid.ColumnField(0)->FieldName(), "TITLE");
    EXPECT_TRUE(grid.DataLink().Active());
    // The table opens after the grid is linked: the grid still gets a row per record, not just the current one.
    EXPECT_EQ(grid.DataLink().RecordCount(), 2);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(form->pkDBNavigator1->BoundsRect(), Bounds(16, 392, 50, 25));

    TpkNavButton& prior = *form->pkDBNavigator1Prior;
    TpkNavButton& next = *form->pkDBNavigator1Next;
    EXPECT_FALSE(prior.Enabled());  // at the first record
    EXPECT_TRUE(next.Enabled());
    ::Click(next, 12, 12);
    EXPECT_EQ(form->QmRunButton1->ExeFile(), "AQUA.SCR");
    EXPECT_TRUE(prior.Enabled());
    ::Click(next, 12, 12);  // off the end: the last record stays current
    EXPECT_FALSE(next.Enabled());
    EXPECT_EQ(form->QmRunButton1->ExeFile(), "AQUA.SCR");
    ::Click(prior, 12, 12);
    EXPECT_EQ(form->QmRunButton1->ExeFile(), "ZEBRA.SCR");
}

TEST_F(MainWindowTest, PressingTheLauncherStartsTheDemoSaver) {
    MakeTable(dir.Path(), "TITLE,EXENAME\nStarfield,STARS.SCR\n");
    std::string marker = dir.File("marker.txt");
    ScopedEnv markerEnv("VELMORA_SAVER_MARKER", marker);
    ScopedEnv noDisplay("DISPLAY", std::nullopt);
    ScopedEnv noWayland("WAYLAND_DISPLAY", std::nullopt);
    // The demo savers lie beside the program; the test program lives elsewhere, so it looks from that folder.
    ScopedCurrentFolder cwd(VELMORA_APP_DIR);
    ASSERT_TRUE(cwd.Ok());
    auto form = Open();
    ASSERT_TRUE(form && form->QmRunButton1);
    form->ShowForm();
    TQmRunButton& button = *form->QmRunButton1;
    ASSERT_EQ(button.ExeFile(), "STARS.SCR");
    ::Click(button, 20, 12);
    EXPECT_EQ(button.RunResult(), kLaunchStarted);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(marker); })) << "the demo saver did not run";
    WaitUntil([&] { return ReadText(marker).find('\n') != std::string::npos; });
    EXPECT_EQ(ReadText(marker), "STARS.SCR\tshow=1\n");
}

TEST_F(MainWindowTest, MissingTableIsShownInTheExceptionBoxAndTheWindowStays) {
    TMessageBoxRecorder boxes;
    auto form = Open();  // the folder holds no table
    ASSERT_TRUE(form);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Kind, mtError);
    EXPECT_NE(boxes.Requests()[0].Text.find("file0feed.dbf"), std::string::npos) << boxes.Requests()[0].Text;
    ASSERT_TRUE(form->Table1 && form->QmRunButton1);
    EXPECT_FALSE(form->Table1->Active());
    EXPECT_EQ(form->QmRunButton1->ExeFile(), "");
    ASSERT_TRUE(form->pkDBGrid1 && form->pkDBNavigator1Prior && form->pkDBNavigator1Next);
    EXPECT_FALSE(form->pkDBGrid1->DataLink().Active());
    EXPECT_FALSE(form->pkDBNavigator1Prior->Enabled());
    EXPECT_FALSE(form->pkDBNavigator1Next->Enabled());
    form->ShowForm();
    EXPECT_TRUE(form->Showing());
    form->QmRunButton1->Click();
    EXPECT_EQ(form->QmRunButton1->RunResult(), 0);
}

TEST_F(MainWindowTest, EmptyTableLeavesTheLauncherWithNothingToRun) {
    MakeTable(dir.Path(), "TITLE,EXENAME\n");
    TMessageBoxRecorder boxes;
    auto form = Open();
    ASSERT_TRUE(form && form->Table1 && form->QmRunButton1);
    EXPECT_TRUE(boxes.Requests().empty());
    EXPECT_TRUE(form->Table1->Active());
    EXPECT_EQ(form->QmRunButton1->ExeFile(), "");
}

}  // namespace
