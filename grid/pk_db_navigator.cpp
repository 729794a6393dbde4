#include "grid/pk_db_navigator.h"

#include "framework/base/restore.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "framework/window/dialogs.h"
#include "framework/window/forms.h"
#include "framework/window/image_list.h"
#include "framework/window/timer.h"
#include "grid/pk_intl.h"
#include "grid/pk_nav_glyphs.h"

namespace {
const char* const kStyleNames[] = {"First", "Prior", "Next", "Last", "Insert", "Delete", "Edit", "Post", "Cancel",
                                   "Refresh", "PriorPage", "NextPage", "SaveBookmark", "RestoreBookmark",
                                   "FilterDialog", "RecordViewDialog", "LocateDialog", "SearchDialog", "Custom"};
const TpkNavButtonStyle kDefaultOrder[] = {nbsFirst, nbsPriorPage, nbsPrior,  nbsNext,   nbsNextPage,
                                           nbsLast,  nbsInsert,    nbsDelete, nbsEdit,   nbsPost,
                                           nbsCancel, nbsRefresh,  nbsSaveBookmark, nbsRestoreBookmark};

const std::string& HintOf(const TpkDBNavigatorIntlHints& h, TpkNavButtonStyle style) {
    static const std::string none;
    switch (style) {
        case nbsFirst: return h.FirstHint;
        case nbsPrior: return h.PriorHint;
        case nbsNext: return h.NextHint;
        case nbsLast: return h.LastHint;
        case nbsInsert: return h.InsertHint;
        case nbsDelete: return h.DeleteHint;
        case nbsEdit: return h.EditHint;
        case nbsPost: return h.PostHint;
        case nbsCancel: return h.CancelHint;
        case nbsRefresh: return h.RefreshHint;
        case nbsPriorPage: return h.PriorPageHint;
        case nbsNextPage: return h.NextPageHint;
        case nbsSaveBookmark: return h.SaveBookmarkHint;
        case nbsRestoreBookmark: return h.RestoreBookmarkHint;
        case nbsFilterDialog: return h.FilterDialogHint;
        case nbsRecordViewDialog: return h.RecordViewDialogHint;
        case nbsLocateDialog: return h.LocateDialogHint;
        case nbsSearchDialog: return h.SearchDialogHint;
        case nbsCustom: break;
    }
    return none;
}

bool IsPageStyle(TpkNavButtonStyle s) { return s == nbsPriorPage || s == nbsNextPage; }

// The accelerator character of a caption ("&Next" -> 'n'), or 0.
char Accelerator(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') { ++i; continue; }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}
}  // namespace

std::string pkNavStyleName(TpkNavButtonStyle style) { return kStyleNames[style]; }
bool pkNavIsDialogStyle(TpkNavButtonStyle s) { return s >= nbsFilterDialog && s <= nbsSearchDialog; }
bool pkNavIsRepeatStyle(TpkNavButtonStyle s) {
    return s == nbsFirst || s == nbsPrior || s == nbsNext || s == nbsLast || s == nbsPriorPage || s == nbsNextPage;
}

std::string pkNavFormatPageHint(const std::string& hint, int value) {
    size_t at = hint.find("%d");
    if (at == std::string::npos) return hint;
    return hint.substr(0, at) + std::to_string(value) + hint.substr(at + 2);
}

// --- data link ------------------------------------------------------------------------------------------------

void TpkNavDataLink::ActiveChanged() {
    if (TDataSet* ds = DataSet(); ds && !ds->Active()) navigator_.DropBookmarks(*ds);
    navigator_.UpdateButtons(ucActiveChanged);
}
void TpkNavDataLink::DataSetChanged() { navigator_.UpdateButtons(ucDataChanged); }
void TpkNavDataLink::EditingChanged() { navigator_.UpdateButtons(ucEditingChanged); }

// --- button list ----------------------------------------------------------------------------------------------

std::vector<TpkNavButton*> TpkNavButtons::All() const {
    std::vector<TpkNavButton*> out;
    for (int i = 0; i < navigator_.ControlCount(); ++i)
        if (auto* b = dynamic_cast<TpkNavButton*>(navigator_.Controls(i))) out.push_back(b);
    return out;
}

std::vector<TpkNavButton*> TpkNavButtons::Visible() const {
    std::vector<TpkNavButton*> out;
    bool designing = navigator_.ComponentState().Contains(csDesigning);
    for (TpkNavButton* b : All())
        if (designing || b->Visible()) out.push_back(b);
    return out;
}

int TpkNavButtons::Count() const { return static_cast<int>(All().size()); }
int TpkNavButtons::VisibleCount() const { return static_cast<int>(Visible().size()); }

TpkNavButton& TpkNavButtons::Buttons(int index) const {
    auto all = All();
    if (index < 0 || index >= static_cast<int>(all.size())) throw EInvalidOperation("Index of Buttons[] out of range");
    return *all[static_cast<size_t>(index)];
}

TpkNavButton& TpkNavButtons::VisibleButtons(int index) const {
    auto v = Visible();
    if (index < 0 || index >= static_cast<int>(v.size()))
        throw EInvalidOperation("Index of VisibleButtons[] out of range");
    return *v[static_cast<size_t>(index)];
}

int TpkNavButtons::RetrieveIndex(const TpkNavButton& button) const {
    auto all = All();
    auto it = std::find(all.begin(), all.end(), &button);
    if (it == all.end()) throw EInvalidOperation("Button parameter of RetrieveIndex not in Buttons list");
    return static_cast<int>(it - all.begin());
}

TpkNavButton& TpkNavButtons::Add(TpkNavButtonStyle style, TpkCustomDialog* dialog) {
    TpkDBNavigator& nav = navigator_;
    TpkNavButton* b = nullptr;
    int border = nav.Border();
    // Where the new button lands when its line has room: after the last visible button.
    auto before = Visible();
    {
        BeginUpdate();
        struct End { TpkNavButtons& l; ~End() { l.EndUpdate(); } } end{*this};
        b = new TpkNavButton(nav.Owner() ? nav.Owner() : &nav);
        b->SetButtonList(this);
        b->SetParent(&nav);
        b->SetStyle(style);
        b->UpdateState(ucOther);
        b->SetFlat(nav.Flat());
        if (dialog && pkNavIsDialogStyle(style)) b->SetDialog(dialog);
        b->SetHint(b->DefaultHint());
        b->UpdateState(ucOther);
    }
    if (updateCount_ > 0) return *b;
    if (nav.AutosizeStyle() == asSizeNavigator) {
        if (nav.Layout() == nlHorizontal) {
            int x = before.empty() ? border : before.back()->Left() + before.back()->Width();
            nav.SetWidth(std::max(nav.Width(), x + b->Width() + border));
            nav.SetHeight(std::max(nav.Height(), b->Height() + 2 * border));
        } else {
            int y = before.empty() ? border : before.back()->Top() + before.back()->Height();
            nav.SetHeight(std::max(nav.Height(), y + b->Height() + border));
            nav.SetWidth(std::max(nav.Width(), b->Width() + 2 * border));
        }
    }
    Relayout();
    return *b;
}

void TpkNavButtons::AddDefaultButtons() {
    {
        BeginUpdate();
        struct End { TpkNavButtons& l; ~End() { l.EndUpdate(); } } end{*this};
        for (TpkNavButtonStyle s : kDefaultOrder) Add(s);
    }
    GrowToFit();
    Relayout();
}

void TpkNavButtons::GrowToFit() {
    if (updateCount_ > 0 || navigator_.AutosizeStyle() != asSizeNavigator) return;
    const int border = navigator_.Border();
    const bool horizontal = navigator_.Layout() == nlHorizontal;
    // The longest line of buttons and the sum of the lines' cross sizes, as one row (column) per line break.
    int along = 0, line = 0, across = 0, lineAcross = 0;
    bool first = true;
    for (TpkNavButton* b : Visible()) {
        if (b->LineBreak() && !first) {
            along = std::max(along, line);
            across += lineAcross;
            line = lineAcross = 0;
        }
        first = false;
        line += horizontal ? b->Width() : b->Height();
        lineAcross = std::max(lineAcross, horizontal ? b->Height() : b->Width());
    }
    along = std::max(along, line) + 2 * border;
    across += lineAcross + 2 * border;
    if (horizontal) {
        navigator_.SetBounds(navigator_.Left(), navigator_.Top(), std::max(navigator_.Width(), along),
                             std::max(navigator_.Height(), across));
    } else {
        navigator_.SetBounds(navigator_.Left(), navigator_.Top(), std::max(navigator_.Width(), across),
                             std::max(navigator_.Height(), along));
    }
}

void TpkNavButtons::AddDialogButtons() {
    {
        BeginUpdate();
        struct End { TpkNavButtons& l; ~End() { l.EndUpdate(); } } end{*this};
        for (int s = nbsFilterDialog; s <= nbsSearchDialog; ++s) Add(static_cast<TpkNavButtonStyle>(s));
    }
    GrowToFit();
    Relayout();
}

void TpkNavButtons::Clear() {
    auto all = All();
    for (auto it = all.rbegin(); it != all.rend(); ++it) delete *it;
}

void TpkNavButtons::Arrange() {
    if (updateCount_ > 0 || navigator_.Destroying()) return;
    const int border = navigator_.Border();
    const bool horizontal = navigator_.Layout() == nlHorizontal;
    int x = border, y = border;
    TpkNavButton* previous = nullptr;
    for (TpkNavButton* b : Visible()) {
        // A line breaks before a button that does not fit or asks for it, never before the first button of a line
        // (a first button with LineBreak, or one wider than the navigator, starts no empty line).
        if (previous) {
            if (horizontal && x > border && (navigator_.Width() < x + b->Width() || b->LineBreak())) {
                x = border;
                y += previous->Height();
            } else if (!horizontal && y > border && (navigator_.Height() < y + b->Height() || b->LineBreak())) {
                y = border;
                x += previous->Width();
            }
        }
        b->SetBounds(x, y, b->Width(), b->Height());
        previous = b;
        if (horizontal) x += b->Width(); else y += b->Height();
    }
}

void TpkNavButtons::AutoSize() {
    auto visible = Visible();
    if (navigator_.AutosizeStyle() == asNone || visible.empty()) return;
    const int border = navigator_.Border();
    const bool horizontal = navigator_.Layout() == nlHorizontal;
    if (navigator_.AutosizeStyle() == asSizeNavigator) {
        int right = 0, bottom = 0;
        for (TpkNavButton* b : visible) {
            right = std::max(right, b->Left() + b->Width());
            bottom = std::max(bottom, b->Top() + b->Height());
        }
        navigator_.SetBounds(navigator_.Left(), navigator_.Top(), right + border, bottom + border);
        return;
    }
    // asSizeNavButtons: lines share the cross size, buttons of a line its length; a LineBreak on the first
    // visible button opens no line of its own.
    std::vector<std::vector<TpkNavButton*>> lines(1);
    for (TpkNavButton* b : visible) {
        if (b->LineBreak() && !lines.back().empty()) lines.emplace_back();
        lines.back().push_back(b);
    }
    const int w = std::max(0, navigator_.Width() - 2 * border), h = std::max(0, navigator_.Height() - 2 * border);
    const int across = horizontal ? h : w, along = horizontal ? w : h;
    const int n = static_cast<int>(lines.size());
    for (int li = 0; li < n; ++li) {
        int lineSize = across / n + (li < across % n ? 1 : 0);
        const auto& line = lines[static_cast<size_t>(li)];
        const int count = static_cast<int>(line.size());
        for (int bi = 0; bi < count; ++bi) {
            int size = along / count + (bi < along % count ? 1 : 0);
            TpkNavButton* b = line[static_cast<size_t>(bi)];
            if (horizontal) b->SetBounds(b->Left(), b->Top(), size, lineSize);
            else b->SetBounds(b->Left(), b->Top(), lineSize, size);
        }
    }
}

void TpkNavButtons::Relayout() {
    if (updateCount_ > 0) return;
    if (navigator_.AutosizeStyle() == asSizeNavButtons) {
        AutoSize();
        Arrange();
    } else {
        Arrange();
        AutoSize();
    }
}

// --- button ---------------------------------------------------------------------------------------------------

TpkNavButton::TpkNavButton(TComponent* owner) : TpkSpeedButton(owner) {
    SetNumGlyphs(2);
    ApplyDefaultGlyph();
}

TpkNavButton::~TpkNavButton() {
    MarkDestroying();
    timer_.reset();
    if (dialog_) {
        if (ownsDialog_) delete dialog_;
        else dialog_->RemoveFreeNotification(this);
    }
    dialog_ = nullptr;
}

TpkDBNavigator* TpkNavButton::NavigatorOrNull() const {
    if (buttons_) return &buttons_->Navigator();
    return dynamic_cast<TpkDBNavigator*>(Parent());
}

TpkDBNavigator& TpkNavButton::Navigator() const {
    if (TpkDBNavigator* nav = NavigatorOrNull()) return *nav;
    if (Application) Application->HandleException(EInvalidOperation("Parent propety of TpkNavButton not defined"));
    throw EAbort();
}

void TpkNavButton::SetParent(TWinControl* parent) {
    if (parent && !dynamic_cast<TpkDBNavigator*>(parent)) {
        MessageDlg("Parent of TpkNavButton must be TpkDBNavigator", mtError, {mbOK});
        throw EAbort();
    }
    TpkSpeedButton::SetParent(parent);
}

void TpkNavButton::SetEnabled(bool value) {
    ++enabledWrites_;
    TpkSpeedButton::SetEnabled(value);
}

void TpkNavButton::ApplyDefaultGlyph() {
    if (style_ == nbsCustom || Loading()) return;
    builtInGlyphs_ = true;
    SetNumGlyphs(2);
    TpkSpeedButton::SetImageList(pkNavGlyphs());
    TpkSpeedButton::SetImageIndex(2 * static_cast<int>(style_));
}

int TpkNavButton::ImageIndex() const { return builtInGlyphs_ ? -1 : RawImageIndex(); }

void TpkNavButton::SetImageIndex(int value) {
    if (value < 0) {
        builtInGlyphs_ = true;
        ApplyDefaultGlyph();
        return;
    }
    builtInGlyphs_ = false;
    TpkDBNavigator* nav = NavigatorOrNull();
    TpkSpeedButton::SetImageList(nav ? nav->ImageList() : nullptr);
    TpkSpeedButton::SetImageIndex(value);
}

void TpkNavButton::Loaded() {
    TpkSpeedButton::Loaded();
    if (builtInGlyphs_) ApplyDefaultGlyph(); else SetImageIndex(RawImageIndex());
    if (storedIndex_ >= 0) {
        int at = storedIndex_;
        storedIndex_ = -1;
        if (NavigatorOrNull() && at != Index()) SetIndex(at);
    }
}

int TpkNavButton::Index() const {
    if (storedIndex_ >= 0) return storedIndex_;
    TpkDBNavigator* nav = NavigatorOrNull();
    if (!nav) return -1;
    return nav->Buttons().RetrieveIndex(*this);
}

void TpkNavButton::SetIndex(int value) {
    if (Loading()) {
        storedIndex_ = value;
        return;
    }
    TpkDBNavigator& nav = Navigator();
    int count = nav.Buttons().Count();
    value = std::clamp(value, 0, std::max(0, count - 1));
    if (value == Index()) return;
    // Re-insert the buttons in the new order: the child order is the list order.
    std::vector<TpkNavButton*> order;
    for (int i = 0; i < count; ++i) order.push_back(&nav.Buttons().Buttons(i));
    order.erase(std::find(order.begin(), order.end(), this));
    order.insert(order.begin() + value, this);
    nav.Buttons().BeginUpdate();
    for (TpkNavButton* b : order) b->BringToFront();
    nav.Buttons().EndUpdate();
    nav.Buttons().Relayout();
}

void TpkNavButton::SetLineBreak(bool value) {
    lineBreak_ = value;
    if (!Loading())
        if (TpkDBNavigator* nav = NavigatorOrNull()) nav->Buttons().Relayout();
}

std::string TpkNavButton::DefaultHint() const {
    if (!Hint().empty()) return Hint();
    if (style_ == nbsCustom || !pkIntl()) return std::string();
    std::string hint = HintOf(pkIntl()->Navigator.Hints, style_);
    if (IsPageStyle(style_)) {
        TpkDBNavigator* nav = NavigatorOrNull();
        return pkNavFormatPageHint(hint, nav ? std::abs(nav->MoveBy()) : 10);
    }
    return hint;
}

void TpkNavButton::SetStyle(TpkNavButtonStyle style) {
    style_ = style;
    if (builtInGlyphs_) ApplyDefaultGlyph();
    // The default hint is the button's own when it has one, so it is computed once.
    const bool fromTexts = Hint().empty();
    SetHint(DefaultHint());
    // Remember the page hint's template so that a new MoveBy shows the new number.
    hintTemplate_ = fromTexts && IsPageStyle(style_) && pkIntl() ? HintOf(pkIntl()->Navigator.Hints, style_) : std::string();
    formattedHint_ = Hint();
    UpdateState(ucOther);
}

void TpkNavButton::MoveByChanged(int moveBy) {
    if (!IsPageStyle(style_)) return;
    int value = std::abs(moveBy);
    // A hint we formatted ourselves follows from its template; a hint of the program's keeps its text unless it
    // holds the placeholder. A stored hint is text, never a format.
    std::string hint = (!hintTemplate_.empty() && Hint() == formattedHint_) ? pkNavFormatPageHint(hintTemplate_, value)
                                                                             : pkNavFormatPageHint(Hint(), value);
    SetHint(hint);
    if (!hintTemplate_.empty()) formattedHint_ = hint;
}

void TpkNavButton::SetDialog(TpkCustomDialog* dialog) {
    if (dialog == dialog_) return;
    if (dialog_) {
        if (ownsDialog_) delete dialog_;
        else dialog_->RemoveFreeNotification(this);
    }
    dialog_ = dialog;
    ownsDialog_ = false;
    if (dialog_) {
        dialog_->FreeNotification(this);
        std::string cls = dialog_->ClassName();
        for (int s = nbsFilterDialog; s <= nbsSearchDialog; ++s)
            if (cls == "Tpk" + pkNavStyleName(static_cast<TpkNavButtonStyle>(s))) {
                if (style_ != s) SetStyle(static_cast<TpkNavButtonStyle>(s));
                break;
            }
    }
    UpdateState(ucOther);
}

void TpkNavButton::Notification(TComponent* component, TOperation operation) {
    TpkSpeedButton::Notification(component, operation);
    if (operation == opRemove && component == dialog_) {
        dialog_ = nullptr;
        ownsDialog_ = false;
    }
}

TpkCustomDialog* TpkNavButton::GetDialog() {
    if (!pkNavIsDialogStyle(style_)) return nullptr;
    if (dialog_) return dialog_;
    if (ComponentState().Contains(csDesigning)) return nullptr;
    TpkDBNavigator& nav = Navigator();
    // The data sets of this framework are not components, so the navigator is the search place for every style.
    TComponent& place = nav;
    const std::string cls = "Tpk" + pkNavStyleName(style_);
    TDataSet* ds = nav.DataSet();
    for (int i = 0; i < place.ComponentCount(); ++i) {
        auto* d = dynamic_cast<TpkCustomDialog*>(place.Components(i));
        if (d && d->ClassName() == cls && d->DataSet() == ds) {
            SetDialog(d);
            return dialog_;
        }
    }
    TpkCustomDialog* d = CreatePkDialog(cls, &place);
    if (!d) return nullptr;
    if (auto* search = dynamic_cast<TpkSearchDialog*>(d)) search->SetSearchTable(ds);
    else d->SetDataSource(nav.DataSource());
    SetDialog(d);
    if (OnAfterCreateDialog) OnAfterCreateDialog(*d);
    return dialog_;
}

void TpkNavButton::UpdateState(TpkUpdateCause cause) {
    TpkDBNavigator* nav = NavigatorOrNull();
    if (!nav) return;
    const int writes = enabledWrites_;
    if (OnUpdateState) OnUpdateState(*nav, *this, cause);
    if (cause == ucDataChanged && OnRowChanged) OnRowChanged(*this);
    // The handler set Enabled: its decision stands, also when it repeats the current value.
    if (enabledWrites_ != writes || style_ == nbsCustom) return;
    TDataSet* ds = nav->DataSet();
    if (!nav->DataSource() || !ds) {
        TpkSpeedButton::SetEnabled(false);
        return;
    }
    const bool active = nav->DataLink().Active() && nav->Enabled();
    const bool canModify = active && ds->CanModify();
    const bool editing = nav->DataLink().Editing();
    bool enabled = false;
    switch (style_) {
        case nbsFirst: case nbsPrior: case nbsPriorPage: enabled = active && !ds->Bof(); break;
        case nbsNext: case nbsLast: case nbsNextPage: enabled = active && !ds->Eof(); break;
        case nbsInsert: case nbsRefresh: enabled = canModify; break;
        case nbsDelete: enabled = canModify && !(ds->Bof() && ds->Eof()); break;
        case nbsEdit: enabled = canModify && !editing; break;
        case nbsPost: case nbsCancel: enabled = canModify && editing; break;
        case nbsSaveBookmark: enabled = active; break;
        case nbsRestoreBookmark:
            if (cause == ucEditingChanged || cause > ucOther) return;
            enabled = active && nav->FindBookmark(*ds) != nullptr;
            break;
        case nbsFilterDialog: case nbsRecordViewDialog: case nbsLocateDialog: case nbsSearchDialog:
            enabled = active && (!dialog_ || dialog_->DataSet());
            break;
        case nbsCustom: return;
    }
    TpkSpeedButton::SetEnabled(enabled);
}

void TpkNavButton::Click() {
    TpkSpeedButton::Click();
    try {
        TpkDBNavigator& nav = Navigator();
        TDataSet* ds = nav.DataSet(true);
        switch (style_) {
            case nbsFirst: ds->First(); break;
            case nbsPrior: ds->Prior(); break;
            case nbsNext: ds->Next(); break;
            case nbsLast: ds->Last(); break;
            case nbsInsert: ds->Insert(); break;
            case nbsDelete: {
                // The option's name says the opposite of what it does; stored forms rely on the meaning.
                if (nav.Options().Contains(noConfirmDelete)) {
                    std::string text = pkIntl() ? pkIntl()->Navigator.ConfirmDeleteMessage : "Delete record?";
                    if (MessageDlg(text, mtConfirmation, mbOKCancel) != mrOk) return;
                }
                ds->Delete();
                break;
            }
            case nbsEdit: ds->Edit(); break;
            case nbsPost: ds->Post(); break;
            case nbsCancel: ds->Cancel(); break;
            case nbsRefresh: ds->Refresh(); break;
            case nbsPriorPage: ds->MoveBy(-std::abs(nav.MoveBy())); break;
            case nbsNextPage: ds->MoveBy(std::abs(nav.MoveBy())); break;
            case nbsSaveBookmark: nav.SaveBookmark(*ds); break;
            case nbsRestoreBookmark:
                if (const TBookmark* bm = nav.FindBookmark(*ds)) {
                    TBookmark copy = *bm;
                    try {
                        ds->GotoBookmark(copy);
                    } catch (const std::exception&) {
                        nav.DropBookmarks(*ds);
                    }
                }
                break;
            case nbsFilterDialog: case nbsRecordViewDialog: case nbsLocateDialog: case nbsSearchDialog:
                if (TpkCustomDialog* d = GetDialog()) d->Execute();
                break;
            case nbsCustom: break;
        }
    } catch (...) {
        StopTimer();
        throw;
    }
}

bool TpkNavButton::Repeating() const { return timer_ && timer_->Enabled(); }

void TpkNavButton::StartTimer(int interval) {
    if (!timer_) {
        timer_ = std::make_unique<TTimer>(nullptr);
        timer_->SetEnabled(false);
        timer_->OnTimer = [this](TComponent&) { TimerTick(); };
    }
    timer_->SetInterval(interval);
    timer_->SetEnabled(true);
}

// The timer is stopped rather than freed: it may be the one whose event is running.
void TpkNavButton::StopTimer() {
    if (timer_) timer_->SetEnabled(false);
}

void TpkNavButton::TimerTick() {
    if (!Dragging()) {
        StopTimer();
        return;
    }
    TpkDBNavigator* nav = NavigatorOrNull();
    timer_->SetInterval(nav ? nav->RepeatInterval().Interval : 100);
    try {
        Click();
    } catch (const std::exception& e) {
        // Nothing above the timer's event can take the error: show it as the message loop would.
        StopTimer();
        if (Application) Application->HandleException(e);
    }
}

void TpkNavButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TpkSpeedButton::MouseDown(button, shift, x, y);
    if (button == mbLeft && Dragging() && pkNavIsRepeatStyle(style_))
        if (TpkDBNavigator* nav = NavigatorOrNull()) StartTimer(nav->RepeatInterval().InitialDelay);
    StateChangedRepaint();
}

void TpkNavButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    StopTimer();
    TpkSpeedButton::MouseUp(button, shift, x, y);
    StateChangedRepaint();
}

void TpkNavButton::CMMouseEnter() {
    TpkSpeedButton::CMMouseEnter();
    if (Dragging() && (GetKeyState(VK_LBUTTON) & 0x8000) && pkNavIsRepeatStyle(style_))
        if (TpkDBNavigator* nav = NavigatorOrNull()) StartTimer(nav->RepeatInterval().InitialDelay);
}

void TpkNavButton::CMMouseLeave() {
    TpkSpeedButton::CMMouseLeave();
    if (Dragging()) StopTimer();
    if (Enabled()) StateChangedRepaint();
}

void TpkNavButton::CMEnabledChanged() {
    TpkSpeedButton::CMEnabledChanged();
    if (!Enabled()) StopTimer();
    StateChangedRepaint();
}

// A transparent navigator shows its parent through the buttons: the parent repaints the button's area.
void TpkNavButton::StateChangedRepaint() {
    TpkDBNavigator* nav = NavigatorOrNull();
    if (!nav || !nav->Transparent() || !nav->Parent()) return;
    TRect r = BoundsRect();
    TPoint tl = nav->ClientToParent(Point(r.Left, r.Top));
    nav->Parent()->InvalidateRect(Bounds(tl.X, tl.Y, r.Width(), r.Height()));
}

