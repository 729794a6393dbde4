// TOrdaneDataSet: one DBF table presented as a data set of the framework, so that data sources, grids,
// navigators and field objects work on it unchanged. It owns a table handler (DBFObject) exactly while open and
// drives it: record buffers are the table's records as stored, followed by the calculated fields and the record
// information; bookmarks are the record number as 10 right-aligned characters and a 0 byte.
//
// Record buffer layout:
//   0                   record length + 1   the record as stored (deletion flag, fields) and one guard byte that
//                                           the table layer may read as the record's end mark
//   calc position       CalcFieldsSize()    per calculated field: a value-present byte, then its value
//   info position       4 + 1 + 11          record number (int32), bookmark flag, bookmark
//
// Text in the buffers is in the table's OEM code page; string fields translate it through Translate when
// TranslateASCII is set. Locate, Lookup, filter texts and master keys are translated to the table's code page
// as well, so that the same text finds the same records whichever way it arrives.
//
// Errors the adaptor detects itself raise EDatabaseError with fixed texts; engine errors pass through, except
// while fetching a record, where every failure becomes a failed fetch.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/db_handler.h"
#include "framework/data/data_link.h"
#include "framework/data/data_set.h"
#include "framework/data/index_defs.h"
#include "framework/data/strings.h"

class TOrdaneDataSet;
class TBlobField;

// Progress reports of index operations (phase, done, total as the index engine counts them).
using TdvStatusReport = std::function<void(int32_t stat1, int32_t stat2, int32_t stat3)>;

// The table handler of a data set: routes the handler's visibility hook to the data set's OnFilterRecord and
// its progress hook to OnStatus.
class DBFObject : public DVO_dBHandler {
public:
    // Opens the table (see DVO_dBHandler); owner may be nullptr (a handler that reports to nobody).
    DBFObject(const std::string& fileName, TOrdaneDataSet* owner, bool shared, bool readWrite,
              const std::string& password);

    TOrdaneDataSet* OwnerDataSet() const { return dataSet_; }
    // Calls the owner's OnStatus with the three values when one is assigned.
    void StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3) override;
    // With an open, filtered owner that has OnFilterRecord: asks it, in the filter state; else true.
    bool RecordVisible() override;

private:
    TOrdaneDataSet* dataSet_;
};

class TOrdaneDataSet : public TDataSet {
public:
    TOrdaneDataSet();
    ~TOrdaneDataSet() override;

    // --- published properties
    // Flush table, memo and index files after every record write; passed to an open handler at once.
    bool AutoFlush() const { return autoFlush_; }
    void SetAutoFlush(bool value);
    // An alias, "Default Directory" or a directory. Stored as StoredDatabaseName makes it; needs a closed
    // data set (checked after a directory was added to the alias list).
    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& value);
    // Password of an encrypted table; needs a closed data set.
    const std::string& EncryptionKey() const { return encryptionKey_; }
    void SetEncryptionKey(const std::string& value);
    // RecordCount walks the visible records instead of answering the file's record count.
    bool ExactCount() const { return exactCount_; }
    void SetExactCount(bool value) { exactCount_ = value; }
    // Open the table without sharing (takes effect at the next opening).
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value) { exclusive_ = value; }
    // One definition per tag of the open index files, rebuilt by UpdateIndexDefs.
    TIndexDefs& IndexDefs() { return indexDefs_; }
    // Index files opened with the table, one per line (".NDX" added when a name has no extension, the table
    // directory when it has no path). Changing the list re-opens the index files (see IndexFilesChanged).
    TStrings& IndexFiles() { return indexFiles_; }
    // Takes the lines and, on an open data set with a non-empty list, opens them and selects IndexName.
    void SetIndexFiles(const TStrings& lines);
    // The tag that orders the table; empty for physical order. Unknown on an open data set: the handler's
    // "Cannot find index tag %s", nothing changed.
    const std::string& IndexName() const { return indexName_; }
    void SetIndexName(const std::string& name);
    TdvLokProtocol LockProtocol() const { return lockProtocol_; }
    void SetLockProtocol(TdvLokProtocol value);
    // ';'-separated master field names of the master/detail link.
    const std::string& MasterFields() const { return masterLink_.FieldNames(); }
    void SetMasterFields(const std::string& names) { masterLink_.SetFieldNames(names); }
    // The master's data source; one that links back to this data set: "Circular datalinks are not allowed".
    TDataSource* MasterSource() const { return masterLink_.DataSource(); }
    void SetMasterSource(TDataSource* source);
    // Open read-only; on an open data set a table opened read-only stays read-only.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // Table file name; ".DBF" is added at opening when it has none. Needs a closed data set; a different name
    // clears IndexFiles unless loading.
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    // Translate text between the program's ANSI and the table's OEM code page. Default true.
    bool TranslateASCII() const { return translate_; }
    // Whether text is translated between the table's OEM code page and ANSI: TranslateASCII, unless the table
    // holds ANSI text itself.
    bool Translating() const;
    static constexpr uint8_t kAnsiVersion = 0x07;
    void SetTranslateASCII(bool value) { translate_ = value; }
    // Show deleted records; passed to an open handler at once.
    bool UseDeleted() const { return useDeleted_; }
    void SetUseDeleted(bool value);
    // User id written into the table header.
    int32_t UserID() const { return userId_; }
    void SetUserID(int32_t value);
    TdvStatusReport OnStatus;

    // While loading (a stored configuration being applied) property changes only store their values.
    void BeginLoading() { ++loading_; }
    void EndLoading() {
        if (loading_ > 0) --loading_;
    }
    bool Loading() const { return loading_ > 0; }

    // The folder in which the table and index files without a path are looked for, ending in a separator;
    // empty for an empty DatabaseName.
    std::string TableDirectory() const;
    // The open table handler; nullptr while closed.
    DBFObject* Handler() const { return handler_.get(); }

    // Undeletes the record of the active buffer; the cursor does not move. Failure: "Cannot recall the record".
    virtual void Recall();

    // --- framework operations
    void CheckActive() const override;
    void SetRecNo(int recNo) override;
    bool IsSequenced() override;
    // The framework's post; a key being edited returns to browse.
    void Post() override;
    bool BookmarkValid(const TBookmark& bookmark) const override;
    // Record-number order; an empty bookmark sorts first.
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
    bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields) override;
    bool GetIsIndexField(const TField& field) const override;
    void UpdateIndexDefs() override;
    void SetFilterText(const std::string& text) override;
    void SetFiltered(bool value) override;
    void SetFilterOptions(TFilterOptions options) override;
    bool GetFieldData(const TField& field, void* buffer) const override;
    void SetFieldData(TField& field, const void* buffer) override;
    int Translate(const char* source, char* destination, bool toOem) override;
    // A TORBlobStream on a memo or blob field; nullptr for other fields.
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    bool GetCurrentRecord(TRecordBuffer buffer) override;
    TDataSource* GetDataSource() const override { return masterLink_.DataSource(); }

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    int GetRecordSize() const override { return recordSize_; }
    void GetBookmarkData(TRecordBuffer buffer, void* data) const override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return handler_ != nullptr; }
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void ClearCalcFields(TRecordBuffer buffer) override;
    // Reads the record to position, locks it, reads it again from the file.
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;
    // Locks, re-reads, marks deleted, writes, unlocks; then moves to the next visible record (or the last).
    void InternalDelete() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalRefresh() override;
    void InternalHandleException() override {}
    int GetRecNo() const override;
    int GetRecordCount() const override;
    bool GetCanModify() const override { return !readOnly_; }
    void DoAfterInsert() override;

