// TpkDBNavigator: a bar of glyph buttons that moves and edits a data set. Every button is a component of its own
// (TpkNavButton), chosen, ordered, hidden and laid out one by one; the navigator keeps their enabled state in step
// with the data set through its data link (TpkNavDataLink), repeats the moving buttons while they are held down,
// and lays them out in rows (or columns) with optional line breaks. TpkNavButtons is the button list: the
// navigator's TpkNavButton children in child order.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/data_link.h"
#include "framework/data/data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_error.h"
#include "framework/data/field.h"
#include "grid/pk_dialogs.h"
#include "grid/pk_speed_button.h"

class TTimer;
class TDataSource;
class TpkDBNavigator;
class TpkNavButton;

enum TpkNavButtonStyle {
    nbsFirst, nbsPrior, nbsNext, nbsLast, nbsInsert, nbsDelete, nbsEdit, nbsPost, nbsCancel, nbsRefresh,
    nbsPriorPage, nbsNextPage, nbsSaveBookmark, nbsRestoreBookmark, nbsFilterDialog, nbsRecordViewDialog,
    nbsLocateDialog, nbsSearchDialog, nbsCustom
};
using TpkNavButtonStyles = TSet<TpkNavButtonStyle>;
enum TpkNavAutoSizeStyle { asSizeNavigator, asSizeNavButtons, asNone };
enum TpkNavLayout { nlHorizontal, nlVertical };
enum TpkNavOption { noConfirmDelete };
using TpkNavOptions = TSet<TpkNavOption>;
// Why a button's state is updated.
enum TpkUpdateCause { ucDataChanged = 0, ucEditingChanged = 1, ucActiveChanged = 2, ucOther = 3 };

// The style's name without "nbs" ("Prior", "PriorPage", ...); "Custom" for nbsCustom.
std::string pkNavStyleName(TpkNavButtonStyle style);
bool pkNavIsDialogStyle(TpkNavButtonStyle style);
// The styles that repeat while held down.
bool pkNavIsRepeatStyle(TpkNavButtonStyle style);
// hint with its first "%d" replaced by value; every other character, '%' included, is left as it is.
std::string pkNavFormatPageHint(const std::string& hint, int value);

struct TpkNavRepeatInterval {
    int InitialDelay = 500;  // milliseconds from the press to the first repeat
    int Interval = 100;      // milliseconds between repeats
};

using TpkCustomDialogEvent = std::function<void(TpkCustomDialog& dialog)>;
using TpkUpdateStateEvent =
    std::function<void(TpkDBNavigator& navigator, TpkNavButton& button, TpkUpdateCause cause)>;

class TpkNavDataLink : public TDataLink {
public:
    explicit TpkNavDataLink(TpkDBNavigator& navigator) : navigator_(navigator) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void EditingChanged() override;

private:
    TpkDBNavigator& navigator_;
};

class TpkNavButtons {
public:
    explicit TpkNavButtons(TpkDBNavigator& navigator) : navigator_(navigator) {}

    TpkDBNavigator& Navigator() const { return navigator_; }
    int Count() const;
    // REQUIRES nothing: outside 0..Count()-1 raises EInvalidOperation "Index of Buttons[] out of range".
    TpkNavButton& Buttons(int index) const;
    // Visible buttons (at design time all of them).
    int VisibleCount() const;
    TpkNavButton& VisibleButtons(int index) const;
    // The button's position in the list; EInvalidOperation when it is not in it.
    int RetrieveIndex(const TpkNavButton& button) const;

    // Layout waits while an update runs.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate() { if (updateCount_ > 0) --updateCount_; }
    int UpdateCount() const { return updateCount_; }

    // A new button of the style (and dialog, for a dialog style), placed after the others.
    TpkNavButton& Add(TpkNavButtonStyle style, TpkCustomDialog* dialog = nullptr);
    void AddDefaultButtons();
    void AddDialogButtons();
    // Frees every button, last first.
    void Clear();
    // The placement of the buttons in lines, with line breaks (no-op during an update).
    void Arrange();
    // The automatic size of the navigator or of its buttons, by AutosizeStyle.
    void AutoSize();
    // asSizeNavButtons: size then arrange; otherwise arrange then size.
    void Relayout();
    // asSizeNavigator: widens (heightens) the navigator so that every line of visible buttons fits unbroken.
    void GrowToFit();

private:
    std::vector<TpkNavButton*> All() const;
    std::vector<TpkNavButton*> Visible() const;

    TpkDBNavigator& navigator_;
    int updateCount_ = 0;  // > 0: layout suppressed
};

class TpkNavButton : public TpkSpeedButton {
public:
    explicit TpkNavButton(TComponent* owner);
    ~TpkNavButton() override;

    TpkCustomDialog* Dialog() const { return dialog_; }
    // Selects the dialog's style; a previous dialog this button owns is freed.
    void SetDialog(TpkCustomDialog* dialog);
    int Index() const;
    void SetIndex(int value);
    bool LineBreak() const { return lineBreak_; }
    void SetLineBreak(bool value);
    TpkNavButtonStyle Style() const { return style_; }
    void SetStyle(TpkNavButtonStyle style);
    // -1 while the button uses the built-in glyphs.
    int ImageIndex() const override;
    void SetImageIndex(int value) override;
    void SetParent(TWinControl* parent) override;
    void SetEnabled(bool value) override;

