// The buffered record cursor that data-aware controls bind to. TDataSet keeps a ring of record buffers around
// the current record, sized by the largest data link, moves through the records by asking its subclass for the
// next, prior or current record, runs the browse/edit/insert state machine, and notifies every data source (and
// through them every data link) of what changed. A subclass supplies the cursor itself through the protected
// "internal" operations below; it knows nothing about controls.
//
// Buffer model: Buffers(0..BufferedRecordCount()-1) hold consecutive records, ActiveRecord() is the current
// one. One spare buffer beyond BufferCount() receives each fetch. A scroll notification carries the shift of
// the buffered records' indexes (-1 per record fetched at the bottom of a full ring, +1 per record fetched at
// the top); each data link turns it into the distance its own window moved.
//
// Subclass contract in brief: InternalOpen opens the cursor, fills FieldDefs, creates default fields when
// DefaultFields(), binds the fields (BindFields(true)), sets the bookmark size and leaves the cursor before
// the first record; InternalClose unbinds (BindFields(false)) and destroys default fields (DestroyFields). The
// subclass's destructor must call Close(): the base destructor can no longer reach the subclass.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/variant.h"
#include "framework/data/db_error.h"
#include "framework/data/field.h"
#include "framework/data/stream.h"

class TDataSource;
class TDataLink;

enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue, dsInternalCalc
};
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord,
    deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange, deFocusControl
};
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TDataAction { daFail, daAbort, daRetry };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

using TResyncMode = unsigned;
inline constexpr TResyncMode rmExact = 1;
inline constexpr TResyncMode rmCenter = 2;
using TLocateOptions = unsigned;
inline constexpr TLocateOptions loCaseInsensitive = 1;
inline constexpr TLocateOptions loPartialKey = 2;
using TFilterOptions = unsigned;
inline constexpr TFilterOptions foCaseInsensitive = 1;
inline constexpr TFilterOptions foNoPartialCompare = 2;

using TRecordBuffer = char*;
// A bookmark's bytes; empty means no bookmark.
using TBookmark = std::vector<char>;

// What a notification is about: the field of field events, the buffer shift of scroll events.
struct TDataEventInfo {
    TField* field = nullptr;
    int shift = 0;
};

// States in which field values may be written.
bool IsWriteState(TDataSetState state);

class TDataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
    using TDataSetErrorEvent = std::function<void(TDataSet&, EDatabaseError&, TDataAction&)>;
    using TFilterRecordEvent = std::function<void(TDataSet&, bool&)>;

    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    // --- opening and state ---
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return state_ != dsInactive; }
    // Opens (BeforeOpen, InternalOpen, first records fetched, browse state, AfterOpen, AfterScroll) or closes
    // (BeforeClose, a pending edit discarded, inactive state, buffers freed, InternalClose, AfterClose).
    void SetActive(bool value);
    TDataSetState State() const { return state_; }
    // Closed data set: EDatabaseError "Cannot perform this operation on a closed dataset".
    virtual void CheckActive() const;
    // Open data set: EDatabaseError "Cannot perform this operation on an open dataset".
    void CheckInactive() const;

    // --- moving ---
    // Bof: a move before the first record was attempted (or First); Eof likewise past the last (or Last).
    // (Spelled Bof/Eof because EOF is a macro of the C library.)
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return recordCount_ == 0; }
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves by distance records (posting or cancelling an edit first); returns the distance actually moved,
    // short of it when an end was reached. No move is attempted (and no event raised) from EOF forwards or from
    // BOF backwards.
    int MoveBy(int distance);
    int RecNo() const { return GetRecNo(); }
    virtual void SetRecNo(int) {}
    int RecordCount() const { return GetRecordCount(); }
    // Whether RecNo and RecordCount can drive a proportional scroll bar.
    virtual bool IsSequenced() { return true; }

    // --- editing ---
    // Insert opens a new record before the current one, Append one after the last; both need CanModify.
    void Insert();
    void Append();
    // Starts editing the current record (an empty data set starts an insert instead).
    void Edit();
    // Writes the pending record (links first write their controls back) and returns to browse; outside edit
    // and insert state it raises "Dataset not in edit or insert mode".
    virtual void Post();
    // Discards the pending record and returns to browse; nothing outside edit, insert and key state.
    void Cancel();
    // Deletes the current record (an insert is cancelled instead); needs CanModify and a record.
    void Delete();
    // Re-reads the records around the current one from the cursor.
    void Refresh();
    // Inserts / appends a record with the given field values in field order, posted at once.
    void InsertRecord(const Variant::Array& values) { AddRecordWithValues(values, false); }
    void AppendRecord(const Variant::Array& values) { AddRecordWithValues(values, true); }
    // Posts a modified pending record, cancels an unmodified one, posts a key.
    void CheckBrowseMode();
    // Tells the links to write their controls back; outside the write states raises "not in edit or insert".
    void UpdateRecord();
    // Positions the cursor on the active record.
    void UpdateCursorPos();
    // Forgets which buffer the cursor is on (after the subclass moved it by itself).
    void CursorPosChanged() { currentRecord_ = -1; }
    // Refills the buffers around the cursor's record. rmExact: that record must exist, else "Record not found";
    // without it a vanished record gives way to the next, then the prior one. rmCenter puts it mid-ring,
    // otherwise it keeps the active row.
    void Resync(TResyncMode mode);
    bool CanModify() const { return GetCanModify(); }
    bool Modified() const { return modified_; }

    // --- bookmarks ---
    // Bookmark of the current record; empty when there is none (empty data set, a new record).
    TBookmark GetBookmark() const;
    // Makes the bookmarked record current, centred in the ring; an empty bookmark does nothing, one of the
    // wrong size raises EDatabaseError "Invalid bookmark".
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) const;
    bool BookmarkAvailable() const;
    virtual bool BookmarkValid(const TBookmark&) const { return false; }
    // -1, 0 or 1; an empty bookmark sorts first. The default compares the bytes.
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    int BookmarkSize() const { return bookmarkSize_; }

    // --- searching ---
    virtual bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields);

    // --- controls ---
    // Counted; while above zero no notification reaches the data sources. The last EnableControls sends the
    // state change that happened meanwhile, then a data-set change (a layout change when the layout changed or
    // the data set was closed in between).
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // --- fields ---
    TFields& Fields() { return fields_; }
    const TFields& Fields() const { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    TField& FieldByName(const std::string& name) const { return fields_.FieldByName(name); }
    TField* FindField(const std::string& name) const { return fields_.FindField(name); }
    // The fields named in a ';'-separated list (blanks trimmed, empty names skipped); a missing one raises.
    void GetFieldList(std::vector<TField*>& list, const std::string& fieldNames) const;
    // The value of one named field, or an array of the values of several.
    Variant FieldValues(const std::string& fieldNames) const;
    // Assigns values to the fields in field order (Null clears); extra values are an error.
    void SetFields(const Variant::Array& values);
    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }
    int CalcFieldsSize() const { return calcFieldsSize_; }
    // Whether the field belongs to the current order's key.
    virtual bool GetIsIndexField(const TField&) const { return false; }
    // Rebuilds index definitions from the cursor, where a subclass has them.
    virtual void UpdateIndexDefs() {}

    // --- filtering (stored here; a subclass applies them) ---
    const std::string& Filter() const { return filterText_; }
    virtual void SetFilterText(const std::string& text) { filterText_ = text; }
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool value) { filtered_ = value; }
    TFilterOptions FilterOptions() const { return filterOptions_; }
    virtual void SetFilterOptions(TFilterOptions options) { filterOptions_ = options; }

    // --- services for fields, links and the subclass's helpers ---
    // Reads a field's native value from the buffer the state selects into buffer (nullptr: presence only).
    virtual bool GetFieldData(const TField& field, void* buffer) const = 0;
    // Stores a field's native value (nullptr: no value) in the buffer the state selects. Contract: refuse
    // outside the write states ("Dataset not in edit or insert mode") and for read-only fields ("Field '%s'
    // cannot be modified"), call field.Validate(buffer) for data fields, store, then send
    // DataEvent(deFieldChange, {&field}) outside the key, calculation, filter and new-value states.
    virtual void SetFieldData(TField& field, const void* buffer) = 0;
    // Converts zero-terminated text between the program's and the table's code page (toOem: to the table);
    // destination has room for the source's length + 1; returns the length. The default copies.
    virtual int Translate(const char* source, char* destination, bool toOem);
    // A stream over a blob field's contents for the current record, or nullptr when there is none.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);
    // Copies the current record into buffer; false when there is none. The default has none.
    virtual bool GetCurrentRecord(TRecordBuffer) { return false; }
    // The data source of this data set's master, if it has one.
    virtual TDataSource* GetDataSource() const { return nullptr; }
    // Whether linking to source would make this data set its own master (directly or through a chain).
    bool IsLinkedTo(const TDataSource* source) const;
    // Delivers a notification (subject to DisableControls) after the data set's own bookkeeping.
    void DataEvent(TDataEvent event, const TDataEventInfo& info = {});
    // Switches the state without notifying anybody, for the duration of a temporary operation; returns the
    // old state for RestoreState.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state) { state_ = state; }

    // Buffers, for the subclass and its helpers. The active buffer is null while the ring is empty.
    TRecordBuffer ActiveBuffer() const;
    TRecordBuffer CalcBuffer() const { return calcBuffer_; }
    TRecordBuffer TempBuffer() const { return tempBuffer_; }
    int ActiveRecord() const { return activeRecord_; }
    int BufferCount() const { return bufferCount_; }
    int BufferedRecordCount() const { return recordCount_; }
    TRecordBuffer Buffers(int index) const;

    // --- events ---
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TFilterRecordEvent OnFilterRecord;
    TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

