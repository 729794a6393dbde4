#include "engine/index/index_page.h"

#include <algorithm>

#include "engine/index/index_file.h"
#include "engine/index/index_key.h"

TdvWriteView TdvIndexPageCodec::Buffer(int32_t code, int32_t subCode) {
    const size_t size = static_cast<size_t>(PageSize());
    if (buffer_.size() != size) buffer_.assign(size, 0);
    return TdvWriteView(buffer_.data(), size, TdvStructure{code, subCode, file_->FileName()});
}

void TdvIndexPageCodec::ReadNode(int32_t page, DVobjIndexKey& node) {
    TdvWriteView bytes = Buffer(idxerr::kBadPage, idxsub::kReadNode);
    // A short read leaves zeros, which decode as an empty leaf: the format's callers check the page is in the file.
    file_->ReadPage(page, bytes.Bytes(0, bytes.Size()), PageSize());
    DecodePage(bytes, page, node);
    node.page_ = page;
    node.position_ = -1;
    node.dirty_ = false;
    node.split_ = false;
}

TdvByteView TdvIndexPageCodec::Encode(const DVobjIndexKey& node, int32_t first, int32_t count, bool interior) {
    TdvWriteView bytes = Buffer(idxerr::kBadPage, idxsub::kWriteNode);
    bytes.Fill(0, bytes.Size(), 0);
    EncodePage(node, first, count, interior, bytes);
    return bytes;
}

void TdvIndexPageCodec::WriteNode(DVobjIndexKey& node) {
    if (node.kind_ == nodekind::kNewRoot || node.kind_ == nodekind::kTransient) node.kind_ = nodekind::kInterior;
    if (node.Count() == 0) node.kind_ = nodekind::kLeaf;  // an emptied interior page becomes an empty leaf
    const bool interior = !node.IsLeaf();
    const int32_t total = node.Count32();
    const int32_t capacity = PageCapacity();
    int32_t index = 0;
    int32_t chunk = total > capacity ? std::min(total - total / 2, capacity) : total;
    for (;;) {
        TdvByteView bytes = Encode(node, index, chunk, interior);
        const int32_t remaining = total - index - chunk;
        if (remaining <= 0) {
            // Written last: root growth in LinkNewLeft may have moved the node to another page.
            file_->WritePage(node.page_, bytes.Data(), PageSize());
            break;
        }
        // The first part goes to a new page; the rest stays on the node's page.
        DVobjIndexKeyData separator;
        separator.CopyFrom(*node.Entry(index + chunk - 1));
        separator.Target = file_->AllocatePage();
        node.LinkNewLeft(separator);
        file_->WritePage(separator.Target, bytes.Data(), PageSize());
        index += chunk;
        chunk = std::min(remaining, capacity);
    }
    node.dirty_ = false;
}
