#include "core/resize/InterpolMode.h"

#include "platform/imaging/Resampler.h"

namespace {

// The names' ids by mode; the names themselves are in the string table.
constexpr int kModeNameIds[kInterpolModeCount] = {110, 112, 111, 113, 114, 115, 116, 300, 25, 24};

}  // namespace

int InterpolModeStringId(int mode) { return mode >= 0 && mode < kInterpolModeCount ? kModeNameIds[mode] : 0; }

imaging::InterpolationMode DrawingInterpolation(int mode) {
    switch (mode) {
    case INTERPOL_NEAREST_NEIGHBOR:
        return imaging::InterpolationMode::NearestNeighbor;
    case INTERPOL_BILINEAR:
        return imaging::InterpolationMode::Bilinear;
    case INTERPOL_HQ_BILINEAR:
        return imaging::InterpolationMode::HighQualityBilinear;
    case INTERPOL_BICUBIC:
        return imaging::InterpolationMode::Bicubic;
    default:
        return imaging::InterpolationMode::HighQualityBicubic;
    }
}
