#include "engine/index/ndx_file.h"

#include <cmath>
#include <cstring>

#include "engine/index/index_scopes.h"
#include "engine/index/sort_ndx.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"

namespace {
constexpr int32_t kBlock = DVobjNDXFile::kBlockSize;
constexpr double kBlankDate = 1e100;
constexpr int32_t kMaxKeyLength = 239;  // the sorter takes key length + 1 <= 240 bytes

// The header block as a structure of the file, for the view's errors.
TdvStructure HeaderStructure(const DVobjIndexFile* file) {
    return TdvStructure{idxerr::kBadHeader, idxsub::kReadHeader, file->FileName()};
}

// Whether a cached node page is interior.
bool InteriorPage(const DVobjIndexFile* file, const uint8_t* page) {
    return TdvNdxPageCodec::IsInterior(
        TdvByteView(page, kBlock, TdvStructure{idxerr::kBadPage, idxsub::kReadNode, file->FileName()}));
}

}  // namespace

// --- DVobjNDXTag ---------------------------------------------------------------------------------------------

DVobjNDXTag::DVobjNDXTag(DVobjNDXFile* file) : DVobjIndexTag(file), file_(file), codec_(file) {}

DVobjNDXTag::~DVobjNDXTag() {
    try {
        ReleaseNodes();
    } catch (...) {
        // Nothing sensible can be done with a failed final write here.
    }
}

void DVobjNDXTag::ConvertKey(DVobjIndexKeyData& key, bool trimBlanks) {
    if (keyType_ == 'D' && datesAsText_) {
        if (key.Kind() == vkDate || key.Kind() == vkNumber) {
            const int32_t day = key.Kind() == vkDate ? key.AsDate() : static_cast<int32_t>(key.AsNumber());
            key.SetText(day > 0 ? DBFDate().JulianToStorage(day) : std::string());
        }
        if (trimBlanks) key.TrimRight();
        return;
    }
    switch (keyType_) {
    case 'N':
        if (key.Kind() != vkNumber) key.SetNumber(key.IsEmpty() ? 0.0 : key.AsNumber());
        break;
    case 'D':
        if (key.Kind() != vkNumber) {
            const int32_t day = key.IsEmpty() ? 0 : key.AsDate();
            if (dateBase_ != 0) key.SetNumber(day < 0.1 ? 0.0 : static_cast<double>(day - dateBase_));
            else key.SetNumber(day < 0.1 ? kBlankDate : static_cast<double>(day));
        }
        break;
    default:
        if (key.Kind() != vkText && !key.IsEmpty()) key.SetText(key.AsText());
        if (keyLength_ > 0 && key.Size() > keyLength_) key.SetSize(keyLength_);
        if (trimBlanks) key.TrimRight();
        break;
    }
}

bool DVobjNDXTag::LayOut(int resultType, int32_t textLength) {
    switch (resultType) {
    case exptype::kText:
    case exptype::kLogical:
        if (textLength < 1 || textLength > kMaxKeyLength) return false;
        keyType_ = 'C';
        keyLength_ = textLength;
        break;
    case exptype::kNumber:
        keyType_ = 'N';
        keyLength_ = 12;
        break;
    case exptype::kDate:
        keyType_ = 'D';
        keyLength_ = 8;
        break;
    default:
        return false;
    }
    entryLength_ = TdvNdxPageCodec::EntryLengthFor(keyLength_);
    keysPerPage_ = TdvNdxPageCodec::KeysPerPageFor(entryLength_);
    UseLayout();
    return true;
}

void DVobjNDXTag::UseLayout() {
    codec_.SetLayout(keyLength_, entryLength_, keysPerPage_, keyType_ == 'C' || datesAsText_);
}

bool DVobjNDXTag::DefineTag(const std::string& name, const std::string& keyExpression, bool unique,
                            bool ascending, const std::string& forExpression) {
    TdvIndexOwner* table = file_->Owner();
    if (!table) return false;
    DVobjIndexTag::DefineTag(name, keyExpression, unique, ascending, forExpression);
    if (!keyHandler_) return false;
    DVobjIndexKeyData probe(256);
    const int type = keyHandler_->Evaluate(probe);
    const int32_t length = type == exptype::kLogical ? 1 : probe.Size();
    datesAsText_ = false;
    if (!LayOut(type, length)) return false;
    headerPosition_ = 0;
    uint8_t zero[kBlock] = {};
    file_->WritePage(0, zero, kBlock);
    if (table->RecordCount() == 0) {
        root_ = file_->AllocatePage();
        file_->WritePage(root_, zero, kBlock);
    } else {
        Build();
    }
    headerDirty_ = true;
    WriteHeader();
    return true;
}

