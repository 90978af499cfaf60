#include "vespera-bench/Ppm.h"

#include <cctype>
#include <stdexcept>

namespace {

// Next header number, skipping white space and comments.
long ReadHeaderNumber(std::FILE* in) {
    int c = std::fgetc(in);
    while (c != EOF && (std::isspace(c) || c == '#')) {
        if (c == '#')
            while (c != EOF && c != '\n')
                c = std::fgetc(in);
        c = std::fgetc(in);
    }
    long value = 0;
    int digits = 0;
    while (c != EOF && std::isdigit(c) && digits < 9) {
        value = value * 10 + (c - '0');
        ++digits;
        c = std::fgetc(in);
    }
    if (digits == 0 || (c != EOF && !std::isspace(c)))
        throw std::runtime_error("bad PPM header");
    return value;
}

}  // namespace

PpmFile::PpmFile(const std::string& path, const char* mode) : file(std::fopen(path.c_str(), mode)) {
    if (!file)
        throw std::runtime_error("cannot open " + path);
}

PpmFile::~PpmFile() { std::fclose(file); }

std::optional<PpmSize> ReadDirectPpmHeader(std::FILE* in) {
    char magic[2] = {};
    if (std::fread(magic, 1, 2, in) != 2 || magic[0] != 'P' || magic[1] != '6')
        return std::nullopt;
    const long w = ReadHeaderNumber(in), h = ReadHeaderNumber(in), maxval = ReadHeaderNumber(in);
    if (w <= 0 || h <= 0 || w > 100000 || h > 100000 || maxval != 255)
        return std::nullopt;
    return PpmSize{static_cast<int>(w), static_cast<int>(h)};
}

PpmSize ReadPpmHeader(std::FILE* in, const std::string& path) {
    const std::optional<PpmSize> size = ReadDirectPpmHeader(in);
    if (!size)
        throw std::runtime_error(path + " is not a binary PPM of 8-bit samples and sides up to 100000");
    return *size;
}

void WritePpmHeader(std::FILE* out, int width, int height) { std::fprintf(out, "P6\n%d %d\n255\n", width, height); }

RgbImage ReadPpm(const std::string& path) {
    PpmFile in(path, "rb");
    const PpmSize size = ReadPpmHeader(in.file, path);
    RgbImage image;
    image.width = size.width;
    image.height = size.height;
    image.rgb.resize(static_cast<std::size_t>(size.width) * size.height * 3);
    if (std::fread(image.rgb.data(), 1, image.rgb.size(), in.file) != image.rgb.size())
        throw std::runtime_error(path + ": truncated PPM");
    return image;
}

void WritePpm(const std::string& path, const RgbImage& image) {
    PpmFile out(path, "wb");
    WritePpmHeader(out.file, image.width, image.height);
    if (std::fwrite(image.rgb.data(), 1, image.rgb.size(), out.file) != image.rgb.size() || std::fflush(out.file) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ChannelPlane(const RgbImage& image, int channel) {
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < plane.size(); ++i)
        plane[i] = image.rgb[i * 3 + channel];
    return plane;
}

void SetChannelPlane(RgbImage& image, int channel, const std::vector<std::uint8_t>& plane) {
    for (std::size_t i = 0; i < plane.size(); ++i)
        image.rgb[i * 3 + channel] = plane[i];
}
