#pragma once
// Helpers of the Kestrel tests: images, Kestrel and libjpeg-turbo on memory
// buffers, comparison, and a JPEG segment editor for building broken files.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel_test {

struct Image {
    int width = 0, height = 0, channels = 3;
    std::vector<std::uint8_t> pixels;  // rows tight, R G B or grey
    const std::uint8_t* Row(int y) const { return pixels.data() + std::size_t(y) * width * channels; }
};

using Bytes = std::vector<std::uint8_t>;

// A smooth, photograph-like test image with some texture and edges.
Image SyntheticImage(int width, int height, int channels, unsigned seed = 1);
Image UniformImage(int width, int height, int channels, std::uint8_t value);

struct KestrelInfo {
    std::uint32_t width = 0, height = 0;
    bool isColour = false;
    int densityUnits = -1;
    std::uint16_t xDensity = 0, yDensity = 0;
};

struct KestrelOptions {
    int quality = 90;
    bool sub422 = false;
    bool oneDqtSegment = false;
    int densityUnits = 2;
    std::uint16_t xDensity = 300, yDensity = 300;
};

Bytes KestrelEncode(const Image& image, const KestrelOptions& options = {});
// Decodes the whole image; rows cut to the image width.
Image KestrelDecode(const Bytes& jpeg, KestrelInfo* info = nullptr);

struct LibjpegOptions {
    int quality = 90;
    int hSampling = 2, vSampling = 2;  // of the first component; chroma 1x1
    bool grey = false;
    bool rgbNoTransform = false;  // components R, G, B (ids 82, 71, 66)
    bool writeJfif = true;
    bool writeAdobe = false;
    int restartInterval = 0;  // in MCUs
};

Bytes LibjpegEncode(const Image& image, const LibjpegOptions& options = {});
// Fast-integer DCT, no fancy upsampling: the closest relative of Kestrel's
// reconstruction.
Image LibjpegDecodeFast(const Bytes& jpeg);
// The accurate integer DCT, for content far outside photographs' range.
Image LibjpegDecodeAccurate(const Bytes& jpeg);

double Psnr(const Image& a, const Image& b);
int MaxDifference(const Image& a, const Image& b);

// A JPEG file split into its marker segments up to SOS and the rest.
struct Segment {
    std::uint8_t marker = 0;
    Bytes payload;  // after the length field; empty for SOI
};
struct SegmentedJpeg {
    std::vector<Segment> segments;  // SOI first, SOS last
    Bytes scan;                     // entropy-coded data and everything after it
};
SegmentedJpeg SplitJpeg(const Bytes& jpeg);
Bytes JoinJpeg(const SegmentedJpeg& jpeg);
// Index of the first segment with this marker, or -1.
int FindSegment(const SegmentedJpeg& jpeg, std::uint8_t marker);
Bytes SegmentBytes(std::uint8_t marker, const Bytes& payload);

}  // namespace kestrel_test
