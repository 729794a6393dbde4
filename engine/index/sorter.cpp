#include "engine/index/sorter.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/errors.h"

namespace {
[[noreturn]] void SortError(int id) { throw EOrdaneError(ResourceMessage(id), id, subcode::kNone); }

[[noreturn]] void WorkFileError() { ReportError(errcode::kWriteError, subcode::kNone, "index sort work file"); }

int CompareBytes(const uint8_t* a, int32_t na, const uint8_t* b, int32_t nb) {
    const int c = std::memcmp(a, b, static_cast<size_t>(std::min(na, nb)));
    if (c != 0) return c < 0 ? -1 : 1;
    return na < nb ? -1 : na > nb ? 1 : 0;
}
}  // namespace

// --- TdvPageCollection -------------------------------------------------------------------------------------

TdvPageCollection::TdvPageCollection(TdvSort* sorter)
    : sorter_(sorter), page_(new uint8_t[kPageSize]()) {}

void TdvPageCollection::Put(uint8_t type, const uint8_t* bytes, int32_t length) {
    int32_t shared = 0;
    const int32_t limit = std::min(length, length_);
    while (shared < limit && key_[shared] == bytes[shared]) ++shared;
    const int32_t suffix = length - shared;
    if (position_ + 3 + suffix >= kPageSize - 1) FlushPage();
    uint8_t* p = page_.get() + position_;
    p[0] = type;
    p[1] = static_cast<uint8_t>(length);
    p[2] = static_cast<uint8_t>(suffix);
    std::memcpy(p + 3, bytes + shared, static_cast<size_t>(suffix));
    position_ += 3 + suffix;
    std::memcpy(key_ + shared, bytes + shared, static_cast<size_t>(suffix));
    length_ = length;
    type_ = type;
}

void TdvPageCollection::FlushPage() {
    page_[position_] = 0;
    pages_.push_back(sorter_->WritePage(page_.get()));
    std::memset(page_.get(), 0, kPageSize);
    position_ = 0;
}

void TdvPageCollection::Finish() {
    if (position_ > 0) FlushPage();
    length_ = 0;
    pageIndex_ = 0;
    position_ = -1;
    if (LoadPage(0)) Advance();
}

bool TdvPageCollection::LoadPage(size_t index) {
    if (index >= pages_.size()) return false;
    sorter_->ReadPage(pages_[index], page_.get());
    pageIndex_ = index;
    position_ = 0;
    return true;
}

bool TdvPageCollection::Advance() {
    if (position_ < 0) return false;
    if (position_ >= kPageSize - 3 || page_[position_] == 0) {
        if (!LoadPage(pageIndex_ + 1)) {
            position_ = -1;
            return false;
        }
    }
    const uint8_t* p = page_.get() + position_;
    const int32_t total = p[1], suffix = p[2];
    // Our own work file: a record that does not add up means the file was damaged underneath us.
    if (suffix > total || total - suffix > length_ || position_ + 3 + suffix > kPageSize) WorkFileError();
    type_ = p[0];
    std::memcpy(key_ + (total - suffix), p + 3, static_cast<size_t>(suffix));
    length_ = total;
    position_ += 3 + suffix;
    return true;
}

// --- TdvSort -------------------------------------------------------------------------------------------------

TdvSort::TdvSort(int32_t maxKeyLength, const uint8_t*, bool ascending, bool unique)
    : unique_(unique), ascending_(ascending), maxKeyLength_(maxKeyLength) {
    if (maxKeyLength > kMaxKeyLength || maxKeyLength < 0) SortError(resmsg::kSortKeyTooLong);
    blocks_.emplace_back(new uint8_t[kBlockSize]());
    nodeCount_ = 1;  // node 0 is the root
    work_.reserve(static_cast<size_t>(kMaxKeyLength + 8));
}

TdvSort::~TdvSort() {
    if (workFile_) std::fclose(workFile_);
}

uint32_t TdvSort::NewNode(uint8_t byte) {
    if (nodeCount_ / kNodesPerBlock >= blocks_.size()) {
        if (blocks_.size() >= static_cast<size_t>(kMaxBlocks)) throw ERangeError("Sort memory exhausted");
        blocks_.emplace_back(new uint8_t[kBlockSize]());
    }
    const uint32_t index = nodeCount_++;
    Node& n = At(index);
    n.child = 0;
    n.sibling = 0;
    n.flags = 0;
    n.byte = byte;
    return index;
}

