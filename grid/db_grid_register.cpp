// TpkDBGrid in the form reader's registries: the class and its published properties, as a stored form
// description names them.
#include "framework/window/form_reader.h"
#include "grid/db_grid.h"

namespace {

template <class Setter>
void Bool(TFormClasses& r, const char* name, Setter set) {
    r.RegisterBool<TpkDBGrid>("TpkDBGrid", name, set);
}

}  // namespace

void RegisterDataGridClasses() {
    TFormClasses& r = TFormClasses::Instance();
    if (r.IsRegistered("TpkDBGrid")) return;
    r.RegisterCreatable<TpkDBGrid>("TpkDBGrid", "TCustomGrid");
    const char* g = "TpkDBGrid";
    r.RegisterStrings<TpkDBGrid>(g, "Selected.Strings", [](TpkDBGrid& x) -> TStrings& { return x.Selected(); });
    r.RegisterStrings<TpkDBGrid>(g, "ControlType.Strings", [](TpkDBGrid& x) -> TStrings& { return x.ControlType(); });
    r.RegisterStrings<TpkDBGrid>(g, "PictureMasks.Strings",
                                 [](TpkDBGrid& x) -> TStrings& { return x.PictureMasks(); });
    r.RegisterString<TpkDBGrid>(g, "IniAttributes.FileName",
                                [](TpkDBGrid& x, const std::string& v) { x.IniAttributes().FileName = v; });
    r.RegisterString<TpkDBGrid>(g, "IniAttributes.SectionName",
                                [](TpkDBGrid& x, const std::string& v) { x.IniAttributes().SectionName = v; });
    r.RegisterString<TpkDBGrid>(g, "IniAttributes.Delimiter",
                                [](TpkDBGrid& x, const std::string& v) { x.IniAttributes().Delimiter = v; });
    Bool(r, "IniAttributes.Enabled", [](TpkDBGrid& x, bool v) { x.IniAttributes().Enabled = v; });
    Bool(r, "IniAttributes.SaveToRegistry", [](TpkDBGrid& x, bool v) { x.IniAttributes().SaveToRegistry = v; });
    Bool(r, "IniAttributes.CheckNewFields", [](TpkDBGrid& x, bool v) { x.IniAttributes().CheckNewFields = v; });
    Bool(r, "UseTFields", [](TpkDBGrid& x, bool v) { x.SetUseTFields(v); });
    Bool(r, "TitleButtons", [](TpkDBGrid& x, bool v) { x.SetTitleButtons(v); });
    Bool(r, "ShowHorzScrollBar", [](TpkDBGrid& x, bool v) { x.SetShowHorzScrollBar(v); });
    Bool(r, "ShowVertScrollBar", [](TpkDBGrid& x, bool v) { x.SetShowVertScrollBar(v); });
    Bool(r, "ReadOnly", [](TpkDBGrid& x, bool v) { x.SetReadOnly(v); });
    Bool(r, "EditCalculated", [](TpkDBGrid& x, bool v) { x.SetEditCalculated(v); });
    Bool(r, "ControlInfoInDataset", [](TpkDBGrid& x, bool v) { x.SetControlInfoInDataset(v); });
    Bool(r, "PictureMaskFromDataSet", [](TpkDBGrid& x, bool v) { x.SetPictureMaskFromDataSet(v); });
    r.RegisterInteger<TpkDBGrid>(g, "FixedCols", [](TpkDBGrid& x, int v) { x.SetGridFixedCols(v); });
    r.RegisterInteger<TpkDBGrid>(g, "TitleLines", [](TpkDBGrid& x, int v) { x.SetTitleLines(v); });
    r.RegisterInteger<TpkDBGrid>(g, "RowHeightPercent", [](TpkDBGrid& x, int v) { x.SetRowHeightPercent(v); });
    r.RegisterInteger<TpkDBGrid>(g, "DragVertOffset", [](TpkDBGrid& x, int v) { x.SetDragVertOffset(v); });
    r.RegisterInteger<TpkDBGrid>(g, "FooterHeight", [](TpkDBGrid& x, int v) { x.SetFooterHeight(v); });
    r.RegisterColor<TpkDBGrid>(g, "TitleColor", [](TpkDBGrid& x, TColor v) { x.SetTitleColor(v); });
    r.RegisterColor<TpkDBGrid>(g, "FooterColor", [](TpkDBGrid& x, TColor v) { x.SetFooterColor(v); });
    r.RegisterColor<TpkDBGrid>(g, "FooterCellColor", [](TpkDBGrid& x, TColor v) { x.SetFooterCellColor(v); });
    r.RegisterEnum<TpkDBGrid, TAlignment>(
        g, "TitleAlignment", {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}},
        [](TpkDBGrid& x, TAlignment v) { x.SetTitleAlignment(v); });
    r.RegisterEnum<TpkDBGrid, TIndicatorColorType>(g, "IndicatorColor", {{"icBlack", icBlack}, {"icYellow", icYellow}},
                                                   [](TpkDBGrid& x, TIndicatorColorType v) { x.SetIndicatorColor(v); });
    r.RegisterString<TpkDBGrid>(g, "TitleFont.Name", [](TpkDBGrid& x, const std::string& v) { x.TitleFont().SetName(v); });
    r.RegisterInteger<TpkDBGrid>(g, "TitleFont.Height", [](TpkDBGrid& x, int v) { x.TitleFont().SetHeight(v); });
    r.RegisterInteger<TpkDBGrid>(g, "TitleFont.Size", [](TpkDBGrid& x, int v) { x.TitleFont().SetSize(v); });
    r.RegisterColor<TpkDBGrid>(g, "TitleFont.Color", [](TpkDBGrid& x, TColor v) { x.TitleFont().SetColor(v); });
    r.RegisterSet<TpkDBGrid, TFontStyle>(
        g, "TitleFont.Style",
        {{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}},
        [](TpkDBGrid& x, TFontStyles v) { x.TitleFont().SetStyle(v); });
    r.RegisterEnum<TpkDBGrid, int>(g, "TitleFont.Charset",
                                   {{"DEFAULT_CHARSET", DEFAULT_CHARSET}, {"ANSI_CHARSET", ANSI_CHARSET}},
                                   [](TpkDBGrid& x, int v) { x.TitleFont().SetCharset(v); });
    r.RegisterSet<TpkDBGrid, TpkDBGridOption>(
        g, "Options",
        {{"dgEditing", dgEditing}, {"dgAlwaysShowEditor", dgAlwaysShowEditor}, {"dgTitles", dgTitles},
         {"dgIndicator", dgIndicator}, {"dgColumnResize", dgColumnResize}, {"dgColLines", dgColLines},
         {"dgRowLines", dgRowLines}, {"dgTabs", dgTabs}, {"dgRowSelect", dgRowSelect},
         {"dgAlwaysShowSelection", dgAlwaysShowSelection}, {"dgConfirmDelete", dgConfirmDelete},
         {"dgCancelOnExit", dgCancelOnExit}, {"dgWordWrap", dgWordWrap}, {"dgPerfectRowFit", dgPerfectRowFit},
         {"dgMultiSelect", dgMultiSelect}, {"dgShowFooter", dgShowFooter}, {"dgFooter3DCells", dgFooter3DCells},
         {"dgNoLimitColSize", dgNoLimitColSize}, {"dgTrailingEllipsis", dgTrailingEllipsis},
         {"dgShowCellHint", dgShowCellHint}, {"dgTabExitsOnLastCol", dgTabExitsOnLastCol}},
        [](TpkDBGrid& x, TpkDBGridOptions v) { x.SetGridOptions(v); });
    r.RegisterSet<TpkDBGrid, TpkDBGridKeyOption>(
        g, "KeyOptions",
        {{"dgEnterToTab", dgEnterToTab}, {"dgAllowDelete", dgAllowDelete}, {"dgAllowInsert", dgAllowInsert}},
        [](TpkDBGrid& x, TpkDBGridKeyOptions v) { x.SetKeyOptions(v); });
    r.RegisterReference<TpkDBGrid, TObjectComponent<TDataSource>>(
        g, "DataSource", [](TpkDBGrid& x, TObjectComponent<TDataSource>* s) { x.SetDataSource(s ? &s->Object() : nullptr); });
    r.RegisterEvent<TpkDBGrid, void(TComponent&)>(g, "OnRowChanged", &TpkDBGrid::OnRowChanged);
    r.RegisterEvent<TpkDBGrid, void(TComponent&)>(g, "OnCellChanged", &TpkDBGrid::OnCellChanged);
    r.RegisterEvent<TpkDBGrid, void(TComponent&)>(g, "OnColEnter", &TpkDBGrid::OnColEnter);
    r.RegisterEvent<TpkDBGrid, void(TComponent&)>(g, "OnColExit", &TpkDBGrid::OnColExit);
    r.RegisterEvent<TpkDBGrid, void(TComponent&)>(g, "OnTopRowChanged", &TpkDBGrid::OnTopRowChanged);
    RegisterGridEditProperties();
}