// --- navigator ------------------------------------------------------------------------------------------------

TpkDBNavigator::TpkDBNavigator(TComponent* owner)
    : TpkCustomTransparentPanel(owner), buttons_(*this), dataLink_(*this) {
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetControlStyle(ControlStyle() - TControlStyle{csAcceptsControls});
    SetColor(clBtnFace);
    SetBounds(0, 0, 1, 25);
}

TpkDBNavigator::~TpkDBNavigator() {
    MarkDestroying();
    if (dataSourceHolder_) dataSourceHolder_->RemoveFreeNotification(this);
    if (imageList_) imageList_->RemoveFreeNotification(this);
    dataLink_.SetDataSource(nullptr);
    bookmarks_.clear();  // bookmarks are plain values: nothing to give back to a data set that may be gone
}

int TpkDBNavigator::Border() const {
    return (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0);
}

TDataSet* TpkDBNavigator::DataSet(bool mustExist) const {
    TDataSource* source = DataSource();
    if (!source) {
        if (mustExist) throw EInvalidOperation("Error, DataSource not assigned");
        return nullptr;
    }
    if (!source->DataSet() && mustExist) throw EInvalidOperation("Field '%s' has no dataset");
    return source->DataSet();
}

void TpkDBNavigator::SetDataSource(TDataSource* source) {
    if (dataSourceHolder_) {
        dataSourceHolder_->RemoveFreeNotification(this);
        dataSourceHolder_ = nullptr;
    }
    dataLink_.SetDataSource(source);
    UpdateButtons(ucOther);
}

