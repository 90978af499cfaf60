// Writes small JPEG files made by Kestrel's encoder into the folder named on
// the command line: the seeds of the decoder's fuzz target. Each layout and a
// few awkward sizes are covered, and one file has restart markers: its MCUs
// are encoded one by one and joined with RSTn between them.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"

namespace {

struct Seed {
    const char* name;
    std::uint32_t width, height;
    bool colour, sub422;
    int quality;
};

std::vector<std::uint8_t> Encode(const Seed& s, std::uint32_t firstRow = 0) {
    platform::CMemFile file;
    OSSStream stream(file);
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
        Kestrel::CreateCoder(stream, s.width, s.height, s.colour, s.quality, s.sub422, false, 2, 300, 300));
    const int channels = s.colour ? 3 : 1;
    std::vector<std::uint8_t> row(std::size_t(s.width) * channels);
    for (std::uint32_t y = 0; y < s.height; ++y) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>((i * 37 + (y + firstRow) * 11 + (i * y) % 7 * 20) & 0xFF);
        coder->WriteLine(row.data());
    }
    return file.Detach();
}

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Offset of the first entropy-coded byte: just after the SOS segment.
std::size_t ScanStart(const std::vector<std::uint8_t>& jpeg) {
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        const std::size_t length = (std::size_t(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        const bool sos = jpeg[pos + 1] == 0xDA;
        pos += 2 + length;
        if (sos)
            return pos;
    }
    return jpeg.size();
}

// A 16 x (16 * tiles) colour image with a restart interval of one MCU: the
// headers of the first tile with the height patched and a DRI segment, then
// each tile's scan followed by RST0, RST1, ... and EOI at the end.
std::vector<std::uint8_t> WithRestarts(int tiles) {
    std::vector<std::uint8_t> out;
    for (int t = 0; t < tiles; ++t) {
        const std::vector<std::uint8_t> tile = Encode({"", 16, 16, true, false, 80}, std::uint32_t(t) * 16);
        const std::size_t scan = ScanStart(tile);
        if (t == 0) {
            out.assign(tile.begin(), tile.begin() + std::ptrdiff_t(scan));
            for (std::size_t p = 2; p + 9 < scan; p += 2 + ((std::size_t(out[p + 2]) << 8) | out[p + 3])) {
                if (out[p + 1] == 0xC0) {
                    const unsigned height = 16u * unsigned(tiles);
                    out[p + 5] = static_cast<std::uint8_t>(height >> 8);
                    out[p + 6] = static_cast<std::uint8_t>(height);
                }
                if (out[p + 1] == 0xDA) {
                    const std::uint8_t dri[] = {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x01};
                    out.insert(out.begin() + std::ptrdiff_t(p), dri, dri + sizeof dri);
                    break;
                }
            }
        } else {
            out.push_back(0xFF);
            out.push_back(static_cast<std::uint8_t>(0xD0 + (t - 1) % 8));
        }
        // The tile's entropy-coded data without its EOI.
        out.insert(out.end(), tile.begin() + std::ptrdiff_t(scan), tile.end() - 2);
    }
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrel_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const Seed seeds[] = {
        {"grey-8x8.jpg", 8, 8, false, false, 90},  {"grey-21x13.jpg", 21, 13, false, false, 50},
        {"420-1x1.jpg", 1, 1, true, false, 90},    {"420-17x9.jpg", 17, 9, true, false, 75},
        {"422-33x31.jpg", 33, 31, true, true, 90}, {"420-48x40.jpg", 48, 40, true, false, 100},
    };
    for (const Seed& s : seeds)
        Write(folder / s.name, Encode(s));
    Write(folder / "420-restarts-16x160.jpg", WithRestarts(10));
    return 0;
}
