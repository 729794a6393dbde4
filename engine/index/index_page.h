// TdvIndexPageCodec: one index format's page layout, and the node reading and writing every format shares on it.
//
// A format says how its pages look through four operations (PageSize, PageCapacity, DecodePage, EncodePage);
// reading a page into a node, writing a node back with its split, and the bottom-up build (TdvSortPages) are
// written once over them. A format's tag owns one codec and calls ReadNode and WriteNode from its ReadNode and
// WriteNode slots. Pages move through the index file's ReadPage and WritePage, so a codec never touches the disk,
// and every byte it reads or writes goes through a view bounded by the page.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/byte_view.h"

class DVobjIndexFile;
class DVobjIndexKey;

class TdvIndexPageCodec {
public:
    // The codec reads and writes the pages of file, and reports its errors through it.
    explicit TdvIndexPageCodec(DVobjIndexFile* file) : file_(file) {}
    virtual ~TdvIndexPageCodec() = default;
    TdvIndexPageCodec(const TdvIndexPageCodec&) = delete;
    TdvIndexPageCodec& operator=(const TdvIndexPageCodec&) = delete;

    // --- format slots
    // Bytes of one page.
    virtual int32_t PageSize() const = 0;
    // Most entries one page holds, an interior page's pointer-only entry counted.
    virtual int32_t PageCapacity() const = 0;
    // Fills node's entries (Target, OrderRecord, key) and kind from bytes, the page at address page; raises the
    // format's error for bytes that break the layout (the node is then the caller's to discard).
    virtual void DecodePage(TdvByteView bytes, int32_t page, DVobjIndexKey& node) const = 0;
    // Writes entries [first, first + count) of node as one interior or leaf page into bytes.
    // REQUIRES: bytes hold PageSize() zeros; 0 <= count <= PageCapacity()
    virtual void EncodePage(const DVobjIndexKey& node, int32_t first, int32_t count, bool interior,
                            TdvWriteView bytes) const = 0;

    // --- shared by every format
    // Reads page and decodes it into node, which is left unpositioned and clean.
    void ReadNode(int32_t page, DVobjIndexKey& node);
    // Writes node to its page. A node holding more than a page takes is split: the first count - count div 2
    // entries (then at most a page at a time) go to new pages linked into the parent in front of the node
    // (DVobjIndexKey::LinkNewLeft), the rest stay on the node's own page.
    void WriteNode(DVobjIndexKey& node);
    // Encodes entries [first, first + count) of node as one page into the codec's own buffer and returns it.
    TdvByteView Encode(const DVobjIndexKey& node, int32_t first, int32_t count, bool interior);

    DVobjIndexFile* File() const { return file_; }

private:
    // The codec's page buffer, PageSize() bytes, as a structure of the file that reports (code, subCode).
    TdvWriteView Buffer(int32_t code, int32_t subCode);

    DVobjIndexFile* file_;         // the file whose pages these are; not owned
    std::vector<uint8_t> buffer_;  // one page, reused by every read and write
};
