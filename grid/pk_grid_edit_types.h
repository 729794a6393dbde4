// The option sets and events of the grid's cell editing and cell controls.
#pragma once

#include <functional>

#include "framework/window/types.h"

class TComponent;
class TField;
class TpkCustomDBGrid;
class TpkMemoDialog;
class TpkDBCustomDateTimePicker;

enum TpkEditControlOption {
    ecoCheckboxSingleClick,    // a single click toggles a check box (else a double click)
    ecoSearchOwnerForm,        // hosted controls are looked up on the grid's owner form (else its parent form)
    ecoDisableCustomControls,  // no hosted edit controls
    ecoDisableDateTimePicker   // date-time cells use the in-place editor
};
using TpkEditControlOptions = TSet<TpkEditControlOption>;

enum TpkMemoAttribute { mSizeable, mWordWrap, mGridShow, mViewOnly, mDisableDialog };
using TpkMemoAttributes = TSet<TpkMemoAttribute>;

enum TpkMultiSelectOption { msoAutoUnselect, msoShiftSelect };
using TpkMultiSelectOptions = TSet<TpkMultiSelectOption>;

// Sender is the in-place editor.
using TpkValidateEvent = std::function<void(TComponent& sender, bool passesPictureTest)>;
using TpkFieldChangedEvent = std::function<void(TComponent& sender, TField* field)>;
using TpkMemoOpenEvent = std::function<void(TpkCustomDBGrid& grid, TpkMemoDialog& memoDialog)>;
using TpkMemoCloseEvent = std::function<void(TpkCustomDBGrid& grid, bool cancel)>;
using TpkSelectRecordEvent = std::function<void(TpkCustomDBGrid& grid, bool selecting, bool& accept)>;
using TpkCreateDTPEvent = std::function<void(TComponent& sender, TpkDBCustomDateTimePicker& picker)>;
