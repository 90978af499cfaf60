// Writes seeds for the batch file's fuzz target with the file's own writer.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "batch/basket/BatchFile.h"

namespace {

void WriteSeed(const std::filesystem::path& path, const std::vector<BatchFileRecord>& records) {
    const std::vector<std::uint8_t> bytes = EncodeBatchFile(records);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: batchfile_fuzz_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    WriteSeed(dir / "empty", {});
    WriteSeed(dir / "one", {{QStringLiteral("/photos/a.jpg"), 640, 480, 300.0f, 4, 0}});
    WriteSeed(dir / "three", {{QStringLiteral("/a.jpg"), 640, 426, 72.0f, 9, 0},
                              {QString::fromStdU16String(u"/\u00dcber/\u20ac.png"), 1024, 768, 96.5f, 6, 1},
                              {QString(300, u'x'), 0, 0, 0.0f, 0, 2}});
    return 0;
}
