#include "app/ResizeEngine.h"

#include <cmath>

#include "app/InterpolMode.h"

#if __has_include("engine/DetailResampleV1.h")
#include "engine/DetailResampleV1.h"  // WholeFactorFlag lives with the resampler that uses it
#else
double WholeFactorFlag(int dstW, int dstH, int srcW, int srcH) {
    const double fx = static_cast<double>(dstW) / srcW, fy = static_cast<double>(dstH) / srcH;
    return fx == std::trunc(fx) && fy == std::trunc(fy) ? 1.0 : 2.0;
}
#endif

void SetModeArguments(int mode, EngineCall& call) {
    call.noise = 0;
    call.colour = 1;
    switch (mode) {
    case INTERPOL_ARTIFICIAL_SCENES:
        call.sharpness = 50;
        call.wholeFactor = WholeFactorFlag(call.dstW, call.dstH, call.srcW, call.srcH);
        call.core = 3;
        break;
    case INTERPOL_NATURAL_SCENES:
        call.sharpness = 40;
        call.wholeFactor = WholeFactorFlag(call.dstW, call.dstH, call.srcW, call.srcH);
        call.core = 3;
        break;
    case INTERPOL_ADVANCED_NATURAL_SCENES:
        call.sharpness = 25;
        call.wholeFactor = 2;
        call.core = 4;
        break;
    case INTERPOL_SUPERRES_ARTIFICIAL_SCENES:
        call.envelopeContrast = 1;
        break;
    case INTERPOL_SUPERRESOLUTION:
        call.envelopeContrast = 0;
        break;
    default:
        break;
    }
}

int RunEngineMode(const ResizeEngine& engine, int mode, const EngineCall& call) {
    const std::function<int(const EngineCall&)>* entry = nullptr;
    switch (mode) {
    case INTERPOL_ARTIFICIAL_SCENES:
    case INTERPOL_ADVANCED_NATURAL_SCENES:
        entry = &engine.resizeImageV1;
        break;
    case INTERPOL_NATURAL_SCENES:
        entry = &engine.resizeImageV2;
        break;
    case INTERPOL_SUPERRES_ARTIFICIAL_SCENES:
    case INTERPOL_SUPERRESOLUTION:
        entry = &engine.superResolutionEnlarge;
        break;
    default:
        return 0;
    }
    return *entry ? (*entry)(call) : 0;
}