protected:
    // --- the cursor a subclass supplies ---
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    // Fetches the next, prior or current record into buffer (fields, bookmark, flag bfCurrent, then
    // GetCalcFields(buffer)). grBOF / grEOF when there is no such record; grError on failure, raising
    // EDatabaseError instead when doCheck is true.
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual int GetRecordSize() const { return 0; }
    virtual void GetBookmarkData(TRecordBuffer buffer, void* data) const = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    // Positions the cursor on the bookmarked record; an unreachable one raises EDatabaseError.
    virtual void InternalGotoBookmark(const void* bookmark) = 0;
    // Positions the cursor on the record held in buffer (or, for a new record, the one it stands before).
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    // Put the cursor before the first / after the last record; the next fetch in that direction reads it.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    // Fills FieldDefs from the cursor (the subclass may open it temporarily while closed).
    virtual void InternalInitFieldDefs() = 0;
    // Blanks a new record's buffer.
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    // Zeroes the calculated-fields area of a buffer.
    virtual void ClearCalcFields(TRecordBuffer) {}
    // Prepares the cursor record for editing (may re-read and lock it); raise to refuse.
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    // Writes the active buffer: the edited record in edit state, a new one in insert state.
    virtual void InternalPost() = 0;
    // Releases whatever InternalEdit took.
    virtual void InternalCancel() {}
    // Deletes the cursor record and leaves the cursor on a neighbour (or at an end).
    virtual void InternalDelete() = 0;
    // Writes buffer as a new record (append: at the end).
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void InternalRefresh() {}
    virtual void InternalHandleException() {}
    virtual int GetRecNo() const { return -1; }
    virtual int GetRecordCount() const { return -1; }
    virtual bool GetCanModify() const { return true; }

    // --- events, overridable ---
    virtual void DoBeforeOpen() { Fire(BeforeOpen); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    virtual void DoAfterClose() { Fire(AfterClose); }
    virtual void DoBeforeInsert() { Fire(BeforeInsert); }
    virtual void DoAfterInsert() { Fire(AfterInsert); }
    virtual void DoBeforeEdit() { Fire(BeforeEdit); }
    virtual void DoAfterEdit() { Fire(AfterEdit); }
    virtual void DoBeforePost() { Fire(BeforePost); }
    virtual void DoAfterPost() { Fire(AfterPost); }
    virtual void DoBeforeCancel() { Fire(BeforeCancel); }
    virtual void DoAfterCancel() { Fire(AfterCancel); }
    virtual void DoBeforeDelete() { Fire(BeforeDelete); }
    virtual void DoAfterDelete() { Fire(AfterDelete); }
    virtual void DoBeforeScroll() { Fire(BeforeScroll); }
    virtual void DoAfterScroll() { Fire(AfterScroll); }
    virtual void DoBeforeRefresh() { Fire(BeforeRefresh); }
    virtual void DoAfterRefresh() { Fire(AfterRefresh); }
    virtual void DoOnCalcFields() { Fire(OnCalcFields); }
    virtual void DoOnNewRecord() { Fire(OnNewRecord); }

    // --- helpers for the subclass ---
    // Changes the state and notifies (deUpdateState); clears Modified.
    void SetState(TDataSetState state);
    void SetModified(bool value) { modified_ = value; }
    void SetBookmarkSize(int size) { bookmarkSize_ = size; }
    // True when the data set opened without any field objects (set before InternalOpen).
    bool DefaultFields() const { return defaultFields_; }
    // Creates one owned field per definition.
    void CreateFields();
    // Destroys the owned (default) fields.
    void DestroyFields();
    // Binding: every data field must match a definition by name (else "Field '%s' not found"), type (else
    // "Type mismatch ...") and, for strings, size (else "Size mismatch ..."); calculated fields get their
    // offsets in the calculated-fields area. Unbinding clears field numbers.
    void BindFields(bool binding);
    // Computes the calculated fields of buffer in the temporary calculation state.
    void GetCalcFields(TRecordBuffer buffer);
    // Blank record, calculated fields cleared, flag bfInserted.
    void InitRecord(TRecordBuffer buffer);
    void CheckCanModify() const;
    // Runs an operation (after positioning the cursor) and lets the error event decide on failure.
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent);

