#include "imagefiles/kestrel/FrameGeometry.h"

#include <algorithm>

namespace Kestrel {

namespace {

std::uint32_t CeilDiv(std::uint64_t a, std::uint64_t b) { return static_cast<std::uint32_t>((a + b - 1) / b); }

}  // namespace

FrameGeometry SetUpFrameGeometry(std::uint32_t width, std::uint32_t height, FrameComponent* components, int nf) {
    FrameGeometry g;
    if (nf == 1)
        components[0].h = components[0].v = 1;
    for (int c = 0; c < nf; ++c) {
        g.hmax = std::max(g.hmax, components[c].h);
        g.vmax = std::max(g.vmax, components[c].v);
    }
    g.mcuWidth = 8 * g.hmax;
    g.mcuHeight = 8 * g.vmax;
    g.mcusPerRow = CeilDiv(width, g.mcuWidth);
    g.mcuRows = CeilDiv(height, g.mcuHeight);
    g.paddedWidth = g.mcusPerRow * static_cast<std::uint32_t>(g.mcuWidth);
    g.paddedHeight = g.mcuRows * static_cast<std::uint32_t>(g.mcuHeight);
    int first = 0;
    for (int c = 0; c < nf; ++c) {
        FrameComponent& fc = components[c];
        fc.blocks = fc.h * fc.v;
        fc.firstBlock = first;
        first += fc.blocks;
        fc.widthSamples = CeilDiv(std::uint64_t(width) * fc.h, g.hmax);
        fc.heightSamples = CeilDiv(std::uint64_t(height) * fc.v, g.vmax);
        fc.widthBlocks = CeilDiv(fc.widthSamples, 8);
        fc.heightBlocks = CeilDiv(fc.heightSamples, 8);
    }
    g.blocksPerMcu = first;
    g.coeffsPerMcu = 64 * first;
    return g;
}

void BuildIndexMap(FrameComponent& component, const FrameGeometry& geometry) {
    component.indexMap.resize(static_cast<std::size_t>(geometry.mcuWidth) * geometry.mcuHeight);
    for (int l = 0; l < geometry.mcuHeight; ++l) {
        const int g = (2 * l + 1) * component.v / (2 * geometry.vmax);
        for (int m = 0; m < geometry.mcuWidth; ++m) {
            const int u = (2 * m + 1) * component.h / (2 * geometry.hmax);
            component.indexMap[static_cast<std::size_t>(l) * geometry.mcuWidth + m] =
                (component.firstBlock + (g / 8) * component.h + (u / 8)) * 64 + (g % 8) * 8 + (u % 8);
        }
    }
}

}  // namespace Kestrel
