// vespera-bench resize IN.ppm OUT.ppm W H MODE
// The engine's whole-image path for one InterpolMode on a PPM.

#include <stdexcept>
#include <vector>

#include "vespera-bench/EngineModes.h"
#include "vespera-bench/Ppm.h"
#include "vespera-bench/Subcommand.h"

std::map<int, EngineModeFn>& EngineModes() {
    static std::map<int, EngineModeFn> modes;
    return modes;
}

namespace {

int PaddedStride(int width) { return (width * 3 + 3) & ~3; }

// RGB rows to BGR rows with a padded stride, and back.
void ToBgr(const RgbImage& in, std::vector<std::uint8_t>& bits, BgrBuffer& buffer) {
    buffer = {in.width, in.height, PaddedStride(in.width), nullptr};
    bits.assign(static_cast<std::size_t>(buffer.stride) * in.height, 0);
    buffer.bits = bits.data();
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            const std::uint8_t* rgb = &in.rgb[(static_cast<std::size_t>(y) * in.width + x) * 3];
            std::uint8_t* bgr = &bits[static_cast<std::size_t>(y) * buffer.stride + x * 3];
            bgr[0] = rgb[2];
            bgr[1] = rgb[1];
            bgr[2] = rgb[0];
        }
}

RgbImage FromBgr(const BgrBuffer& buffer) {
    RgbImage out{buffer.width, buffer.height, std::vector<std::uint8_t>(static_cast<std::size_t>(buffer.width) * buffer.height * 3)};
    for (int y = 0; y < buffer.height; ++y)
        for (int x = 0; x < buffer.width; ++x) {
            const std::uint8_t* bgr = &buffer.bits[static_cast<std::size_t>(y) * buffer.stride + x * 3];
            std::uint8_t* rgb = &out.rgb[(static_cast<std::size_t>(y) * buffer.width + x) * 3];
            rgb[0] = bgr[2];
            rgb[1] = bgr[1];
            rgb[2] = bgr[0];
        }
    return out;
}

int RunResize(const std::vector<std::string>& args) {
    if (args.size() != 5)
        throw std::invalid_argument("expected IN.ppm OUT.ppm W H MODE");
    const int w = IntArgument(args[2]), h = IntArgument(args[3]), mode = IntArgument(args[4]);
    const auto fn = EngineModes().find(mode);
    if (fn == EngineModes().end())
        throw std::invalid_argument("mode " + args[4] + " is not available");
    if (w <= 0 || h <= 0)
        throw std::invalid_argument("the output size must be positive");

    std::vector<std::uint8_t> srcBits, dstBits;
    BgrBuffer src, dst;
    ToBgr(ReadPpm(args[0]), srcBits, src);
    dst = {w, h, PaddedStride(w), nullptr};
    dstBits.assign(static_cast<std::size_t>(dst.stride) * h, 0);
    dst.bits = dstBits.data();

    if (!TimeOperation([&] { return fn->second(src, dst); })) {
        std::fprintf(stderr, "resize in mode %d failed\n", mode);
        return 1;
    }
    WritePpm(args[1], FromBgr(dst));
    return 0;
}

const RegisterSubcommand reg{"resize", "IN.ppm OUT.ppm W H MODE",
                             "the whole-image engine path of one InterpolMode on a PPM", RunResize};

}  // namespace
