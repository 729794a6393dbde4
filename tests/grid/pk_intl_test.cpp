// The localised texts: the defaults as the library ships them, connecting an instance into the global one, the
// picture-mask error routine and the dialog buttons.
#include "grid/pk_intl.h"

#include <gtest/gtest.h>

#include "framework/window/dialogs.h"
#include "framework/window/forms.h"
#include "grid/pk_dialog_button.h"

namespace {

// Restores the global instance's values after a test that connects into it.
class GlobalTexts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(pkIntl(), nullptr); }
    void TearDown() override {
        TpkIntl defaults(nullptr);
        defaults.Connect();
        pkIntl()->IniFileName.clear();
        pkIntl()->SetCheckBoxInGridStyle(cbStyleAuto);
    }
};

TEST_F(GlobalTexts, DefaultsKeepTheirExactWording) {
    TpkIntl& g = *pkIntl();
    EXPECT_EQ(g.Navigator.ConfirmDeleteMessage, "Delete record?");
    EXPECT_EQ(g.Navigator.Hints.PriorHint, "Move to prior record");
    EXPECT_EQ(g.Navigator.Hints.NextPageHint, "Move forward %d records");
    EXPECT_EQ(g.UserMessages.MemoChangesWarning, "Changes have been made!  Are you sure you wish to cancel?");
    EXPECT_EQ(g.UserMessages.RecordViewExitWarning, "Changes have been made!  Do you wish to save your changes?");
    EXPECT_EQ(g.UserMessages.pkDBGridDiscardChanges, "Discard changes to this record?");
    EXPECT_EQ(g.LocateDialog.MatchAnyLabel, "Partial Match &Anywhere");
    EXPECT_EQ(g.FilterDialog.MatchAnyLabel, "Partial Match Any&where");
    EXPECT_EQ(g.FilterDialog.BtnClearMin, "&Clear");
    EXPECT_EQ(g.FilterDialog.BtnClearMax, "Cl&ear");
    EXPECT_EQ(g.FilterDialog.SummaryCaption, "");
    EXPECT_EQ(g.RichEdit.ParagraphDialog.SpacingSingle, "");
    EXPECT_EQ(g.RichEdit.CAPLockCaption, "CAP");
    EXPECT_EQ(g.BtnOKCaption, "&OK");
    EXPECT_TRUE(g.OKCancelBitmapped);
    EXPECT_EQ(g.FilterMemoSize, 65536);
    EXPECT_EQ(g.DefaultEpochYear, 1950);
    EXPECT_EQ(g.CheckBoxInGridStyle(), cbStyleAuto);
    EXPECT_TRUE(g.IniFileName.empty());
}

TEST_F(GlobalTexts, ConnectAppendsIniToTheBaseNameAndClearsEmptyOrBareNames) {
    const struct { const char* given; const char* global; } cases[] = {
        {"GRIDS", "GRIDS.ini"}, {".ini", ""}, {"", ""}, {"my.cfg", "my.cfg.ini"}};
    for (const auto& c : cases) {
        pkIntl()->IniFileName = "previous.ini";
        TpkIntl local(nullptr);
        local.IniFileName = c.given;
        local.SetConnected(true);
        EXPECT_EQ(pkIntl()->IniFileName, c.global) << "IniFileName '" << c.given << "'";
    }
}

TEST_F(GlobalTexts, ConnectCopiesTextsAndSettingsAndTheGlobalIgnoresItself) {
    TpkIntl local(nullptr);
    local.Navigator.Hints.NextHint = "Weiter";
    local.UserMessages.LocateNoMatches = "Nichts gefunden";
    local.BtnCancelCaption = "Abbrechen";
    local.DefaultEpochYear = 1980;
    local.Connect();
    EXPECT_EQ(pkIntl()->Navigator.Hints.NextHint, "Weiter");
    EXPECT_EQ(pkIntl()->UserMessages.LocateNoMatches, "Nichts gefunden");
    EXPECT_EQ(pkIntl()->BtnCancelCaption, "Abbrechen");
    EXPECT_EQ(pkIntl()->DefaultEpochYear, 1980);
    pkIntl()->IniFileName = "kept.ini";
    pkIntl()->Connect();  // to itself: nothing, not even the ".ini" rule
    EXPECT_EQ(pkIntl()->IniFileName, "kept.ini");
}

TEST_F(GlobalTexts, CheckBoxStyleReachesTheGlobalOnlyFromAConnectedInstance) {
    TpkIntl local(nullptr);
    local.SetCheckBoxInGridStyle(cbStyleXmark);
    EXPECT_EQ(pkIntl()->CheckBoxInGridStyle(), cbStyleAuto);
    local.SetConnected(true);
    EXPECT_EQ(pkIntl()->CheckBoxInGridStyle(), cbStyleXmark);
    local.SetCheckBoxInGridStyle(cbStyleCheckmark);
    EXPECT_EQ(pkIntl()->CheckBoxInGridStyle(), cbStyleCheckmark);
}

TEST(ValidationError, BeepsAndRaisesTheFrameworkTextUnlessTheHandlerDeclines) {
    TpkIntl intl(nullptr);
    TComponent sender(nullptr);
    {
        TMessageBoxRecorder boxes;
        try {
            intl.ValidationErrorUsingMask(sender, nullptr);
            ADD_FAILURE() << "no error raised";
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "Invalid input value.  Use escape key to abandon changes");
        }
        EXPECT_EQ(boxes.Beeps().size(), 1u);
    }
    {
        TMessageBoxRecorder boxes;
        intl.OnValidationErrorUsingMask = [](TComponent&, TField*, std::string& msg, bool&) { msg = "Digits only"; };
        try {
            intl.ValidationErrorUsingMask(sender, nullptr);
            ADD_FAILURE() << "no error raised";
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "Digits only");
        }
    }
    {
        TMessageBoxRecorder boxes;
        intl.OnValidationErrorUsingMask = [](TComponent&, TField*, std::string&, bool& doDefault) { doDefault = false; };
        EXPECT_NO_THROW(intl.ValidationErrorUsingMask(sender, nullptr));
        EXPECT_TRUE(boxes.Beeps().empty());
    }
}

TEST(DialogButtons, OkCancelAndHelpAreMadeHiddenWithTheirCaptionsAndResults) {
    TpkIntl intl(nullptr);
    TForm form(Application);
    auto* ok = dynamic_cast<TpkDialogButton*>(intl.CreateDlgButton(form, dbkOK));
    auto* cancel = dynamic_cast<TpkDialogButton*>(intl.CreateDlgButton(form, dbkCancel));
    auto* help = dynamic_cast<TpkDialogButton*>(intl.CreateDlgButton(form, dbkHelp));
    ASSERT_TRUE(ok && cancel && help);
    EXPECT_FALSE(ok->Visible());
    EXPECT_EQ(ok->Caption(), "&OK");
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_EQ(ok->Kind(), bkOK);
    EXPECT_EQ(ok->Margin(), 2);
    EXPECT_EQ(cancel->Caption(), "Cancel");
    EXPECT_EQ(cancel->ModalResult(), mrCancel);
    EXPECT_TRUE(cancel->IsCancel());
    EXPECT_EQ(help->Caption(), "Help");
    EXPECT_EQ(ok->Parent(), &form);
    cancel->Click();
    EXPECT_EQ(form.ModalResult(), mrCancel);

    intl.OKCancelBitmapped = false;
    auto* plain = dynamic_cast<TpkDialogButton*>(intl.CreateDlgButton(form, dbkOK));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Kind(), bkCustom);
}

}  // namespace
