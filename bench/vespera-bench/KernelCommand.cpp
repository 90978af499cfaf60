// vespera-bench kernel IN.ppm OUT.ppm W H TYPE SUPPORT PARAM
// KernelResample on each channel of a PPM.

#include <stdexcept>

#include "engine/KernelResample.h"
#include "vespera-bench/Ppm.h"
#include "vespera-bench/Subcommand.h"

namespace {

int RunKernel(const std::vector<std::string>& args) {
    if (args.size() != 7)
        throw std::invalid_argument("expected IN.ppm OUT.ppm W H TYPE SUPPORT PARAM");
    const RgbImage in = ReadPpm(args[0]);
    RgbImage out;
    out.width = IntArgument(args[2]);
    out.height = IntArgument(args[3]);
    const int type = IntArgument(args[4]);
    const double support = DoubleArgument(args[5]);
    const double param = DoubleArgument(args[6]);
    if (out.width <= 0 || out.height <= 0)
        throw std::invalid_argument("the output size must be positive");
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);

    std::vector<std::vector<std::uint8_t>> sources, results(3);
    for (int c = 0; c < 3; ++c)
        sources.push_back(ChannelPlane(in, c));
    for (auto& r : results)
        r.resize(static_cast<std::size_t>(out.width) * out.height);

    const bool ok = TimeOperation([&] {
        for (int c = 0; c < 3; ++c)
            if (!KernelResample(results[c].data(), sources[c].data(), in.width, in.height, out.width, out.height,
                                support, param, type, nullptr))
                return false;
        return true;
    });
    if (!ok) {
        std::fprintf(stderr, "KernelResample failed\n");
        return 1;
    }
    for (int c = 0; c < 3; ++c)
        SetChannelPlane(out, c, results[c]);
    WritePpm(args[1], out);
    return 0;
}

const RegisterSubcommand reg{"kernel", "IN.ppm OUT.ppm W H TYPE SUPPORT PARAM",
                             "KernelResample on each channel of a binary PPM", RunKernel};

}  // namespace