private:
    friend class DBFObject;
    friend class TORBlobStream;

    // The record buffer field operations use in the current state (nullptr when the state has none).
    TRecordBuffer StateBuffer() const;
    // Table field number of a bound data field.
    int32_t TableField(const TField& field) const;
    int32_t BufferRecordNumber(TRecordBuffer buffer) const;
    // Converts count bytes in place between the code pages when TranslateASCII is set (zero bytes included).
    void TranslateBytes(char* text, size_t count, bool toOem) const;
    // Variant text (also inside arrays) converted to the table's code page when TranslateASCII is set.
    Variant ToTableText(const Variant& value) const;
    std::string ToTableText(const std::string& text) const;
    // Re-reads record n from the file itself, bypassing read-ahead.
    void ReadFromFile(int32_t n);
    // Lock, re-read, change the deletion flag, write, unlock (shared by delete and recall).
    void ChangeDeletion(bool deleted);

    // Index files and order.
    void IndexFilesChanged();
    void OpenListedIndexFiles(bool reportAlreadyOpen);
    void ApplyFilter();
    // Master/detail.
    std::optional<std::string> MasterKey();
    void ApplyMasterRange();
    void MasterChanged();
    void MasterDisabled();
    void RefuseBlobError();

    std::string databaseName_;
    std::unique_ptr<DBFObject> handler_;
    bool atFirst_ = false;
    bool atLast_ = false;
    bool exclusive_ = false;
    int recordSize_ = 0;
    int calcPosition_ = 0;
    int infoPosition_ = 0;
    int bufferSize_ = 0;
    TIndexDefs indexDefs_{this};
    TStringList indexFiles_;
    std::string indexName_;
    bool readOnly_ = false;
    std::string tableName_;
    bool useDeleted_ = false;
    bool autoFlush_ = false;
    std::string encryptionKey_;
    TdvLokProtocol lockProtocol_ = TdvLokProtocol::Default;
    bool exactCount_ = false;
    int32_t userId_ = 0;
    bool editing_ = false;
    bool translate_ = true;
    TMasterDataLink masterLink_{this};
    bool updatingDefs_ = false;

    bool assigningIndexFiles_ = false;
    int loading_ = 0;
    std::vector<int32_t> fieldMap_;              // definition number - 1 -> table field number
    TRecordBuffer lookupBuffer_ = nullptr;        // Lookup's temporary buffer while it reads its results
    mutable std::vector<uint8_t> oldRecord_;      // copy of the handler's saved record for old values
    std::exception_ptr blobError_;                // a memo write that failed when its stream went away
};
