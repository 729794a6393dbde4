// DVobjIndexTag: one ordered key tree of an index file, with its cursor, key range and key upkeep.
//
// Everything that does not depend on the byte layout of a page lives here: key comparison, seeks, walking,
// ranges, insertion and deletion, and keeping the tree in step with record writes. A format supplies the page
// and header layouts through the virtual operations (ConvertKey to WriteHeader).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/index/index_key.h"
#include "engine/index/index_owner.h"
#include "engine/storage/record_request.h"

class DVobjIndexFile;
class TdvSort;

class DVobjIndexTag {
public:
    explicit DVobjIndexTag(DVobjIndexFile* owner);
    virtual ~DVobjIndexTag();
    DVobjIndexTag(const DVobjIndexTag&) = delete;
    DVobjIndexTag& operator=(const DVobjIndexTag&) = delete;

    // --- format slots
    // Turns an evaluated key into the stored key form.
    virtual void ConvertKey(DVobjIndexKeyData& key, bool trimBlanks);
    // Stores and compiles the expressions; a format then lays out and builds the tag. Base: false.
    virtual bool DefineTag(const std::string& name, const std::string& keyExpression, bool unique, bool ascending,
                           const std::string& forExpression);
    // Inserts a key; true when inserted (a unique tag refuses an existing key silently).
    virtual bool AddKey(const DVobjIndexKeyData& key);
    virtual int32_t RootPage();
    // Fills a node's entries and kind from a page; raises EOrdaneError for a page that breaks the format.
    virtual void ReadNode(int32_t page, DVobjIndexKey& node);
    // Writes a node to its page, splitting it when it holds more than a page takes.
    virtual void WriteNode(DVobjIndexKey& node);
    virtual void ReadHeader();
    virtual void WriteHeader();
    virtual void PrepareKeyExpression();
    virtual void PrepareForExpression();
    // Evaluates the key of the current record buffer; false when there is no key expression.
    virtual bool EvaluateKey(DVobjIndexKeyData& key, bool& ok);
    // True only when a FOR expression exists and gives logical true.
    virtual bool EvaluateFor();

    // --- cursor operations used by the table handler
    // Positions on the first entry equal to key (or that record's entry when key.Target > 0); its record or 0.
    int32_t Seek(const DVobjIndexKeyData& key);
    // The same without moving the tag.
    int32_t SeekNoMove(const DVobjIndexKeyData& key);
    // A relative request (recreq): next, prior, first (the top), last (the bottom) or re-read; the new current
    // record, 0 off either end.
    int32_t Navigate(int code);
    // Repositions on the record when the current key is not its; returns the current key's record.
    int32_t SyncToRecord(int32_t recordNumber);
    // Keeps the tag in step after the table wrote the record; whether the tag changed.
    bool UpdateRecordKey(int32_t recordNumber, bool append);
    // Sets (nullptr: clears) the key range; whether it changed. Moves to the top of the new range.
    bool SetKeyRange(const DVobjIndexKeyData* low, const DVobjIndexKeyData* high, bool partialHigh,
                     bool lowInclusive, bool highFlag);
    bool HasRange() const { return !low_.IsEmpty() || !high_.IsEmpty(); }
    // Frees the loaded nodes and loads the root; mode 2 stops there, mode 1 goes to the current record,
    // mode 0 leaves the root unpositioned for a seek that follows.
    void ResetCursor(int mode);
    // Writes what is dirty, frees every node and clears the current record number.
    void ReleaseNodes();
    // Writes every dirty node of the loaded path bottom-up (splits included) and the header when dirty.
    void FlushNodes();
    std::string KeyExpressionText() const;

    // Compares key with entry as the tree orders them (negated for stored-descending tags).
    int CompareKeys(const DVobjIndexKeyData& key, const DVobjIndexKeyData& entry, int partial) const;

    // --- readable state
    const std::string& Name() const { return name_; }
    const std::string& KeyExpression() const { return keyExpression_; }
    const std::string& ForExpression() const { return forExpression_; }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool Unique() const { return unique_; }
    bool Ascending() const { return ascending_; }
    char KeyType() const { return keyType_; }
    int32_t KeyLength() const { return keyLength_; }
    int32_t EntryLength() const { return entryLength_; }
    int32_t KeysPerPage() const { return keysPerPage_; }
    int32_t Root() const { return root_; }
    const DVobjIndexKeyData& CurrentKey() const { return currentKey_; }
    DVobjIndexFile* Owner() const { return owner_; }
    DVobjIndexKey* RootNode() const { return rootNode_.get(); }
    bool Changed() const { return changed_; }

protected:
    friend class DVobjIndexKey;
    // Feeds a build's sorter the converted key of every physical record of the table (deleted ones included: an
    // xBase index holds them all) that meets the FOR condition, with progress (phase 1); the table's current
    // record is put back after. Raises idxerr::kNoTable without a table or a key expression.
    void AddTableKeys(TdvSort& sorter);
    // Range check of a seek: 0 inside, negative above the high bound, positive below the low bound.
    int RangeCheck() const;
    // Range check after a move: sets EOF above the high bound or BOF below the low bound.
    void MoveRangeCheck();
    // Loads a fresh root node from RootPage().
    bool LoadRoot();
    // Guards against hostile page graphs that are no tree (a page linked from several places): one operation
    // may descend into at most about a file's worth of pages, and a walk in one direction may enter no more
    // leaves than the file has pages.
    void CountLoad();
    void NoteLeaf(int32_t page, int direction);
    void ForgetWalk();
    void SetCurrentFromPath();
    // Replaces the root node during root growth; the old root becomes the new root's child.
    void AdoptNewRoot(std::unique_ptr<DVobjIndexKey> newRoot);
    // Nodes are recycled with their entry objects, so walking and seeking do not allocate once warm.
    std::unique_ptr<DVobjIndexKey> NewNode(DVobjIndexKey* parent);
    void Recycle(std::unique_ptr<DVobjIndexKey> node);

    std::string name_;
    std::string keyExpression_;
    int32_t keyLength_ = 0, entryLength_ = 0, keysPerPage_ = 0, halfPage_ = 0;
    std::string forExpression_;
    DVobjIndexKeyData low_, high_;
    int highCompareMode_ = 0;
    bool lowInclusive_ = false, highFlag_ = false;
    DVobjIndexFile* owner_;
    int32_t headerPosition_ = 0;
    int32_t root_ = 0;
    std::unique_ptr<DVobjIndexKey> rootNode_;
    bool headerDirty_ = false;
    bool ascending_ = true;
    bool unique_ = false;
    bool hasFor_ = false;
    char keyType_ = 'C';
    DVobjIndexKeyData currentKey_;
    bool bof_ = false, eof_ = false;
    bool changed_ = false;
    bool storedDescending_ = false;
    bool reversed_ = false;
    bool updating_ = false;
    const uint8_t* collation_ = nullptr;  // 256 text weights a format learned from its file; nullptr: bytes
    std::unique_ptr<TdvKeyExpression> keyHandler_;
    std::unique_ptr<TdvKeyExpression> forHandler_;
    std::vector<std::unique_ptr<DVobjIndexKey>> spare_;  // recycled nodes
    DVobjIndexKeyData seekKey_;                           // the converted search key of Seek and AddKey
    int64_t loads_ = 0;                                   // descents made by the current operation
    int64_t walkLeaves_ = 0;                              // leaves entered by the walk in walkDirection_
    int64_t walkLimit_ = 0;                               // pages of the file when last asked
    int walkDirection_ = 0;
};
