#include "core/resize/InterpolMode.h"

#include "platform/imaging/Resampler.h"

namespace {

struct ModeText {
    const char* text;
    int stringId;
};

constexpr ModeText kModeTexts[kInterpolModeCount] = {
    {"Nearest Neighbor", 110},           {"Bilinear", 112},
    {"High Quality Bilinear", 111},      {"Bicubic", 113},
    {"High Quality Bicubic", 114},       {"Vespera for Artificial Scenes", 115},
    {"Vespera for Natural Scenes", 116}, {"Advanced for Natural Scenes", 300},
    {"ORVEK for Artificial Scenes", 25}, {"ORVEK Super-Resolution", 24},
};

}  // namespace

const char* InterpolModeDisplayString(int mode) {
    return mode >= 0 && mode < kInterpolModeCount ? kModeTexts[mode].text : "";
}

int InterpolModeStringId(int mode) { return mode >= 0 && mode < kInterpolModeCount ? kModeTexts[mode].stringId : 0; }

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
