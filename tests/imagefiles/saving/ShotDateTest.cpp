#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "imagefiles/ShotDate.h"
#include "platform/imaging/ExifProperties.h"

namespace fs = std::filesystem;
using imaging::PropertyItem;

namespace {

imaging::PropertyItem Ascii(std::uint32_t id, const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return {id, imaging::PropertyTypeASCII, static_cast<std::uint32_t>(bytes.size()), bytes};
}

std::vector<std::uint8_t> Encoded(const char* format) {
    QImage image(32, 24, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return {out.begin(), out.end()};
}

class ShotDate : public ::testing::Test {
protected:
    void SetUp() override {
        imaging::InitializeImaging();
        m_dir = fs::temp_directory_path() /
                ("shot-date-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A Qt-made file with the given date items written by Exiv2.
    fs::path Photo(const std::string& name, const char* format, const std::vector<PropertyItem>& items) {
        std::vector<std::uint8_t> bytes = Encoded(format);
        if (!items.empty()) {
            EXPECT_TRUE(imaging::WriteExifProperties(bytes, items));
        }
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static std::tm Local(std::time_t t) {
        std::tm tm{};
        localtime_r(&t, &tm);
        return tm;
    }

    fs::path m_dir;
};

TEST_F(ShotDate, OriginalIsPreferredOverDigitizedAndFileDate) {
    const auto path = Photo(
        "a.jpg", "jpeg",
        {Ascii(306, "2001:01:01 01:01:01"), Ascii(36868, "2002:02:02 02:02:02"), Ascii(36867, "2003:03:03 03:03:03")});
    std::time_t t = 0;
    ASSERT_TRUE(GetShotDate(path, t));
    EXPECT_EQ(Local(t).tm_year + 1900, 2003);
    EXPECT_EQ(Local(t).tm_hour, 3);
}

TEST_F(ShotDate, DigitizedThenFileDate) {
    std::time_t t = 0;
    ASSERT_TRUE(GetShotDate(
        Photo("b.JPG", "jpeg", {Ascii(306, "2001:01:01 01:01:01"), Ascii(36868, "2002:02:02 02:02:02")}), t));
    EXPECT_EQ(Local(t).tm_year + 1900, 2002);
    ASSERT_TRUE(GetShotDate(Photo("c.jpg", "jpeg", {Ascii(306, "2010:02:31 10:00:00")}), t));
    EXPECT_EQ(Local(t).tm_mon + 1, 3);
    EXPECT_EQ(Local(t).tm_mday, 3);
    EXPECT_EQ(Local(t).tm_hour, 10);
}

TEST_F(ShotDate, JpegAndTiffFilesInBothSpellings) {
    const struct {
        const char* name;
        const char* format;
    } files[] = {{"d.tif", "tiff"}, {"e.TIFF", "tiff"}, {"f.dng", "tiff"}, {"h.jpeg", "jpeg"}, {"l.JPEG", "jpeg"}};
    for (const auto& file : files) {
        std::time_t t = 0;
        ASSERT_TRUE(GetShotDate(Photo(file.name, file.format, {Ascii(36867, "2012:12:12 12:12:12")}), t)) << file.name;
        EXPECT_EQ(Local(t).tm_min, 12) << file.name;
    }
}

TEST_F(ShotDate, FalseCases) {
    std::time_t t = 0;
    const std::vector<PropertyItem> dated = {Ascii(36867, "2003:03:03 03:03:03")};
    EXPECT_FALSE(GetShotDate(Photo("g.png", "png", {}), t));      // extension
    EXPECT_FALSE(GetShotDate(Photo("h.jpe", "jpeg", dated), t));  // extension
    EXPECT_FALSE(GetShotDate(Photo("i.jpg", "jpeg", {}), t));     // no date
    EXPECT_FALSE(GetShotDate(Photo("j.jpg", "jpeg", {Ascii(36867, "2010:05:17 24:00:00")}), t));
    EXPECT_FALSE(GetShotDate(Photo("k.jpg", "jpeg", {Ascii(36867, "1969:12:31 10:00:00")}), t));
    EXPECT_FALSE(GetShotDate(m_dir / "missing.jpg", t));
    std::ofstream(m_dir / "garbage.jpg") << "not an image at all";
    EXPECT_FALSE(GetShotDate(m_dir / "garbage.jpg", t));
}

}  // namespace
