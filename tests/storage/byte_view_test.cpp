#include "engine/storage/byte_view.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "engine/storage/errors.h"
#include "raised.h"

namespace {

constexpr TdvStructure kHeader{errcode::kBadHeader, subcode::kTableOpen, "/T/X.DBF"};

TEST(ByteView, ReadsBothByteOrders) {
    const std::array<uint8_t, 8> bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    const TdvByteView v(bytes.data(), bytes.size(), kHeader);
    EXPECT_EQ(v.U8(7), 0x08);
    EXPECT_EQ(v.U16LE(0), 0x0201);
    EXPECT_EQ(v.U16BE(0), 0x0102);
    EXPECT_EQ(v.U32LE(4), 0x08070605u);
    EXPECT_EQ(v.U32BE(4), 0x05060708u);
    EXPECT_EQ(v.U64LE(0), 0x0807060504030201u);
    EXPECT_EQ(v.U64BE(0), 0x0102030405060708u);
    EXPECT_EQ(v.Sub(2, 4).U16BE(2), 0x0506);
}

TEST(ByteView, WritesBothByteOrdersAndReadsThemBack) {
    std::array<uint8_t, 18> bytes{};
    TdvWriteView w(bytes.data(), bytes.size(), kHeader);
    w.PutU16LE(0, 0xA1B2);
    w.PutU32BE(2, 0xC1D2E3F4);
    w.PutI32LE(6, -2);
    w.PutF64LE(10, -1.5);
    EXPECT_EQ(bytes[0], 0xB2);
    EXPECT_EQ(bytes[2], 0xC1);
    EXPECT_EQ(w.U16LE(0), 0xA1B2);
    EXPECT_EQ(w.U32BE(2), 0xC1D2E3F4u);
    EXPECT_EQ(w.I32LE(6), -2);
    EXPECT_EQ(w.F64LE(10), -1.5);
}

struct BoundsCase {
    const char* what;
    std::function<void(TdvWriteView&)> access;
    bool inside;
};

class ByteViewBounds : public ::testing::TestWithParam<BoundsCase> {};

// Accesses that end exactly at the end succeed; one byte further, or an offset that would wrap, raises the view's
// own error with its code and subcode, and writes nothing.
TEST_P(ByteViewBounds, RaisesTheViewsErrorPastTheEnd) {
    std::array<uint8_t, 12> bytes{};
    bytes.fill(0xEE);
    TdvWriteView w(bytes.data(), 8, kHeader);
    const auto raised = Raised([&] { GetParam().access(w); });
    if (GetParam().inside) {
        EXPECT_EQ(raised, std::make_pair(0, 0)) << GetParam().what;
    } else {
        EXPECT_EQ(raised, std::make_pair(errcode::kBadHeader, subcode::kTableOpen)) << GetParam().what;
        for (size_t i = 8; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0xEE) << GetParam().what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ByteViewBounds,
    ::testing::Values(BoundsCase{"u8 at last byte", [](TdvWriteView& w) { w.U8(7); }, true},
                      BoundsCase{"u8 at end", [](TdvWriteView& w) { w.U8(8); }, false},
                      BoundsCase{"u16le ending at end", [](TdvWriteView& w) { w.U16LE(6); }, true},
                      BoundsCase{"u16be one past", [](TdvWriteView& w) { w.U16BE(7); }, false},
                      BoundsCase{"u32le ending at end", [](TdvWriteView& w) { w.U32LE(4); }, true},
                      BoundsCase{"u32be one past", [](TdvWriteView& w) { w.U32BE(5); }, false},
                      BoundsCase{"u64 whole view", [](TdvWriteView& w) { w.U64BE(0); }, true},
                      BoundsCase{"u64 one past", [](TdvWriteView& w) { w.U64LE(1); }, false},
                      BoundsCase{"offset that wraps", [](TdvWriteView& w) { w.U16LE(SIZE_MAX); }, false},
                      BoundsCase{"put16le ending at end", [](TdvWriteView& w) { w.PutU16LE(6, 1); }, true},
                      BoundsCase{"put32be one past", [](TdvWriteView& w) { w.PutU32BE(5, 1); }, false},
                      BoundsCase{"put64le one past", [](TdvWriteView& w) { w.PutU64LE(1, 1); }, false},
                      BoundsCase{"fill past end", [](TdvWriteView& w) { w.Fill(4, 5, 0); }, false},
                      BoundsCase{"empty range at end", [](TdvWriteView& w) { w.Bytes(8, 0); }, true},
                      BoundsCase{"sub past end", [](TdvWriteView& w) { w.Sub(6, 3); }, false},
                      BoundsCase{"read past a sub view", [](TdvWriteView& w) { w.Sub(2, 4).U8(4); }, false}));

TEST(ByteView, MessageNamesTheStructureAndTheOffset) {
    const std::array<uint8_t, 4> bytes{};
    try {
        TdvByteView(bytes.data(), bytes.size(), kHeader).U32LE(2);
        FAIL() << "no error";
    } catch (const EOrdaneError& e) {
        EXPECT_NE(std::string(e.what()).find("/T/X.DBF"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("offset 2"), std::string::npos) << e.what();
    }
}

}  // namespace
