// Writes seeds for the thumbnail cache's fuzz targets: folder archives with
// real cells and indexes, made by the cache's own writers.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ThumbCacheFuzzSeeds.h"
#include "browser/cache/CacheArchives.h"

namespace {

void WriteSeed(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

CellRef Cell(int w, int h, std::uint8_t shade) {
    ThumbnailBuild build;
    build.thumbWidth = w;
    build.thumbHeight = h;
    build.imageWidth = w * 20;
    build.imageHeight = h * 20;
    build.bitsPerPixel = 24;
    build.dib = AdoptDib(CDib::Create(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            build.dib->TopDownRow(y)[x] = static_cast<std::uint8_t>(shade + x * 3 + y * 5);
    build.jpeg = CPaletteItemImg::CompressThumbnail(*build.dib);
    auto cell = std::make_shared<CPaletteItemImg>();
    cell->AdoptThumbnail(std::move(build));
    cell->m_timeFile = 1700000000;
    cell->m_strMarkS = u"mark";
    cell->m_arrReservedRects = {{1, 2, 3, 4}};
    return cell;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: thumbcache_fuzz_seeds ARCHIVE_DIR INDEX_DIR\n");
        return 2;
    }
    const std::filesystem::path archives = argv[1], indexes = argv[2];
    std::filesystem::create_directories(archives);
    std::filesystem::create_directories(indexes);
    // Small thumbnails keep the seeds short.
    WriteSeed(archives / "two-cells",
              WriteCellArchive({{"/photos/a.jpg", Cell(220, 16, 10)}, {"/photos/b.jpg", Cell(12, 165, 90)}}));
    WriteSeed(archives / "one-cell", WriteCellArchive({{"/p/c.jpg", Cell(220, 8, 40)}}));
    WriteSeed(archives / "empty", WriteCellArchive({}));
    const QString folder = QString::fromLatin1(kFuzzCacheFolder);
    WriteSeed(indexes / "three", WriteCacheIndex({{"/photos/", 1}, {"/", 2}, {"/home/u/Pictures/", 17}}, folder));
    WriteSeed(indexes / "empty", WriteCacheIndex({}, folder));
    return 0;
}
