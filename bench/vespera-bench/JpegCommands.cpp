// vespera-bench jpeg-decode IN.jpg OUT.ppm [REPEAT]
// vespera-bench jpeg-encode IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]
// vespera-bench psnr A.ppm B.ppm
// The Kestrel codec memory to memory: the file is read before and written
// after the timed part. With REPEAT the operation runs that many times and
// time_ms is the mean per call. LAYOUT is 420, 422 or grey (the Rec. 601
// luma of the input).

#include <cmath>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "imagefiles/kestrel/Kestrel.h"
#include "imagefiles/kestrel/MemStreams.h"
#include "vespera-bench/JpegBench.h"
#include "vespera-bench/Subcommand.h"

namespace {

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

int RunDecode(const std::vector<std::string>& args) { return RunJpegDecodeSubcommand(args, Decode); }
int RunEncode(const std::vector<std::string>& args) { return RunJpegEncodeSubcommand(args, Encode); }

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
                                   "decodes a baseline JPEG with Kestrel (mean time per call with REPEAT)", RunDecode};
const RegisterSubcommand regEncode{"jpeg-encode", "IN.ppm OUT.jpg QUALITY LAYOUT [REPEAT]",
                                   "encodes with Kestrel, LAYOUT 420, 422 or grey (mean time per call with REPEAT)",
                                   RunEncode};
const RegisterSubcommand regPsnr{"psnr", "A.ppm B.ppm", "peak signal-to-noise ratio over all channels", RunPsnr};

}  // namespace
