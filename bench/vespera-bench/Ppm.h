#pragma once
// Binary PPM (P6, 8-bit) files for the benchmarks: read into and written from
// interleaved RGB, with helpers to split into and join from planes.

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3, rows tight
};

// Throws std::runtime_error for a file that is not an 8-bit P6 PPM.
RgbImage ReadPpm(const std::string& path);
void WritePpm(const std::string& path, const RgbImage& image);

std::vector<std::uint8_t> ChannelPlane(const RgbImage& image, int channel);
void SetChannelPlane(RgbImage& image, int channel, const std::vector<std::uint8_t>& plane);
