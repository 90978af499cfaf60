#include "core/resize/ResizeEngine.h"

#include "core/resize/InterpolMode.h"

#include <new>
#include "engine/DetailResampleV1.h"  // WholeFactorFlag

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
    if (!*entry)
        return 0;
    // The detail resamplers let a failed plane allocation escape; to the
    // caller that is a failed resize like any other.
    try {
        return (*entry)(call);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
