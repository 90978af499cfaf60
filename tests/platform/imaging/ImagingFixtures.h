#pragma once
// Small image files made in memory for the imaging tests: Qt's writers for
// the common layouts, libjpeg for CMYK and for chosen JFIF and EXIF headers,
// and hand-built BMP and TIFF structures for layouts no writer here makes.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const QByteArray& a) { return Bytes(a.begin(), a.end()); }

// `image` written by Qt in `format` ("png", "tiff", ...) at `dpi` (0: leave
// Qt's own default).
inline Bytes QtEncode(QImage image, const char* format, double dpi = 0) {
    if (dpi > 0) {
        image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        return {};
    return ToBytes(out);
}

struct JpegOptions {
    int width = 8;
    int height = 8;
    int components = 3;   // 1 grey, 3 YCbCr, 4 CMYK
    int densityUnit = 0;  // 0 aspect only, 1 per inch, 2 per cm
    int xDensity = 1;
    int yDensity = 1;
    Bytes app1;  // written as an APP1 segment when not empty
};

// A JPEG from libjpeg with a flat mid-grey (or flat CMYK) image.
inline Bytes LibjpegEncode(const JpegOptions& o) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = o.width;
    cinfo.image_height = o.height;
    cinfo.input_components = o.components;
    cinfo.in_color_space = o.components == 1 ? JCS_GRAYSCALE : o.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    cinfo.density_unit = static_cast<UINT8>(o.densityUnit);
    cinfo.X_density = static_cast<UINT16>(o.xDensity);
    cinfo.Y_density = static_cast<UINT16>(o.yDensity);
    if (o.components == 4)
        cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (!o.app1.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, o.app1.data(), static_cast<unsigned>(o.app1.size()));
    std::vector<JSAMPLE> row(static_cast<std::size_t>(o.width) * o.components, 128);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

inline void PutLe(Bytes& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 4-bit BMP (16 grey palette entries) with the given pixels per metre.
inline Bytes Bmp4(int w, int h, std::uint32_t ppm) {
    const int stride = ((w * 4 + 31) / 32) * 4;
    const std::size_t offset = 14 + 40 + 16 * 4;
    Bytes b(offset + static_cast<std::size_t>(stride) * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLe(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    PutLe(b, 10, static_cast<std::uint32_t>(offset), 4);
    PutLe(b, 14, 40, 4);
    PutLe(b, 18, w, 4);
    PutLe(b, 22, h, 4);
    PutLe(b, 26, 1, 2);
    PutLe(b, 28, 4, 2);
    PutLe(b, 38, ppm, 4);
    PutLe(b, 42, ppm, 4);
    PutLe(b, 46, 16, 4);
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c)
            b[54 + 4 * i + c] = static_cast<std::uint8_t>(i * 17);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; x += 2)
            b[offset + static_cast<std::size_t>(y) * stride + x / 2] =
                static_cast<std::uint8_t>(((x % 16) << 4) | ((x + 1) % 16));
    return b;
}

// A little-endian TIFF structure with one IFD of the given entries; values
// that do not fit in 4 bytes go after the IFD.
struct TiffField {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    Bytes value;  // little-endian value bytes
};

inline Bytes TiffBlock(std::vector<TiffField> fields) {
    Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const std::size_t ifdSize = 2 + 12 * fields.size() + 4;
    std::size_t extra = 8 + ifdSize;
    Bytes tail;
    b.resize(8 + ifdSize, 0);
    PutLe(b, 8, static_cast<std::uint32_t>(fields.size()), 2);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t at = 10 + 12 * i;
        PutLe(b, at, fields[i].tag, 2);
        PutLe(b, at + 2, fields[i].type, 2);
        PutLe(b, at + 4, fields[i].count, 4);
        if (fields[i].value.size() <= 4) {
            std::memcpy(&b[at + 8], fields[i].value.data(), fields[i].value.size());
        } else {
            PutLe(b, at + 8, static_cast<std::uint32_t>(extra + tail.size()), 4);
            tail.insert(tail.end(), fields[i].value.begin(), fields[i].value.end());
        }
    }
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

inline Bytes Le(std::uint32_t v, int n) {
    Bytes b(n);
    PutLe(b, 0, v, n);
    return b;
}

inline Bytes Rational(std::uint32_t num, std::uint32_t den) {
    Bytes b = Le(num, 4);
    const Bytes d = Le(den, 4);
    b.insert(b.end(), d.begin(), d.end());
    return b;
}

// An EXIF APP1 body ("Exif\0\0" and a TIFF block).
inline Bytes ExifApp1(std::vector<TiffField> fields) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    const Bytes t = TiffBlock(std::move(fields));
    b.insert(b.end(), t.begin(), t.end());
    return b;
}
