// A control's view of a data set through a data source. A link with BufferCount n sees a window of n
// consecutive record buffers that always contains the current record; the largest link sets the data set's
// ring size. The notifications arrive as virtual calls; the defaults chain a scroll and a layout change to a
// data-set change and that to a record change.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/data/data_set.h"
#include "framework/data/data_source.h"

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    // Connects to a source (nullptr disconnects); activation follows the source's state. A link that belongs
    // to a detail data set refuses a source that would make that data set its own master.
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    // Number of buffers the link wants; values below 1 count as 1, above 16384 raise EDatabaseError.
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    // Slot of the current record in this link's window (0 in key state or while inactive).
    int ActiveRecord() const;
    // Makes slot index of the window current without fetching; outside the filled slots raises.
    void SetActiveRecord(int index);
    // Filled slots of the window.
    int RecordCount() const;
    // Data set index of the window's first slot.
    int FirstRecord() const { return firstRecord_; }
    bool Bof() const;
    bool Eof() const;
    int MoveBy(int distance);
    // Asks the source to start editing (AutoEdit); returns whether the link is now editing.
    bool Edit();
    // Runs UpdateData, with record-change notifications from the write-back suppressed.
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    // distance: how many rows the window moved through the records (positive forwards).
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void FocusControl(TField*) {}
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField*) {}
    virtual void UpdateData() {}
    // The data set this link serves as master link of, if any (for the circularity check).
    virtual TDataSet* GetDetailDataSet() const { return nullptr; }

private:
    friend class TDataSource;
    friend class TDataSet;

    void DataEvent(TDataEvent event, const TDataEventInfo& info);
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    // Moves the window so it holds the current record and as many records as the ring has.
    void UpdateRange();

    TDataSource* dataSource_ = nullptr;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
};

// The link a detail data set keeps to its master's data source: it resolves the master field names on the
// master and reports master moves (OnMasterChange) and the master's going away (OnMasterDisable).
class TMasterDataLink : public TDataLink {
public:
    explicit TMasterDataLink(TDataSet* detail) : detail_(detail) {}

    // ';'-separated names of the master's fields; changing them re-resolves the fields.
    const std::string& FieldNames() const { return fieldNames_; }
    void SetFieldNames(const std::string& names);
    const std::vector<TField*>& Fields() const { return fields_; }

    std::function<void()> OnMasterChange;
    std::function<void()> OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override { ActiveChanged(); }
    void RecordChanged(TField* field) override;
    TDataSet* GetDetailDataSet() const override { return detail_; }

private:
    TDataSet* detail_;
    std::string fieldNames_;
    std::vector<TField*> fields_;
};