    TpkNavButtons* ButtonList() const { return buttons_; }
    void SetButtonList(TpkNavButtons* list) { buttons_ = list; }
    // The list's navigator, else the parent navigator; without one the error is shown and the call aborted.
    TpkDBNavigator& Navigator() const;
    TpkDBNavigator* NavigatorOrNull() const;

    // The enabled state for the data set now (see the cause values); OnUpdateState may decide instead.
    void UpdateState(TpkUpdateCause cause);
    // The style's hint from the global texts (page hints formatted with the navigator's MoveBy), or Hint when set.
    std::string DefaultHint() const;
    // MoveBy changed: the page hint follows the new value.
    void MoveByChanged(int moveBy);
    // The dialog a dialog button opens (found or made on demand); nullptr for other styles.
    TpkCustomDialog* GetDialog();
    // Whether the auto-repeat timer runs now.
    bool Repeating() const;
    TTimer* RepeatTimer() const { return timer_.get(); }

    void Click() override;

    TpkCustomDialogEvent OnAfterCreateDialog;
    TNotifyEvent OnRowChanged;
    TpkUpdateStateEvent OnUpdateState;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CMMouseEnter() override;
    void CMMouseLeave() override;
    void CMEnabledChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

private:
    void ApplyDefaultGlyph();
    void StartTimer(int interval);
    void StopTimer();
    void TimerTick();
    void StateChangedRepaint();

    TpkNavButtons* buttons_ = nullptr;        // the list, or nullptr: the parent navigator's
    std::unique_ptr<TTimer> timer_;           // auto-repeat while held down
    TpkCustomDialog* dialog_ = nullptr;       // borrowed, or owned by this button (ownsDialog_)
    bool ownsDialog_ = false;
    TpkNavButtonStyle style_ = nbsFirst;
    bool lineBreak_ = false;
    bool builtInGlyphs_ = true;               // images from the library's list
    int storedIndex_ = -1;                    // Index read while loading, applied afterwards
    int enabledWrites_ = 0;                   // counts Enabled assignments, to see what OnUpdateState did
    std::string hintTemplate_;                // the page hint before formatting
    std::string formattedHint_;               // what the template last produced
};

class TpkDBNavigator : public TpkCustomTransparentPanel {
public:
    explicit TpkDBNavigator(TComponent* owner);
    ~TpkDBNavigator() override;

    TpkNavAutoSizeStyle AutosizeStyle() const { return autosizeStyle_; }
    void SetAutosizeStyle(TpkNavAutoSizeStyle value);
    TpkNavButtons& Buttons() { return buttons_; }
    TDataSource* DataSource() const { return dataLink_.DataSource(); }
    void SetDataSource(TDataSource* source);
    // The data source as a component of the form, so that its going away is noticed.
    void SetDataSourceComponent(TComponent* holder, TDataSource* source);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    TImageList* ImageList() const { return imageList_; }
    void SetImageList(TImageList* list);
    TpkNavLayout Layout() const { return layout_; }
    void SetLayout(TpkNavLayout value);
    int MoveBy() const { return moveBy_; }
    void SetMoveBy(int value);
    TpkNavOptions Options() const { return options_; }
    void SetOptions(TpkNavOptions value) { options_ = value; }
    void SetShowHint(bool value);
    TpkNavRepeatInterval& RepeatInterval() { return repeatInterval_; }
    bool TransparentClearsBackground() const { return transparentClearsBackground_; }
    void SetTransparentClearsBackground(bool value) { transparentClearsBackground_ = value; }
    void SetEnabled(bool value) override;
    void SetName(const std::string& name) override;

    // The data source's data set; with mustExist, EInvalidOperation when there is none.
    TDataSet* DataSet(bool mustExist = false) const;
    TpkNavDataLink& DataLink() { return dataLink_; }
    // The styles 0..13 that have a button; setting shows, adds or hides buttons.
    TpkNavButtonStyles VisibleButtons() const;
    void SetVisibleButtons(TpkNavButtonStyles styles);
    // Pixels of bevel on each side (0 to 2).
    int Border() const;
    // A dialog character: clicks the enabled button whose caption has it as accelerator; true when consumed.
    bool DialogChar(char key);
    // The first-paint step: default buttons when there are none, the size from them when the width is 1.
    void EnsureButtons();

    // Bookmarks, one per data set.
    void SaveBookmark(TDataSet& dataSet);
    // The saved bookmark of the data set that it still accepts, or nullptr.
    const TBookmark* FindBookmark(const TDataSet& dataSet) const;
    void DropBookmarks(const TDataSet& dataSet);

    void UpdateButtons(TpkUpdateCause cause);

protected:
    void Paint() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TpkNavButtons;
    struct TpkNavBookmark {
        const TDataSet* dataSet;  // the data set the bookmark belongs to
        TBookmark bookmark;
    };

    TpkNavButtons buttons_;
    TpkNavDataLink dataLink_;
    TComponent* dataSourceHolder_ = nullptr;  // the form's component holding the data source, when known
    std::vector<TpkNavBookmark> bookmarks_;
    TpkNavAutoSizeStyle autosizeStyle_ = asSizeNavigator;
    bool flat_ = true;
    TImageList* imageList_ = nullptr;
    TpkNavLayout layout_ = nlHorizontal;
    int moveBy_ = 10;
    TpkNavOptions options_{noConfirmDelete};
    TpkNavRepeatInterval repeatInterval_;
    bool transparentClearsBackground_ = false;
    bool painting_ = false;                   // inside the first-paint step
};
