#include "platform/imaging/PaletteQuantizer.h"

#include "platform/threads/ParallelFor.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <unordered_map>

namespace imaging {

namespace {

// ---------------------------------------------------------------------------
// Pixels as packed 0xRRGGBB.

std::uint32_t Pack(const uchar* rgb) {
    return static_cast<std::uint32_t>(rgb[0]) << 16 | static_cast<std::uint32_t>(rgb[1]) << 8 | rgb[2];
}

int Red(std::uint32_t c) { return static_cast<int>(c >> 16 & 0xFF); }
int Green(std::uint32_t c) { return static_cast<int>(c >> 8 & 0xFF); }
int Blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }

// The distinct colours of the picture in order of first appearance, or
// nothing when there are more than `maxColours`.
bool DistinctColours(const std::vector<std::uint32_t>& pixels, int maxColours,
                     std::unordered_map<std::uint32_t, std::uint8_t>& index, std::vector<PaletteColour>& palette) {
    for (const std::uint32_t c : pixels) {
        if (index.count(c))
            continue;
        if (static_cast<int>(palette.size()) == maxColours)
            return false;
        index.emplace(c, static_cast<std::uint8_t>(palette.size()));
        palette.push_back({static_cast<std::uint8_t>(Red(c)), static_cast<std::uint8_t>(Green(c)),
                           static_cast<std::uint8_t>(Blue(c))});
    }
    return true;
}

// ---------------------------------------------------------------------------
// Wu's box split over a histogram of 5 bits a channel. Each cell holds the
// count of its pixels and the sums of their own red, green and blue values
// and of their squares; the sums are made cumulative over the cube, so that
// the moments of any box come from eight look-ups.

constexpr int kSide = 33;  // 32 cells a channel and a zero plane below them

struct Moments {
    std::int64_t count = 0;
    std::int64_t r = 0, g = 0, b = 0;
    double squares = 0.0;

    Moments& operator+=(const Moments& o) {
        count += o.count;
        r += o.r;
        g += o.g;
        b += o.b;
        squares += o.squares;
        return *this;
    }
    Moments& operator-=(const Moments& o) {
        count -= o.count;
        r -= o.r;
        g -= o.g;
        b -= o.b;
        squares -= o.squares;
        return *this;
    }
    // Sum of the squared distances to the mean colour, left out: the part
    // that a split can change, |sum|^2 / count.
    double SpreadGain() const {
        if (count == 0)
            return 0.0;
        const double rr = static_cast<double>(r), gg = static_cast<double>(g), bb = static_cast<double>(b);
        return (rr * rr + gg * gg + bb * bb) / static_cast<double>(count);
    }
    double Variance() const { return count == 0 ? 0.0 : squares - SpreadGain(); }
};

// A box of cells: lo (exclusive) to hi (inclusive) on each channel.
struct Box {
    std::array<int, 3> lo{0, 0, 0};
    std::array<int, 3> hi{kSide - 1, kSide - 1, kSide - 1};

    std::int64_t Cells() const { return static_cast<std::int64_t>(hi[0] - lo[0]) * (hi[1] - lo[1]) * (hi[2] - lo[2]); }
};

class ColourCube {
public:
    explicit ColourCube(const std::vector<std::uint32_t>& pixels) : cells_(kSide * kSide * kSide) {
        for (const std::uint32_t c : pixels) {
            Moments& m = cells_[At((Red(c) >> 3) + 1, (Green(c) >> 3) + 1, (Blue(c) >> 3) + 1)];
            const int r = Red(c), g = Green(c), b = Blue(c);
            ++m.count;
            m.r += r;
            m.g += g;
            m.b += b;
            m.squares += static_cast<double>(r * r + g * g + b * b);
        }
        // Cumulative along blue, then green, then red.
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    cells_[At(r, g, b)] += cells_[At(r, g, b - 1)];
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    cells_[At(r, g, b)] += cells_[At(r, g - 1, b)];
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    cells_[At(r, g, b)] += cells_[At(r - 1, g, b)];
    }

    Moments Of(const Box& box) const {
        const auto& lo = box.lo;
        const auto& hi = box.hi;
        Moments m = Cumulative(hi[0], hi[1], hi[2]);
        m -= Cumulative(hi[0], hi[1], lo[2]);
        m -= Cumulative(hi[0], lo[1], hi[2]);
        m += Cumulative(hi[0], lo[1], lo[2]);
        m -= Cumulative(lo[0], hi[1], hi[2]);
        m += Cumulative(lo[0], hi[1], lo[2]);
        m += Cumulative(lo[0], lo[1], hi[2]);
        m -= Cumulative(lo[0], lo[1], lo[2]);
        return m;
    }

private:
    static int At(int r, int g, int b) { return (r * kSide + g) * kSide + b; }
    const Moments& Cumulative(int r, int g, int b) const { return cells_[At(r, g, b)]; }

