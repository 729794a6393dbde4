// DVobjMemo: the memo file beside a table (".DBT" or ".FPT"), holding the contents of memo fields.
//
// This build opens the memo file and reports every memo operation as missing: reading and writing memo
// contents arrives with the memo layouts.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/disk_file.h"

class DVO_dBaseDBF;
enum class TdvLokProtocol : uint8_t;

class DVobjMemo : public DVO_DiskFile {
public:
    // Opens the memo file named after the table (extension by version); a missing file is error 2 (6101).
    DVobjMemo(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
              const std::string& tableFileName);

    // Errors go to the owner table's reporting.
    [[noreturn]] void FoundError(int32_t code, int32_t subCode, const std::string& information) override;

    virtual int32_t MemoSize(int32_t block);
    virtual void MemoRead(void* buffer, int32_t block, int32_t& size);
    virtual int32_t MemoWrite(const void* buffer, int32_t& block, int32_t size);
    virtual void SetLockProtocol(TdvLokProtocol protocol);
    // Renames the memo file to match the table's new name. Returns whether it succeeded.
    virtual bool RenameWithTable(const std::string& newTableName);

    // The memo file name for a table file name and version byte.
    static std::string MemoFileName(const std::string& tableFileName, uint8_t version);

    bool encrypted = false;     // memo bytes pass through the cipher
    std::string readPassword;   // key for decrypting
    std::string writePassword;  // key for encrypting

protected:
    DVO_dBaseDBF* owner_;       // the table that created this object (not owned)
    uint8_t version_;           // the table's version byte
    TdvLokProtocol protocol_{};
};