void TpkDBNavigator::SetDataSourceComponent(TComponent* holder, TDataSource* source) {
    SetDataSource(source);
    dataSourceHolder_ = holder;
    if (holder) holder->FreeNotification(this);
}

void TpkDBNavigator::Notification(TComponent* component, TOperation operation) {
    TpkCustomTransparentPanel::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == dataSourceHolder_) {
        dataSourceHolder_ = nullptr;
        dataLink_.SetDataSource(nullptr);
        if (!Destroying()) UpdateButtons(ucOther);
    }
    if (component == imageList_) imageList_ = nullptr;
}

void TpkDBNavigator::UpdateButtons(TpkUpdateCause cause) {
    if (Destroying()) return;
    for (int i = 0; i < buttons_.Count(); ++i) buttons_.Buttons(i).UpdateState(cause);
}

void TpkDBNavigator::SetAutosizeStyle(TpkNavAutoSizeStyle value) {
    autosizeStyle_ = value;
    if (!Loading()) buttons_.Relayout();
}

void TpkDBNavigator::SetLayout(TpkNavLayout value) {
    layout_ = value;
    if (!Loading()) buttons_.Relayout();
}

void TpkDBNavigator::SetFlat(bool value) {
    flat_ = value;
    for (int i = 0; i < buttons_.Count(); ++i) buttons_.Buttons(i).SetFlat(value);
}

