// DVO_DiskFile: the base of every file the engine opens (tables, memo files, index files).
//
// Owns one platform file and offers positioned reads and writes, size, flush, truncate, rename and creation,
// and one byte-range lock with a nesting count. Failures are reported through the engine's reporting procedure
// with a subcode per operation; lock refusals are answered with false instead. Every open disk file is listed in
// the engine-wide DVobjFileColl so that program end releases every lock and closes every handle.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/collection.h"
#include "engine/storage/os_services.h"

class DVO_DiskFile {
public:
    // Does not open the file. The name is made absolute and upper-cased for identity and messages; the system
    // calls use the absolute name with the case it was given.
    DVO_DiskFile(const std::string& fileName, bool readWrite, bool shared);
    virtual ~DVO_DiskFile();
    DVO_DiskFile(const DVO_DiskFile&) = delete;
    DVO_DiskFile& operator=(const DVO_DiskFile&) = delete;

    // Releases a held lock, leaves the open-file list and closes the handle. Always true.
    virtual bool Close();
    // Passes the three values to the reporting procedure; never returns. An override passes them on once, to
    // its owner's FoundError or to the reporting procedure, and never returns either.
    [[noreturn]] virtual void FoundError(int32_t code, int32_t subCode, const std::string& information);
    virtual int64_t FileSize();
    virtual void Flush();
    // Shared file: locks bytes 0 to 0x7FFFFFFF. Not shared: true, nothing counted.
    virtual bool LockWhole();
    // Takes (or nests) the file's one lock; false with Error() 33 or the platform's code when refused.
    virtual bool LockRegion(uint64_t offset, uint64_t length);
    // Reads count bytes at position; fewer at the end of the file set Error() to 221 without a report.
    virtual int32_t ReadAt(uint64_t position, void* buffer, int32_t count);
    // Closes, renames (never over an existing file), reopens under the stored name. Reports failure (1106).
    virtual bool Rename(const std::string& newName);
    virtual void Open();
    // Creates the file anew (an existing one is emptied), then opens it with the object's flags.
    virtual void CreateNew();
    // Progress hook of long operations; does nothing here.
    virtual void StatusUpdate(int32_t stat1, int32_t stat2, int32_t stat3);
    // Cuts the file at position. REQUIRES: read-write and HasWriteAccess, else error 5 (1109).
    virtual void Truncate(uint64_t position);
    // Releases one level of the lock. Result: true when nothing failed.
    virtual bool UnlockRegion();
    // Writes count bytes at position; a short or failed write is reported (1102).
    virtual void WriteAt(uint64_t position, const void* buffer, int32_t count);

    // True when the file is not shared, or the lock held covers offset 0 with length 0x7FFFFFFF.
    bool HasWriteAccess() const;
    void IncLockCount() { ++lockCount_; }

    const std::string& Name() const { return name_; }        // absolute, upper case
    const std::string& OsName() const { return osName_; }    // absolute, case as given
    int32_t Error() const { return error_; }
    bool Existed() const { return existed_; }
    bool IsShared() const { return shared_; }
    bool IsReadWrite() const { return readWrite_; }
    bool IsClosed() const { return closed_; }
    uint64_t Position() const { return position_; }
    int32_t BytesTransferred() const { return bytesTransferred_; }
    int32_t LockCount() const { return lockCount_; }
    uint64_t LockedOffset() const { return lockedOffset_; }
    uint64_t LockedLength() const { return lockedLength_; }

    // Program-end clean-up of one file: releases its platform lock and closes it, marking it closed.
    void ReleaseAtExit();

protected:
    // For a non-zero code: stores it as the last error and reports it with the file's name.
    void CheckError(int32_t code, int32_t subCode);

    int32_t error_ = 0;               // code of the last failed operation, 0 after a success

private:
    os::File handle_;                 // the platform file; closed when closed_
    bool existed_ = false;            // the file existed when the object was constructed
    std::string name_;                // absolute path, upper case
    std::string osName_;              // absolute path as given, for the system calls
    uint64_t position_ = 0;           // offset just after the last successful transfer
    bool shared_ = false;             // other processes may read and write; locks are real
    bool readWrite_ = false;          // else read only
    int32_t bytesTransferred_ = 0;    // bytes moved by the last transfer
    int32_t lockCount_ = 0;           // nesting depth of the lock held; 0 when unlocked
    uint64_t lockedOffset_ = 0;       // start of the locked byte range
    uint64_t lockedLength_ = 0;       // length of the locked byte range
    bool closed_ = true;              // true until Open and after Close
};

// The engine-wide list of open disk files. It refers to them and never frees one.
class DVobjFileColl : public TdvRefCollection<DVO_DiskFile> {
public:
    // The one instance, created on first use.
    static DVobjFileColl& Instance();
    // Releases every lock and closes every handle (program end); the files stay valid objects, marked closed.
    void CloseAll();
};
