// Writes the seeds of the BMP colour-mask and TIFF decoders' fuzz target into
// the folder named on the command line: BMPs of wide, narrow and alpha
// masks, and libtiff files in strips and tiles (one larger than the
// picture), chunky and planar, 8 and 16 bits, uncompressed, LZW and Deflate.

#include <tiffio.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/BitfieldsBmp.h"

namespace {

bool Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

struct TiffLayout {
    const char* name;
    std::uint32_t width, height;
    std::uint16_t bits;
    std::uint16_t planar;       // PLANARCONFIG_CONTIG or PLANARCONFIG_SEPARATE
    std::uint32_t tile;         // 0: strips of 4 rows
    std::uint16_t compression;  // COMPRESSION_NONE, _LZW or _ADOBE_DEFLATE
};

// An RGB picture of the layout, every sample from its place.
bool WriteTiff(const std::filesystem::path& path, const TiffLayout& layout) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, layout.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, layout.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, layout.planar);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
    const bool planar = layout.planar == PLANARCONFIG_SEPARATE;
    const std::uint32_t samplesPerPixel = planar ? 1 : 3;
    const std::uint32_t sampleBytes = layout.bits / 8;
    // One strip or tile at a time, of `w` x `h` pixels at (x0, y0) in plane `plane`.
    auto block = [&](std::uint32_t x0, std::uint32_t y0, std::uint32_t w, std::uint32_t h, std::uint32_t plane) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(w) * h * samplesPerPixel * sampleBytes);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>((x0 + y0 * 7 + plane * 31 + i * 13) & 0xFF);
        return bytes;
    };
    bool ok = true;
    for (std::uint32_t plane = 0; plane < (planar ? 3u : 1u); ++plane) {
        if (layout.tile != 0) {
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, layout.tile);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, layout.tile);
            for (std::uint32_t y = 0; y < layout.height; y += layout.tile)
                for (std::uint32_t x = 0; x < layout.width; x += layout.tile) {
                    std::vector<std::uint8_t> tile = block(x, y, layout.tile, layout.tile, plane);
                    ok = ok && TIFFWriteTile(tiff, tile.data(), x, y, 0, static_cast<std::uint16_t>(plane)) >= 0;
                }
        } else {
            constexpr std::uint32_t kRows = 4;
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, kRows);
            const std::uint32_t strips = (layout.height + kRows - 1) / kRows;
            for (std::uint32_t s = 0; s < strips; ++s) {
                const std::uint32_t rows = std::min(kRows, layout.height - s * kRows);
                std::vector<std::uint8_t> strip = block(0, s * kRows, layout.width, rows, plane);
                ok = ok && TIFFWriteEncodedStrip(tiff, plane * strips + s, strip.data(),
                                                 static_cast<tmsize_t>(strip.size())) >= 0;
            }
        }
    }
    TIFFClose(tiff);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const struct {
        const char* name;
        bitfields::Layout layout;
    } bmps[] = {{"rgb32_111110", {13, 5, 32, {0xFFE00000, 0x001FFC00, 0x000003FF, 0}}},
                {"rgb16_565_topdown", {9, 4, 16, {0xF800, 0x07E0, 0x001F, 0}, true}},
                {"argb32_narrow", {7, 3, 32, {0x00000001, 0x0000003E, 0x00000FC0, 0xFF000000}}}};
    for (const auto& seed : bmps)
        if (!Write(folder / (std::string(seed.name) + ".bmp"),
                   bitfields::File(seed.layout, bitfields::Ramps(seed.layout))))
            return 1;
    const TiffLayout tiffs[] = {
        {"tile_past_picture_8", 19, 7, 8, PLANARCONFIG_CONTIG, 32, COMPRESSION_NONE},
        {"tiled_planar_16", 37, 21, 16, PLANARCONFIG_SEPARATE, 16, COMPRESSION_NONE},
        {"planar_strips_16_lzw", 17, 11, 16, PLANARCONFIG_SEPARATE, 0, COMPRESSION_LZW},
        {"strips_8_deflate", 17, 11, 8, PLANARCONFIG_CONTIG, 0, COMPRESSION_ADOBE_DEFLATE},
    };
    for (const TiffLayout& seed : tiffs)
        if (!WriteTiff(folder / (std::string(seed.name) + ".tif"), seed))
            return 1;
    return 0;
}
