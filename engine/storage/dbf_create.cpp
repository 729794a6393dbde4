#include "engine/storage/dbf_create.h"

#include <cctype>

#include "engine/storage/byte_view.h"
#include "engine/storage/dbf_layout.h"
#include "engine/storage/disk_file.h"
#include "engine/storage/errors.h"
#include "engine/storage/memo_file.h"
#include "engine/storage/memo_layout.h"

namespace {

std::string WithExtension(const std::string& fileName) {
    size_t slash = fileName.find_last_of("/\\");
    size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return fileName + ".DBF";
    return fileName;
}

bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > 10 || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

// Settles a field's stored length and decimals for the version; false when the type or size is not allowed.
bool Settle(uint8_t version, TdvNewField& f) {
    const bool vfp = version == 0x30;
    const bool memoVersion = version != 0x03;
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.type)));
    switch (f.type) {
        case 'C': f.decimals = 0; return f.length >= 1 && f.length <= (vfp ? 254 : 65535);
        case 'N':
        case 'F': return f.length >= 1 && f.length <= 20 && f.decimals >= 0 && f.decimals <= 15 &&
                         (f.decimals == 0 || f.decimals <= f.length - 2);
        case 'D': f.length = 8; f.decimals = 0; return true;
        case 'L': f.length = 1; f.decimals = 0; return true;
        case 'M':
        case 'G': f.length = vfp ? 4 : 10; f.decimals = 0; return memoVersion && (f.type == 'M' || version >= 0xF5 || vfp);
        case 'B':
            if (vfp) { f.length = 8; return f.decimals >= 0 && f.decimals <= 15; }
            f.length = 10; f.decimals = 0; return memoVersion;
        case 'I': f.length = 4; f.decimals = 0; return vfp;
        case 'T': f.length = 8; f.decimals = 0; return vfp;
        case 'Y': f.length = 8; f.decimals = 4; return vfp;
        default: return false;
    }
}

uint8_t LanguageByte() { return os::OemCodePage() == 850 ? 0x02 : 0x01; }

// Writes bytes as a brand-new file; a file that exists is refused.
void WriteNewFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    if (os::FileExists(name)) ReportError(errcode::kExists, subcode::kCreate, os::UpperCase(os::AbsolutePath(name)));
    DVO_DiskFile file(name, true, false);
    file.CreateNew();
    file.WriteAt(0, bytes.data(), static_cast<int32_t>(bytes.size()));
    file.Flush();
}

std::vector<uint8_t> EmptyMemoFile(uint8_t version, int blockSize, const std::string& tableName) {
    // The table name without folder and extension, at most 8 characters, as dBase memo headers carry it.
    std::string base = tableName.substr(tableName.find_last_of("/\\") + 1);
    base = os::UpperCase(base.substr(0, base.rfind('.')).substr(0, 8));
    const TdvStructure kind{errcode::kMemoFormat, subcode::kCreate, tableName};
    switch (version) {
        case 0x83: {
            std::vector<uint8_t> bytes(512, 0);
            TdvWriteView header(bytes.data(), bytes.size(), kind);
            header.PutU32LE(memoheader::kNextBlock, 1);
            header.PutU8(memoheader::kDb3Version, 0x03);
            return bytes;
        }
        case 0x8B: {
            int size = blockSize > 0 ? blockSize : 512;
            std::vector<uint8_t> bytes(static_cast<size_t>(size), 0);
            TdvWriteView header(bytes.data(), bytes.size(), kind);
            header.PutU32LE(memoheader::kNextBlock, 1);
            header.Put(memoheader::kTableName, base.data(), base.size());
            header.PutU16LE(memoheader::kDb4BlockSize, static_cast<uint16_t>(size));
            return bytes;
        }
        default: {  // FoxPro layout: a 512-byte header, big-endian next block and block size
            int size = blockSize > 0 ? blockSize : 64;
            std::vector<uint8_t> bytes(memoheader::kFoxHeaderSize, 0);
            TdvWriteView header(bytes.data(), bytes.size(), kind);
            header.PutU32BE(memoheader::kNextBlock,
                            static_cast<uint32_t>((memoheader::kFoxHeaderSize + size - 1) / size));
            header.PutU16BE(memoheader::kFoxBlockSize, static_cast<uint16_t>(size));
            return bytes;
        }
    }
}

}  // namespace