void TpkDBNavigator::SetImageList(TImageList* list) {
    if (imageList_) imageList_->RemoveFreeNotification(this);
    imageList_ = list;
    if (imageList_) imageList_->FreeNotification(this);
    for (int i = 0; i < buttons_.Count(); ++i) {
        TpkNavButton& b = buttons_.Buttons(i);
        if (b.ImageIndex() >= 0) b.SetImageIndex(b.ImageIndex());
    }
}

void TpkDBNavigator::SetMoveBy(int value) {
    moveBy_ = value;
    for (int i = 0; i < buttons_.Count(); ++i) buttons_.Buttons(i).MoveByChanged(value);
}

void TpkDBNavigator::SetShowHint(bool value) {
    TpkCustomTransparentPanel::SetShowHint(value);
    for (int i = 0; i < buttons_.Count(); ++i) buttons_.Buttons(i).SetShowHint(value);
}

void TpkDBNavigator::SetEnabled(bool value) {
    TpkCustomTransparentPanel::SetEnabled(value);
    for (int i = 0; i < buttons_.Count(); ++i) buttons_.Buttons(i).SetEnabled(value);
    if (value) UpdateButtons(ucOther);
}

void TpkDBNavigator::SetName(const std::string& name) {
    std::string old = Name();
    TpkCustomTransparentPanel::SetName(name);
    if (old.empty()) return;
    for (int i = 0; i < buttons_.Count(); ++i) {
        TpkNavButton& b = buttons_.Buttons(i);
        if (b.Name().compare(0, old.size(), old) == 0) b.SetName(name + b.Name().substr(old.size()));
    }
}

