// InterpolMode 5, 6 and 7 for `vespera-bench resize`: the detail resamplers
// with the arguments the whole-image resize passes.

#include "engine/DetailResampleV1.h"
#include "engine/DetailResampleV2.h"
#include "vespera-bench/EngineModes.h"

namespace {

constexpr int kColour = 1;
constexpr int kNoNoise = 0;

int ArtificialScenes(const BgrBuffer& src, BgrBuffer& dst) {
    const double wf = WholeFactorFlag(dst.width, dst.height, src.width, src.height);
    return ResizeImageV1(dst.bits, dst.stride, src.bits, src.stride, kColour, dst.width,
                         dst.height, src.width, src.height, 50, wf, kNoNoise, 3, nullptr);
}

int NaturalScenes(const BgrBuffer& src, BgrBuffer& dst) {
    const double wf = WholeFactorFlag(dst.width, dst.height, src.width, src.height);
    return ResizeImageV2(dst.bits, dst.stride, src.bits, src.stride, kColour, dst.width,
                         dst.height, src.width, src.height, 40, wf, kNoNoise, 3, nullptr);
}

int AdvancedNaturalScenes(const BgrBuffer& src, BgrBuffer& dst) {
    return ResizeImageV1(dst.bits, dst.stride, src.bits, src.stride, kColour, dst.width,
                         dst.height, src.width, src.height, 25, 2, kNoNoise, 4, nullptr);
}

const RegisterEngineMode reg5{5, ArtificialScenes};
const RegisterEngineMode reg6{6, NaturalScenes};
const RegisterEngineMode reg7{7, AdvancedNaturalScenes};

}  // namespace
