// Private to the grid: the state of cell editing, cell controls and multi-selection, and the scope that makes a
// row's record the one the fields read while a cell is painted.
#pragma once

#include <string>
#include <vector>

#include "framework/data/data_link.h"
#include "framework/data/strings.h"
#include "grid/pk_grid_edit_types.h"

class TImageList;
class TRichEdit;
class TWinControl;

struct TpkGridEditState {
    TpkEditControlOptions controlOptions{ecoSearchOwnerForm};
    TpkMemoAttributes memoAttributes{mSizeable, mWordWrap};
    TpkMultiSelectOptions multiSelect;
    TImageList* imageList = nullptr;             // borrowed
    std::string editText;                        // the current cell's text as last given to or taken from the editor
    bool fieldChangeSeen = false;                // a field change was reported during the write-back
    std::vector<TBookmark> selected;             // bookmarks of the selected records
    TBookmark anchor;                            // the shift-selection anchor; empty when none
    TWinControl* hosted = nullptr;               // the control shown over the current cell
    int hostedCol = -1, hostedRow = -1;          // the cell it shows
    std::vector<TWinControl*> takenOver;         // hosted edit controls, children of the grid
    bool takenOverDone = false;
    TpkDBCustomDateTimePicker* picker = nullptr; // made on first need, owned by the grid
    TRichEdit* richText = nullptr;               // hidden, for the plain text of rich text cells

    // The bookmarks go with the grid.
    ~TpkGridEditState() {
        for (TBookmark& b : selected) std::vector<char>().swap(b);
        selected.clear();
    }
};

// Control types whose cells are edited by a control of the form that the grid takes over.
inline bool IsHostedTypeName(const std::string& type) {
    return SameText(type, "CustomEdit") || SameText(type, "LookupCombo") || SameText(type, "Combo");
}

