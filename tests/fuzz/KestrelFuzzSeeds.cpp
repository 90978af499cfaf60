// Writes small JPEG files made by Kestrel's encoder into the folder named on
// the command line: the seeds of the decoder's fuzz target. Each layout and a
// few awkward sizes are covered.

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

std::vector<std::uint8_t> Encode(const Seed& s) {
    platform::CMemFile file;
    OSSStream stream(file);
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
        Kestrel::CreateCoder(stream, s.width, s.height, s.colour, s.quality, s.sub422, false, 2, 300, 300));
    const int channels = s.colour ? 3 : 1;
    std::vector<std::uint8_t> row(std::size_t(s.width) * channels);
    for (std::uint32_t y = 0; y < s.height; ++y) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>((i * 37 + y * 11 + (i * y) % 7 * 20) & 0xFF);
        coder->WriteLine(row.data());
    }
    return file.Detach();
}

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
        {"grey-8x8.jpg", 8, 8, false, false, 90},     {"grey-21x13.jpg", 21, 13, false, false, 50},
        {"420-1x1.jpg", 1, 1, true, false, 90},       {"420-17x9.jpg", 17, 9, true, false, 75},
        {"422-33x31.jpg", 33, 31, true, true, 90},    {"420-48x40.jpg", 48, 40, true, false, 100},
    };
    for (const Seed& s : seeds)
        Write(folder / s.name, Encode(s));
    return 0;
}
