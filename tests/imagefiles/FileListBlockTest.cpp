#include "imagefiles/FileListBlock.h"

#include <gtest/gtest.h>

namespace {

// The little-endian bytes of a 32-bit number.
QByteArray Le32(std::uint32_t v) {
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    return bytes;
}

TEST(FileListBlock, ExactBytesOfTwoPaths) {
    const QString first = QStringLiteral("/p/a.jpg");
    const QString second = QString::fromUtf8("/q/\xC3\xBC\xE2\x82\xAC.png");  // "ü€": units 0x00FC, 0x20AC
    const QByteArray block = BuildFileListHGlobal({first, second}, 1);
    ASSERT_EQ(block.size(), 1052);

    QByteArray expected = Le32(2);
    expected += Le32(1);
    QByteArray slot1("/\0p\0/\0a\0.\0j\0p\0g\0", 16);
    slot1.resize(520, '\0');
    expected += slot1;
    expected += Le32(1);
    QByteArray slot2("/\0q\0/\0\xFC\0\xAC\x20.\0p\0n\0g\0", 18);
    slot2.resize(520, '\0');
    expected += slot2;
    EXPECT_EQ(block, expected);
}

TEST(FileListBlock, TagIsRepeatedInEveryEntry) {
    const QByteArray block =
        BuildFileListHGlobal({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, 0xA1B2C3D4);
    ASSERT_EQ(block.size(), 4 + 3 * 524);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(block.mid(4 + 524 * i, 4), Le32(0xA1B2C3D4)) << i;
}

TEST(FileListBlock, PathsMustFitTheirSlot) {
    const QString fits(259, u'x');
    const QByteArray block = BuildFileListHGlobal({fits}, 1);
    ASSERT_EQ(block.size(), 528);
    EXPECT_EQ(block.at(8 + 2 * 258), 'x');
    EXPECT_EQ(block.mid(8 + 2 * 259, 2), QByteArray(2, '\0'));

    EXPECT_TRUE(BuildFileListHGlobal({fits, QString(260, u'x')}, 1).isEmpty());
    EXPECT_TRUE(BuildFileListHGlobal({}, 1).isEmpty());
}

}  // namespace
