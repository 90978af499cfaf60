#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <QImage>

#include "ImagingFixtures.h"
#include "platform/imaging/GifEncoder.h"

using namespace imaging;

namespace {

// Where the application extension named `identifier` starts its data: just
// after 21 FF 0B and the 11 identifier bytes; 0 when there is none.
std::size_t ExtensionData(const Bytes& gif, const std::string& identifier) {
    Bytes head = {0x21, 0xFF, 0x0B};
    head.insert(head.end(), identifier.begin(), identifier.end());
    const auto at = std::search(gif.begin(), gif.end(), head.begin(), head.end());
    return at == gif.end() ? 0 : static_cast<std::size_t>(at - gif.begin()) + head.size();
}

// The sub-blocks from `at` joined; `at` ends just after the terminator.
Bytes SubBlocks(const Bytes& gif, std::size_t& at) {
    Bytes data;
    while (at < gif.size() && gif[at] != 0) {
        const std::size_t length = gif[at];
        data.insert(data.end(), gif.begin() + static_cast<std::ptrdiff_t>(at + 1),
                    gif.begin() + static_cast<std::ptrdiff_t>(std::min(gif.size(), at + 1 + length)));
        at += 1 + length;
    }
    ++at;
    return data;
}

// The profile goes out in sub-blocks; the XMP packet as it is, then the
// magic trailer (1, 255 down to 0) and the terminator, so that a walk over
// it as sub-blocks ends where the extension does and the image follows.
TEST(GifMetadata, ProfileInSubBlocksAndXmpWithItsMagicTrailer) {
    QImage image(40, 30, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    GifMetadata metadata;
    for (int i = 0; i < 700; ++i)
        metadata.iccProfile.push_back(static_cast<std::uint8_t>(i * 7));
    metadata.xmp = "<?xpacket begin=\"\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/><?xpacket end=\"w\"?>";
    Bytes gif;
    ASSERT_TRUE(EncodeGif(image, gif, metadata));
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");

    std::size_t at = ExtensionData(gif, "ICCRGBG1012");
    ASSERT_NE(at, 0u);
    EXPECT_EQ(SubBlocks(gif, at), metadata.iccProfile);

    at = ExtensionData(gif, "XMP DataXMP");
    ASSERT_NE(at, 0u);
    const std::size_t packet = at;
    EXPECT_EQ(std::string(gif.begin() + static_cast<std::ptrdiff_t>(packet),
                          gif.begin() + static_cast<std::ptrdiff_t>(packet + metadata.xmp.size())),
              metadata.xmp);
    std::size_t trailer = packet + metadata.xmp.size();
    ASSERT_LT(trailer + 258, gif.size());
    EXPECT_EQ(gif[trailer], 1);
    for (int i = 1; i <= 256; ++i)
        EXPECT_EQ(gif[trailer + i], 256 - i) << i;
    EXPECT_EQ(gif[trailer + 257], 0);  // the terminator
    SubBlocks(gif, at);
    EXPECT_EQ(at, trailer + 258);
    EXPECT_EQ(gif[at], 0x2C);  // the image descriptor
    QImage read = QImage::fromData(gif.data(), static_cast<int>(gif.size()), "GIF");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.size(), image.size());
}

// Without metadata nothing is added and the file stays GIF87a; a packet
// whose walk as sub-blocks lands on a NUL byte inside it, and would end
// there, is left out.
TEST(GifMetadata, NothingAddedWithoutMetadataAndAPacketThatEndsTheWalkEarlyLeftOut) {
    QImage image(8, 8, QImage::Format_RGB888);
    image.fill(Qt::red);
    Bytes plain;
    ASSERT_TRUE(EncodeGif(image, plain));
    EXPECT_EQ(std::string(plain.begin(), plain.begin() + 6), "GIF87a");
    GifMetadata metadata;
    metadata.xmp = std::string("\x02<x\0:xmpmeta/>", 15);  // 2 skips "<x", then the NUL
    Bytes gif;
    ASSERT_TRUE(EncodeGif(image, gif, metadata));
    EXPECT_EQ(ExtensionData(gif, "XMP DataXMP"), 0u);
    EXPECT_FALSE(QImage::fromData(gif.data(), static_cast<int>(gif.size()), "GIF").isNull());
}

}  // namespace
