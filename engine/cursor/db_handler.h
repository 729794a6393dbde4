// DVO_dBHandler: the engine's record cursor over one table. It joins the table with up to 63 open index files
// (one tag of which may order every move), hides deleted records and records outside a filter, seeks keys,
// locates records by field values (through a matching tag, else by a scan), limits the master tag to a key
// range, reads physical order through a 32 KB read-ahead buffer, keeps every open index file and the filter in
// step with every record write (locking the index files around it), and re-encrypts the table with a new
// password.
//
// Visibility: a record is visible when it is not deleted (or use deleted is true) and RecordVisible answers
// true. A relative move (next, prior, first, last, re-read) never stops on a hidden record: it goes on in its
// direction to a visible record or an end. A move by record number always lands on the record and only flags
// it as out of view.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/cursor/read_ahead.h"
#include "engine/storage/dbf_fields.h"

class DVobjIndexFile;
class DVobjIndexTag;
class TdvHugeSet;
class TdvIndexOwner;
class TdvTableExpression;
class Variant;

class DVO_dBHandler : public DVO_dBaseFld {
public:
    static constexpr int32_t kIndexSlots = 63;

    // Opens the table as the field layer does; no index file, physical order, no filter, read-ahead off.
    DVO_dBHandler(const std::string& fileName, const std::string& password, bool readWrite, bool shared);
    // Frees filter, index files (writing what is dirty) and read-ahead, then closes the table.
    ~DVO_dBHandler() override;

    // --- overrides
    // Record reads go through the read-ahead buffer while it is on; a record cut short at the end of the
    // file comes back short (the caller reports 221).
    int32_t ReadAt(uint64_t position, void* buffer, int32_t count) override;
    // Renames table and memo, then the index files that share the table's base name (keeping their
    // extensions). True.
    bool Rename(const std::string& newName) override;
    // Writes, then refreshes the bytes the read-ahead buffer holds for that range.
    void WriteAt(uint64_t position, const void* buffer, int32_t count) override;
    // Appends with every index file locked; the locks are released on every path.
    void AppendRecord() override;
    // Event 7 keeps the filter set and every index file in step with the record written, event 8 flushes the
    // index files; then the base behaviour. A filter that raises clears the record's bit and is re-raised
    // after the index files were updated.
    bool TableEvent(int event, int32_t value) override;
    // Positioning through the master tag, the filter and the visibility rules: n > 0 record n, -1 next,
    // -2 prior, -3 first, -4 last, -5 re-read (moving on when the record became hidden), 0 blank buffer.
    void GetRecord(int32_t request) override;
    // Writes record n with every index file locked (n outside 1..count appends); clears out of view.
    void PutRecord(int32_t n) override;
    // As the table, then passes the protocol to every open index file.
    void SetLockProtocol(TdvLokProtocol protocol) override;
    // True while an index file is open.
    bool UsesIndexLocking() override;

    // --- added operations
    // Seeks key (text in the master tag's key form) in the master order. False: the cursor is on the last
    // record of the order with end-of-table set.
    virtual bool FindKey(const std::string& key);
    // The record of key in the named tag (exact match) without moving; 0 when absent, -1 for no such tag or
    // index files that cannot be locked.
    virtual int32_t FindTagKey(const std::string& tagName, const std::string& key);
    // Moves count visible records forwards (> 0) or backwards (< 0); 0 re-reads. Off an end: the first or last
    // record of the order with the flag set.
    virtual void SkipRecords(int32_t count);
    // Visibility hook for the record in the buffer; true here.
    virtual bool RecordVisible();
    // Locks every open index file (waiting and retrying). False (last error 33) when a lock is refused; a lock
    // that raises releases the ones already taken and re-raises.
    virtual bool LockIndexes();
    // Re-encrypts table, memo and index files with newPassword (empty: plain). Not on a shared table
    // (error 5, 2105).
    virtual void ChangePassword(const std::string& newPassword);

    // --- order and index files
    // Releases one level of every index file's lock. True.
    bool UnlockIndexes();
    // Closes every index file, opens those of the list and selects tagName. 0 all opened, 1 no names, else the
    // failing file's result.
    int32_t OpenIndexList(const std::string& list, const std::string& tagName);
    // 0 opened, -1 already open or no name; else the error is reported (2 not found or unknown extension,
    // 2112 a file its format marked failed; subcode -7, the full name).
    int32_t OpenIndexFile(const std::string& name);
    // The name upper-cased, in the table's folder when it has no path, with ".NDX" when it has no extension.
    std::string IndexFileName(const std::string& name) const;
    // The highest slot whose file matches the name, 0 when none.
    int32_t FindIndexFile(const std::string& name) const;
    // Puts the file into the lowest free slot and answers its number; all 63 in use: ERangeError, the file
    // is freed.
    int32_t AddIndexFile(std::unique_ptr<DVobjIndexFile> file);
    // Frees every index file; physical order.
    void CloseIndexFiles();
    // The n-th tag counting through the slots and each file's tags (from 1); nullptr outside.
    DVobjIndexTag* TagByNumber(int32_t n) const;
    // Makes the named tag the master order (empty: physical order) and answers its file's slot (0 physical).
    // Unknown name: EOrdaneError "Cannot find index tag %s", nothing changed. Any range is cleared.
    int32_t SelectOrder(const std::string& tagName, bool keepPosition);