private:
    friend class TDataSource;
    friend class TDataLink;
    friend class TFieldDefs;
    friend class TField;

    static void Fire(const TDataSetNotifyEvent& event, TDataSet& self) {
        if (event) event(self);
    }
    void Fire(const TDataSetNotifyEvent& event) { Fire(event, *this); }

    void OpenDataSet();
    void CloseDataSet();
    void FreeBuffers();
    void SetBufListSize(int count);
    void SetBufferCount(int count);
    void UpdateBufferCount();
    int NeededBufferCount() const;
    void ClearBuffers();
    void ActivateBuffers();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int index);
    void SetActiveRecord(int index);
    void MoveBuffer(int from, int to);
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckRequiredFields() const;
    void AddRecordWithValues(const Variant::Array& values, bool append);
    void AdjustLinksFirstRecord(int delta);
    void NotifySources(TDataEvent event, const TDataEventInfo& info);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void FieldDefsUpdate();

    std::string name_;
    TDataSetState state_ = dsInactive;
    TFields fields_{this};
    TFieldDefs fieldDefs_{this};
    std::vector<std::unique_ptr<TField>> ownedFields_;
    std::vector<TDataSource*> dataSources_;
    std::vector<TRecordBuffer> buffers_;
    TRecordBuffer tempBuffer_ = nullptr;
    TRecordBuffer calcBuffer_ = nullptr;
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    int bookmarkSize_ = 0;
    int calcFieldsSize_ = 0;
    bool hasCalcFields_ = false;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool defaultFields_ = false;
    bool autoCalcFields_ = true;
    bool opening_ = false;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    std::string filterText_;
    bool filtered_ = false;
    TFilterOptions filterOptions_ = 0;
};

// Switches a data set to a temporary state for a scope and restores the previous one on every path.
class TTempStateScope {
public:
    TTempStateScope(TDataSet& dataSet, TDataSetState state) : dataSet_(dataSet), saved_(dataSet.SetTempState(state)) {}
    ~TTempStateScope() { dataSet_.RestoreState(saved_); }
    TTempStateScope(const TTempStateScope&) = delete;
    TTempStateScope& operator=(const TTempStateScope&) = delete;

private:
    TDataSet& dataSet_;
    TDataSetState saved_;
};

// DisableControls for a scope; EnableControls on every path.
class TDisabledControlsScope {
public:
    explicit TDisabledControlsScope(TDataSet& dataSet)
        : dataSet_(dataSet), exceptions_(std::uncaught_exceptions()) {
        dataSet_.DisableControls();
    }
    // Notifications sent by the final EnableControls may raise; while unwinding they are dropped instead.
    ~TDisabledControlsScope() noexcept(false) {
        if (std::uncaught_exceptions() > exceptions_) {
            try {
                dataSet_.EnableControls();
            } catch (...) {
            }
        } else {
            dataSet_.EnableControls();
        }
    }
    TDisabledControlsScope(const TDisabledControlsScope&) = delete;
    TDisabledControlsScope& operator=(const TDisabledControlsScope&) = delete;

private:
    TDataSet& dataSet_;
    int exceptions_;
};
