// Writes the seeds of the JPEG and GIF decoders' fuzz target into the folder
// named on the command line: libjpeg files in each colour space, progressive
// and with restart markers, and giflib files with transparency, an image
// smaller than its screen and interlaced rows.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/LibraryCodecFiles.h"

namespace {

bool Write(const std::filesystem::path& path, const libfiles::Bytes& bytes) {
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
    const struct {
        const char* name;
        libfiles::JpegLayout layout;
    } jpegs[] = {{"grey", {19, 13, 1, JCS_GRAYSCALE}},
                 {"ycbcr", {19, 13, 3, JCS_YCbCr}},
                 {"cmyk", {19, 13, 4, JCS_CMYK}},
                 {"ycck", {19, 13, 4, JCS_YCCK}},
                 {"progressive", {19, 13, 3, JCS_YCbCr, true}},
                 {"restart", {19, 13, 3, JCS_YCbCr, false, 1}}};
    for (const auto& seed : jpegs)
        if (!Write(folder / (std::string(seed.name) + ".jpg"), libfiles::LibjpegFile(seed.layout)))
            return 1;
    const struct {
        const char* name;
        libfiles::GifLayout layout;
    } gifs[] = {{"plain", {17, 11, 0, 0, 17, 11, -1, false, 3}},
                {"transparent_offset", {17, 11, 3, 2, 9, 5, 1, false, 3}},
                {"interlaced", {17, 11, 0, 0, 17, 11, -1, true, 3}}};
    for (const auto& seed : gifs)
        if (!Write(folder / (std::string(seed.name) + ".gif"), libfiles::GiflibFile(seed.layout)))
            return 1;
    return 0;
}
