// The published properties of the grid's cell editing in the form reader's registry.
#include "framework/window/form_reader.h"
#include "grid/db_grid.h"

void RegisterGridEditProperties() {
    TFormClasses& r = TFormClasses::Instance();
    const char* g = "TpkDBGrid";
    r.RegisterSet<TpkDBGrid, TpkEditControlOption>(
        g, "EditControlOptions",
        {{"ecoCheckboxSingleClick", ecoCheckboxSingleClick}, {"ecoSearchOwnerForm", ecoSearchOwnerForm},
         {"ecoDisableCustomControls", ecoDisableCustomControls}, {"ecoDisableDateTimePicker", ecoDisableDateTimePicker}},
        [](TpkDBGrid& x, TpkEditControlOptions v) { x.SetEditControlOptions(v); });
    r.RegisterSet<TpkDBGrid, TpkMemoAttribute>(
        g, "MemoAttributes",
        {{"mSizeable", mSizeable}, {"mWordWrap", mWordWrap}, {"mGridShow", mGridShow}, {"mViewOnly", mViewOnly},
         {"mDisableDialog", mDisableDialog}},
        [](TpkDBGrid& x, TpkMemoAttributes v) { x.SetMemoAttributes(v); });
    r.RegisterSet<TpkDBGrid, TpkMultiSelectOption>(
        g, "MultiSelectOptions", {{"msoAutoUnselect", msoAutoUnselect}, {"msoShiftSelect", msoShiftSelect}},
        [](TpkDBGrid& x, TpkMultiSelectOptions v) { x.SetMultiSelectOptions(v); });
}