TpkNavButtonStyles TpkDBNavigator::VisibleButtons() const {
    TpkNavButtonStyles out;
    for (int i = 0; i < buttons_.Count(); ++i) {
        TpkNavButtonStyle s = buttons_.Buttons(i).Style();
        if (s <= nbsRestoreBookmark) out.Include(s);
    }
    return out;
}

void TpkDBNavigator::SetVisibleButtons(TpkNavButtonStyles styles) {
    if (buttons_.Count() == 0 && !Loading()) buttons_.AddDefaultButtons();
    {
        buttons_.BeginUpdate();
        struct End { TpkNavButtons& l; ~End() { l.EndUpdate(); } } end{buttons_};
        for (int s = nbsFirst; s <= nbsCustom; ++s) {
            auto style = static_cast<TpkNavButtonStyle>(s);
            bool found = false;
            for (int i = 0; i < buttons_.Count(); ++i) {
                TpkNavButton& b = buttons_.Buttons(i);
                if (b.Style() != style) continue;
                found = true;
                b.SetVisible(styles.Contains(style));
            }
            if (!found && styles.Contains(style)) {
                TpkNavButton& b = buttons_.Add(style);
                b.SetIndex(s);
            }
        }
    }
    buttons_.GrowToFit();
    buttons_.Relayout();
}

