#include "engine/index/ndx_page.h"

#include <algorithm>
#include <string_view>

#include "engine/index/index_file.h"
#include "engine/index/index_key.h"

namespace {
constexpr double kMaxNumber = 1.7e308;  // the key of an interior page's pointer-only entry, numeric tags
constexpr size_t kChildWord = 4;        // all an interior page's pointer-only entry needs of the page
}  // namespace

std::string TdvNdxPageCodec::DecodeHeader(TdvByteView block, TdvNdxHeader& header) {
    header.root = block.I32LE(kRootAt);
    header.allocationEnd = block.I32LE(kAllocationEndAt);
    header.keyLength = static_cast<int16_t>(block.U16LE(kKeyLengthAt));
    header.keysPerPage = static_cast<int16_t>(block.U16LE(kKeysPerPageAt));
    header.keyType = static_cast<int16_t>(block.U16LE(kKeyTypeAt));
    header.entryLength = static_cast<int16_t>(block.U16LE(kEntryLengthAt));
    header.unique = (block.U8(kUniqueAt) & 1) != 0;
    const std::string_view room = block.Text(kExpressionAt, kExpressionRoom);
    const size_t end = room.find('\0');
    std::string_view expression = room.substr(0, end);
    while (!expression.empty() && expression.back() == ' ') expression.remove_suffix(1);
    header.keyExpression.assign(expression);

    // A key must leave room for the entry's two words, an entry for the count word, and the page for its entries.
    constexpr int32_t kMaxEntry = kPageSize - static_cast<int32_t>(kEntriesAt);
    const int32_t keyLength = header.keyLength, entryLength = header.entryLength;
    const int32_t keysPerPage = header.keysPerPage;
    if (keyLength < 1 || keyLength > kMaxEntry - kKeyWords) return "key length " + std::to_string(keyLength);
    if (entryLength < keyLength + kKeyWords || entryLength > kMaxEntry)
        return "entry length " + std::to_string(entryLength);
    if (keysPerPage < 1 || keysPerPage * entryLength > kMaxEntry)
        return "keys per page " + std::to_string(keysPerPage);
    if (end == std::string_view::npos || header.keyExpression.empty()) return "key expression";
    return std::string();
}

void TdvNdxPageCodec::EncodeHeader(const TdvNdxHeader& header, TdvWriteView block) {
    block.Fill(0, block.Size(), 0);
    block.PutI32LE(kRootAt, header.root);
    block.PutI32LE(kAllocationEndAt, header.allocationEnd);
    block.PutU16LE(kKeyLengthAt, static_cast<uint16_t>(header.keyLength));
    block.PutU16LE(kKeysPerPageAt, static_cast<uint16_t>(header.keysPerPage));
    block.PutU16LE(kKeyTypeAt, static_cast<uint16_t>(header.keyType));
    block.PutU16LE(kEntryLengthAt, static_cast<uint16_t>(header.entryLength));
    block.PutU8(kUniqueAt, header.unique ? 1 : 0);
    // The terminator must fit: a longer expression is cut.
    block.Put(kExpressionAt, header.keyExpression.data(), std::min(header.keyExpression.size(), kExpressionRoom - 1));
}

void TdvNdxPageCodec::SetLayout(int32_t keyLength, int32_t entryLength, int32_t keysPerPage, bool textKeys) {
    keyLength_ = keyLength;
    entryLength_ = entryLength;
    keysPerPage_ = keysPerPage;
    textKeys_ = textKeys;
}

