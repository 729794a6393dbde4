// The connector between one data set and the data links of the controls that show it. It forwards the data
// set's notifications to its links, follows the data set's state, and raises its own change events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/data/data_set.h"

class TDataLink;

class TDataSource {
public:
    TDataSource() = default;
    // Detaches every link (each sees itself deactivated) and leaves the data set.
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    TDataSet* DataSet() const { return dataSet_; }
    // Connects a data set (nullptr disconnects); one whose master chain leads back here raises
    // "Circular datalinks are not allowed".
    void SetDataSet(TDataSet* dataSet);
    // Whether controls may start editing on their own (Edit below). Default true.
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool value) { autoEdit_ = value; }
    // A disabled source shows its links an inactive data set. Default true.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // The data set's state as this source last saw it (inactive without a data set or when disabled).
    TDataSetState State() const { return state_; }
    // Starts editing the data set when AutoEdit is set and it is browsing.
    void Edit();
    bool IsLinkedTo(const TDataSet* dataSet) const;
    const std::vector<TDataLink*>& DataLinks() const { return dataLinks_; }

    // Field is the changed field for a field change, else nullptr. Runs on field, record and data-set
    // changes, scrolls, and when the data set becomes active.
    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, const TDataEventInfo& info);
    void UpdateState();
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link, bool notify);

    std::string name_;
    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> dataLinks_;
    TDataSetState state_ = dsInactive;
    bool autoEdit_ = true;
    bool enabled_ = true;
};