bool TpkDBNavigator::DialogChar(char key) {
    char k = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
    for (int i = 0; i < buttons_.Count(); ++i) {
        TpkNavButton& b = buttons_.Buttons(i);
        if (b.Enabled() && Accelerator(b.Caption()) == k && k != 0) {
            b.Click();
            return true;
        }
    }
    return false;
}

void TpkDBNavigator::SaveBookmark(TDataSet& dataSet) {
    for (auto it = bookmarks_.rbegin(); it != bookmarks_.rend(); ++it) {
        if (it->dataSet != &dataSet) continue;
        dataSet.FreeBookmark(it->bookmark);
        it->bookmark = dataSet.GetBookmark();
        UpdateButtons(ucOther);
        return;
    }
    bookmarks_.push_back({&dataSet, dataSet.GetBookmark()});
    UpdateButtons(ucOther);
}

const TBookmark* TpkDBNavigator::FindBookmark(const TDataSet& dataSet) const {
    for (auto it = bookmarks_.rbegin(); it != bookmarks_.rend(); ++it)
        if (it->dataSet == &dataSet && !it->bookmark.empty() && dataSet.BookmarkValid(it->bookmark))
            return &it->bookmark;
    return nullptr;
}

void TpkDBNavigator::DropBookmarks(const TDataSet& dataSet) {
    bookmarks_.erase(std::remove_if(bookmarks_.begin(), bookmarks_.end(),
                                    [&](const TpkNavBookmark& b) { return b.dataSet == &dataSet; }),
                     bookmarks_.end());
}

void TpkDBNavigator::EnsureButtons() {
    if (painting_ || buttons_.Count() > 0) return;
    TRestore<bool> painting(painting_, true);
    {
        // The first paint sizes by its own rule below, not by the list's growth.
        buttons_.BeginUpdate();
        struct End { TpkNavButtons& l; ~End() { l.EndUpdate(); } } end{buttons_};
        buttons_.AddDefaultButtons();
    }
    if (Width() == 1) {
        int total = 0;
        for (int i = 0; i < buttons_.VisibleCount(); ++i) total += buttons_.VisibleButtons(i).Width();
        SetBounds(Left(), Top(), total + 2 * Border(), buttons_.Buttons(0).Height() + 2 * Border());
        buttons_.Arrange();
        if (Parent()) Parent()->Invalidate();
    } else {
        buttons_.Relayout();
    }
}

void TpkDBNavigator::Paint() {
    EnsureButtons();
    TpkCustomTransparentPanel::Paint();
}

void TpkDBNavigator::Loaded() {
    TpkCustomTransparentPanel::Loaded();
    SetFlat(flat_);
    SetImageList(imageList_);
    if (DataSource()) UpdateButtons(ucOther);
    buttons_.Relayout();
}
