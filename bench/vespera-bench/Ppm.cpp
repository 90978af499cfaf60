#include "vespera-bench/Ppm.h"

#include <cctype>
#include <fstream>
#include <stdexcept>

namespace {

// Next header number, skipping white space and comments.
long ReadHeaderNumber(std::istream& in) {
    int c = in.get();
    while (c != EOF && (std::isspace(c) || c == '#')) {
        if (c == '#')
            while (c != EOF && c != '\n')
                c = in.get();
        c = in.get();
    }
    long value = 0;
    int digits = 0;
    while (c != EOF && std::isdigit(c) && digits < 9) {
        value = value * 10 + (c - '0');
        ++digits;
        c = in.get();
    }
    if (digits == 0 || (c != EOF && !std::isspace(c)))
        throw std::runtime_error("bad PPM header");
    return value;
}

}  // namespace

RgbImage ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    char magic[2] = {};
    in.read(magic, 2);
    if (magic[0] != 'P' || magic[1] != '6')
        throw std::runtime_error(path + " is not a binary PPM");
    RgbImage image;
    const long w = ReadHeaderNumber(in), h = ReadHeaderNumber(in), maxval = ReadHeaderNumber(in);
    if (w <= 0 || h <= 0 || w > 100000 || h > 100000 || maxval != 255)
        throw std::runtime_error(path + ": unsupported PPM size or depth");
    image.width = static_cast<int>(w);
    image.height = static_cast<int>(h);
    image.rgb.resize(static_cast<std::size_t>(w) * h * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    if (in.gcount() != static_cast<std::streamsize>(image.rgb.size()))
        throw std::runtime_error(path + ": truncated PPM");
    return image;
}

void WritePpm(const std::string& path, const RgbImage& image) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    if (!out)
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
