// TpkIntl: every user-visible default text of the component library (navigator hints, questions, dialog labels)
// and a few library-wide settings, in one component so that a program can translate or change them in one place.
// The library makes one global instance at start-up (StartComponentLibrary); the grid, the navigator and the
// dialogs read from it. Further instances on forms copy their values into the global one when connected.
#pragma once

#include <functional>
#include <string>

#include "framework/window/component.h"
#include "framework/window/graphics.h"

class TField;
class TForm;
class TControl;

struct TpkADOIntl {
    bool UseLocateWhenFindingValue = true;
};

struct TpkDBNavigatorIntlHints {
    std::string FirstHint = "Move to first record";
    std::string PriorHint = "Move to prior record";
    std::string NextHint = "Move to next record";
    std::string LastHint = "Move to last record";
    std::string InsertHint = "Insert new record";
    std::string DeleteHint = "Delete current record";
    std::string EditHint = "Edit current record";
    std::string PostHint = "Post changes of current record";
    std::string CancelHint = "Cancel changes made to current record";
    std::string RefreshHint = "Refresh the contents of the dataset";
    std::string PriorPageHint = "Move backward %d records";
    std::string NextPageHint = "Move forward %d records";
    std::string SaveBookmarkHint = "Bookmark current record";
    std::string RestoreBookmarkHint = "Go back to saved bookmark";
    std::string RecordViewDialogHint = "View current record";
    std::string FilterDialogHint = "Filter the dataset";
    std::string LocateDialogHint = "Locate a specific record";
    std::string SearchDialogHint = "Search the dataset";
};

struct TpkDBNavigatorIntl {
    std::string ConfirmDeleteMessage = "Delete record?";
    TpkDBNavigatorIntlHints Hints;
};

struct TpkUserMessagesIntl {
    std::string pkDBGridDiscardChanges = "Discard changes to this record?";
    std::string PictureValidateError = "Invalid characters. Field : ";
    std::string LocateNoMatches = "No matches found";
    std::string LocateNoMoreMatches = "No more matches found";
    std::string MemoChangesWarning = "Changes have been made!  Are you sure you wish to cancel?";
    std::string RichEditExitWarning = "Changes have been made!  Do you wish to save your changes?";
    std::string RichEditClearWarning = "Clear entire text?";
    std::string RichEditSpellCheckComplete = "The spell check is complete.";
    std::string RichEditMSWordNotFound = "Unable to start Microsoft Word's Spell Checker.";
    std::string FilterDlgNoCriteria = "You have not selected any search criteria";
    std::string RecordViewExitWarning = "Changes have been made!  Do you wish to save your changes?";
};

struct TpkSearchDialogIntl {
    std::string SearchCharLabel = "&Search Characters";
    std::string SearchCharShortLabel = "&Search Char";
    std::string SearchByLabel = "Search &By";
    std::string StatusRecLabel = "Rec #";
    std::string StatusOfLabel = "of";
    std::string SearchCharHint = "Enter characters for incremental search";
    std::string SearchByHint = "Incremental searching and sorting order";
};

struct TpkLocateDialogIntl {
    std::string FieldValueLabel = "Field &Value";
    std::string SearchTypeLabel = "&Search Type";
    std::string CaseSensitiveLabel = "&Case-sensitive";
    std::string MatchExactLabel = "&Exact Match";
    std::string MatchStartLabel = "&Partial Match at Beginning";
    std::string MatchAnyLabel = "Partial Match &Anywhere";
    std::string FieldsLabel = "&Fields";
    std::string BtnFirst = "Fi&rst";
    std::string BtnNext = "&Next";
    std::string BtnCancel = "Cancel";
    std::string FieldValueHint = "Enter field's search value";
    std::string CaseSensitiveHint = "Searching is case-sensitive";
    std::string MatchExactHint = "Match occurs only if there is an exact match";
    std::string MatchStartHint = "Match occurs if the start of the field's value matches";
    std::string MatchAnyHint = "Match occurs if any part of the field matches";
    std::string BtnFirstHint = "Find first match";
    std::string BtnNextHint = "Find next match from current record";
    std::string FieldNameHint = "Select the field to search on";
};

struct TpkMonthCalendarIntl {
    std::string PopupYearLabel = "Edit Year";
    std::string EnterYearPrompt = "Enter Valid Year";
};

// The filter dialog's 41 texts; those without a known default start empty.
struct TpkFilterDialogIntl {
    std::string BtnViewSummary = "View Su&mmary";
    std::string BtnViewSummaryHint;
    std::string BtnNewSearch = "&New Search";
    std::string BtnNewSearchHint;
    std::string FieldOrderLabel;
    std::string FieldOrderHint = "Sort field list alphabetically or in their natural logical order";
    std::string AlphabeticLabel;
    std::string LogicalLabel;
    std::string AllFieldsLabel;
    std::string SearchedFieldsLabel;
    std::string StartingRangeLabel;
    std::string EndingRangeLabel;
    std::string StartingRangeHint;
    std::string EndingRangeHint;
    std::string BtnClearMin = "&Clear";
    std::string BtnClearMax = "Cl&ear";
    std::string BtnClearFilterValue;
    std::string BtnClearMinHint;
    std::string BtnClearMaxHint;
    std::string BtnClearFilterValueHint;
    std::string ByValueLabel;
    std::string ByRangeLabel;
    std::string FieldValueLabel;
    std::string FieldValueHint;
    std::string SearchTypeLabel;
    std::string SearchTypeHint;
    std::string MatchExactLabel;
    std::string MatchStartLabel;
    std::string MatchAnyLabel = "Partial Match Any&where";
    std::string CaseSensitiveLabel;
    std::string CaseSensitiveHint;
    std::string NonMatchingLabel = "N&on-matching records";
    std::string NonMatchingHint;
    std::string SummaryFieldLabel;
    std::string SummarySearchLabel;
    std::string SummaryValueLabel;
    std::string SummaryCaption;
    std::string FieldsLabel;
    std::string ValueRangeTabHint;
    std::string AllSearchedTabHint;
    std::string ViewSummaryNotText = "NOT";
};

