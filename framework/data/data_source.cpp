#include "framework/data/data_source.h"

#include <algorithm>
#include <set>

#include "framework/data/data_link.h"

TDataSource::~TDataSource() {
    for (TDataLink* link : std::vector<TDataLink*>(dataLinks_)) {
        link->dataSource_ = nullptr;
        link->UpdateState();
    }
    dataLinks_.clear();
    if (dataSet_) dataSet_->RemoveDataSource(this);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet && IsLinkedTo(dataSet)) DatabaseError(dbmsg::CircularDataLink);
    if (dataSet_) dataSet_->RemoveDataSource(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->AddDataSource(this);
    UpdateState();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
    if (!dataSet) return false;
    // A detail link on this source belonging to dataSet, or dataSet's chain of masters reaching this source,
    // would make dataSet its own master once this source shows it.
    for (TDataLink* link : dataLinks_)
        if (link->GetDetailDataSet() == dataSet) return true;
    std::set<const TDataSet*> seen;
    for (const TDataSet* d = dataSet; d && seen.insert(d).second;) {
        const TDataSource* master = d->GetDataSource();
        if (!master) return false;
        if (master == this) return true;
        d = master->DataSet();
    }
    return false;
}

void TDataSource::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateState();
}

void TDataSource::Edit() {
    if (autoEdit_ && state_ == dsBrowse && dataSet_) dataSet_->Edit();
}

void TDataSource::UpdateState() {
    TDataSetState state = enabled_ && dataSet_ ? dataSet_->State() : dsInactive;
    if (state == state_) return;
    TDataSetState prior = state_;
    state_ = state;
    for (TDataLink* link : std::vector<TDataLink*>(dataLinks_))
        if (std::find(dataLinks_.begin(), dataLinks_.end(), link) != dataLinks_.end()) link->UpdateState();
    if (OnStateChange) OnStateChange(*this);
    if (prior == dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, const TDataEventInfo& info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive) return;
    for (TDataLink* link : std::vector<TDataLink*>(dataLinks_))
        if (std::find(dataLinks_.begin(), dataLinks_.end(), link) != dataLinks_.end()) link->DataEvent(event, info);
    switch (event) {
        case deFieldChange:
        case deRecordChange:
        case deDataSetChange:
        case deDataSetScroll:
            if (OnDataChange) OnDataChange(*this, event == deFieldChange ? info.field : nullptr);
            break;
        case deUpdateRecord:
            if (OnUpdateData) OnUpdateData(*this);
            break;
        default: break;
    }
}

void TDataSource::AddDataLink(TDataLink* link) {
    dataLinks_.push_back(link);
    link->dataSource_ = this;
    if (dataSet_) dataSet_->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link, bool notify) {
    dataLinks_.erase(std::remove(dataLinks_.begin(), dataLinks_.end(), link), dataLinks_.end());
    link->dataSource_ = nullptr;
    if (notify) link->UpdateState();
    if (dataSet_) dataSet_->UpdateBufferCount();
}
