#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "imagefiles/Dib.h"

namespace {

const std::string kTabs(8, '\t');
const std::string kEmptyText = "invalid width or height argument: " + kTabs + " trying to create an empty dib";
const std::string kBitsText = "invalid argument: " + kTabs + " unsupported bits per pixel";

std::vector<RGBQUAD> GreyPalette(int entries) {
    std::vector<RGBQUAD> p(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / (entries - 1));
        p[static_cast<std::size_t>(i)] = {v, v, v, 0x55};
    }
    return p;
}

template <typename Fn>
std::string ThrownText(Fn&& fn) {
    try {
        fn();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

struct SizeCase {
    int width, height, bits;
    std::size_t stride, paletteEntries;
};

class DibSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DibSizes, StrideBlockAndHeader) {
    const SizeCase c = GetParam();
    const auto palette = c.bits <= 8 ? GreyPalette(1 << c.bits) : std::vector<RGBQUAD>{};
    CDib* dib = CDib::Create(c.width, c.height, c.bits, palette);
    EXPECT_EQ(dib->Stride(), c.stride);
    EXPECT_EQ(dib->PaletteEntries(), c.paletteEntries);
    EXPECT_EQ(dib->BlockBytes(), 40 + 4 * c.paletteEntries + c.stride * c.height);
    const BITMAPINFOHEADER& h = *dib->Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, c.width);
    EXPECT_EQ(h.biHeight, c.height);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, c.bits);
    EXPECT_EQ(h.biCompression, BI_RGB);
    EXPECT_EQ(h.biSizeImage, c.stride * c.height);
    EXPECT_EQ(h.biClrUsed, c.paletteEntries);
    EXPECT_EQ(h.biClrImportant, c.paletteEntries);
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(dib->Bits(), reinterpret_cast<std::uint8_t*>(dib->Header()) + 40 + 4 * c.paletteEntries);
    if (c.paletteEntries > 0) {  // the fourth byte of each entry is cleared
        EXPECT_EQ(dib->Palette()[c.paletteEntries - 1].rgbReserved, 0);
    }
    dib->Release();
}

INSTANTIATE_TEST_SUITE_P(Table, DibSizes,
                         ::testing::Values(SizeCase{3, 2, 24, 12, 0}, SizeCase{1, 1, 24, 4, 0},
                                           SizeCase{4, 3, 24, 12, 0}, SizeCase{33, 2, 1, 8, 2},
                                           SizeCase{7, 5, 4, 4, 16}, SizeCase{9, 2, 4, 8, 16},
                                           SizeCase{5, 4, 8, 8, 256}));

struct RefusedCase {
    int width, height, bits;
    bool palette;
    const std::string* text;
};

class DibRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DibRefused, ThrowsTheText) {
    const RefusedCase c = GetParam();
    const auto palette = GreyPalette(256);
    EXPECT_EQ(ThrownText([&] {
                  CDib::Create(c.width, c.height, c.bits,
                               c.palette ? std::span<const RGBQUAD>(palette) : std::span<const RGBQUAD>{});
              }),
              *c.text);
}

const std::string kPaletteText = "invalid palette argument";

INSTANTIATE_TEST_SUITE_P(
    Table, DibRefused,
    ::testing::Values(RefusedCase{0, 5, 24, false, &kEmptyText}, RefusedCase{5, 0, 24, false, &kEmptyText},
                      RefusedCase{-3, 5, 24, false, &kEmptyText}, RefusedCase{5, -1, 24, false, &kEmptyText},
                      RefusedCase{10, 10, 16, true, &kBitsText}, RefusedCase{10, 10, 32, false, &kBitsText},
                      RefusedCase{10, 10, 0, false, &kBitsText}, RefusedCase{10, 10, 8, false, &kPaletteText},
                      RefusedCase{10, 10, 1, false, &kPaletteText}));

TEST(Dib, ShortPaletteIsRefused) {
    const auto palette = GreyPalette(16);
    EXPECT_EQ(ThrownText([&] { CDib::Create(4, 4, 8, palette); }), kPaletteText);
}

