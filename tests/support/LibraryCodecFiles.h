#pragma once
// Small JPEG and GIF files written by libjpeg-turbo and giflib themselves,
// in layouts other writers here do not make: every JPEG colour space,
// progressive and with restart markers; GIF images with transparency, off
// the screen's corner and interlaced.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

namespace libfiles {

using Bytes = std::vector<std::uint8_t>;

struct JpegLayout {
    int width, height;
    int components;  // 1 grey, 3 RGB in, 4 CMYK in
    J_COLOR_SPACE space;
    bool progressive = false;
    int restartRows = 0;      // a restart marker every so many MCU rows
    bool arithmetic = false;  // arithmetic coding instead of Huffman's
};

// Samples that vary from pixel to pixel and row to row, so every block
// codes something.
inline Bytes LibjpegFile(const JpegLayout& l) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = static_cast<JDIMENSION>(l.width);
    cinfo.image_height = static_cast<JDIMENSION>(l.height);
    cinfo.input_components = l.components;
    cinfo.in_color_space = l.components == 1 ? JCS_GRAYSCALE : l.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, l.space);
    if (l.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = l.restartRows;
    cinfo.arith_code = l.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(l.width) * static_cast<std::size_t>(l.components));
    std::uint32_t state = 12345;
    while (cinfo.next_scanline < cinfo.image_height) {
        for (JSAMPLE& sample : row) {
            state = state * 214013 + 2531011;
            sample = static_cast<JSAMPLE>(state >> 16);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

struct GifLayout {
    int screenW, screenH, left, top, w, h;
    int transparent;  // a colour index, or -1
    bool interlaced;
    int background;
};

inline int AppendGifBytes(GifFileType* gif, const GifByteType* bytes, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + n);
    return n;
}

// Four colours; rows given in order (giflib interlaces none itself, so an
// interlaced file's stream rows are these rows).
inline Bytes GiflibFile(const GifLayout& l) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, l.screenW, l.screenH, 2, l.background, map);
    if (l.transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = l.transparent;
        GifByteType extension[4];
        const std::size_t n = EGifGCBToExtension(&gcb, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), extension);
    }
    EGifPutImageDesc(gif, l.left, l.top, l.w, l.h, l.interlaced, nullptr);
    std::vector<GifPixelType> row(static_cast<std::size_t>(l.w));
    for (int y = 0; y < l.h; ++y) {
        for (int x = 0; x < l.w; ++x)
            row[static_cast<std::size_t>(x)] = static_cast<GifPixelType>((x * 7 + y * 3 + x * y) % 4);
        EGifPutLine(gif, row.data(), l.w);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

}  // namespace libfiles
