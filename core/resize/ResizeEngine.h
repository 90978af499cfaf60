#pragma once
// The engine entry points that whole-image and region resizes call for
// InterpolMode 5-9, as a table, so that the callers' argument choices per mode
// live in one place (SetModeArguments) and tests can put a recording
// stand-in in the engine's place.

#include <cstdint>
#include <functional>

class CRSProgress;

// One engine call on 24-bit BGR buffers with strides.
struct EngineCall {
    std::uint8_t* dst = nullptr;
    int dstStride = 0;
    const std::uint8_t* src = nullptr;
    int srcStride = 0;
    int colour = 1;  // three channels B, G, R
    int dstW = 0;
    int dstH = 0;
    int srcW = 0;
    int srcH = 0;
    double sharpness = 0;      // detail resamplers
    double wholeFactor = 2;    // detail resamplers: 1 when both factors are whole
    int noise = 0;             // detail resamplers
    int core = 3;              // detail resamplers
    int envelopeContrast = 0;  // super-resolution
    CRSProgress* progress = nullptr;
};

struct ResizeEngine {
    std::function<int(const EngineCall&)> resizeImageV1;
    std::function<int(const EngineCall&)> resizeImageV2;
    std::function<int(const EngineCall&)> superResolutionEnlarge;
};

// The engine itself.
const ResizeEngine& DefaultResizeEngine();

// The arguments of a mode's engine call (sharpness, wf, noise, core, the
// envelope flag) filled into `call`, whose sizes must already be set.
void SetModeArguments(int mode, EngineCall& call);

// Runs the call for a mode 5-9 through the table; 0 for any other mode or an
// entry point that is not there.
int RunEngineMode(const ResizeEngine& engine, int mode, const EngineCall& call);
