#include "vespera-bench/JpegBench.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

int RepeatArgument(const std::vector<std::string>& args, std::size_t index) {
    const int repeat = args.size() > index ? IntArgument(args[index]) : 1;
    if (repeat < 1)
        throw std::invalid_argument("REPEAT must be at least 1");
    return repeat;
}

void CheckLayout(const std::string& layout) {
    if (layout != "420" && layout != "422" && layout != "grey")
        throw std::invalid_argument("LAYOUT must be 420, 422 or grey");
}

std::vector<std::uint8_t> GreyPlane(const RgbImage& image) {
    std::vector<std::uint8_t> grey(std::size_t(image.width) * image.height);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<std::uint8_t>(
            (299 * image.rgb[3 * i] + 587 * image.rgb[3 * i + 1] + 114 * image.rgb[3 * i + 2] + 500) / 1000);
    return grey;
}