TEST(Dib, SetDpiRoundsToPixelsPerMetre) {
    CDib* dib = CDib::Create(2, 2, 24);
    dib->SetDpi(72, 96);
    EXPECT_EQ(dib->Header()->biXPelsPerMeter, 2835);
    EXPECT_EQ(dib->Header()->biYPelsPerMeter, 3780);
    dib->Release();
}

// A packed 8-bit DIB with only `used` palette entries, as biClrUsed says.
std::vector<std::uint8_t> PackedGrey(int w, int h, std::uint32_t used) {
    const std::size_t stride = DibStride(w, 8);
    std::vector<std::uint8_t> block(40 + 4 * used + stride * h, 0);
    BITMAPINFOHEADER hdr{40, w, h, 1, 8, BI_RGB, 0, 0, 0, used, used};
    std::memcpy(block.data(), &hdr, 40);
    for (std::uint32_t i = 0; i < used; ++i)
        block[40 + 4 * i + 2] = static_cast<std::uint8_t>(100 + i);  // red
    for (std::size_t i = 40 + 4 * used; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i % used);
    return block;
}

TEST(Dib, CreateFromInfoCopiesNoMorePaletteThanTheBlockHolds) {
    const auto block = PackedGrey(4, 3, 4);
    CDib* dib = CDib::CreateFromInfo(reinterpret_cast<const BITMAPINFO*>(block.data()), block.size());
    EXPECT_EQ(dib->PaletteEntries(), 4u);
    EXPECT_EQ(dib->BlockBytes(), block.size());
    EXPECT_EQ(std::memcmp(dib->Header(), block.data(), block.size()), 0);
    EXPECT_NE(reinterpret_cast<const std::uint8_t*>(dib->Header()), block.data());
    dib->Release();
}

TEST(Dib, CreateFromInfoRefusals) {
    auto block = PackedGrey(4, 3, 4);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(block.data());
    EXPECT_EQ(ThrownText([&] { CDib::CreateFromInfo(nullptr, 100); }), "invalid pbmi argument: NULL pointer");
    // A block too short for its bits.
    EXPECT_EQ(ThrownText([&] { CDib::CreateFromInfo(info, block.size() - 1); }), "invalid pbmi argument");
    // A V4 header.
    reinterpret_cast<BITMAPINFOHEADER*>(block.data())->biSize = 108;
    EXPECT_EQ(ThrownText([&] { CDib::CreateFromInfo(info, block.size()); }), "invalid pbmi argument");
    reinterpret_cast<BITMAPINFOHEADER*>(block.data())->biSize = 40;
    reinterpret_cast<BITMAPINFOHEADER*>(block.data())->biHeight = -3;
    EXPECT_EQ(ThrownText([&] { CDib::CreateFromInfo(info, block.size()); }), kEmptyText);
    reinterpret_cast<BITMAPINFOHEADER*>(block.data())->biHeight = 3;
    reinterpret_cast<BITMAPINFOHEADER*>(block.data())->biBitCount = 16;
    EXPECT_EQ(ThrownText([&] { CDib::CreateFromInfo(info, block.size()); }), kBitsText);
}

TEST(Dib, AdoptedBlockIsKeptAsItIs) {
    PackedDib packed = AllocatePackedDib24(3, 2);
    const std::uint8_t* block = packed.block.get();
    CDib* dib = CDib::CreateFromInfo(std::move(packed));
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(dib->Header()), block);
    EXPECT_FALSE(packed);
    EXPECT_EQ(dib->Stride(), 12u);
    EXPECT_EQ(dib->Bits(), block + 40);
    dib->Release();

    // A refused block stays with the caller, which frees it.
    PackedDib bad = AllocatePackedDib24(3, 2);
    bad.bytes -= 1;
    EXPECT_THROW(CDib::CreateFromInfo(std::move(bad)), std::invalid_argument);
    EXPECT_TRUE(bad);
}

