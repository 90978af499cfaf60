// Writes the seeds of the JPEG and GIF decoders' fuzz target into the folder
// named on the command line: libjpeg files in each colour space, progressive
// and with restart markers, and giflib files with transparency, an image
// smaller than its screen and interlaced rows.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

namespace {

using Bytes = std::vector<unsigned char>;

struct JpegSeed {
    const char* name;
    int components;
    J_COLOR_SPACE space;
    bool progressive;
    int restartRows;
};

Bytes Jpeg(const JpegSeed& s) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = 19;
    cinfo.image_height = 13;
    cinfo.input_components = s.components;
    cinfo.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, s.space);
    jpeg_set_quality(&cinfo, 50, TRUE);
    if (s.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = s.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(19 * static_cast<std::size_t>(s.components));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>((i * 37 + cinfo.next_scanline * 11) & 0xFF);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

int Append(GifFileType* gif, const GifByteType* bytes, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + n);
    return n;
}

struct GifSeed {
    const char* name;
    int left, top, w, h, transparent;
    bool interlaced;
};

Bytes Gif(const GifSeed& s) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 17, 11, 2, 3, map);
    if (s.transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = s.transparent;
        GifByteType extension[4];
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(EGifGCBToExtension(&gcb, extension)), extension);
    }
    EGifPutImageDesc(gif, s.left, s.top, s.w, s.h, s.interlaced, nullptr);
    std::vector<GifPixelType> row(static_cast<std::size_t>(s.w));
    for (int y = 0; y < s.h; ++y) {
        for (int x = 0; x < s.w; ++x)
            row[static_cast<std::size_t>(x)] = static_cast<GifPixelType>((x * 3 + y) % 4);
        EGifPutLine(gif, row.data(), s.w);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

bool Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const JpegSeed jpegs[] = {{"grey", 1, JCS_GRAYSCALE, false, 0},   {"ycbcr", 3, JCS_YCbCr, false, 0},
                              {"cmyk", 4, JCS_CMYK, false, 0},        {"ycck", 4, JCS_YCCK, false, 0},
                              {"progressive", 3, JCS_YCbCr, true, 0}, {"restart", 3, JCS_YCbCr, false, 1}};
    for (const JpegSeed& seed : jpegs)
        if (!Write(folder / (std::string(seed.name) + ".jpg"), Jpeg(seed)))
            return 1;
    const GifSeed gifs[] = {{"plain", 0, 0, 17, 11, -1, false},
                            {"transparent_offset", 3, 2, 9, 5, 1, false},
                            {"interlaced", 0, 0, 17, 11, -1, true}};
    for (const GifSeed& seed : gifs)
        if (!Write(folder / (std::string(seed.name) + ".gif"), Gif(seed)))
            return 1;
    return 0;
}