void TdvNdxPageCodec::DecodePage(TdvByteView bytes, int32_t page, DVobjIndexKey& node) const {
    DVobjIndexFile* file = File();
    const int32_t n = bytes.U16LE(kCountAt);
    const bool interior = IsInterior(bytes);
    if (n > keysPerPage_)
        file->ReportError(idxerr::kBadPage, idxsub::kReadNode,
                          file->FileName() + ": block " + std::to_string(page) + " holds " + std::to_string(n) +
                              " keys, more than a page takes");
    const size_t entryLength = static_cast<size_t>(entryLength_);
    const size_t keys = static_cast<size_t>(n);
    // Every entry must lie in the page before any is taken.
    bytes.Check(kEntriesAt, interior ? keys * entryLength + kChildWord : keys * entryLength);
    if (n > 0) CheckKeyRoom(bytes);
    const int32_t entries = interior ? n + 1 : n;
    node.Resize(entries);
    node.kind_ = interior ? nodekind::kInterior : nodekind::kLeaf;
    const size_t keyBytes = static_cast<size_t>(std::min(keyLength_, entryLength_ - kKeyWords));
    int32_t next = 0;
    for (DVobjIndexKeyData* k : node) {  // every entry of the page, without a bounds check per entry
        const int32_t i = next++;
        const size_t at = kEntriesAt + static_cast<size_t>(i) * entryLength;
        k->OrderRecord = 0;
        if (interior) {
            k->Target = bytes.I32LE(at + kEntryChildAt);
            if (k->Target <= 0)
                file->ReportError(idxerr::kBadPointer, idxsub::kReadNode,
                                  file->FileName() + ": block " + std::to_string(page) + " has a bad child pointer");
            if (i == n) {
                // The pointer-only entry: nothing of it but the child word is on the page.
                if (textKeys_) k->SetText("\xFF");
                else k->SetNumber(kMaxNumber);
                continue;
            }
        } else {
            k->Target = bytes.I32LE(at + kEntryRecordAt);
            if (k->Target <= 0)
                file->ReportError(idxerr::kBadPage, idxsub::kReadNode,
                                  file->FileName() + ": block " + std::to_string(page) + " has a bad record number");
        }
        if (textKeys_) {
            std::string_view text = bytes.Text(at + kEntryKeyAt, keyBytes);
            while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
            k->SetText(text);
        } else {
            k->SetNumber(bytes.F64LE(at + kEntryKeyAt));
        }
    }
}

void TdvNdxPageCodec::EncodePage(const DVobjIndexKey& node, int32_t first, int32_t count, bool interior,
                                 TdvWriteView bytes) const {
    bytes.PutU16LE(kCountAt, static_cast<uint16_t>(interior ? count - 1 : count));
    if (count <= 0) return;
    const size_t entryLength = static_cast<size_t>(entryLength_);
    bytes.Check(kEntriesAt, static_cast<size_t>(count) * entryLength);
    CheckKeyRoom(bytes);
    size_t at = kEntriesAt;
    for (int32_t i = 0; i < count; ++i, at += entryLength) {
        const DVobjIndexKeyData& k = *node.Entry(first + i);
        bytes.PutI32LE(at + (interior ? kEntryChildAt : kEntryRecordAt), k.Target);
        EncodeKey(k, bytes, at);
    }
}

void TdvNdxPageCodec::CheckKeyRoom(TdvByteView bytes) const {
    // Every entry has the same room: a header whose entries are too short for a double stops at the first.
    if (!textKeys_) bytes.Sub(kEntriesAt, static_cast<size_t>(entryLength_)).Check(kEntryKeyAt, sizeof(double));
}

void TdvNdxPageCodec::EncodeKey(const DVobjIndexKeyData& key, TdvWriteView page, size_t at) const {
    if (textKeys_) {
        // A key longer than the key length (an expression whose length varies) is cut, as the build does; a
        // shorter one is padded with blanks. The rest of the entry stays zero.
        const size_t keyLength = static_cast<size_t>(keyLength_);
        const size_t n = std::min(static_cast<size_t>(std::max(key.Size(), 0)), keyLength);
        page.Put(at + kEntryKeyAt, key.Data(), n);
        page.Fill(at + kEntryKeyAt + n, keyLength - n, ' ');
        return;
    }
    page.PutF64LE(at + kEntryKeyAt, key.IsEmpty() ? 0.0 : key.AsNumber());
}
