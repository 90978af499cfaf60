// Writes seeds for the header fuzz target: inputs it found, kept so that
// every run tries them again. The target puts each file type's magic bytes
// in front of an input, so a TIFF seed starts after "II", 42, 0.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

void WriteSeed(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: image_header_fuzz_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    // IFD0 at 8 with one ColorMap entry of four SHORTs at offset 0: the
    // byte-order turn once turned the header a second time through it.
    WriteSeed(dir / "tiff_value_over_header", {8, 0, 0, 0, 1, 0, 0x40, 0x01, 3, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    // IFD0 at 8 with ImageWidth 23 (SHORT) and XResolution 300/1 after the
    // directory: a structure the turn takes.
    const std::vector<std::uint8_t> twoEntries = {
        8,    0,    0, 0,                           // IFD0 offset
        2,    0,                                    // two entries
        0x00, 0x01, 3, 0, 1, 0, 0, 0, 23, 0, 0, 0,  // ImageWidth, SHORT, 23
        0x1A, 0x01, 5, 0, 1, 0, 0, 0, 38, 0, 0, 0,  // XResolution, RATIONAL at 38
        0,    0,    0, 0,                           // no next IFD
        0x2C, 0x01, 0, 0, 1, 0, 0, 0,               // 300/1
    };
    WriteSeed(dir / "tiff_two_entries", twoEntries);
    return 0;
}
