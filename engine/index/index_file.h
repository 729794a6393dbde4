// DVobjIndexFile: an open index file with its tags, its disk file, block input and output through the table
// cipher, and the index lock of the table's lock protocol.
//
// Formats derive from it and supply tag creation, page allocation and the rest of the virtual slots. The
// owner (the table, seen through TdvIndexOwner) may be absent: a free-standing index has no expressions and
// reports errors through the engine's reporting procedure.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/index/index_owner.h"
#include "engine/index/index_tag.h"
#include "engine/storage/collection.h"
#include "engine/storage/dbf_table.h"
#include "engine/storage/disk_file.h"

// Error codes of the index engine (reported through ReportError, subcode = the operation).
namespace idxerr {
constexpr int32_t kBadHeader = 2112;     // header fields do not fit the page size; the file is unusable
constexpr int32_t kBadPage = 2113;       // a page's count or entries do not fit the page
constexpr int32_t kBadPointer = 2114;    // a child or root page outside the file, or a page that loops back
constexpr int32_t kTooDeep = 2115;       // descent beyond 32 levels
constexpr int32_t kNoTable = 2117;       // a build was asked of an index without its table
constexpr int32_t kLockFailed = 65164;   // the index lock could not be taken: "Error %s in Lock of %s"
}
namespace idxsub {
constexpr int32_t kReadHeader = 3201, kReadNode = 3202, kDescend = 3203, kBuild = 3204, kWriteNode = 3205;
}

class DVobjIndexFile {
public:
    // Opens (or creates) the file as every format does: upper-cases the name, adds defaultExtension when it
    // has none and the table's path when it has no path. A missing file leaves the object unopened.
    DVobjIndexFile(TdvIndexOwner* owner, bool overwrite, bool create, bool readOnly, bool shared,
                   const std::string& fileName, const std::string& defaultExtension);
    virtual ~DVobjIndexFile();
    DVobjIndexFile(const DVobjIndexFile&) = delete;
    DVobjIndexFile& operator=(const DVobjIndexFile&) = delete;

    // --- format slots
    // Adds a tag and builds it; the new tag or nullptr. Base: nullptr.
    virtual DVobjIndexTag* CreateTag(const std::string& name, const std::string& keyExpression, bool unique,
                                     bool ascending, const std::string& forExpression);
    virtual bool DeleteTag(const std::string& name);
    // Passes the error once, to the owner's error routine or (without an owner) to the engine's; never returns.
    [[noreturn]] virtual void ReportError(int32_t code, int32_t subCode, const std::string& info);
    // The next page to hand out. Base: -1.
    virtual int32_t AllocatePage();
    virtual int32_t FindAllocationEnd();
    // Reads count bytes at position (decrypted with the table's read key); true when all arrived. A short read
    // leaves the rest of buffer zero.
    virtual bool ReadBlock(int64_t position, void* buffer, int32_t count);
    // Writes count bytes at position (a copy encrypted with the table's write key).
    virtual void WriteBlock(int64_t position, const void* buffer, int32_t count);
    // Page transfers by the format's page address, count bytes (the page codec's reads and writes). Base: the
    // address is a byte offset; formats that number their pages override.
    virtual bool ReadPage(int32_t page, uint8_t* buffer, int32_t count);
    virtual void WritePage(int32_t page, const uint8_t* buffer, int32_t count);
    virtual void Reindex();
    // Renames the disk file (the file's own extension kept); true on success.
    virtual bool RenameFile(const std::string& newName);
    // Runs UpdateRecordKey on every tag after forgetting the allocation end.
    virtual void UpdateKeys(int32_t recordNumber, bool append);
    virtual bool ChangedOnDisk();
    virtual void SetLockProtocol(TdvLokProtocol protocol);
    // Re-ciphers every whole 512-byte block from the read key to the write key.
    virtual void Reencrypt();
    // Truncates to an empty tree before a rebuild (single-tag formats). Base: nothing.
    virtual void EmptyFile();

    // --- other operations
    int32_t TagCount() const { return static_cast<int32_t>(tags_.Count()); }
    DVobjIndexTag* TagAt(int32_t index) const;
    DVobjIndexTag* TagByName(const std::string& name) const;
    // The part after the last ':' or '\' (or '/') equals the stored file name, case ignored.
    bool MatchesName(const std::string& fileName) const;
    // Takes the index lock, retrying for the engine-wide lock wait (SetLockWait); raises "Error %s in Lock of %s"
    // when every attempt fails.
    bool Lock();
    bool Unlock();
    // Raises "Error %s in Lock of %s" (idxerr::kLockFailed) with error and the disk file's name.
    [[noreturn]] void LockFailed(int32_t error) const;

    const std::string& FileName() const { return fileName_; }
    TdvIndexOwner* Owner() const { return owner_; }
    DVO_DiskFile* Disk() const { return disk_.get(); }
    bool Opened() const { return opened_; }
    bool Failed() const { return failed_; }
    // Marks the file unusable (the handler reports it as 2112) with the reason for the message.
    void MarkFailed(const std::string& why) {
        failed_ = true;
        failureText_ = why;
    }
    const std::string& FailureText() const { return failureText_; }
    bool RecordOrdered() const { return recordOrdered_; }
    bool Exact() const { return exact_; }
    void SetExact(bool on) { exact_ = on; }
    int32_t AllocationEnd() const { return allocationEnd_; }
    void SetAllocationEnd(int32_t end) { allocationEnd_ = end; }
    TdvLokProtocol LockProtocolValue() const { return lockProtocol_; }
    const TdvLockLayout& LockLayout() const { return lockLayout_; }
    // Reads that went to the disk since opening (for measurements).
    int64_t BlockReads() const { return blockReads_; }

protected:
    std::string fileName_;                    // upper case, without path
    TdvCollection<DVobjIndexTag> tags_;
    TdvIndexOwner* owner_;
    std::unique_ptr<DVO_DiskFile> disk_;
    bool recordOrdered_ = false;
    int32_t allocationEnd_ = -1;
    bool exact_ = true;
    bool opened_ = false;
    bool failed_ = false;
    TdvLokProtocol lockProtocol_ = TdvLokProtocol::Default;
    TdvLockLayout lockLayout_ = DefaultLockLayout();  // of the protocol; the index lock is its file lock
    int64_t blockReads_ = 0;
    std::string failureText_;
    std::string extension_;                   // the file's own extension, with the dot
    // Frees the tags (writing what is dirty) before the disk file closes; formats call it in their destructor.
    void CloseTags();
};