    // --- ranges, filter, locate
    // Limits the master tag to [low, high] (empty text: open end); whether the range changed. No master tag:
    // false.
    bool SetRange(const std::string& low, const std::string& high, bool lowInclusive, bool highFlag,
                  bool partialHigh);
    void ClearRange();
    // Compiles text and marks every visible record (inside the master tag's range, if any) that passes it.
    // Raises for a text that does not compile or is not logical; the filter is then empty and inactive.
    // An empty text removes the filter.
    void SetFilter(const std::string& text, bool caseInsensitive, bool partialCompare);
    // Switches the use of the filter on or off; it is active only with a compiled expression.
    void SetFilterActive(bool on);
    // Re-evaluates an active filter over the whole view (picks up other processes' changes).
    void RebuildFilter();
    // Finds the first record whose fields (';'-separated names) hold values (one Variant, or an array in name
    // order); partial compares the last field as a prefix. True: the cursor is on it.
    bool LocateRecord(const std::string& fieldNames, const Variant& values, bool partial, bool caseInsensitive);

    // --- read-ahead
    // Switches the read-ahead buffer on or off (on only while allowed).
    void SetReadAhead(bool on);
    void SetReadAheadAllowed(bool allowed) { readAheadAllowed_ = allowed; }
    bool ReadAheadOn() const { return readAheadOn_; }
    const TdvReadAhead& ReadAheadBuffer() const { return readAhead_; }

    // --- state
    DVobjIndexTag* MasterTag() const { return master_; }
    // The index file in slot (1..63), nullptr when empty or out of range.
    DVobjIndexFile* IndexFile(int32_t slot) const;
    int32_t IndexFileCount() const;
    // The record reached by the last positioning or write lies outside the view (tag, range or filter).
    bool OutOfView() const { return outOfView_; }
    bool FilterRequested() const { return filterRequested_; }
    bool FilterActive() const { return filterActive_; }
    const std::string& FilterText() const { return filterText_; }
    // The filter's bit set, nullptr before the first SetFilter.
    const TdvHugeSet* FilterSet() const { return filterSet_.get(); }
    // The face the index files see of this table (their owner); also for creating index files.
    TdvIndexOwner* IndexOwner() const;
    // Sets the end flags (the data set's insert state stands past the last record).
    void SetEndFlags(bool bof, bool eof) {
        SetBof(bof);
        SetEof(eof);
    }

private:
    class Owner;
    class IndexLockScope;
    friend class Owner;

    // Visible by the deletion rule and the hook.
    bool Visible();
    // Whether any field (or the deletion flag) changed since the record was read.
    bool AnyFieldChanged() const;
    // The filter scan over the current view: sets the bit of every visible record that passes.
    void ScanFilter();
    // The next record number of the filter set from `from` in direction (+1/-1), 0 when none.
    int32_t ScanFilterSet(int32_t from, int step) const;
    // Whether the record in the buffer holds the search values (see LocateRecord).
    bool FieldsMatch(const std::vector<std::pair<std::string, std::string>>& wanted, bool partial,
                     bool caseInsensitive);
    // Detaches the master tag for a scan (unless it has a range) and switches read-ahead on.
    void PrepareScan();

    DVobjIndexTag* master_ = nullptr;                                   // borrowed from its file
    std::array<std::unique_ptr<DVobjIndexFile>, kIndexSlots> indexFiles_;  // slot n is indexFiles_[n - 1]
    TdvReadAhead readAhead_;
    bool readAheadOn_ = false;
    bool readAheadAllowed_ = true;
    bool outOfView_ = false;
    std::unique_ptr<TdvHugeSet> filterSet_;
    std::unique_ptr<TdvTableExpression> filterExpr_;
    std::string filterText_;
    bool filterRequested_ = false;
    bool filterActive_ = false;
    int32_t indexLockDepth_ = 0;  // handler operations now holding the index locks
    std::unique_ptr<Owner> owner_;
};