// The rich text editor's menu captions: only the first and the last have a known default.
struct TpkRichEditMenuLabels {
    std::string FileCaption = "&File";
    std::string HelpCaption = "Help";
};
struct TpkRichEditPopupMenuLabels {};
struct TpkRichEditParagraphDlg {
    std::string SpacingSingle, Spacing1_5, SpacingDouble, SpacingAtLeast, SpacingExactly, SpacingMultiple;
    int HelpContext = 0;
};
struct TpkRichEditTabDlg {
    int HelpContext = 0;
};

struct TpkDBRichEditIntl {
    std::string FontNameComboHint, FontSizeComboHint, NewButtonHint, LoadButtonHint, SaveAsButtonHint,
        PrintButtonHint, FindButtonHint, CutButtonHint, CopyButtonHint, UndoButtonHint, RedoButtonHint,
        PasteButtonHint, BoldButtonHint, ColorButtonHint, UnderlineButtonHint, ItalicButtonHint, LeftButtonHint,
        CenterButtonHint, RightButtonHint, BulletButtonHint, HighlightButtonHint, SaveExitHint, PageSetupHint,
        ExitHint, ClearHint, SelectAllHint, FindNextHint, ReplaceHint, InsertObjectHint, SpellCheckHint,
        ToolbarHint, FormatBarHint, ViewStatusBarHint, OptionsHint, FontHint, ParagraphHint, TabsHint;
    std::string CAPLockCaption = "CAP";
    std::string NUMLockCaption = "NUM";
    TpkRichEditMenuLabels MenuLabels;
    TpkRichEditPopupMenuLabels PopupMenuLabels;
    TpkRichEditParagraphDlg ParagraphDialog;
    TpkRichEditTabDlg TabDialog;
};

enum TpkCheckBoxInGridStyle { cbStyleAuto, cbStyleCheckmark, cbStyleXmark };

// Raised when a cell's text fails its picture mask: the handler may change Msg, or set DoDefault false to
// suppress the beep and the error.
using TpkPictureValidationError =
    std::function<void(TComponent& sender, TField* field, std::string& msg, bool& doDefault)>;

enum TpkDialogButtonKind { dbkOK, dbkCancel, dbkHelp };

class TpkIntl : public TComponent {
public:
    explicit TpkIntl(TComponent* owner);
    // The global instance that goes clears the global reference.
    ~TpkIntl() override;

    TpkADOIntl ADO;
    TpkDBNavigatorIntl Navigator;
    TpkSearchDialogIntl SearchDialog;
    TpkLocateDialogIntl LocateDialog;
    TpkMonthCalendarIntl MonthCalendar;
    TpkFilterDialogIntl FilterDialog;
    TpkDBRichEditIntl RichEdit;
    TpkUserMessagesIntl UserMessages;
    bool OKCancelBitmapped = true;
    std::string BtnOKCaption = "&OK";
    std::string BtnCancelCaption = "Cancel";
    int FilterMemoSize = 65536;
    std::string IniFileName;
    bool UseLocateMethodForSearch = true;
    TFontStyles DialogFontStyle;
    int DefaultEpochYear = 1950;
    TpkPictureValidationError OnValidationErrorUsingMask;

    TpkCheckBoxInGridStyle CheckBoxInGridStyle() const { return checkBoxInGridStyle_; }
    // Stores the value; a connected instance other than the global one passes it on to the global one.
    void SetCheckBoxInGridStyle(TpkCheckBoxInGridStyle value);
    bool Connected() const { return connected_; }
    // True copies this instance's values into the global instance (at once, or after loading).
    void SetConnected(bool value);
    // Copies the texts and settings into the global instance. IniFileName gets ".ini" appended; an empty name or
    // exactly ".ini" clears the global name. Connecting the global instance to itself does nothing.
    void Connect();

    // A cell's text failed its picture mask: offers the default message to OnValidationErrorUsingMask, then
    // (unless the handler cleared DoDefault) beeps and raises EInvalidOperation with the message.
    void ValidationErrorUsingMask(TComponent& sender, TField* field);
    // An OK, Cancel or Help button on form, hidden at first (a bitmapped one when OKCancelBitmapped).
    TControl* CreateDlgButton(TForm& form, TpkDialogButtonKind kind);

protected:
    void Loaded() override;

private:
    TpkCheckBoxInGridStyle checkBoxInGridStyle_ = cbStyleAuto;
    bool connected_ = false;
};

// The global instance, or nullptr before start-up and after shutdown.
TpkIntl* pkIntl();

// The library's start-up and shutdown: the global texts (owned by the application object when there is one) and
// the navigator's glyph list. Both are idempotent; the program calls them once each.
void StartComponentLibrary();
void StopComponentLibrary();
