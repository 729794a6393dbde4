#include "grid/pk_nav_register.h"

#include "framework/window/form_reader.h"
#include "framework/window/image_list.h"
#include "grid/pk_db_navigator.h"
#include "grid/pk_intl.h"

namespace {
std::vector<std::pair<std::string, TpkNavButtonStyle>> StyleNames() {
    std::vector<std::pair<std::string, TpkNavButtonStyle>> out;
    for (int s = nbsFirst; s <= nbsCustom; ++s)
        out.emplace_back("nbs" + pkNavStyleName(static_cast<TpkNavButtonStyle>(s)), static_cast<TpkNavButtonStyle>(s));
    return out;
}

void RegisterIntl(TFormClasses& r) {
    r.RegisterCreatable<TpkIntl>("TpkIntl", "TComponent");
    r.RegisterString<TpkIntl>("TpkIntl", "IniFileName", [](TpkIntl& i, const std::string& v) { i.IniFileName = v; });
    r.RegisterBool<TpkIntl>("TpkIntl", "Connected", &TpkIntl::SetConnected);
    r.RegisterBool<TpkIntl>("TpkIntl", "OKCancelBitmapped", [](TpkIntl& i, bool v) { i.OKCancelBitmapped = v; });
    r.RegisterString<TpkIntl>("TpkIntl", "BtnOKCaption", [](TpkIntl& i, const std::string& v) { i.BtnOKCaption = v; });
    r.RegisterString<TpkIntl>("TpkIntl", "BtnCancelCaption",
                              [](TpkIntl& i, const std::string& v) { i.BtnCancelCaption = v; });
    r.RegisterInteger<TpkIntl>("TpkIntl", "FilterMemoSize", [](TpkIntl& i, int v) { i.FilterMemoSize = v; });
    r.RegisterInteger<TpkIntl>("TpkIntl", "DefaultEpochYear", [](TpkIntl& i, int v) { i.DefaultEpochYear = v; });
    r.RegisterBool<TpkIntl>("TpkIntl", "UseLocateMethodForSearch",
                            [](TpkIntl& i, bool v) { i.UseLocateMethodForSearch = v; });
    r.RegisterEnum<TpkIntl, TpkCheckBoxInGridStyle>(
        "TpkIntl", "CheckBoxInGridStyle",
        {{"cbStyleAuto", cbStyleAuto}, {"cbStyleCheckmark", cbStyleCheckmark}, {"cbStyleXmark", cbStyleXmark}},
        &TpkIntl::SetCheckBoxInGridStyle);
    r.RegisterString<TpkIntl>("TpkIntl", "Navigator.ConfirmDeleteMessage",
                              [](TpkIntl& i, const std::string& v) { i.Navigator.ConfirmDeleteMessage = v; });
    using H = TpkDBNavigatorIntlHints;
    const std::pair<const char*, std::string H::*> hints[] = {
        {"FirstHint", &H::FirstHint}, {"PriorHint", &H::PriorHint}, {"NextHint", &H::NextHint},
        {"LastHint", &H::LastHint}, {"InsertHint", &H::InsertHint}, {"DeleteHint", &H::DeleteHint},
        {"EditHint", &H::EditHint}, {"PostHint", &H::PostHint}, {"CancelHint", &H::CancelHint},
        {"RefreshHint", &H::RefreshHint}, {"PriorPageHint", &H::PriorPageHint}, {"NextPageHint", &H::NextPageHint},
        {"SaveBookmarkHint", &H::SaveBookmarkHint}, {"RestoreBookmarkHint", &H::RestoreBookmarkHint},
        {"RecordViewDialogHint", &H::RecordViewDialogHint}, {"FilterDialogHint", &H::FilterDialogHint},
        {"LocateDialogHint", &H::LocateDialogHint}, {"SearchDialogHint", &H::SearchDialogHint}};
    for (const auto& [name, member] : hints) {
        auto m = member;
        r.RegisterString<TpkIntl>("TpkIntl", std::string("Navigator.Hints.") + name,
                                  [m](TpkIntl& i, const std::string& v) { i.Navigator.Hints.*m = v; });
    }
}
}  // namespace

