#pragma once
// ImageMagick's reading of a file as the reference for ours: `convert FILE
// x.ppm` run on it, and its 8- or 16-bit samples brought to 8 bits (16-bit
// ones rounded to the nearest level).

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace reference {

struct Rgb8 {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> samples;  // red, green, blue, top row first
};

inline QString ConvertTool() { return QStandardPaths::findExecutable(QStringLiteral("convert")); }

// A binary PPM (P6) with a maximum of 255 or 65535; nothing for others.
inline std::optional<Rgb8> ReadPpm(const QByteArray& file) {
    std::size_t at = 0;
    auto number = [&]() -> long {
        while (at < static_cast<std::size_t>(file.size()) && std::isspace(static_cast<unsigned char>(file[at])))
            ++at;
        long value = 0;
        bool any = false;
        while (at < static_cast<std::size_t>(file.size()) && std::isdigit(static_cast<unsigned char>(file[at]))) {
            value = value * 10 + (file[at++] - '0');
            any = true;
        }
        return any ? value : -1;
    };
    if (!file.startsWith("P6"))
        return std::nullopt;
    at = 2;
    Rgb8 picture;
    picture.width = static_cast<int>(number());
    picture.height = static_cast<int>(number());
    const long maximum = number();
    ++at;  // the one blank before the samples
    const std::size_t count = 3 * static_cast<std::size_t>(std::max(picture.width, 0)) * std::max(picture.height, 0);
    const std::size_t sampleBytes = maximum == 65535 ? 2 : 1;
    if ((maximum != 255 && maximum != 65535) || count == 0 ||
        static_cast<std::size_t>(file.size()) - at < count * sampleBytes)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.constData()) + at;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned value = sampleBytes == 2 ? (bytes[2 * i] << 8 | bytes[2 * i + 1]) : bytes[i];
        picture.samples.push_back(static_cast<std::uint8_t>(sampleBytes == 2 ? (value + 128) / 257 : value));
    }
    return picture;
}

// What `convert` reads from `path` (`options` given before the output, such
// as a depth); nothing when it fails.
inline std::optional<Rgb8> ImageMagickReads(const QString& path, const QTemporaryDir& dir,
                                            const QStringList& options = {}) {
    const QString ppm = dir.filePath(QStringLiteral("reference.ppm"));
    QProcess process;
    process.start(ConvertTool(), QStringList{path} + options + QStringList{ppm});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return std::nullopt;
    QFile file(ppm);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ReadPpm(file.readAll());
}

// The largest difference of a sample between our picture and the reference;
// -1 when the sizes differ.
inline int LargestDifference(const QImage& ours, const Rgb8& theirs) {
    const QImage rgb = ours.convertToFormat(QImage::Format_RGB888);
    if (rgb.width() != theirs.width || rgb.height() != theirs.height)
        return -1;
    int largest = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* row = rgb.constScanLine(y);
        for (int i = 0; i < 3 * rgb.width(); ++i)
            largest =
                std::max(largest, std::abs(row[i] - theirs.samples[3 * static_cast<std::size_t>(y) * rgb.width() + i]));
    }
    return largest;
}

}  // namespace reference
