#include "engine/index/ntx_page.h"

#include <algorithm>
#include <string_view>

#include "engine/index/index_file.h"
#include "engine/index/index_key.h"
#include "engine/storage/errors.h"

namespace {
constexpr char kTopKey[] = "\xFF";

// A zero-terminated text of at most room bytes at offset at; false when it has no terminator.
bool TerminatedText(TdvByteView page, size_t at, size_t room, std::string& out) {
    const std::string_view text = page.Text(at, room);
    const size_t end = text.find('\0');
    std::string_view value = text.substr(0, end);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    out.assign(value);
    return end != std::string_view::npos;
}
}  // namespace

std::string TdvNtxPageCodec::DecodeHeader(TdvByteView page, TdvNtxHeader& header) {
    header.signature = page.U16LE(kSignatureAt);
    header.counter = page.U16LE(kCounterAt);
    header.root = page.I32LE(kRootAt);
    header.entryLength = static_cast<int16_t>(page.U16LE(kEntryLengthAt));
    header.keyLength = static_cast<int16_t>(page.U16LE(kKeyLengthAt));
    header.decimals = static_cast<int16_t>(page.U16LE(kDecimalsAt));
    header.keysPerPage = static_cast<int16_t>(page.U16LE(kKeysPerPageAt));
    header.halfPage = static_cast<int16_t>(page.U16LE(kHalfPageAt));
    header.unique = page.U8(kUniqueAt) != 0;
    header.descending = page.U8(kDescendingAt) != 0;
    const bool terminated = TerminatedText(page, kExpressionAt, kExpressionRoom, header.keyExpression);
    header.forExpression.clear();
    bool forTerminated = true;
    if (header.signature & kForBit) forTerminated = TerminatedText(page, kForAt, kForRoom, header.forExpression);

    const int32_t keyLength = header.keyLength, entryLength = header.entryLength;
    const int32_t keysPerPage = header.keysPerPage, halfPage = header.halfPage;
    if (keyLength < 1 || keyLength > kMaxKeyLength) return "key length " + std::to_string(keyLength);
    if (entryLength != keyLength + kItemWords) return "entry length " + std::to_string(entryLength);
    // The count word, the offset table and every slot must fit the page.
    if (keysPerPage < 1 || 4 + 2 * keysPerPage + (keysPerPage + 1) * entryLength > kPageSize)
        return "keys per page " + std::to_string(keysPerPage);
    if (halfPage < 0 || halfPage > keysPerPage) return "half page " + std::to_string(halfPage);
    if (header.decimals < 0 || header.decimals >= keyLength) return "decimals " + std::to_string(header.decimals);
    if (!terminated || header.keyExpression.empty()) return "key expression";
    if (!forTerminated) return "FOR expression";
    return std::string();
}

void TdvNtxPageCodec::EncodeHeader(const TdvNtxHeader& header, TdvWriteView page) {
    page.Fill(0, page.Size(), 0);
    const bool hasFor = !header.forExpression.empty();
    page.PutU16LE(kSignatureAt, static_cast<uint16_t>((header.signature & ~kForBit) | (hasFor ? kForBit : 0)));
    page.PutU16LE(kCounterAt, header.counter);
    page.PutI32LE(kRootAt, header.root);
    page.PutU16LE(kEntryLengthAt, static_cast<uint16_t>(header.entryLength));
    page.PutU16LE(kKeyLengthAt, static_cast<uint16_t>(header.keyLength));
    page.PutU16LE(kDecimalsAt, static_cast<uint16_t>(header.decimals));
    page.PutU16LE(kKeysPerPageAt, static_cast<uint16_t>(header.keysPerPage));
    page.PutU16LE(kHalfPageAt, static_cast<uint16_t>(header.halfPage));
    // The terminators must fit: longer expressions are cut.
    page.Put(kExpressionAt, header.keyExpression.data(), std::min(header.keyExpression.size(), kExpressionRoom - 1));
    page.PutU8(kUniqueAt, header.unique ? 1 : 0);
    page.PutU8(kDescendingAt, header.descending ? 1 : 0);
    if (hasFor) page.Put(kForAt, header.forExpression.data(), std::min(header.forExpression.size(), kForRoom - 1));
}

void TdvNtxPageCodec::SetLayout(int32_t keyLength, int32_t keysPerPage, bool textKeys) {
    keyLength_ = keyLength;
    entryLength_ = EntryLengthFor(keyLength);
    keysPerPage_ = keysPerPage;
    textKeys_ = textKeys;
}

bool TdvNtxPageCodec::IsTopKey(const DVobjIndexKeyData& key) { return key.Kind() == vkText && key.Bytes() == kTopKey; }

