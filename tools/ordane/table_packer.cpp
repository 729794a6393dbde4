#include "tools/ordane/table_packer.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/cursor/file_names.h"
#include "engine/cursor/index_formats.h"
#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/storage/byte_view.h"
#include "engine/storage/dbf_layout.h"
#include "engine/storage/errors.h"
#include "engine/storage/memo_file.h"
#include "engine/storage/pack_journal.h"
#include "tools/ordane/command.h"

namespace ordane {
namespace {

// Writes bytes as the whole of a new file, flushed.
void WriteNewFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    DVO_DiskFile file(name, true, false);
    file.CreateNew();
    if (!bytes.empty()) file.WriteAt(0, bytes.data(), static_cast<int32_t>(bytes.size()));
    file.Flush();
}

// The bytes [0, count) of a file as stored; what the file lacks reads as zeros.
std::vector<uint8_t> StoredBytes(DVO_DiskFile& file, int32_t count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count), 0);
    file.ReadAt(0, bytes.data(), count);
    return bytes;
}

}  // namespace

TablePacker::Counts TablePacker::Run(bool keepNone) {
    ToolTable& old = table_;
    if (old.IsShared()) throw UsageError("pack and zap need the table without sharing");
    std::vector<DVobjIndexFile*> indexes;
    for (int32_t slot = 1; slot <= DVO_dBHandler::kIndexSlots; ++slot) {
        DVobjIndexFile* file = old.IndexFile(slot);
        if (!file) continue;
        if (!TdvIndexFormats::FindCreator(filename::Extension(file->Disk()->OsName())))
            throw UsageError("cannot rebuild " + file->FileName() + ": its format cannot be built yet");
        indexes.push_back(file);
    }
    DVobjMemo* oldMemo = old.HasMemo() ? old.OpenMemo() : nullptr;

    // The journal outlives the new table's handler: an error before the commit closes the new files first,
    // then the journal deletes them.
    TdvPackJournal journal(old.OsName());
    const std::string memoName = oldMemo ? journal.Add(oldMemo->OsName()) : std::string();
    std::vector<std::string> indexNames;
    for (DVobjIndexFile* file : indexes) indexNames.push_back(journal.Add(file->Disk()->OsName()));
    journal.Begin();

    // The old header and descriptors as stored, with no records.
    std::vector<uint8_t> header = StoredBytes(old, old.HeaderLength());
    TdvWriteView(header.data(), header.size(), {errcode::kBadHeader, subcode::kTableOpen, old.Name()})
        .PutU32LE(dbfheader::kRecordCount, 0);
    header.push_back(0x1A);
    WriteNewFile(journal.NewTableName(), header);
    if (oldMemo)
        WriteNewFile(memoName, StoredBytes(*oldMemo, oldMemo->FirstDataBlock() * oldMemo->BlockSize()));

    auto fresh = std::make_unique<ToolTable>(journal.NewTableName(), password_, true, false);
    DVobjMemo* memo = fresh->HasMemo() ? fresh->OpenMemo() : nullptr;
    if (memo) memo->Empty();
    std::vector<int32_t> memoFields;
    for (const TdvFieldDesc& f : old.Fields())
        if (old.IsMemoField(f)) memoFields.push_back(f.number);

    Counts counts;
    const int32_t total = old.RecordCount();
    old.SetReadAhead(true);
    old.progress.Start(keepNone ? "zap" : "pack", total);
    for (int32_t r = 1; r <= total && !keepNone; ++r) {
        old.progress.Step(r);
        old.DVO_dBaseFld::GetRecord(r);
        if (old.IsDeleted()) {
            ++counts.removed;
            continue;
        }
        std::memcpy(fresh->RecordBuffer(), old.RecordBuffer(), static_cast<size_t>(old.RecordLength()));
        for (int32_t n : memoFields) {
            const auto block = static_cast<int32_t>(old.NumberGet(n));
            const int32_t copied = block > 0 && memo ? oldMemo->CopyMemo(block, *memo) : 0;
            const TdvFieldDesc& f = fresh->Fields()[static_cast<size_t>(n - 1)];
            if (fresh->IsBinary(f)) fresh->NumberPut(n, copied);
            else fresh->FieldPut(n, copied > 0 ? std::to_string(copied) : std::string());
        }
        fresh->AppendRecord();
        ++counts.kept;
    }
    if (keepNone) counts.removed = total;
    old.progress.Finish();
    fresh->Flush();

    for (size_t i = 0; i < indexes.size(); ++i) {
        const TdvIndexCreator create = TdvIndexFormats::FindCreator(filename::Extension(indexNames[i]));
        std::unique_ptr<DVobjIndexFile> built = create(fresh->IndexOwner(), false, indexNames[i]);
        DVobjIndexFile& from = *indexes[i];
        for (int32_t t = 0; t < from.TagCount(); ++t) {
            const DVobjIndexTag& tag = *from.TagAt(t);
            if (!built->CreateTag(tag.Name(), tag.KeyExpression(), tag.Unique(), tag.Ascending(), tag.ForExpression()))
                throw UsageError("cannot rebuild the tag " + tag.Name() + " of " + from.FileName());
        }
        for (int32_t t = 0; t < built->TagCount(); ++t) built->TagAt(t)->ReleaseNodes();
        built->Disk()->Flush();
        // Held open (without sharing) through the commit, like the new table.
        fresh->AddIndexFile(std::move(built));
    }
    journal.Commit();
    return counts;
}

}  // namespace ordane
