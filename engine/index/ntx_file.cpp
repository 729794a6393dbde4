#include "engine/index/ntx_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

#include "engine/index/index_scopes.h"
#include "framework/base/exception.h"
#include "engine/index/sort_ntx.h"
#include "engine/storage/dbf_date.h"
#include "engine/storage/errors.h"

namespace {
constexpr int32_t kPage = DVobjNTXFile::kPageSize;
constexpr int32_t kNumberWidth = 18, kNumberDecimals = 4;  // a numeric key that names no field
constexpr int32_t kDateLength = 8;
constexpr char kBlankDate[] = "00000000";
// Pages a file may hold before the order check at opening looks at only its first and last leaves.
constexpr int64_t kWholeCheckPages = 256;

TdvStructure HeaderStructure(const DVobjIndexFile* file) {
    return TdvStructure{idxerr::kBadHeader, idxsub::kReadHeader, file->FileName()};
}
}  // namespace

// --- DVobjNTXTag ---------------------------------------------------------------------------------------------

DVobjNTXTag::DVobjNTXTag(DVobjNTXFile* file) : DVobjIndexTag(file), file_(file), codec_(file) {}

DVobjNTXTag::~DVobjNTXTag() {
    try {
        ReleaseNodes();
    } catch (...) {
        // Nothing sensible can be done with a failed final write here.
    }
}

std::string DVobjNTXTag::NumberText(double value, int32_t width, int32_t decimals) {
    if (width < 1) return std::string();
    if (decimals < 0 || decimals >= width) decimals = 0;
    char buffer[64];
    const double magnitude = std::fabs(value);
    int n = std::isfinite(magnitude) && width < 40
                ? std::snprintf(buffer, sizeof buffer, "%*.*f", static_cast<int>(width), static_cast<int>(decimals),
                                magnitude)
                : -1;
    std::string text;
    if (n < 0 || n > width) {
        // Too wide for the key: the largest magnitude the width holds keeps the order sound.
        text.assign(static_cast<size_t>(width), '9');
        if (decimals > 0) text[static_cast<size_t>(width - decimals - 1)] = '.';
    } else {
        text.assign(buffer, static_cast<size_t>(n));
    }
    bool zero = true;
    for (char& c : text) {
        if (c == ' ') c = '0';
        if (c >= '1' && c <= '9') zero = false;
    }
    if (value < 0 && !zero)
        for (char& c : text)
            if (c >= '0' && c <= '9') c = static_cast<char>(92 - c);
    return text;
}

void DVobjNTXTag::ConvertKey(DVobjIndexKeyData& key, bool trimBlanks) {
    switch (keyType_) {
    case 'N':
        if (key.Kind() == vkNumber || key.IsEmpty()) {
            key.SetText(NumberText(key.IsEmpty() ? 0.0 : key.AsNumber(), keyLength_, decimals_));
        } else if (key.Kind() == vkText) {
            // A number typed as text ("7", "-12.5") is sought as that number; text that is no number is taken
            // as a stored form already.
            try {
                key.SetText(NumberText(key.AsNumber(), keyLength_, decimals_));
            } catch (const EConvertError&) {
            }
        }
        break;
    case 'D':
        if (key.Kind() == vkDate || key.Kind() == vkNumber || key.IsEmpty()) {
            const int32_t day = key.IsEmpty()              ? 0
                                : key.Kind() == vkDate ? key.AsDate()
                                                       : static_cast<int32_t>(key.AsNumber());
            key.SetText(day > 0 ? DBFDate().JulianToStorage(day) : std::string(kBlankDate));
        }
        break;
    default:
        if (key.Kind() != vkText && key.Kind() != vkBinary && !key.IsEmpty()) key.SetText(key.AsText());
        if (keyLength_ > 0 && key.Size() > keyLength_) key.SetSize(keyLength_);
        if (trimBlanks) key.TrimRight();
        if (learned_ && key.IsEmpty()) key.SetText(" ");  // as the learned order holds a key of blanks
        break;
    }
}