void TdvSort::Unpack(uint32_t index) {
    const int packed = At(index).flags & 7;
    if (packed == 0) return;
    uint8_t bytes[4];
    const uint32_t sib = At(index).sibling;
    std::memcpy(bytes, &sib, 4);
    const uint32_t child = At(index).child;
    const uint8_t end = At(index).flags & 0xF0;
    uint32_t prev = index;
    for (int i = 0; i < packed; ++i) {
        const uint32_t n = NewNode(bytes[i]);
        At(prev).child = n;
        prev = n;
    }
    At(prev).child = child;
    At(prev).flags = end;
    At(index).flags = 0;
    At(index).sibling = 0;
}

void TdvSort::AddChain(Link link, uint32_t sibling, const uint8_t* bytes, int32_t n, uint8_t type) {
    int32_t i = 0;
    Link at = link;
    bool first = true;
    while (i < n) {
        const uint32_t node = NewNode(bytes[i]);
        Set(at, node);
        ++i;
        if (first) {
            At(node).sibling = sibling;
            first = false;
        }
        if (At(node).sibling == 0) {
            int packed = 0;
            uint8_t extra[4] = {};
            while (packed < 4 && i < n) extra[packed++] = bytes[i++];
            uint32_t word = 0;
            std::memcpy(&word, extra, 4);
            if (packed > 0) {
                At(node).sibling = word;
                At(node).flags = static_cast<uint8_t>(packed);
            }
        }
        if (i == n) At(node).flags = static_cast<uint8_t>(At(node).flags | type);
        at = Link{node, true};
    }
}

void TdvSort::Insert(const uint8_t* bytes, int32_t n, uint8_t type) {
    Link link{0, true};
    int32_t i = 0;
    while (i < n) {
        const uint8_t b = bytes[i];
        // Find the place of b in the sibling list at link (ascending, or descending for a descending sort).
        for (;;) {
            const uint32_t idx = Get(link);
            if (idx == 0) break;
            const uint8_t nb = At(idx).byte;
            if (ascending_ ? nb >= b : nb <= b) break;
            if (At(idx).flags & 7) Unpack(idx);
            link = Link{idx, false};
        }
        const uint32_t idx = Get(link);
        if (idx == 0 || At(idx).byte != b) {
            AddChain(link, idx, bytes + i, n - i, type);
            ++count_;
            return;
        }
        const int packed = At(idx).flags & 7;
        if (packed > 0) {
            uint8_t extra[4];
            const uint32_t sib = At(idx).sibling;
            std::memcpy(extra, &sib, 4);
            bool same = i + packed < n;
            for (int k = 0; same && k < packed; ++k) same = extra[k] == bytes[i + 1 + k];
            if (!same) {
                Unpack(idx);
                continue;
            }
            i += 1 + packed;
        } else {
            i += 1;
        }
        if (i == n) {
            if ((At(idx).flags & 0xF0) == 0) ++count_;
            At(idx).flags = static_cast<uint8_t>((At(idx).flags & 0x0F) | type);
            return;
        }
        link = Link{idx, true};
    }
}

void TdvSort::Add(const TdvVariant& key, int32_t recordNumber) {
    if (!accepting_) SortError(resmsg::kSortKeysClosed);
    uint8_t type = kText;
    work_.clear();
    switch (key.Kind()) {
    case vkEmpty:
        break;
    case vkText: {
        std::string_view t = key.Bytes();
        while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
        work_.assign(t.begin(), t.end());
        break;
    }
    case vkNumber: {
        type = kNumber;
        double d = key.AsNumber();
        if (d == 0.0) d = 0.0;  // -0.0 sorts as 0.0
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        bits = (bits & 0x8000000000000000ull) ? ~bits : (bits | 0x8000000000000000ull);
        for (int i = 7; i >= 0; --i) work_.push_back(static_cast<uint8_t>(bits >> (8 * i)));
        break;
    }
    case vkDate: {
        type = kDate;
        const uint32_t day = static_cast<uint32_t>(key.AsDate()) ^ 0x80000000u;
        for (int i = 3; i >= 0; --i) work_.push_back(static_cast<uint8_t>(day >> (8 * i)));
        break;
    }
    case vkBinary:
        type = kRaw;
        work_.assign(key.Data(), key.Data() + key.Size());
        break;
    default:
        SortError(resmsg::kCannotSort);
    }
    if (static_cast<int32_t>(work_.size()) > maxKeyLength_) SortError(resmsg::kSortKeyTooLong);
    const uint32_t rec = static_cast<uint32_t>(recordNumber);
    for (int i = 3; i >= 0; --i) work_.push_back(static_cast<uint8_t>(rec >> (8 * i)));
    const int32_t n = static_cast<int32_t>(work_.size());
    // A key can need one node per byte plus the bytes of a packed node it splits.
    const uint64_t need = static_cast<uint64_t>(n + 5);
    const uint64_t free = static_cast<uint64_t>(kMaxBlocks) * kNodesPerBlock - nodeCount_;
    if (need > free) WriteRun();
    Insert(work_.data(), n, type);
}

