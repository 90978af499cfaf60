#pragma once
// Source and resized bitmaps for the saving tests, a private folder, the
// scripted prompt, and reading a saved file back with Exiv2.

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QStringList>

#include "core/saving/SaveImage.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ExifProperties.h"
#include "platform/prompt/Prompt.h"
#include "support/FileSizeLimit.h"

namespace savingtests {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using imaging::Bitmap;
using imaging::PropertyItem;

inline PropertyItem Ascii(std::uint32_t id, const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return {id, imaging::PropertyTypeASCII, static_cast<std::uint32_t>(bytes.size()), bytes};
}

inline PropertyItem Rational(std::uint32_t id, std::uint32_t num, std::uint32_t den) {
    Bytes v(8);
    for (int i = 0; i < 4; ++i) {
        v[i] = static_cast<std::uint8_t>(num >> (8 * i));
        v[4 + i] = static_cast<std::uint8_t>(den >> (8 * i));
    }
    return {id, imaging::PropertyTypeRational, 1, v};
}

inline PropertyItem Short(std::uint32_t id, std::uint16_t value) {
    return {
        id, imaging::PropertyTypeShort, 1, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)}};
}

inline Bytes QtEncode(const QImage& image, const char* format, int quality = -1) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    writer.write(image);
    return {out.begin(), out.end()};
}

inline Bytes ToBytesOf(const QByteArray& bytes) { return {bytes.begin(), bytes.end()}; }

inline QImage Flat(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

// Deterministic noise, which JPEG cannot squeeze.
inline QImage Noise(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int i = 0; i < w * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            row[i] = static_cast<uchar>(state >> 24);
        }
    }
    return image;
}

// A camera-like source: a Qt JPEG with Make, a resolution, a date and an
// EXIF thumbnail written by Exiv2, decoded again by the imaging layer.
inline std::unique_ptr<Bitmap> CameraSource(int w, int h, const Bytes& thumbnailJpeg,
                                            std::vector<PropertyItem> extra = {}) {
    Bytes file = QtEncode(Flat(w, h, Qt::blue), "jpeg", 90);
    std::vector<PropertyItem> items = {
        Ascii(271, "TestCam"),
        Rational(282, 300, 1),
        Rational(283, 300, 1),
        Short(296, 2),
        Ascii(36867, "2011:04:05 06:07:08"),
        {40962, imaging::PropertyTypeLong, 1, {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8), 0, 0}},
        {40963, imaging::PropertyTypeLong, 1, {static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), 0, 0}}};
    if (!thumbnailJpeg.empty())
        items.push_back({imaging::PropertyTagThumbnailData, imaging::PropertyTypeByte,
                         static_cast<std::uint32_t>(thumbnailJpeg.size()), thumbnailJpeg});
    items.insert(items.end(), extra.begin(), extra.end());
    EXPECT_TRUE(imaging::WriteExifProperties(file, items));
    auto bitmap = Bitmap::FromMemory(file);
    EXPECT_TRUE(bitmap);
    return bitmap;
}

inline Bytes BlueThumbnail(int w = 20, int h = 15) { return QtEncode(Flat(w, h, Qt::blue), "jpeg", 75); }

inline std::unique_ptr<Bitmap> Resized(int w, int h, QColor colour = Qt::red) {
    return Bitmap::FromImage(Flat(w, h, colour), imaging::PixelFormat24bppRGB);
}

inline Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of the test's own, the imaging layer ready and a scripted prompt
// that records every message.
class SavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        imaging::InitializeImaging();
        std::string name = std::string(::testing::UnitTest::GetInstance()->current_test_suite()->name()) + "-" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');  // parameterised names hold slashes
        m_dir = fs::temp_directory_path() / ("saving-" + name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_prompt = std::make_shared<platform::ScriptedPrompt>();
        m_previous = platform::InstallPrompt(m_prompt);
    }
    void TearDown() override {
        platform::InstallPrompt(m_previous);
        fs::remove_all(m_dir);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
    std::shared_ptr<platform::ScriptedPrompt> m_prompt;
    std::shared_ptr<platform::Prompt> m_previous;
};

struct SavedExif {
    Exiv2::ExifData exif;
    std::string Text(const char* key) const {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? std::string("(none)") : it->toString();
    }
    bool Has(const char* key) const { return exif.findKey(Exiv2::ExifKey(key)) != exif.end(); }
    long Long(const char* key) const {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? -1 : it->toLong();
    }
    Bytes Thumbnail() const {
        Exiv2::ExifThumbC thumb(exif);
        const Exiv2::DataBuf data = thumb.copy();
        return Bytes(data.pData_, data.pData_ + data.size_);
    }
};

inline SavedExif ReadBack(const std::string& path) {
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    return {image->exifData()};
}

// Runs a tool and returns its standard output; fails the test when it
// cannot be run or (with checkExitCode) ends with an error.
inline QByteArray RunTool(const QString& program, const QStringList& arguments, bool checkExitCode = true,
                          QByteArray* standardError = nullptr) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    const QByteArray errors = process.readAllStandardError();
    if (checkExitCode) {
        EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << errors.toStdString();
    }
    if (standardError)
        *standardError = errors;
    return process.readAllStandardOutput();
}

using ::FileSizeLimit;

}  // namespace savingtests