void DVobjNDXTag::Build() {
    ReleaseNodes();
    DVobjSortNdx sorter(this);
    AddTableKeys(sorter);
    root_ = sorter.WritePages(file_->Owner());
    headerDirty_ = true;
    WriteHeader();
}

int32_t DVobjNDXTag::RootPage() {
    uint8_t header[kBlock];
    file_->ReadPage(0, header, kBlock);
    const int32_t root = TdvNdxPageCodec::DecodeRoot(TdvByteView(header, kBlock, HeaderStructure(file_)));
    if (!file_->PageInFile(root))
        file_->ReportError(idxerr::kBadPointer, idxsub::kReadHeader,
                           file_->FileName() + ": root block " + std::to_string(root) + " lies outside the file");
    root_ = root;
    return root;
}

void DVobjNDXTag::ReadNode(int32_t page, DVobjIndexKey& node) {
    if (!file_->PageInFile(page))
        file_->ReportError(idxerr::kBadPointer, idxsub::kReadNode,
                           file_->FileName() + ": block " + std::to_string(page) + " lies outside the file");
    codec_.ReadNode(page, node);
}

void DVobjNDXTag::WriteNode(DVobjIndexKey& node) { codec_.WriteNode(node); }

void DVobjNDXTag::ReadHeader() {
    uint8_t h[kBlock];
    file_->ReadPage(0, h, kBlock);
    TdvNdxHeader header;
    std::string problem = TdvNdxPageCodec::DecodeHeader(TdvByteView(h, kBlock, HeaderStructure(file_)), header);
    root_ = header.root;
    keyLength_ = header.keyLength;
    keysPerPage_ = header.keysPerPage;
    storedKeyType_ = header.keyType;
    entryLength_ = header.entryLength;
    unique_ = header.unique;
    keyExpression_ = header.keyExpression;
    headerDirty_ = false;
    if (problem.empty() && !file_->PageInFile(root_)) problem = "root block " + std::to_string(root_);
    if (!problem.empty()) {
        file_->MarkFailed(file_->FileName() + ": header " + problem + " does not fit the file");
        return;
    }
    keyType_ = storedKeyType_ == TdvNdxPageCodec::kNumericKeyType ? 'N' : 'C';
    UseLayout();
    TdvIndexOwner* table = file_->Owner();
    if (!table) return;
    int type = exptype::kNone;
    DVobjIndexKeyData probe(256);
    try {
        PrepareKeyExpression();
        if (keyHandler_) type = keyHandler_->Evaluate(probe);
    } catch (const std::exception& e) {
        file_->MarkFailed(file_->FileName() + ": key expression " + keyExpression_ + ": " + e.what());
        return;
    }
    // The stored layout must fit what the expression gives: a key cut shorter than the expression's width, or
    // numbers kept as text, would make seeks answer the wrong record.
    const bool storedNumeric = storedKeyType_ == TdvNdxPageCodec::kNumericKeyType;
    std::string misfit;
    if (type == exptype::kNumber && (!storedNumeric || keyLength_ != TdvNdxPageCodec::kNumericKeyLength))
        misfit = "numeric";
    if (type == exptype::kDate && keyLength_ != TdvNdxPageCodec::kNumericKeyLength) misfit = "date";
    if ((type == exptype::kText || type == exptype::kLogical) &&
        (storedNumeric || probe.Size() > keyLength_))
        misfit = "character, " + std::to_string(probe.Size()) + " wide";
    if (!misfit.empty()) {
        file_->MarkFailed(file_->FileName() + ": key length " + std::to_string(keyLength_) + " and type " +
                          (storedNumeric ? "numeric" : "character") + " do not fit key expression " +
                          keyExpression_ + " (" + misfit + ")");
        return;
    }
    switch (type) {
    case exptype::kNumber:
        keyType_ = 'N';
        break;
    case exptype::kDate:
        keyType_ = 'D';
        // One writer keeps date keys as "yyyymmdd" text (key type word 0, key length 8): seek them as such.
        datesAsText_ = storedKeyType_ == TdvNdxPageCodec::kTextKeyType &&
                       keyLength_ == TdvNdxPageCodec::kNumericKeyLength;
        UseLayout();
        if (!datesAsText_) DetectDateBase();
        break;
    case exptype::kText:
    case exptype::kLogical:
        keyType_ = 'C';
        break;
    default:
        file_->MarkFailed(file_->FileName() + ": key expression " + keyExpression_ + " gives no key");
        return;
    }
    UseLayout();
}