void CreateTable(const std::string& fileName, uint8_t version, const std::vector<TdvNewField>& fields,
                 int memoBlockSize) {
    const std::string name = WithExtension(fileName);
    const std::string info = os::UpperCase(os::AbsolutePath(name));
    if (version != 0x03 && version != 0x83 && version != 0x8B && version != 0xF5 && version != 0x30)
        ReportError(errcode::kBadHeader, subcode::kCreate, info);
    if (fields.empty() || fields.size() > 2046) ReportError(errcode::kBadFieldType, subcode::kCreate, info);
    if (version == 0x8B && memoBlockSize != 0 && (memoBlockSize < 64 || memoBlockSize % 64 != 0 || memoBlockSize > 32768))
        ReportError(errcode::kBadFieldType, subcode::kCreate, info);
    if ((version == 0xF5 || version == 0x30) && memoBlockSize != 0 && (memoBlockSize < 1 || memoBlockSize > 32768))
        ReportError(errcode::kBadFieldType, subcode::kCreate, info);

    std::vector<TdvNewField> settled = fields;
    uint32_t recordLength = 1;
    bool memoFields = false;
    for (size_t i = 0; i < settled.size(); ++i) {
        TdvNewField& f = settled[i];
        f.name = os::UpperCase(f.name);
        if (!ValidName(f.name)) ReportError(errcode::kBadFieldName, subcode::kCreate, info + "->" + f.name);
        for (size_t j = 0; j < i; ++j)
            if (settled[j].name == f.name) ReportError(errcode::kBadFieldName, subcode::kCreate, info + "->" + f.name);
        if (!Settle(version, f)) ReportError(errcode::kBadFieldType, subcode::kCreate, info + "->" + f.name);
        memoFields = memoFields || f.type == 'M' || f.type == 'G' || (f.type == 'B' && version != 0x30);
        recordLength += static_cast<uint32_t>(f.length);
    }
    if (recordLength > 65535) ReportError(errcode::kBadFieldType, subcode::kCreate, info);

    const bool vfp = version == 0x30;
    const uint32_t headerLength = static_cast<uint32_t>(dbfheader::kSize + dbfdesc::kSize * settled.size() + 1 +
                                                        (vfp ? dbfheader::kBacklinkSize : 0));
    if (headerLength > 65535) ReportError(errcode::kBadFieldType, subcode::kCreate, info);
    std::vector<uint8_t> bytes(headerLength + 1, 0);
    TdvWriteView file(bytes.data(), bytes.size(), {errcode::kBadHeader, subcode::kCreate, info});
    os::LocalTime now = os::Now();
    file.PutU8(dbfheader::kVersion, version);
    file.PutU8(dbfheader::kUpdateYear, static_cast<uint8_t>(now.year % 100));
    file.PutU8(dbfheader::kUpdateMonth, static_cast<uint8_t>(now.month));
    file.PutU8(dbfheader::kUpdateDay, static_cast<uint8_t>(now.day));
    file.PutU16LE(dbfheader::kHeaderLength, static_cast<uint16_t>(headerLength));
    file.PutU16LE(dbfheader::kRecordLength, static_cast<uint16_t>(recordLength));
    if (vfp && memoFields) file.PutU8(dbfheader::kFlags, 0x02);
    file.PutU8(dbfheader::kLanguage, LanguageByte());
    uint32_t offset = 1;
    for (size_t i = 0; i < settled.size(); ++i) {
        const TdvNewField& f = settled[i];
        TdvWriteView d = file.Sub(dbfheader::kSize + dbfdesc::kSize * i, dbfdesc::kSize);
        d.Put(dbfdesc::kName, f.name.data(), f.name.size());
        d.PutU8(dbfdesc::kType, static_cast<uint8_t>(f.type));
        if (vfp) d.PutU32LE(dbfdesc::kOffset, offset);
        d.PutU8(dbfdesc::kLength, static_cast<uint8_t>(f.length & 0xFF));
        d.PutU8(dbfdesc::kDecimals, static_cast<uint8_t>(f.type == 'C' ? f.length >> 8 : f.decimals));
        // Stored as binary: no code page translation.
        if (vfp && (f.type == 'M' || f.type == 'G')) d.PutU8(dbfdesc::kFlags, 0x04);
        offset += static_cast<uint32_t>(f.length);
    }
    file.PutU8(dbfheader::kSize + dbfdesc::kSize * settled.size(), dbfheader::kTerminator);
    file.PutU8(headerLength, dbfheader::kEndMark);

    // FoxPro readers insist that memo fields and memo file go together, so a FoxPro table gets its memo file
    // only with memo fields; dBase tables of a memo version always get one.
    const bool withMemo = version == 0x83 || version == 0x8B || ((version == 0xF5 || vfp) && memoFields);
    std::string memoName = withMemo ? DVobjMemo::MemoFileName(name, version) : std::string();
    if (withMemo && os::FileExists(memoName))
        ReportError(errcode::kExists, subcode::kCreate, os::UpperCase(os::AbsolutePath(memoName)));
    WriteNewFile(name, bytes);
    if (withMemo) {
        try {
            WriteNewFile(memoName, EmptyMemoFile(version, memoBlockSize, name));
        } catch (...) {
            os::DeleteFile(name);
            throw;
        }
    }
}