void TdvSort::EmitFrom(uint32_t first, int32_t depth, TdvPageCollection& run) {
    for (uint32_t idx = first; idx != 0; idx = NextSibling(idx)) {
        const Node& node = At(idx);
        int32_t d = depth;
        path_[d++] = node.byte;
        const int packed = node.flags & 7;
        if (packed) {
            const uint32_t sib = node.sibling;
            std::memcpy(path_ + d, &sib, static_cast<size_t>(packed));
            d += packed;
        }
        const uint8_t type = node.flags & 0xF0;
        // A key that ends here is a prefix of those below: it comes first ascending, last descending.
        if (type && ascending_) run.Put(type, path_, d);
        if (node.child) EmitFrom(node.child, d, run);
        if (type && !ascending_) run.Put(type, path_, d);
    }
}

void TdvSort::WriteRun() {
    auto* run = new TdvPageCollection(this);
    runs_.Add(run);
    EmitFrom(At(0).child, 0, *run);
    run->Finish();
    ResetTrie();
}

void TdvSort::ResetTrie() {
    At(0).child = 0;
    nodeCount_ = 1;
}

int64_t TdvSort::WritePage(const uint8_t* page) {
    if (!workFile_) {
        workFile_ = std::tmpfile();
        if (!workFile_) WorkFileError();
    }
    if (std::fseek(workFile_, static_cast<long>(workEnd_), SEEK_SET) != 0 ||
        std::fwrite(page, 1, TdvPageCollection::kPageSize, workFile_) != TdvPageCollection::kPageSize)
        WorkFileError();
    const int64_t at = workEnd_;
    workEnd_ += TdvPageCollection::kPageSize;
    return at;
}

void TdvSort::ReadPage(int64_t offset, uint8_t* page) {
    if (!workFile_ || std::fseek(workFile_, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(page, 1, TdvPageCollection::kPageSize, workFile_) != TdvPageCollection::kPageSize)
        WorkFileError();
}

int TdvSort::Before(const TdvPageCollection& a, const TdvPageCollection& b) const {
    const int c = CompareBytes(a.Bytes(), a.Length(), b.Bytes(), b.Length());
    return ascending_ ? c : -c;
}

bool TdvSort::Next(TdvVariant& key, int32_t& recordNumber) {
    auto later = [this](size_t x, size_t y) { return Before(*runs_.Items(x), *runs_.Items(y)) > 0; };
    if (accepting_) {
        accepting_ = false;
        if (count_ > 0 && At(0).child != 0) WriteRun();
        blocks_.clear();
        blocks_.shrink_to_fit();
        for (size_t i = 0; i < runs_.Count(); ++i)
            if (runs_.Items(i)->Length() > 0) heap_.push_back(i);
        std::make_heap(heap_.begin(), heap_.end(), later);
    }
    while (!heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), later);
        TdvPageCollection* run = runs_.Items(heap_.back());
        const uint8_t type = run->Type();
        const int32_t n = run->Length() - 4;
        const uint8_t* b = run->Bytes();
        bool skip = false;
        if (unique_ && haveLast_ && type == lastType_ && static_cast<size_t>(n) == last_.size() &&
            std::memcmp(b, last_.data(), static_cast<size_t>(n)) == 0)
            skip = true;
        if (!skip) {
            recordNumber = static_cast<int32_t>((uint32_t{b[n]} << 24) | (uint32_t{b[n + 1]} << 16) |
                                                (uint32_t{b[n + 2]} << 8) | uint32_t{b[n + 3]});
            switch (type) {
            case kNumber: {
                uint64_t bits = 0;
                for (int i = 0; i < 8; ++i) bits = (bits << 8) | b[i];
                bits = (bits & 0x8000000000000000ull) ? (bits & 0x7FFFFFFFFFFFFFFFull) : ~bits;
                double d;
                std::memcpy(&d, &bits, 8);
                key.SetNumber(d);
                break;
            }
            case kDate: {
                uint32_t day = 0;
                for (int i = 0; i < 4; ++i) day = (day << 8) | b[i];
                key.SetDate(static_cast<int32_t>(day ^ 0x80000000u));
                break;
            }
            case kRaw:
                key.SetBinary(b, n);
                break;
            default:
                key.SetText(std::string_view(reinterpret_cast<const char*>(b), static_cast<size_t>(n)));
                break;
            }
            if (unique_) {
                last_.assign(b, b + n);
                lastType_ = type;
                haveLast_ = true;
            }
        }
        if (run->Advance()) std::push_heap(heap_.begin(), heap_.end(), later);
        else heap_.pop_back();
        if (!skip) return true;
    }
    return false;
}