void DVobjNDXTag::DetectDateBase() {
    constexpr double kFirstJulian = 1721426.0;  // 0001-01-01: every Julian day key lies above it
    constexpr int32_t kDaysBefore1900 = 2415021;
    constexpr int kProbe = 64;
    try {
        bool small = false;
        LoadRoot();
        for (int side = 0; side < 2 && !small; ++side) {
            bool ok = side == 0 ? rootNode_->First() : rootNode_->Last();
            for (int i = 0; ok && i < kProbe; ++i) {
                const DVobjIndexKeyData* e = rootNode_->CurrentEntry();
                const double d = e ? e->AsNumber() : 0.0;
                if (d != 0.0 && d != kBlankDate) {
                    small = d > 0.0 && d < kFirstJulian;
                    break;
                }
                ok = side == 0 ? rootNode_->Next() : rootNode_->Prior();
            }
        }
        rootNode_.reset();
        if (small) dateBase_ = kDaysBefore1900;
    } catch (const EOrdaneError& e) {
        rootNode_.reset();
        file_->MarkFailed(e.what());
    }
}

void DVobjNDXTag::WriteHeader() {
    if (!headerDirty_) return;
    const bool numeric = (keyType_ == 'N' || keyType_ == 'D' || keyType_ == 'F') && !datesAsText_;
    TdvNdxHeader header;
    header.root = root_;
    header.allocationEnd = file_->AllocationEnd() >= 0 ? file_->AllocationEnd() : file_->FindAllocationEnd();
    header.keyLength = static_cast<int16_t>(numeric ? TdvNdxPageCodec::kNumericKeyLength : keyLength_);
    header.keysPerPage = static_cast<int16_t>(keysPerPage_);
    header.keyType = numeric ? TdvNdxPageCodec::kNumericKeyType : TdvNdxPageCodec::kTextKeyType;
    header.entryLength = static_cast<int16_t>(entryLength_);
    header.unique = unique_;
    header.keyExpression = keyExpression_;
    uint8_t h[kBlock];
    TdvNdxPageCodec::EncodeHeader(header, TdvWriteView(h, kBlock, HeaderStructure(file_)));
    file_->WritePage(0, h, kBlock);
    headerDirty_ = false;
}

// --- DVobjNDXFile --------------------------------------------------------------------------------------------

DVobjNDXFile::DVobjNDXFile(TdvIndexOwner* owner, bool overwrite, bool create, bool readOnly, bool shared,
                           const std::string& fileName)
    : DVobjIndexFile(owner, overwrite, create, readOnly, shared, fileName, ".NDX") {
    if (!opened_ || disk_->FileSize() == 0) return;
    allocationEnd_ = -1;
    auto* tag = new DVobjNDXTag(this);
    tags_.Add(tag);
    const std::string base = fileName_.substr(0, fileName_.rfind('.'));
    tag->name_ = base;
    tag->ReadHeader();
    if (failed_) tags_.Remove(tag);
}

DVobjNDXFile::~DVobjNDXFile() {
    try {
        CloseTags();
    } catch (...) {
        // See the base: destruction never throws.
    }
}

