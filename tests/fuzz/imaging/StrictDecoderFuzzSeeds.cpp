// Writes the seeds of the JPEG and GIF decoders' fuzz target into the folder
// named on the command line: libjpeg files in each colour space, progressive
// and with restart markers, and giflib files with transparency, an image
// smaller than its screen and interlaced rows; and files with what the size
// checks must not count (comments) and what libjpeg warns of but decodes
// whole (a sequential scan that says Se = 0), arithmetic-coded.

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

// A sequential file whose scan header says Se = 0.
libfiles::Bytes NotSequential(libfiles::Bytes jpeg) {
    for (std::size_t at = 2; at + 4 < jpeg.size() && jpeg[at] == 0xFF;) {
        if (jpeg[at + 1] == 0xDA) {
            jpeg[at + 5 + 2 * std::size_t{jpeg[at + 4]} + 1] = 0;
            break;
        }
        at += 2 + (std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    }
    return jpeg;
}

// A comment segment (JPEG) or extension (GIF) inserted at `at`.
libfiles::Bytes WithComment(libfiles::Bytes file, std::size_t at, bool jpeg) {
    const libfiles::Bytes comment = jpeg ? libfiles::Bytes{0xFF, 0xFE, 0, 7, 'v', 'e', 's', 'p', 'a'}
                                         : libfiles::Bytes{0x21, 0xFE, 5, 'v', 'e', 's', 'p', 'a', 0};
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), comment.begin(), comment.end());
    return file;
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
    const libfiles::Bytes ycbcr = libfiles::LibjpegFile({19, 13, 3, JCS_YCbCr});
    constexpr std::size_t kGifWithTableEnd = 13 + 4 * 3;  // screen and a global table of four colours
    const bool written =
        Write(folder / "arithmetic.jpg", libfiles::LibjpegFile({19, 13, 3, JCS_YCbCr, false, 0, true})) &&
        Write(folder / "not_sequential.jpg", NotSequential(ycbcr)) &&
        Write(folder / "comment.jpg", WithComment(ycbcr, 2, true)) &&
        Write(folder / "comment.gif",
              WithComment(libfiles::GiflibFile({17, 11, 0, 0, 17, 11, -1, false, 3}), kGifWithTableEnd, false));
    return written ? 0 : 1;
}