void TdvNtxPageCodec::SetTopKey(DVobjIndexKeyData& key) {
    key.SetText(kTopKey);
    key.OrderRecord = 0;
}

bool TdvNtxPageCodec::OnRightmostPath(const DVobjIndexKey* parent, int32_t page) {
    for (; parent; parent = parent->Parent()) {
        if (parent->Count() == 0 || parent->Entry(parent->Count32() - 1)->Target != page) return false;
        page = parent->page_;
    }
    return true;
}

void TdvNtxPageCodec::Bad(int32_t code, int32_t page, const std::string& what) const {
    DVobjIndexFile* file = File();
    file->ReportError(code, idxsub::kReadNode, file->FileName() + ": page " + std::to_string(page) + " " + what);
    ReporterReturned();
}

void TdvNtxPageCodec::DecodeKey(TdvByteView item, DVobjIndexKeyData& key) const {
    std::string_view text = item.Text(kItemKeyAt, static_cast<size_t>(keyLength_));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    if (text.empty() && blankKeys_) text = std::string_view(" ");
    if (textKeys_) key.SetText(text);
    else key.SetBinary(text.data(), static_cast<int32_t>(text.size()));
}

void TdvNtxPageCodec::DecodePage(TdvByteView bytes, int32_t page, DVobjIndexKey& node) const {
    const int32_t n = bytes.U16LE(kCountAt);
    if (n > keysPerPage_) Bad(idxerr::kBadPage, page, "holds " + std::to_string(n) + " keys, more than a page takes");
    const size_t slotsAt = SlotAt(0);
    const size_t entryLength = static_cast<size_t>(entryLength_);
    // Items are reached through the offset table; each must lie past the table and inside the page.
    auto item = [&](int32_t j) {
        const size_t at = bytes.U16LE(kTableAt + 2 * static_cast<size_t>(j));
        if (at < slotsAt || !bytes.Holds(at, entryLength))
            Bad(idxerr::kBadPage, page, "has an item outside its slots");
        return bytes.Sub(at, entryLength);
    };
    auto child = [&](TdvByteView it) {
        const int32_t c = it.I32LE(kItemChildAt);
        if (c < kPageSize || c % kPageSize != 0) Bad(idxerr::kBadPointer, page, "has a bad child offset");
        return c;
    };
    auto record = [&](int32_t r) {
        if (r < 1) Bad(idxerr::kBadPage, page, "has a bad record number");
        return r;
    };
    // A zeroed page (an emptied tree) is an empty leaf, offset table and all.
    const bool interior = !(n == 0 && bytes.U16LE(kTableAt) == 0) && item(0).I32LE(kItemChildAt) != 0;
    const DVobjIndexKey* parent = node.Parent();
    const DVobjIndexKeyData* above = nullptr;  // the parent's entry for this page
    if (parent) {
        for (int32_t i = 0; i < parent->Count32() && !above; ++i)
            if (parent->Entry(i)->Target == page) above = parent->Entry(i);
        if (!above) Bad(idxerr::kBadPointer, page, "is not a child of its parent");
    }
    const bool rightmost = OnRightmostPath(parent, page);
    if (interior) {
        node.Resize(n + 1);
        for (int32_t j = 0; j < n; ++j) {
            const TdvByteView it = item(j);
            DVobjIndexKeyData* e = node.Entry(j);
            e->Target = child(it);
            e->OrderRecord = record(it.I32LE(kItemRecordAt));
            DecodeKey(it, *e);
        }
        DVobjIndexKeyData* last = node.Entry(n);
        const int32_t lastChild = child(item(n));
        if (above) last->CopyFrom(*above);
        else SetTopKey(*last);
        last->Target = lastChild;
        node.kind_ = nodekind::kInterior;
        node.formatLong_ = lastChild;
    } else {
        const int32_t extra = rightmost ? 0 : 1;
        node.Resize(n + extra);
        for (int32_t j = 0; j < n; ++j) {
            const TdvByteView it = item(j);
            DVobjIndexKeyData* e = node.Entry(j);
            e->Target = e->OrderRecord = record(it.I32LE(kItemRecordAt));
            DecodeKey(it, *e);
        }
        if (extra) {
            // The separator above the leaf is walked as its last key.
            DVobjIndexKeyData* e = node.Entry(n);
            e->CopyFrom(*above);
            e->Target = e->OrderRecord = record(above->OrderRecord);
        }
        node.kind_ = nodekind::kLeaf;
        node.formatLong_ = 0;
    }
}

void TdvNtxPageCodec::EncodeKey(const DVobjIndexKeyData& key, TdvWriteView page, size_t at) const {
    // A key longer than the key length (an expression whose length varies) is cut, as the build does.
    const size_t keyLength = static_cast<size_t>(keyLength_);
    const size_t n = std::min(static_cast<size_t>(std::max(key.Size(), 0)), keyLength);
    if (n > 0) page.Put(at, key.Data(), n);
    page.Fill(at + n, keyLength - n, ' ');
}

