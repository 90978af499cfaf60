#pragma once
// Binary PPM (P6, 8-bit) files for the benchmarks: read into and written from
// interleaved RGB, with helpers to split into and join from planes. Pixel
// bytes move in one read or write each, at the speed of the disk.

#include <cstdint>
#include <cstdio>
#include <optional>
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

// The header of an open P6 file of 8-bit samples: its size, the file left at
// the first pixel byte. Nothing for any other file, a PPM of 16-bit samples
// or of a side beyond 100000 among them; std::runtime_error for a P6 header
// whose numbers cannot be read.
struct PpmSize {
    int width = 0;
    int height = 0;
};
std::optional<PpmSize> ReadDirectPpmHeader(std::FILE* file);
// The same, std::runtime_error for any file it does not take.
PpmSize ReadPpmHeader(std::FILE* file, const std::string& path);
void WritePpmHeader(std::FILE* file, int width, int height);

// A file opened with fopen, closed when it goes.
struct PpmFile {
    PpmFile(const std::string& path, const char* mode);
    ~PpmFile();
    PpmFile(const PpmFile&) = delete;
    PpmFile& operator=(const PpmFile&) = delete;
    std::FILE* file;
};

std::vector<std::uint8_t> ChannelPlane(const RgbImage& image, int channel);
void SetChannelPlane(RgbImage& image, int channel, const std::vector<std::uint8_t>& plane);