void RegisterNavigatorClasses() {
    TFormClasses& r = TFormClasses::Instance();
    if (r.IsRegistered("TpkDBNavigator")) return;
    RegisterIntl(r);

    r.RegisterCreatable<TpkSpeedButton>("TpkSpeedButton", "TSpeedButton");
    r.RegisterInteger<TpkSpeedButton>("TpkSpeedButton", "ImageIndex",
                                      [](TpkSpeedButton& b, int v) { b.SetImageIndex(v); });
    r.RegisterBool<TpkSpeedButton>("TpkSpeedButton", "ShowText", &TpkSpeedButton::SetShowText);
    r.RegisterColor<TpkSpeedButton>("TpkSpeedButton", "DisabledTextColors.ShadeColor",
                                    [](TpkSpeedButton& b, TColor c) { b.DisabledTextColors().ShadeColor = c; });
    r.RegisterColor<TpkSpeedButton>("TpkSpeedButton", "DisabledTextColors.HighlightColor",
                                    [](TpkSpeedButton& b, TColor c) { b.DisabledTextColors().HighlightColor = c; });

    r.RegisterCreatable<TpkNavButton>("TpkNavButton", "TpkSpeedButton");
    r.RegisterEnum<TpkNavButton, TpkNavButtonStyle>("TpkNavButton", "Style", StyleNames(), &TpkNavButton::SetStyle);
    r.RegisterInteger<TpkNavButton>("TpkNavButton", "Index", &TpkNavButton::SetIndex);
    r.RegisterBool<TpkNavButton>("TpkNavButton", "LineBreak", &TpkNavButton::SetLineBreak);
    r.RegisterBool<TpkNavButton>("TpkNavButton", "Enabled", [](TpkNavButton& b, bool v) { b.SetEnabled(v); });
    r.RegisterReference<TpkNavButton, TpkCustomDialog>("TpkNavButton", "Dialog", &TpkNavButton::SetDialog);
    r.RegisterEvent<TpkNavButton, void(TComponent&)>("TpkNavButton", "OnRowChanged", &TpkNavButton::OnRowChanged);
    r.RegisterEvent<TpkNavButton, void(TpkCustomDialog&)>("TpkNavButton", "OnAfterCreateDialog",
                                                          &TpkNavButton::OnAfterCreateDialog);
    r.RegisterEvent<TpkNavButton, void(TpkDBNavigator&, TpkNavButton&, TpkUpdateCause)>(
        "TpkNavButton", "OnUpdateState", &TpkNavButton::OnUpdateState);

    r.RegisterClass<TpkCustomTransparentPanel>("TpkCustomTransparentPanel", "TCustomPanel");
    r.RegisterBool<TpkCustomTransparentPanel>("TpkCustomTransparentPanel", "Transparent",
                                              &TpkCustomTransparentPanel::SetTransparent);
    r.RegisterCreatable<TpkDBNavigator>("TpkDBNavigator", "TpkCustomTransparentPanel");
    r.RegisterEnum<TpkDBNavigator, TpkNavAutoSizeStyle>(
        "TpkDBNavigator", "AutosizeStyle",
        {{"asSizeNavigator", asSizeNavigator}, {"asSizeNavButtons", asSizeNavButtons}, {"asNone", asNone}},
        &TpkDBNavigator::SetAutosizeStyle);
    r.RegisterReference<TpkDBNavigator, TObjectComponent<TDataSource>>(
        "TpkDBNavigator", "DataSource", [](TpkDBNavigator& n, TObjectComponent<TDataSource>* s) {
            n.SetDataSourceComponent(s, s ? &s->Object() : nullptr);
        });
    r.RegisterBool<TpkDBNavigator>("TpkDBNavigator", "Flat", &TpkDBNavigator::SetFlat);
    r.RegisterReference<TpkDBNavigator, TImageList>("TpkDBNavigator", "ImageList", &TpkDBNavigator::SetImageList);
    r.RegisterEnum<TpkDBNavigator, TpkNavLayout>("TpkDBNavigator", "Layout",
                                                 {{"nlHorizontal", nlHorizontal}, {"nlVertical", nlVertical}},
                                                 &TpkDBNavigator::SetLayout);
    r.RegisterInteger<TpkDBNavigator>("TpkDBNavigator", "MoveBy", &TpkDBNavigator::SetMoveBy);
    r.RegisterSet<TpkDBNavigator, TpkNavOption>("TpkDBNavigator", "Options", {{"noConfirmDelete", noConfirmDelete}},
                                                &TpkDBNavigator::SetOptions);
    r.RegisterBool<TpkDBNavigator>("TpkDBNavigator", "ShowHint", &TpkDBNavigator::SetShowHint);
    r.RegisterBool<TpkDBNavigator>("TpkDBNavigator", "Enabled", [](TpkDBNavigator& n, bool v) { n.SetEnabled(v); });
    r.RegisterInteger<TpkDBNavigator>("TpkDBNavigator", "RepeatInterval.InitialDelay",
                                      [](TpkDBNavigator& n, int v) { n.RepeatInterval().InitialDelay = v; });
    r.RegisterInteger<TpkDBNavigator>("TpkDBNavigator", "RepeatInterval.Interval",
                                      [](TpkDBNavigator& n, int v) { n.RepeatInterval().Interval = v; });
    r.RegisterBool<TpkDBNavigator>("TpkDBNavigator", "TransparentClearsBackground",
                                   &TpkDBNavigator::SetTransparentClearsBackground);

    for (const char* cls : {"TpkFilterDialog", "TpkRecordViewDialog", "TpkLocateDialog", "TpkSearchDialog"}) {
        std::string name = cls;
        r.RegisterClass<TpkCustomDialog>(name, "TComponent",
                                         [name](TComponent* owner) -> TComponent* { return CreatePkDialog(name, owner); });
    }
    r.RegisterReference<TpkCustomDialog, TObjectComponent<TDataSource>>(
        "TpkFilterDialog", "DataSource",
        [](TpkCustomDialog& d, TObjectComponent<TDataSource>* s) { d.SetDataSource(s ? &s->Object() : nullptr); });
}
