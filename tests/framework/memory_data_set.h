// An in-memory data set for driving the framework in tests: rows of native field values, a position cursor
// with cracks before the first and after the last row, stable row ids as 4-byte bookmarks, memo fields kept in
// a side store, an OnFilterRecord filter, and a reversible Translate (ROT13) so that the transliteration
// path is observable. It follows the same buffer contract a table adaptor does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/data/data_link.h"
#include "framework/data/data_set.h"

class MemoryDataSet : public TDataSet {
public:
    struct Column {
        std::string name;
        TFieldType type;
        int size = 0;
    };

    explicit MemoryDataSet(std::vector<Column> columns);
    ~MemoryDataSet() override;

    // Appends a row directly (no events); values by column, Null for none.
    void AddRow(const Variant::Array& values);
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The id of the row held in a record buffer (0 for a buffer without a row).
    int32_t RowIdOf(TRecordBuffer buffer) const;
    // Row id at position i.
    int32_t RowIdAt(int position) const { return rows_[static_cast<size_t>(position)].id; }
    // Raw stored text of a string column of row i (before translation back).
    std::string RawText(int position, int column) const;

    void SetReadOnly(bool value) { readOnly_ = value; }
    void SetTranslate(bool value) { translate_ = value; }
    // Makes InternalEdit fail this many times with EDatabaseError "Record is locked".
    void FailEdits(int count) { failEdits_ = count; }

    bool GetFieldData(const TField& field, void* buffer) const override;
    void SetFieldData(TField& field, const void* buffer) override;
    int Translate(const char* source, char* destination, bool toOem) override;
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    bool BookmarkValid(const TBookmark& bookmark) const override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
    bool IsSequenced() override { return !Filtered(); }
    void SetRecNo(int recNo) override;
    bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
    void SetFiltered(bool value) override;

    // Counts of the subclass operations the framework called, for tests of the call pattern.
    int fetches = 0;
    int edits = 0;
    int cancels = 0;

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    int GetRecordSize() const override { return dataSize_; }
    void GetBookmarkData(TRecordBuffer buffer, void* data) const override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = RowCount(); }
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return open_; }
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void ClearCalcFields(TRecordBuffer buffer) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override {
        ++cancels;
        editing_ = false;
    }
    void InternalDelete() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    int GetRecNo() const override;
    int GetRecordCount() const override;
    bool GetCanModify() const override { return !readOnly_; }

private:
    struct Row {
        int32_t id;
        std::vector<char> data;
    };
    friend class MemoryBlobStream;

    TRecordBuffer StateBuffer() const;
    int PositionOf(int32_t id) const;
    bool Visible(int position);
    void WriteRow(TRecordBuffer buffer, bool append);
    char* InfoOf(TRecordBuffer buffer) const { return buffer + dataSize_ + CalcFieldsSize(); }

    std::vector<Column> columns_;
    std::vector<int> offsets_;  // of each column's presence byte in the data area
    std::vector<Row> rows_;
    std::vector<std::string> memos_;  // memo handle h refers to memos_[h - 1]
    int dataSize_ = 0;
    int bufferSize_ = 0;
    int cursor_ = -1;
    int32_t nextId_ = 1;
    bool open_ = false;
    bool readOnly_ = false;
    bool translate_ = false;
    int failEdits_ = 0;
    bool editing_ = false;
    std::vector<char> filterRow_;
    std::vector<char> oldRow_;
};

// A data link that writes down every notification it receives, with its window at that moment.
class RecordingLink : public TDataLink {
public:
    explicit RecordingLink(int bufferCount = 1) { SetBufferCount(bufferCount); }
    std::vector<std::string> events;
    // Row ids shown by the window's slots, for checking the row mapping.
    std::vector<int32_t> Rows(const MemoryDataSet& ds) const;
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(events);
        return out;
    }

protected:
    void ActiveChanged() override { events.push_back(std::string("active:") + (Active() ? "1" : "0")); }
    void DataSetChanged() override { events.push_back("changed@" + std::to_string(ActiveRecord())); }
    void DataSetScrolled(int distance) override {
        events.push_back("scrolled:" + std::to_string(distance) + "@" + std::to_string(ActiveRecord()));
    }
    void LayoutChanged() override { events.push_back("layout"); }
    void EditingChanged() override { events.push_back(std::string("editing:") + (Editing() ? "1" : "0")); }
    void RecordChanged(TField* field) override { events.push_back("record:" + (field ? field->FieldName() : std::string())); }
};