void TdvNtxPageCodec::EncodeItems(const DVobjIndexKey& node, int32_t first, int32_t count, int32_t stored,
                                  bool interior, TdvWriteView bytes) const {
    bytes.PutU16LE(kCountAt, static_cast<uint16_t>(stored));
    for (int32_t j = 0; j <= keysPerPage_; ++j)
        bytes.PutU16LE(kTableAt + 2 * static_cast<size_t>(j), static_cast<uint16_t>(SlotAt(j)));
    for (int32_t i = 0; i < stored; ++i) {
        const DVobjIndexKeyData& e = *node.Entry(first + i);
        const size_t at = SlotAt(i);
        bytes.PutI32LE(at + kItemChildAt, interior ? e.Target : 0);
        bytes.PutI32LE(at + kItemRecordAt, interior ? e.OrderRecord : e.Target);
        EncodeKey(e, bytes, at + kItemKeyAt);
    }
    if (interior && stored < count) bytes.PutI32LE(SlotAt(stored) + kItemChildAt, node.Entry(first + stored)->Target);
}

void TdvNtxPageCodec::EncodePage(const DVobjIndexKey& node, int32_t first, int32_t count, bool interior,
                                 TdvWriteView bytes) const {
    EncodeItems(node, first, count, std::max(count - 1, 0), interior, bytes);
}

TdvWriteView TdvNtxPageCodec::Out() {
    out_.assign(kPageSize, 0);
    return TdvWriteView(out_.data(), out_.size(), TdvStructure{idxerr::kBadPage, idxsub::kWriteNode, File()->FileName()});
}

void TdvNtxPageCodec::WriteTreeNode(DVobjIndexKey& node) {
    DVobjIndexFile* file = File();
    if (node.kind_ == nodekind::kNewRoot || node.kind_ == nodekind::kTransient) node.kind_ = nodekind::kInterior;
    if (node.Count() == 0) node.kind_ = nodekind::kLeaf;  // an emptied interior page becomes an empty leaf
    bool interior = !node.IsLeaf();
    bool rightmost = OnRightmostPath(node.Parent(), node.page_);
    if (interior && rightmost && node.formatLong_ != 0 && node.Entry(node.Count32() - 1)->Target != node.formatLong_) {
        // The last child of a page on the rightmost path went away: the key of the new last entry was a separator
        // stored here, and nothing above can hold it. It stays a separator, over a new empty rightmost leaf.
        const int32_t empty = file->AllocatePage();
        TdvWriteView zero = Out();
        EncodeItems(node, 0, 0, 0, false, zero);
        file->WritePage(empty, zero.Data(), kPageSize);
        DVobjIndexKeyData* e = node.AddEntry();
        SetTopKey(*e);
        e->Target = empty;
    }
    const int32_t total = node.Count32();
    // Entries a page takes: an interior page its separators and the pointer; a leaf its keys, plus the
    // separator kept above when it is off the rightmost path.
    const bool lastStored = !interior && rightmost;
    const int32_t capacity = lastStored ? keysPerPage_ : keysPerPage_ + 1;
    auto split = [&](int32_t rest) { return rest > capacity ? std::min(rest - rest / 2, keysPerPage_ + 1) : rest; };
    int32_t index = 0;
    int32_t chunk = split(total);
    for (;;) {
        if (index + chunk >= total) {
            TdvWriteView bytes = Out();
            EncodeItems(node, index, chunk, lastStored ? chunk : std::max(chunk - 1, 0), interior, bytes);
            // Written last: root growth in LinkNewLeft may have moved the node to another page.
            file->WritePage(node.page_, bytes.Data(), kPageSize);
            break;
        }
        // The first part goes to a new page; its last entry moves up as the separator in front of the node.
        const DVobjIndexKeyData& last = *node.Entry(index + chunk - 1);
        DVobjIndexKeyData separator;
        separator.CopyFrom(last);
        if (!interior) separator.OrderRecord = last.Target;
        separator.Target = file->AllocatePage();
        const bool wasRoot = node.Parent() == nullptr;
        node.LinkNewLeft(separator);
        if (wasRoot) SetTopKey(*node.Parent()->Entry(node.Parent()->Count32() - 1));
        TdvWriteView bytes = Out();
        EncodeItems(node, index, chunk, chunk - 1, interior, bytes);
        file->WritePage(separator.Target, bytes.Data(), kPageSize);
        index += chunk;
        chunk = split(total - index);
    }
    node.formatLong_ = interior ? node.Entry(node.Count32() - 1)->Target : 0;
    node.dirty_ = false;
}
