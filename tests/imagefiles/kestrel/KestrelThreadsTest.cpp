// Decoders and encoders on several threads at once share only read-only
// tables: each thread's results equal the single-threaded ones.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "imagefiles/kestrel/KestrelTestSupport.h"

namespace {

using kestrel_test::Bytes;
using kestrel_test::Image;

TEST(KestrelThreads, ConcurrentEncodersAndDecodersMatchSerialResults) {
    constexpr int kThreads = 4;
    std::vector<Image> inputs;
    std::vector<Bytes> expectedFiles;
    std::vector<Image> expectedImages;
    for (int t = 0; t < kThreads; ++t) {
        inputs.push_back(kestrel_test::SyntheticImage(64 + 8 * t, 48 + 4 * t, t == 3 ? 1 : 3, unsigned(t + 1)));
        kestrel_test::KestrelOptions o;
        o.sub422 = t == 2;
        o.quality = 60 + 10 * t;
        expectedFiles.push_back(kestrel_test::KestrelEncode(inputs.back(), o));
        expectedImages.push_back(kestrel_test::KestrelDecode(expectedFiles.back()));
    }
    std::vector<Bytes> files(kThreads);
    std::vector<Image> images(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            kestrel_test::KestrelOptions o;
            o.sub422 = t == 2;
            o.quality = 60 + 10 * t;
            for (int round = 0; round < 5; ++round) {
                files[t] = kestrel_test::KestrelEncode(inputs[t], o);
                images[t] = kestrel_test::KestrelDecode(files[t]);
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(files[t], expectedFiles[t]) << t;
        EXPECT_EQ(images[t].pixels, expectedImages[t].pixels) << t;
    }
}

}  // namespace
