#pragma once
// Frame components and the MCU geometry of a frame (T.81 A.1 and A.2),
// shared by the decoder and the encoder.

#include <array>
#include <cstdint>
#include <vector>

namespace Kestrel {

struct FrameComponent {
    int id = 0;                                         // Ci
    int h = 1, v = 1;                                   // sampling factors
    int tq = 0;                                         // quantisation table
    int td = 0, ta = 0;                                 // Huffman tables (encoder side)
    int blocks = 0;                                     // H*V blocks per MCU
    int firstBlock = 0;                                 // index of its first block in the MCU
    std::uint32_t widthSamples = 0, heightSamples = 0;  // ceil(X*H/Hmax), ceil(Y*V/Vmax)
    std::uint32_t widthBlocks = 0, heightBlocks = 0;    // samples rounded up to 8, / 8
    // For each pixel (row l, column m) of an MCU, at l * MCU width + m: the
    // index of this component's sample in the MCU's coefficients.
    std::vector<std::int32_t> indexMap;
    // Dequantisation (decoder) or prescaled quantisation (encoder) table,
    // natural order.
    std::array<std::int32_t, 64> scaledQuant{};
};

struct FrameGeometry {
    int hmax = 1, vmax = 1;
    int mcuWidth = 8, mcuHeight = 8;
    std::uint32_t paddedWidth = 0, paddedHeight = 0;
    std::uint32_t mcusPerRow = 0, mcuRows = 0;
    int blocksPerMcu = 0;
    int coeffsPerMcu = 0;

    // Signed 16-bit values in one MCU row of coefficients.
    std::uint64_t CoefficientsPerMcuRow() const { return std::uint64_t(mcusPerRow) * std::uint64_t(coeffsPerMcu); }
};

// Computes the geometry of a frame of width x height pixels with nf
// components and fills in each component's blocks, first block and sizes.
// A single-component frame has one-block MCUs: its H and V become 1.
FrameGeometry SetUpFrameGeometry(std::uint32_t width, std::uint32_t height, FrameComponent* components, int nf);

// Fills the component's sample index map: pixel (m, l) of an MCU uses sample
// column floor((2m + 1) * H / (2 * Hmax)) and row floor((2l + 1) * V / (2 * Vmax)),
// which replicates subsampled samples over the pixels they cover.
void BuildIndexMap(FrameComponent& component, const FrameGeometry& geometry);

// One component of a scan, as the entropy coders see it.
struct ScanComponent {
    int offset = 0;    // of its first block in the MCU, in coefficients
    int blocks = 1;    // H*V
    int position = 0;  // in the scan
    int td = 0, ta = 0;
};

}  // namespace Kestrel
