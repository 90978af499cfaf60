#pragma once
// Image files for the thumbnail tests, made at run time (tests that draw run
// with tests/support/WidgetTestMain.cpp for their application object): solid-colour JPEG
// files from the Kestrel encoder, CMYK ones from libjpeg, camera-like EXIF
// blocks with a JPEG thumbnail of another colour, so that a test can tell
// which pass made a thumbnail by its colour.

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "browser/cells/PaletteItemImg.h"
#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"
#include "imagefiles/saving/ExifFixtures.h"

namespace thumbfixtures {

using exiffixtures::Bytes;

struct Rgb {
    std::uint8_t r, g, b;
};
inline constexpr Rgb kRed{220, 30, 30};
inline constexpr Rgb kBlue{30, 40, 210};

// A w x h JPEG of one colour from the Kestrel encoder.
inline Bytes SolidJpeg(int w, int h, Rgb colour, bool grey = false) {
    platform::CMemFile file;
    OSSStream stream(file);
    {
        std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
            Kestrel::CreateCoder(stream, w, h, !grey, 90, false, false, 0, 1, 1));
        std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 3);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = colour.r;
            row[3 * x + 1] = colour.g;
            row[3 * x + 2] = colour.b;
        }
        for (int y = 0; y < h; ++y)
            coder->WriteLine(row.data());
    }
    return file.Detach();
}

// A w x h four-component (CMYK) JPEG from libjpeg.
inline Bytes CmykJpeg(int w, int h) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4, 100);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// The EXIF TIFF structure of a camera: the image size in the EXIF IFD and
// an IFD1 with a JPEG thumbnail, or without one when thumbnail is empty.
inline Bytes CameraExif(std::uint32_t imageWidth, std::uint32_t imageHeight, const Bytes& thumbnail, int tw = 160,
                        int th = 120) {
    exiffixtures::Layout l;
    l.ifd0 = {{271, 4, 1, 1}};
    l.exifIfd = {{40962, 4, 1, imageWidth}, {40963, 4, 1, imageHeight}};
    if (!thumbnail.empty()) {
        l.ifd1 = {{256, 4, 1, static_cast<std::uint32_t>(tw)},
                  {257, 4, 1, static_cast<std::uint32_t>(th)},
                  {259, 3, 1, 6},
                  {513, 4, 1, 0},
                  {514, 4, 1, 0}};
        l.thumbnail = thumbnail;
    } else {
        // An IFD1 without a thumbnail, so that the reader walks on to the EXIF IFD.
        l.ifd1 = {{256, 4, 1, static_cast<std::uint32_t>(tw)}, {257, 4, 1, static_cast<std::uint32_t>(th)}};
    }
    return exiffixtures::BuildTiff(l);
}

// The JPEG with an EXIF APP1 segment right after its SOI.
inline Bytes WithExif(const Bytes& jpeg, const Bytes& tiff) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    exiffixtures::AppendSegment(out, 0xE1, exiffixtures::ExifPayload(tiff));
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// A camera-like photograph: the main image in blue, its 160 x 120 EXIF
// thumbnail in red, the EXIF size as given (the image's own by default).
inline Bytes CameraJpeg(int w, int h, std::uint32_t exifWidth = 0, std::uint32_t exifHeight = 0) {
    return WithExif(SolidJpeg(w, h, kBlue),
                    CameraExif(exifWidth ? exifWidth : static_cast<std::uint32_t>(w),
                               exifHeight ? exifHeight : static_cast<std::uint32_t>(h), SolidJpeg(160, 120, kRed)));
}

inline bool WriteBytes(const QString& path, const Bytes& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

// The colour in the middle of a DIB, as R, G, B.
inline Rgb CentreOf(const CDib& dib) {
    const std::uint8_t* p = dib.TopDownRow(dib.Height() / 2) + 3 * (dib.Width() / 2);
    return {p[2], p[1], p[0]};
}

inline bool Near(Rgb a, Rgb b, int tolerance = 24) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// A DIB of one colour.
inline DibRef SolidDib(int w, int h, Rgb colour) {
    DibRef dib = AdoptDib(CDib::Create(w, h, 24));
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = dib->Bits() + static_cast<std::size_t>(y) * dib->Stride();
        for (int x = 0; x < w; ++x) {
            row[3 * x] = colour.b;
            row[3 * x + 1] = colour.g;
            row[3 * x + 2] = colour.r;
        }
    }
    return dib;
}

// Gives the cell a thumbnail of one colour and size, as a finished pass would.
inline void GiveThumbnail(CPaletteItemImg& cell, int w, int h, Rgb colour, bool complete = true) {
    ThumbnailBuild build;
    build.imageWidth = w * 10;
    build.imageHeight = h * 10;
    build.bitsPerPixel = 24;
    build.thumbWidth = w;
    build.thumbHeight = h;
    build.complete = complete;
    build.dib = SolidDib(w, h, colour);
    build.jpeg = CPaletteItemImg::CompressThumbnail(*build.dib);
    cell.AdoptThumbnail(std::move(build));
}

}  // namespace thumbfixtures