    std::vector<Moments> cells_;
};

// Splits `box` where the two halves leave the least variance; false when no
// cut leaves pixels on both sides.
bool SplitBox(const ColourCube& cube, Box& box, Box& other) {
    const Moments whole = cube.Of(box);
    double best = -1.0;
    int bestAxis = -1, bestCut = 0;
    for (int axis = 0; axis < 3; ++axis) {
        for (int cut = box.lo[axis] + 1; cut < box.hi[axis]; ++cut) {
            Box lower = box;
            lower.hi[axis] = cut;
            const Moments half = cube.Of(lower);
            if (half.count == 0 || half.count == whole.count)
                continue;
            Moments rest = whole;
            rest -= half;
            const double gain = half.SpreadGain() + rest.SpreadGain();
            if (gain > best) {
                best = gain;
                bestAxis = axis;
                bestCut = cut;
            }
        }
    }
    if (bestAxis < 0)
        return false;
    other = box;
    box.hi[bestAxis] = bestCut;
    other.lo[bestAxis] = bestCut;
    return true;
}

// The mean colours of up to `maxColours` boxes.
std::vector<std::array<float, 3>> WuPalette(const std::vector<std::uint32_t>& pixels, int maxColours) {
    const ColourCube cube(pixels);
    std::vector<Box> boxes(1);
    std::vector<double> variance(1, cube.Of(boxes[0]).Variance());
    while (static_cast<int>(boxes.size()) < maxColours) {
        const auto widest = std::max_element(variance.begin(), variance.end());
        if (*widest <= 0.0)
            break;
        const std::size_t i = static_cast<std::size_t>(widest - variance.begin());
        Box other;
        if (!SplitBox(cube, boxes[i], other)) {
            variance[i] = 0.0;
            continue;
        }
        boxes.push_back(other);
        variance.push_back(0.0);
        // A box of one cell cannot be split further.
        for (const std::size_t j : {i, boxes.size() - 1})
            variance[j] = boxes[j].Cells() > 1 ? cube.Of(boxes[j]).Variance() : 0.0;
    }
    std::vector<std::array<float, 3>> palette;
    for (const Box& box : boxes) {
        const Moments m = cube.Of(box);
        if (m.count == 0)
            continue;
        const double n = static_cast<double>(m.count);
        palette.push_back({static_cast<float>(m.r / n), static_cast<float>(m.g / n), static_cast<float>(m.b / n)});
    }
    return palette;
}

// ---------------------------------------------------------------------------
// Nearest palette colour by squared RGB distance. The entries are sorted by
// green; the search walks out from the query's green both ways and stops on
// each side once the green difference alone is farther than the best found.

class NearestColour {
public:
    explicit NearestColour(const std::vector<std::array<float, 3>>& palette) {
        order_.reserve(palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i)
            order_.push_back({palette[i], static_cast<int>(i)});
        std::sort(order_.begin(), order_.end(), [](const Entry& a, const Entry& b) {
            return a.colour[1] < b.colour[1] || (a.colour[1] == b.colour[1] && a.index < b.index);
        });
    }