TEST(Dib, TwoHolders) {
    CDib* dib = CDib::Create(2, 2, 24);
    dib->AddRef();
    EXPECT_EQ(dib->RefCount(), 2);
    dib->Release();
    EXPECT_EQ(dib->RefCount(), 1);
    dib->Bits()[0] = 42;  // still valid (AddressSanitizer would object otherwise)
    EXPECT_EQ(dib->Bits()[0], 42);
    dib->Release();
}

void FillBgr(CDib* dib, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    for (int y = 0; y < dib->Height(); ++y)
        for (int x = 0; x < dib->Width(); ++x) {
            std::uint8_t* px = dib->TopDownRow(y) + 3 * x;
            px[0] = b, px[1] = g, px[2] = r;
        }
}

TEST(Dib, StretchToTheSameSizeTouchesNothing) {
    CDib* dib = CDib::Create(4, 4, 24);
    FillBgr(dib, 1, 2, 3);
    dib->SetDpi(72, 72);
    const std::uint8_t* bits = dib->Bits();
    EXPECT_TRUE(dib->Stretch(4, 4));
    EXPECT_EQ(dib->Bits(), bits);
    EXPECT_EQ(dib->Header()->biXPelsPerMeter, 2835);
    dib->Release();
}

TEST(Dib, StretchMakesA24BitImageWithoutResolution) {
    CDib* dib = CDib::Create(8, 4, 24);
    // Left half black, right half white: averaging 2:1 keeps the halves.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            std::memset(dib->TopDownRow(y) + 3 * x, x < 4 ? 0 : 255, 3);
    dib->SetDpi(96, 96);
    ASSERT_TRUE(dib->Stretch(4, 2));
    EXPECT_EQ(dib->Width(), 4);
    EXPECT_EQ(dib->Height(), 2);
    EXPECT_EQ(dib->BitCount(), 24);
    EXPECT_EQ(dib->Stride(), 12u);
    EXPECT_EQ(dib->Header()->biXPelsPerMeter, 0);
    EXPECT_EQ(dib->Header()->biYPelsPerMeter, 0);
    EXPECT_EQ(dib->Header()->biSizeImage, 0u);
    EXPECT_EQ(dib->TopDownRow(1)[0], 0);
    EXPECT_EQ(dib->TopDownRow(1)[3 * 3], 255);
    // An odd reduction averages across the edge: 8 -> 3, middle pixel covers 2.67..5.33.
    ASSERT_TRUE(dib->Stretch(3, 1));
    EXPECT_EQ(dib->TopDownRow(0)[3], 128);
    dib->Release();
}

TEST(Dib, StretchConvertsPaletteImages) {
    std::vector<RGBQUAD> palette = {{10, 20, 30, 0}, {200, 150, 100, 0}};
    CDib* dib = CDib::Create(8, 2, 1, palette);
    std::memset(dib->Bits(), 0xF0, dib->Stride() * 2);  // pixels 0-3 index 1, 4-7 index 0
    ASSERT_TRUE(dib->Stretch(2, 1));
    EXPECT_EQ(dib->PaletteEntries(), 0u);
    const std::uint8_t* row = dib->TopDownRow(0);
    EXPECT_EQ(row[0], 200);
    EXPECT_EQ(row[1], 150);
    EXPECT_EQ(row[2], 100);
    EXPECT_EQ(row[3], 10);
    EXPECT_EQ(row[5], 30);
    dib->Release();
}

TEST(Dib, StretchEnlargesAndRefusesEmptySizes) {
    CDib* dib = CDib::Create(2, 1, 24);
    std::memset(dib->TopDownRow(0), 0, 3);
    std::memset(dib->TopDownRow(0) + 3, 90, 3);
    EXPECT_FALSE(dib->Stretch(0, 5));
    EXPECT_EQ(dib->Width(), 2);
    ASSERT_TRUE(dib->Stretch(4, 2));
    const std::uint8_t* row = dib->TopDownRow(1);
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(row[3], 0);
    EXPECT_EQ(row[6], 90);
    EXPECT_EQ(row[9], 90);
    dib->Release();
}

}  // namespace
