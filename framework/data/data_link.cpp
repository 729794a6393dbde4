#include "framework/data/data_link.h"

#include "framework/base/restore.h"

#include <algorithm>

namespace {
constexpr int kMaxLinkBufferCount = 16384;
}

TDataLink::~TDataLink() {
    // Leave quietly: the subclass part of this object is gone, so no notification may reach it.
    if (dataSource_) dataSource_->RemoveDataLink(this, false);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_) return;
    TDataSet* detail = GetDetailDataSet();
    if (source && detail && detail->IsLinkedTo(source)) DatabaseError(dbmsg::CircularDataLink);
    if (dataSource_) dataSource_->RemoveDataLink(this, true);
    if (source) source->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    readOnly_ = value;
    UpdateState();
}

void TDataLink::SetBufferCount(int count) {
    if (count > kMaxLinkBufferCount) DatabaseErrorFmt(dbmsg::BufferCountError, count);
    if (count < 1) count = 1;
    if (count == bufferCount_) return;
    bufferCount_ = count;
    if (active_) {
        UpdateRange();
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::ActiveRecord() const {
    if (!active_ || dataSource_->State() == dsSetKey) return 0;
    return DataSet()->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int index) {
    if (!active_) DatabaseError(dbmsg::DataSetClosed);
    if (dataSource_->State() == dsSetKey) return;
    if (index < 0 || index >= RecordCount()) DatabaseError(dbmsg::RecordIndexError);
    DataSet()->SetActiveRecord(index + firstRecord_);
}

int TDataLink::RecordCount() const {
    if (!active_) return 0;
    if (dataSource_->State() == dsSetKey) return 1;
    return std::clamp(DataSet()->recordCount_ - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Bof() const { return DataSet() ? DataSet()->Bof() : true; }
bool TDataLink::Eof() const { return DataSet() ? DataSet()->Eof() : true; }

int TDataLink::MoveBy(int distance) {
    if (!active_) DatabaseError(dbmsg::DataSetClosed);
    return DataSet()->MoveBy(distance);
}

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    TRestore<bool> updating(updating_, true);
    UpdateData();
}

void TDataLink::UpdateState() {
    TDataSetState state = dataSource_ ? dataSource_->State() : dsInactive;
    SetActive(state != dsInactive);
    SetEditing(state == dsEdit || state == dsInsert || state == dsSetKey);
}

void TDataLink::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    if (value) {
        DataSet()->UpdateBufferCount();
        UpdateRange();
    } else {
        firstRecord_ = 0;
    }
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (value == editing_) return;
    editing_ = value;
    EditingChanged();
}

void TDataLink::UpdateRange() {
    const TDataSet* ds = DataSet();
    if (!ds) return;
    int active = ds->activeRecord_;
    int lo = std::max(0, active - bufferCount_ + 1);
    int hi = std::min(active, std::max(0, ds->recordCount_ - bufferCount_));
    if (hi < lo) hi = lo;
    firstRecord_ = std::clamp(firstRecord_, lo, hi);
}

void TDataLink::DataEvent(TDataEvent event, const TDataEventInfo& info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_) return;
    switch (event) {
        case deFieldChange:
        case deRecordChange:
            if (!updating_) RecordChanged(info.field);
            break;
        case deDataSetChange:
        case deDataSetScroll:
        case deLayoutChange: {
            int distance = 0;
            if (dataSource_->State() != dsSetKey) {
                // The records this window showed moved by the shift; the window then moves to hold the current
                // record, and that move is the distance the control sees.
                int followed = firstRecord_ + (event == deDataSetScroll ? info.shift : 0);
                firstRecord_ = followed;
                UpdateRange();
                distance = firstRecord_ - followed;
            }
            if (event == deDataSetChange) DataSetChanged();
            else if (event == deDataSetScroll) DataSetScrolled(distance);
            else LayoutChanged();
            break;
        }
        case deUpdateRecord: UpdateRecord(); break;
        case deCheckBrowseMode: CheckBrowseMode(); break;
        case deFocusControl: FocusControl(info.field); break;
        default: break;
    }
}

// --- TMasterDataLink --------------------------------------------------------------------------------------

void TMasterDataLink::SetFieldNames(const std::string& names) {
    if (names == fieldNames_) return;
    fieldNames_ = names;
    ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
    fields_.clear();
    if (Active()) {
        try {
            DataSet()->GetFieldList(fields_, fieldNames_);
        } catch (...) {
            fields_.clear();
            throw;
        }
    }
    if (detail_ && detail_->Active()) {
        if (Active() && !fields_.empty()) {
            if (OnMasterChange) OnMasterChange();
        } else if (OnMasterDisable) {
            OnMasterDisable();
        }
    }
}

void TMasterDataLink::CheckBrowseMode() {
    if (detail_ && detail_->Active()) detail_->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* field) {
    if (DataSource()->State() == dsSetKey || !detail_ || !detail_->Active() || fields_.empty()) return;
    if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
    if (OnMasterChange) OnMasterChange();
}
