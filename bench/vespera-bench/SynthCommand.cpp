// vespera-bench synth OUT.ppm W H [SEED]
// Writes a deterministic photograph-like test image: a graded sky, hills with
// soft and hard edges, fine texture, thin lines and sensor-like noise.

#include <cmath>
#include <random>
#include <stdexcept>

#include "vespera-bench/Ppm.h"
#include "vespera-bench/Subcommand.h"

namespace {

std::uint8_t ToByte(double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); }

RgbImage Synthesize(int w, int h, unsigned seed) {
    RgbImage image{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 3)};
    std::mt19937 rng(seed);
    std::normal_distribution<double> grain(0.0, 3.0);
    const double pi = 3.141592653589793;
    for (int y = 0; y < h; ++y) {
        const double fy = double(y) / h;
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w;
            const double horizon = 0.55 + 0.08 * std::sin(fx * 2 * pi * 1.3) + 0.03 * std::sin(fx * 2 * pi * 7.1);
            double r, g, b;
            if (fy < horizon) {  // sky with a soft sun
                const double sun = std::exp(-((fx - 0.7) * (fx - 0.7) + (fy - 0.2) * (fy - 0.2)) * 60);
                r = 90 + 120 * fy + 140 * sun;
                g = 140 + 80 * fy + 120 * sun;
                b = 230 - 40 * fy + 20 * sun;
            } else {  // textured ground with stripes of crops
                const double t = 0.5 + 0.5 * std::sin((fx * 180 + fy * 40) + 3 * std::sin(fy * 50));
                const double stripes = (static_cast<int>(fx * 60 + fy * 25) % 2) ? 18 : -18;
                r = 70 + 60 * t + stripes;
                g = 110 + 70 * t + stripes;
                b = 40 + 30 * t;
            }
            // Thin dark poles: hard one-pixel detail.
            if (x % (w / 23 + 1) == 0 && fy > horizon - 0.15)
                r = g = b = 25;
            const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 3;
            image.rgb[i] = ToByte(r + grain(rng));
            image.rgb[i + 1] = ToByte(g + grain(rng));
            image.rgb[i + 2] = ToByte(b + grain(rng));
        }
    }
    return image;
}

int RunSynth(const std::vector<std::string>& args) {
    if (args.size() < 3 || args.size() > 4)
        throw std::invalid_argument("expected OUT.ppm W H [SEED]");
    const int w = IntArgument(args[1]), h = IntArgument(args[2]);
    if (w <= 0 || h <= 0 || w > 50000 || h > 50000)
        throw std::invalid_argument("size out of range");
    const unsigned seed = args.size() == 4 ? static_cast<unsigned>(IntArgument(args[3])) : 1u;
    const RgbImage image = TimeOperation([&] { return Synthesize(w, h, seed); });
    WritePpm(args[0], image);
    return 0;
}

const RegisterSubcommand reg{"synth", "OUT.ppm W H [SEED]", "writes a deterministic photograph-like test image",
                             RunSynth};

}  // namespace