bool DVobjNTXTag::LayOut(int resultType, int32_t textLength) {
    TdvIndexOwner* table = file_->Owner();
    switch (resultType) {
    case exptype::kText:
    case exptype::kLogical:
        if (textLength < 1 || textLength > TdvNtxPageCodec::kMaxKeyLength) return false;
        keyType_ = 'C';
        keyLength_ = textLength;
        decimals_ = 0;
        break;
    case exptype::kNumber: {
        keyType_ = 'N';
        int32_t width = 0, decimals = 0;
        if (table && table->NumericField(keyExpression_, width, decimals) && width >= 1 &&
            width <= TdvNtxPageCodec::kMaxKeyLength && decimals >= 0 && decimals < width) {
            keyLength_ = width;
            decimals_ = decimals;
        } else {
            keyLength_ = kNumberWidth;
            decimals_ = kNumberDecimals;
        }
        break;
    }
    case exptype::kDate:
        keyType_ = 'D';
        keyLength_ = kDateLength;
        decimals_ = 0;
        break;
    default:
        return false;
    }
    entryLength_ = TdvNtxPageCodec::EntryLengthFor(keyLength_);
    halfPage_ = TdvNtxPageCodec::HalfPageFor(keyLength_);
    keysPerPage_ = TdvNtxPageCodec::KeysPerPageFor(keyLength_);
    UseLayout();
    return true;
}

void DVobjNTXTag::UseLayout() { codec_.SetLayout(keyLength_, keysPerPage_, keyType_ == 'C'); }

bool DVobjNTXTag::DefineTag(const std::string& name, const std::string& keyExpression, bool unique,
                            bool ascending, const std::string& forExpression) {
    TdvIndexOwner* table = file_->Owner();
    if (!table) return false;
    DVobjIndexTag::DefineTag(name, keyExpression, unique, ascending, forExpression);
    storedDescending_ = !ascending;
    collation_ = nullptr;
    learned_ = false;
    codec_.SetBlankKeys(false);
    if (!keyHandler_) return false;
    DVobjIndexKeyData probe(256);
    const int type = keyHandler_->Evaluate(probe);
    if (!LayOut(type, type == exptype::kLogical ? 1 : probe.Size())) return false;
    uint8_t zero[kPage] = {};
    file_->WritePage(headerPosition_, zero, kPage);
    if (table->RecordCount() == 0) {
        root_ = file_->AllocatePage();
        file_->WriteEmptyLeaf(root_);
    } else {
        Build();
    }
    headerDirty_ = true;
    WriteHeader();
    return true;
}

void DVobjNTXTag::Build() {
    ReleaseNodes();
    DVobjSortNTX sorter(this);
    AddTableKeys(sorter);
    root_ = sorter.WritePages(file_->Owner());
    headerDirty_ = true;
    WriteHeader();
}

bool DVobjNTXTag::AddKey(const DVobjIndexKeyData& key) {
    if (key.OrderRecord != 0 || key.Target <= 0) return DVobjIndexTag::AddKey(key);
    DVobjIndexKeyData copy(256);
    copy.CopyFrom(key);
    copy.OrderRecord = key.Target;
    return DVobjIndexTag::AddKey(copy);
}

int32_t DVobjNTXTag::RootPage() {
    uint8_t header[kPage];
    file_->ReadPage(0, header, kPage);
    const int32_t root = TdvNtxPageCodec::DecodeRoot(TdvByteView(header, kPage, HeaderStructure(file_)));
    if (!file_->PageInFile(root))
        file_->ReportError(idxerr::kBadPointer, idxsub::kReadHeader,
                           file_->FileName() + ": root page " + std::to_string(root) + " lies outside the file");
    root_ = root;
    return root;
}

void DVobjNTXTag::ReadNode(int32_t page, DVobjIndexKey& node) {
    if (!file_->PageInFile(page))
        file_->ReportError(idxerr::kBadPointer, idxsub::kReadNode,
                           file_->FileName() + ": page " + std::to_string(page) + " lies outside the file");
    codec_.ReadNode(page, node);
}

void DVobjNTXTag::WriteNode(DVobjIndexKey& node) { codec_.WriteTreeNode(node); }

