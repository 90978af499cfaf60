// vespera-bench jpeg-decode IN.jpg OUT.ppm [REPEAT]
// vespera-bench jpeg-encode IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]
// vespera-bench psnr A.ppm B.ppm
// The Kestrel codec on memory buffers: the file is read before and written
// after the timed part. With REPEAT the operation runs that many times and
// time_ms is the mean per call. LAYOUT is 420, 422 or grey.

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include <cmath>

#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"
#include "vespera-bench/Ppm.h"
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

int RepeatArgument(const std::vector<std::string>& args, std::size_t index) {
    const int repeat = args.size() > index ? IntArgument(args[index]) : 1;
    if (repeat < 1)
        throw std::invalid_argument("REPEAT must be at least 1");
    return repeat;
}

// Runs fn repeat times and prints the mean time per call.
template <typename Fn>
auto TimeRepeated(int repeat, Fn&& fn) {
    if (repeat == 1)
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

// Decodes a whole JPEG into RGB (grey rows are repeated into all three).
RgbImage Decode(const std::vector<std::uint8_t>& file) {
    ISSStreamMem stream(file.data(), file.size());
    std::uint32_t width = 0, height = 0;
    bool isColour = false;
    std::unique_ptr<Kestrel::Decoder, Kestrel::DecoderDeleter> decoder(
        Kestrel::CreateDecoder(stream, &width, &height, &isColour, nullptr, nullptr, nullptr));
    if (!decoder)
        throw std::bad_alloc();
    RgbImage image{static_cast<int>(width), static_cast<int>(height),
                   std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = decoder->ReadLine();
        std::uint8_t* out = &image.rgb[std::size_t(y) * width * 3];
        if (isColour) {
            std::copy(row, row + std::size_t(width) * 3, out);
        } else {
            for (std::uint32_t x = 0; x < width; ++x, out += 3)
                out[0] = out[1] = out[2] = row[x];
        }
    }
    return image;
}

std::vector<std::uint8_t> Encode(const RgbImage& image, const std::vector<std::uint8_t>& grey, int quality,
                                 const std::string& layout) {
    platform::CMemFile file;
    OSSStream stream(file);
    const bool isColour = layout != "grey";
    std::unique_ptr<Kestrel::Coder, Kestrel::CoderDeleter> coder(
        Kestrel::CreateCoder(stream, static_cast<std::uint32_t>(image.width), static_cast<std::uint32_t>(image.height),
                             isColour, quality, layout == "422", false, 2, 300, 300));
    if (!coder)
        throw std::bad_alloc();
    const std::size_t rowBytes = std::size_t(image.width) * (isColour ? 3 : 1);
    const std::uint8_t* rows = isColour ? image.rgb.data() : grey.data();
    for (int y = 0; y < image.height; ++y)
        coder->WriteLine(rows + rowBytes * std::size_t(y));
    return file.Detach();
}

int RunDecode(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3)
        throw std::invalid_argument("expected IN.jpg OUT.ppm [REPEAT]");
    const int repeat = RepeatArgument(args, 2);
    const std::vector<std::uint8_t> file = ReadWholeFile(args[0]);
    const RgbImage image = TimeRepeated(repeat, [&] { return Decode(file); });
    WritePpm(args[1], image);
    return 0;
}

int RunEncode(const std::vector<std::string>& args) {
    if (args.size() < 4 || args.size() > 5)
        throw std::invalid_argument("expected IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]");
    const int quality = IntArgument(args[2]);
    const std::string& layout = args[3];
    if (layout != "420" && layout != "422" && layout != "grey")
        throw std::invalid_argument("LAYOUT must be 420, 422 or grey");
    const int repeat = RepeatArgument(args, 4);
    const RgbImage image = ReadPpm(args[0]);
    std::vector<std::uint8_t> grey;
    if (layout == "grey") {
        // Rec. 601 luma, rounded.
        grey.resize(std::size_t(image.width) * image.height);
        for (std::size_t i = 0; i < grey.size(); ++i)
            grey[i] = static_cast<std::uint8_t>(
                (299 * image.rgb[3 * i] + 587 * image.rgb[3 * i + 1] + 114 * image.rgb[3 * i + 2] + 500) / 1000);
    }
    const std::vector<std::uint8_t> jpeg = TimeRepeated(repeat, [&] { return Encode(image, grey, quality, layout); });
    WriteWholeFile(args[1], jpeg);
    std::fprintf(stderr, "bytes=%zu\n", jpeg.size());
    return 0;
}

int RunPsnr(const std::vector<std::string>& args) {
    if (args.size() != 2)
        throw std::invalid_argument("expected A.ppm B.ppm");
    const RgbImage a = ReadPpm(args[0]), b = ReadPpm(args[1]);
    if (a.width != b.width || a.height != b.height)
        throw std::invalid_argument("the images differ in size");
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    const double mse = sum / double(a.rgb.size());
    std::printf("psnr_db=%.2f\n", mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse));
    return 0;
}

const RegisterSubcommand regDecode{"jpeg-decode", "IN.jpg OUT.ppm [REPEAT]",
                                   "decodes a baseline JPEG with Kestrel (mean time per call with REPEAT)",
                                   RunDecode};
const RegisterSubcommand regEncode{"jpeg-encode", "IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]",
                                   "encodes with Kestrel, LAYOUT 420, 422 or grey (mean time per call with REPEAT)",
                                   RunEncode};
const RegisterSubcommand regPsnr{"psnr", "A.ppm B.ppm", "peak signal-to-noise ratio over all channels", RunPsnr};

}  // namespace