DVobjIndexTag* DVobjNDXFile::CreateTag(const std::string&, const std::string& keyExpression, bool unique,
                                       bool ascending, const std::string& forExpression) {
    if (!opened_ || !owner_) return nullptr;
    {
        // Compile and lay out first: a key that cannot be indexed must not cost the file its old contents.
        DVobjNDXTag probe(this);
        std::unique_ptr<TdvKeyExpression> key = owner_->CompileExpression(keyExpression);
        if (!forExpression.empty()) owner_->CompileExpression(forExpression);
        DVobjIndexKeyData value(256);
        const int type = key->Evaluate(value);
        if (!probe.LayOut(type, type == exptype::kLogical ? 1 : value.Size())) return nullptr;
    }
    TdvWholeFileLock lock(this);
    CloseTags();
    failed_ = false;
    // A rebuilt file holds nothing of the old one, so the same table always gives the same bytes.
    disk_->Truncate(0);
    ForgetPages();
    allocationEnd_ = 0;
    auto* tag = new DVobjNDXTag(this);
    tags_.Add(tag);
    tag->name_ = fileName_.substr(0, fileName_.rfind('.'));
    tag->headerPosition_ = AllocatePage();
    if (!tag->DefineTag(tag->name_, keyExpression, unique, ascending, forExpression)) {
        tags_.Remove(tag);
        return nullptr;
    }
    return tag;
}

int32_t DVobjNDXFile::FindAllocationEnd() {
    const int64_t size = disk_->FileSize();
    allocationEnd_ = static_cast<int32_t>((size + kBlock - 1) / kBlock);
    return allocationEnd_;
}

int32_t DVobjNDXFile::AllocatePage() {
    if (allocationEnd_ < 0) FindAllocationEnd();
    // Other programs trust the header's block count: a block handed out makes the header due for writing.
    if (DVobjNDXTag* tag = Tag()) tag->headerDirty_ = true;
    return allocationEnd_++;
}

int32_t DVobjNDXFile::BlocksOnDisk() {
    const int64_t size = disk_->FileSize();
    int64_t blocks = (size + kBlock - 1) / kBlock;
    // Blocks handed out but not yet written count as the file's too.
    if (allocationEnd_ > blocks) blocks = allocationEnd_;
    return static_cast<int32_t>(blocks);
}

bool DVobjNDXFile::PageInFile(int32_t block) {
    if (block >= 1 && block < knownBlocks_) return true;
    knownBlocks_ = BlocksOnDisk();
    return block >= 1 && block < knownBlocks_;
}

void DVobjNDXFile::ForgetPages() {
    cache_.Clear();
    knownBlocks_ = 0;
}

bool DVobjNDXFile::ReadPage(int32_t block, uint8_t* buffer, int32_t count) {
    if (count != kBlock) throw ERangeError();
    ++pageReads_;
    if (!disk_->IsShared() && cache_.Get(block, buffer)) return true;
    const bool whole = ReadBlock(static_cast<int64_t>(block) * kBlock, buffer, kBlock);
    if (whole) Remember(block, buffer);
    return whole;
}

void DVobjNDXFile::WritePage(int32_t block, const uint8_t* buffer, int32_t count) {
    if (count != kBlock) throw ERangeError();
    WriteBlock(static_cast<int64_t>(block) * kBlock, buffer, kBlock);
    if (block >= knownBlocks_ && knownBlocks_ > 0) knownBlocks_ = block + 1;
    Remember(block, buffer);
}

void DVobjNDXFile::Remember(int32_t block, const uint8_t* page) {
    // Only a file nobody else may change can keep pages between reads.
    if (disk_->IsShared()) return;
    cache_.Put(block, page, block == 0 || InteriorPage(this, page));
}

void DVobjNDXFile::Reencrypt() {
    ForgetPages();
    DVobjIndexFile::Reencrypt();
}

void DVobjNDXFile::EmptyFile() {
    DVobjNDXTag* tag = Tag();
    if (!tag) return;
    TdvWholeFileLock lock(this);
    tag->ReleaseNodes();
    disk_->Truncate(2 * kBlock);
    ForgetPages();
    tag->root_ = 1;
    allocationEnd_ = 2;
    tag->headerDirty_ = true;
    tag->WriteHeader();
    uint8_t zero[kBlock] = {};
    WritePage(1, zero, kBlock);
}

void DVobjNDXFile::Reindex() {
    DVobjNDXTag* tag = Tag();
    if (!tag) return;
    TdvWholeFileLock lock(this);
    EmptyFile();
    allocationEnd_ = 1;
    // The build overwrites the empty root from block 1 on; cut what a smaller tree leaves behind.
    disk_->Truncate(kBlock);
    ForgetPages();
    tag->Build();
}
