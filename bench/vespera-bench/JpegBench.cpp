#include "vespera-bench/JpegBench.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "vespera-bench/Subcommand.h"

namespace {

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

// The optional REPEAT argument at args[index]: 1 when absent.
int RepeatArgument(const std::vector<std::string>& args, std::size_t index) {
    const int repeat = args.size() > index ? IntArgument(args[index]) : 1;
    if (repeat < 1)
        throw std::invalid_argument("REPEAT must be at least 1");
    return repeat;
}

// Rec. 601 luma of each pixel, rounded.
std::vector<std::uint8_t> GreyPlane(const RgbImage& image) {
    std::vector<std::uint8_t> grey(std::size_t(image.width) * image.height);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<std::uint8_t>(
            (299 * image.rgb[3 * i] + 587 * image.rgb[3 * i + 1] + 114 * image.rgb[3 * i + 2] + 500) / 1000);
    return grey;
}

// Runs fn repeat times; prints the mean time per call as time_ms (and the
// number of calls when there is more than one). Returns the last result.
template <typename Fn>
auto TimeRepeated(int repeat, Fn&& fn) {
    if (repeat <= 1)
        return TimeOperation(fn);
    const auto start = std::chrono::steady_clock::now();
    auto result = fn();
    for (int i = 1; i < repeat; ++i)
        result = fn();
    const auto end = std::chrono::steady_clock::now();
    std::fprintf(stderr, "calls=%d\ntime_ms=%.4f\n", repeat,
                 std::chrono::duration<double, std::milli>(end - start).count() / repeat);
    return result;
}

}  // namespace

int RunJpegDecodeSubcommand(const std::vector<std::string>& args, const JpegDecodeFn& decode) {
    if (args.size() < 2 || args.size() > 3)
        throw std::invalid_argument("expected IN.jpg OUT.ppm [REPEAT]");
    const int repeat = RepeatArgument(args, 2);
    const std::vector<std::uint8_t> file = ReadWholeFile(args[0]);
    const RgbImage image = TimeRepeated(repeat, [&] { return decode(file); });
    WritePpm(args[1], image);
    return 0;
}

int RunJpegEncodeSubcommand(const std::vector<std::string>& args, const JpegEncodeFn& encode) {
    if (args.size() < 4 || args.size() > 5)
        throw std::invalid_argument("expected IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]");
    const int quality = IntArgument(args[2]);
    const std::string& layout = args[3];
    if (layout != "420" && layout != "422" && layout != "grey")
        throw std::invalid_argument("LAYOUT must be 420, 422 or grey");
    const int repeat = RepeatArgument(args, 4);
    const RgbImage image = ReadPpm(args[0]);
    const std::vector<std::uint8_t> grey = layout == "grey" ? GreyPlane(image) : std::vector<std::uint8_t>{};
    const std::vector<std::uint8_t> jpeg = TimeRepeated(repeat, [&] { return encode(image, grey, quality, layout); });
    WriteWholeFile(args[1], jpeg);
    std::fprintf(stderr, "bytes=%zu\n", jpeg.size());
    return 0;
}
