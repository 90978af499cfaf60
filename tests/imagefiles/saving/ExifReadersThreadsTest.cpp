// The thumbnail readers and the shot date run on the thumbnail builder
// threads and the UI thread at once; they share no state.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "ExifFixtures.h"
#include "imagefiles/ExifThumbnail.h"
#include "imagefiles/ShotDate.h"
#include "platform/imaging/ExifProperties.h"

using namespace exiffixtures;
namespace fs = std::filesystem;

namespace {

TEST(ExifReadersThreads, ConcurrentReadsOfOneFileAgree) {
    imaging::InitializeImaging();
    const fs::path dir = fs::temp_directory_path() / "exif-readers-threads";
    fs::create_directories(dir);
    Layout l;
    l.ifd0 = {{256, 4, 1, 640}, {257, 4, 1, 480}};
    l.ifd1 = RgbIfd1(64, 48);
    l.thumbnail = GradientRgb(64, 48);
    const Bytes jpeg = JpegWith({{0xE1, ExifPayload(BuildTiff(l))}});
    const fs::path path = dir / "shared.jpg";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));

    ThumbnailBox box{32, 32};
    int w = 0, h = 0;
    const PackedDib expected = ReadJpegExifThumbnail(path, box, w, h);
    ASSERT_TRUE(expected);

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                ThumbnailBox b{32, 32};
                int iw = 0, ih = 0;
                const PackedDib dib = ReadJpegExifThumbnail(path, b, iw, ih);
                if (!dib || dib.bytes != expected.bytes ||
                    std::memcmp(dib.block.get(), expected.block.get(), dib.bytes) != 0 || iw != 640)
                    ++mismatches;
                std::time_t date;
                GetShotDate(path, date);  // no date here: exercises the property read
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
    fs::remove_all(dir);
}

}  // namespace