void DVobjNTXTag::ReadHeader() {
    uint8_t h[kPage];
    file_->ReadPage(0, h, kPage);
    TdvNtxHeader header;
    std::string problem = TdvNtxPageCodec::DecodeHeader(TdvByteView(h, kPage, HeaderStructure(file_)), header);
    root_ = header.root;
    file_->counter_ = header.counter;
    keyLength_ = header.keyLength;
    keysPerPage_ = header.keysPerPage;
    halfPage_ = header.halfPage;
    decimals_ = header.decimals;
    entryLength_ = header.entryLength;
    unique_ = header.unique;
    ascending_ = !header.descending;
    storedDescending_ = header.descending;
    keyExpression_ = header.keyExpression;
    forExpression_ = header.forExpression;
    hasFor_ = !forExpression_.empty();
    headerDirty_ = false;
    if (problem.empty() && !file_->PageInFile(root_)) problem = "root page " + std::to_string(root_);
    if (!problem.empty()) {
        file_->MarkFailed(file_->FileName() + ": header " + problem + " does not fit the file");
        return;
    }
    keyType_ = 'C';
    UseLayout();
    TdvIndexOwner* table = file_->Owner();
    if (!table) return;
    int type = exptype::kNone;
    try {
        PrepareKeyExpression();
        PrepareForExpression();
        DVobjIndexKeyData probe(256);
        if (keyHandler_) type = keyHandler_->Evaluate(probe);
    } catch (const std::exception& e) {
        file_->MarkFailed(file_->FileName() + ": expression of the tag: " + e.what());
        return;
    }
    switch (type) {
    case exptype::kNumber:
        keyType_ = 'N';
        break;
    case exptype::kDate:
        keyType_ = 'D';
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
    if (keyType_ == 'C') LearnCollation();
}

void DVobjNTXTag::WriteHeader() {
    if (!headerDirty_) return;
    TdvNtxHeader header;
    header.counter = file_->counter_;
    header.root = root_;
    header.entryLength = static_cast<int16_t>(entryLength_);
    header.keyLength = static_cast<int16_t>(keyLength_);
    header.decimals = static_cast<int16_t>(decimals_);
    header.keysPerPage = static_cast<int16_t>(keysPerPage_);
    header.halfPage = static_cast<int16_t>(halfPage_);
    header.unique = unique_;
    header.descending = storedDescending_;
    header.keyExpression = keyExpression_;
    header.forExpression = forExpression_;
    uint8_t h[kPage];
    TdvNtxPageCodec::EncodeHeader(header, TdvWriteView(h, kPage, HeaderStructure(file_)));
    file_->WritePage(0, h, kPage);
    headerDirty_ = false;
}

namespace {
// The key as the learned order compares it: a key of blanks is one blank, so that it keeps its place among the
// others instead of sorting first as the empty key does.
std::string_view LearnedForm(const DVobjIndexKeyData& key) { return key.IsEmpty() ? std::string_view(" ") : key.Bytes(); }
}  // namespace

void DVobjNTXTag::LearnCollation() {
    // Another system writes its character keys in the order of its own collation. A seek must find what such a
    // file holds, so the tag learns a weight per byte from the order of the keys it finds: each two neighbours
    // that differ say which of their first differing bytes comes first. Only a file out of byte order is learned;
    // a small one is checked whole, a large one at its first and last keys.
    collation_ = nullptr;
    learned_ = false;
    codec_.SetBlankKeys(false);
    constexpr int kEndKeys = 256;
    const bool whole = file_->Disk()->FileSize() / kPage <= kWholeCheckPages;
    std::vector<std::string> keys;
    auto collect = [&](bool fromEnd, int limit) {
        std::vector<std::string> out;
        LoadRoot();
        for (bool ok = fromEnd ? rootNode_->Last() : rootNode_->First(); ok && (limit < 0 || static_cast<int>(out.size()) < limit);
             ok = fromEnd ? rootNode_->Prior() : rootNode_->Next()) {
            loads_ = 0;  // one move at a time, as Navigate counts them
            if (const DVobjIndexKeyData* e = rootNode_->CurrentEntry()) out.emplace_back(LearnedForm(*e));
        }
        if (fromEnd) std::reverse(out.begin(), out.end());
        return out;
    };
    auto ordered = [](const std::vector<std::string>& list, const uint8_t* weights, bool descending) {
        for (size_t i = 1; i < list.size(); ++i) {
            DVobjIndexKeyData a, b;
            a.SetText(list[i - 1]);
            b.SetText(list[i]);
            const int r = a.Compare(&b, nullptr, weights, -1);
            if (descending ? r < 0 : r > 0) return false;
        }
        return true;
    };
    try {
        ForgetWalk();
        if (whole) {
            keys = collect(false, -1);
        } else {
            keys = collect(false, kEndKeys);
            const std::vector<std::string> tail = collect(true, kEndKeys);
            keys.insert(keys.end(), tail.begin(), tail.end());
        }
        ReleaseNodes();
        if (ordered(keys, nullptr, storedDescending_)) return;
        if (!whole) {
            ForgetWalk();
            keys = collect(false, -1);
            ReleaseNodes();
        }
    } catch (const EOrdaneError&) {
        // A damaged page: the order stays byte order, and the page is reported when a seek or a walk reaches it.
        Recycle(std::move(rootNode_));
        return;
    }
    // Neighbours give "a before b" for their first differing bytes; a topological order of the bytes, smallest
    // byte first among the free ones, gives the weights. A cycle means no weight table gives this order.
    std::vector<std::vector<uint8_t>> after(256);
    std::array<int, 256> incoming{};
    for (size_t i = 1; i < keys.size(); ++i) {
        const std::string& a = storedDescending_ ? keys[i] : keys[i - 1];
        const std::string& b = storedDescending_ ? keys[i - 1] : keys[i];
        const size_t n = std::min(a.size(), b.size());
        size_t at = 0;
        while (at < n && a[at] == b[at]) ++at;
        if (at == n) continue;
        const auto x = static_cast<uint8_t>(a[at]), y = static_cast<uint8_t>(b[at]);
        if (std::find(after[x].begin(), after[x].end(), y) != after[x].end()) continue;
        after[x].push_back(y);
        ++incoming[y];
    }
    std::vector<int> free;
    for (int c = 255; c >= 0; --c)
        if (incoming[static_cast<size_t>(c)] == 0) free.push_back(c);
    int rank = 0;
    while (!free.empty()) {
        std::sort(free.begin(), free.end(), std::greater<int>());
        const int c = free.back();
        free.pop_back();
        weights_[static_cast<size_t>(c)] = static_cast<uint8_t>(rank++);
        for (uint8_t y : after[static_cast<size_t>(c)])
            if (--incoming[y] == 0) free.push_back(y);
    }
    if (rank != 256 || !ordered(keys, weights_.data(), storedDescending_)) return;
    collation_ = weights_.data();
    learned_ = true;
    codec_.SetBlankKeys(true);
}

// --- DVobjNTXFile --------------------------------------------------------------------------------------------

DVobjNTXFile::DVobjNTXFile(TdvIndexOwner* owner, bool overwrite, bool create, bool readOnly, bool shared,
                           const std::string& fileName)
    : DVobjIndexFile(owner, overwrite, create, readOnly, shared, fileName, ".NTX") {
    if (!opened_ || disk_->FileSize() == 0) return;
    allocationEnd_ = -1;
    auto* tag = new DVobjNTXTag(this);
    tags_.Add(tag);
    tag->name_ = fileName_.substr(0, fileName_.rfind('.'));
    tag->ReadHeader();
    if (failed_) tags_.Remove(tag);
}

DVobjNTXFile::~DVobjNTXFile() {
    try {
        CloseTags();
    } catch (...) {
        // See the base: destruction never throws.
    }
}

DVobjIndexTag* DVobjNTXFile::CreateTag(const std::string& name, const std::string& keyExpression, bool unique,
                                       bool ascending, const std::string& forExpression) {
    if (!opened_ || !owner_) return nullptr;
    {
        // Compile and lay out first: a key that cannot be indexed must not cost the file its old contents.
        DVobjNTXTag probe(this);
        probe.keyExpression_ = keyExpression;
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
    cache_.Clear();
    knownSize_ = 0;
    allocationEnd_ = 0;
    auto* tag = new DVobjNTXTag(this);
    tags_.Add(tag);
    tag->name_ = name.empty() ? fileName_.substr(0, fileName_.rfind('.')) : name;
    tag->headerPosition_ = AllocatePage();
    if (!tag->DefineTag(tag->name_, keyExpression, unique, ascending, forExpression)) {
        tags_.Remove(tag);
        return nullptr;
    }
    return tag;
}

int32_t DVobjNTXFile::FindAllocationEnd() {
    const int64_t size = disk_->FileSize();
    allocationEnd_ = static_cast<int32_t>((size + kPage - 1) / kPage * kPage);
    return allocationEnd_;
}

int32_t DVobjNTXFile::AllocatePage() {
    if (allocationEnd_ < 0) FindAllocationEnd();
    if (allocationEnd_ > std::numeric_limits<int32_t>::max() - kPage) ReportError(idxerr::kBadPointer, idxsub::kWriteNode, fileName_ + ": full");
    const int32_t at = allocationEnd_;
    allocationEnd_ += kPage;
    return at;
}

bool DVobjNTXFile::PageInFile(int32_t offset) {
    if (offset < kPage || offset % kPage != 0) return false;
    if (offset + static_cast<int64_t>(kPage) <= knownSize_) return true;
    knownSize_ = disk_->FileSize();
    // Pages handed out but not yet written count as the file's too.
    if (allocationEnd_ > knownSize_) knownSize_ = allocationEnd_;
    return offset + static_cast<int64_t>(kPage) <= knownSize_;
}

bool DVobjNTXFile::ReadPage(int32_t offset, uint8_t* buffer, int32_t count) {
    if (count != kPage || offset % kPage != 0) throw ERangeError();
    if (!disk_->IsShared() && cache_.Get(offset / kPage, buffer)) return true;
    const bool whole = ReadBlock(offset, buffer, kPage);
    if (whole) Remember(offset, buffer);
    return whole;
}

void DVobjNTXFile::WritePage(int32_t offset, const uint8_t* buffer, int32_t count) {
    if (count != kPage || offset % kPage != 0) throw ERangeError();
    WriteBlock(offset, buffer, kPage);
    if (offset + static_cast<int64_t>(kPage) > knownSize_ && knownSize_ > 0) knownSize_ = offset + kPage;
    Remember(offset, buffer);
}

void DVobjNTXFile::Remember(int32_t offset, const uint8_t* page) {
    // Only a file nobody else may change can keep pages between reads.
    if (disk_->IsShared()) return;
    const bool upper = offset == 0 || TdvNtxPageCodec::IsInterior(TdvByteView(page, kPage, HeaderStructure(this)));
    cache_.Put(offset / kPage, page, upper);
}

void DVobjNTXFile::Reencrypt() {
    cache_.Clear();
    DVobjIndexFile::Reencrypt();
}

void DVobjNTXFile::UpdateKeys(int32_t recordNumber, bool append) {
    if (DVobjNTXTag* tag = Tag()) {
        // Other programs watch the counter: it moves, and the header goes out, before any page changes.
        counter_ = counter_ >= 0x7FFF ? 0 : counter_;
        ++counter_;
        tag->headerDirty_ = true;
        tag->WriteHeader();
    }
    DVobjIndexFile::UpdateKeys(recordNumber, append);
}

bool DVobjNTXFile::ChangedOnDisk() {
    if (!disk_->IsShared() || !Tag()) return false;
    uint8_t header[kPage];
    ReadPage(0, header, kPage);
    const uint16_t counter = TdvNtxPageCodec::DecodeCounter(TdvByteView(header, kPage, HeaderStructure(this)));
    knownSize_ = 0;  // another program may have added pages
    if (counter == counter_) return false;
    counter_ = counter;
    return true;
}

void DVobjNTXFile::EmptyFile() {
    DVobjNTXTag* tag = Tag();
    if (!tag) return;
    TdvWholeFileLock lock(this);
    tag->ReleaseNodes();
    disk_->Truncate(2 * kPage);
    cache_.Clear();
    knownSize_ = 0;
    tag->root_ = kPage;
    allocationEnd_ = 2 * kPage;
    counter_ = 1;
    tag->headerDirty_ = true;
    tag->WriteHeader();
    WriteEmptyLeaf(kPage);
}

void DVobjNTXFile::WriteEmptyLeaf(int32_t offset) {
    DVobjNTXTag* tag = Tag();
    uint8_t page[kPage] = {};
    DVobjIndexKey none(tag, nullptr);
    tag->codec_.EncodeItems(none, 0, 0, 0, false, TdvWriteView(page, kPage, HeaderStructure(this)));
    WritePage(offset, page, kPage);
}

void DVobjNTXFile::Reindex() {
    DVobjNTXTag* tag = Tag();
    if (!tag) return;
    TdvWholeFileLock lock(this);
    EmptyFile();
    // The definition writes from the header on; cut what the empty tree leaves, so a rebuild gives the bytes
    // of a creation.
    disk_->Truncate(0);
    cache_.Clear();
    knownSize_ = 0;
    allocationEnd_ = kPage;
    const std::string name = tag->Name(), key = tag->KeyExpression(), forText = tag->ForExpression();
    tag->DefineTag(name, key, tag->Unique(), tag->Ascending(), forText);
}
