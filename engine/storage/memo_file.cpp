#include "engine/storage/memo_file.h"

#include "engine/storage/dbf_table.h"
#include "engine/storage/errors.h"

std::string DVobjMemo::MemoFileName(const std::string& tableFileName, uint8_t version) {
    std::string name = tableFileName;
    size_t b = name.find_first_not_of(' ');
    size_t e = name.find_last_not_of(' ');
    name = b == std::string::npos ? std::string() : name.substr(b, e - b + 1);
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
    return name + (version == 0x30 || version == 0xF5 ? ".FPT" : ".DBT");
}

DVobjMemo::DVobjMemo(DVO_dBaseDBF* owner, uint8_t version, bool readWrite, bool shared, const std::string& password,
                     const std::string& tableFileName)
    : DVO_DiskFile(MemoFileName(tableFileName, version), readWrite, shared),
      encrypted(!password.empty()),
      readPassword(password),
      writePassword(password),
      owner_(owner),
      version_(version) {
    if (!Existed()) ReportError(errcode::kFileNotFound, subcode::kMemoOpen, Name());
    Open();
}

void DVobjMemo::FoundError(int32_t code, int32_t subCode, const std::string& information) {
    if (owner_) owner_->FoundError(code, subCode, information);
    DVO_DiskFile::FoundError(code, subCode, information);
}

int32_t DVobjMemo::MemoSize(int32_t) { ReportError(errcode::kFileNotFound, subcode::kMemoOpen, Name()); }
void DVobjMemo::MemoRead(void*, int32_t, int32_t&) { ReportError(errcode::kFileNotFound, subcode::kMemoOpen, Name()); }
int32_t DVobjMemo::MemoWrite(const void*, int32_t&, int32_t) {
    ReportError(errcode::kFileNotFound, subcode::kMemoOpen, Name());
}
void DVobjMemo::SetLockProtocol(TdvLokProtocol protocol) { protocol_ = protocol; }
bool DVobjMemo::RenameWithTable(const std::string& newTableName) {
    return Rename(MemoFileName(newTableName, version_));
}