    int Find(float r, float g, float b) const {
        const auto start = std::lower_bound(order_.begin(), order_.end(), g,
                                            [](const Entry& e, float value) { return e.colour[1] < value; });
        float best = std::numeric_limits<float>::max();
        int found = 0;
        auto consider = [&](const Entry& e) {
            const float dr = e.colour[0] - r, dg = e.colour[1] - g, db = e.colour[2] - b;
            const float d = dr * dr + dg * dg + db * db;
            if (d < best || (d == best && e.index < found)) {
                best = d;
                found = e.index;
            }
        };
        for (auto it = start; it != order_.end(); ++it) {
            const float dg = it->colour[1] - g;
            if (dg * dg > best)
                break;
            consider(*it);
        }
        for (auto it = start; it != order_.begin();) {
            --it;
            const float dg = g - it->colour[1];
            if (dg * dg > best)
                break;
            consider(*it);
        }
        return found;
    }

private:
    struct Entry {
        std::array<float, 3> colour;
        int index;
    };
    std::vector<Entry> order_;
};

// ---------------------------------------------------------------------------
// K-means refinement: each colour moves to the mean of the sample pixels
// nearest to it, until the palette settles or the rounds are used up. A
// colour that no sample pixel chose keeps its place, and so do the first
// `fixed` colours (the flat ones).

constexpr std::size_t kRefineSample = std::size_t{1} << 18;
constexpr int kRefineRounds = 10;

void Refine(const std::vector<std::uint32_t>& pixels, std::vector<std::array<float, 3>>& palette, std::size_t fixed) {
    const std::size_t step = std::max<std::size_t>(1, pixels.size() / kRefineSample);
    struct Sum {
        double r = 0, g = 0, b = 0;
        std::int64_t count = 0;
    };
    for (int round = 0; round < kRefineRounds; ++round) {
        const NearestColour nearest(palette);
        std::vector<Sum> sums(palette.size());
        for (std::size_t i = 0; i < pixels.size(); i += step) {
            const std::uint32_t c = pixels[i];
            const float r = static_cast<float>(Red(c)), g = static_cast<float>(Green(c)),
                        b = static_cast<float>(Blue(c));
            Sum& s = sums[static_cast<std::size_t>(nearest.Find(r, g, b))];
            s.r += r;
            s.g += g;
            s.b += b;
            ++s.count;
        }
        double moved = 0.0;
        for (std::size_t k = fixed; k < palette.size(); ++k) {
            if (sums[k].count == 0)
                continue;
            const double n = static_cast<double>(sums[k].count);
            const std::array<float, 3> mean{static_cast<float>(sums[k].r / n), static_cast<float>(sums[k].g / n),
                                            static_cast<float>(sums[k].b / n)};
            for (int ch = 0; ch < 3; ++ch)
                moved = std::max(moved, static_cast<double>(std::fabs(mean[ch] - palette[k][ch])));
            palette[k] = mean;
        }
        if (moved < 0.25)
            break;
    }
}

// Exact colours that cover a flat area: at least one sample pixel in
// kFlatShare (a 16 x 16 square of a 512 x 512 picture), the most frequent
// first, at most an eighth of the palette. They go into the palette as they
// are and stay there, so a logo, a painted square or a white border keeps
// its value instead of the mean with its photographic neighbours.
constexpr std::size_t kFlatShare = 1024;

std::vector<std::array<float, 3>> FlatColours(const std::vector<std::uint32_t>& pixels, int maxColours) {
    const std::size_t step = std::max<std::size_t>(1, pixels.size() / kRefineSample);
    const std::size_t sampled = (pixels.size() + step - 1) / step;
    const std::int64_t least = static_cast<std::int64_t>(std::max<std::size_t>(16, sampled / kFlatShare));
    std::unordered_map<std::uint32_t, std::int64_t> counts;
    for (std::size_t i = 0; i < pixels.size(); i += step)
        ++counts[pixels[i]];
    std::vector<std::pair<std::int64_t, std::uint32_t>> frequent;
    for (const auto& [colour, count] : counts) {
        if (count >= least)
            frequent.push_back({count, colour});
    }
    // Most frequent first; equal counts by colour, so the result never
    // depends on the map's order.
    std::sort(frequent.begin(), frequent.end(), [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    const std::size_t most = static_cast<std::size_t>(maxColours / 8);
    if (frequent.size() > most)
        frequent.resize(most);
    std::vector<std::array<float, 3>> flat;
    for (const auto& [count, colour] : frequent)
        flat.push_back(
            {static_cast<float>(Red(colour)), static_cast<float>(Green(colour)), static_cast<float>(Blue(colour))});
    return flat;
}

std::uint8_t ToByte(float v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

void QuantizeFullColour(const std::vector<std::uint32_t>& pixels, int maxColours, IndexedPixels& out) {
    std::vector<std::array<float, 3>> palette = FlatColours(pixels, maxColours);
    const std::size_t fixed = palette.size();
    for (const auto& colour : WuPalette(pixels, maxColours - static_cast<int>(fixed)))
        palette.push_back(colour);
    Refine(pixels, palette, fixed);
    // The search of the final mapping uses the rounded colours that the file
    // will hold.
    out.palette.clear();
    for (auto& colour : palette) {
        out.palette.push_back({ToByte(colour[0]), ToByte(colour[1]), ToByte(colour[2])});
        for (int ch = 0; ch < 3; ++ch)
            colour[ch] = out.palette.back()[ch];
    }
    const NearestColour nearest(palette);
    out.indices.resize(pixels.size());
    constexpr std::size_t kChunk = 1 << 16;
    const int chunks = static_cast<int>((pixels.size() + kChunk - 1) / kChunk);
    ParallelFor(0, chunks, [&](int first, int last) {
        for (std::size_t chunk = static_cast<std::size_t>(first); chunk < static_cast<std::size_t>(last); ++chunk) {
            const std::size_t end = std::min(pixels.size(), (chunk + 1) * kChunk);
            std::uint32_t previous = ~0u;
            std::uint8_t previousIndex = 0;
            for (std::size_t i = chunk * kChunk; i < end; ++i) {
                const std::uint32_t c = pixels[i];
                if (c != previous) {
                    previous = c;
                    previousIndex = static_cast<std::uint8_t>(nearest.Find(
                        static_cast<float>(Red(c)), static_cast<float>(Green(c)), static_cast<float>(Blue(c))));
                }
                out.indices[i] = previousIndex;
            }
        }
    });
}

}  // namespace

bool QuantizeToPalette(const QImage& image, int maxColours, IndexedPixels& out) {
    if (image.isNull() || maxColours < 2 || maxColours > 256)
        return false;
    try {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        if (rgb.isNull())
            return false;
        const int w = rgb.width(), h = rgb.height();
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y) {
            const uchar* row = rgb.constScanLine(y);
            std::uint32_t* to = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)];
            for (int x = 0; x < w; ++x)
                to[x] = Pack(row + 3 * x);
        }
        std::unordered_map<std::uint32_t, std::uint8_t> index;
        out.palette.clear();
        if (DistinctColours(pixels, maxColours, index, out.palette)) {
            out.indices.resize(pixels.size());
            std::transform(pixels.begin(), pixels.end(), out.indices.begin(),
                           [&](std::uint32_t c) { return index.at(c); });
            return true;
        }
        QuantizeFullColour(pixels, maxColours, out);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace imaging
