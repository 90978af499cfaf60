#pragma once
// The ten resampling algorithms of the system, stored as their index in the
// settings, in every basket item and in batch files.

namespace imaging {
enum class InterpolationMode;
}

enum InterpolMode : int {
    INTERPOL_NEAREST_NEIGHBOR = 0,
    INTERPOL_BILINEAR = 1,
    INTERPOL_HQ_BILINEAR = 2,
    INTERPOL_BICUBIC = 3,
    INTERPOL_HQ_BICUBIC = 4,
    INTERPOL_ARTIFICIAL_SCENES = 5,
    INTERPOL_NATURAL_SCENES = 6,
    INTERPOL_ADVANCED_NATURAL_SCENES = 7,
    INTERPOL_SUPERRES_ARTIFICIAL_SCENES = 8,
    INTERPOL_SUPERRESOLUTION = 9,
};

inline constexpr int kInterpolModeCount = 10;
inline constexpr int kDefaultInterpolMode = INTERPOL_HQ_BICUBIC;

// Modes 0-4 are drawn by the imaging layer, 5-9 run the engine.
inline constexpr bool IsDrawingMode(int mode) { return mode >= 0 && mode <= INTERPOL_HQ_BICUBIC; }
inline constexpr bool IsEngineMode(int mode) { return mode >= INTERPOL_ARTIFICIAL_SCENES && mode < kInterpolModeCount; }

// The string-table id of a mode's name (for logs and tooltips); 0 for a
// value outside 0-9.
int InterpolModeStringId(int mode);

// The imaging layer's interpolation for modes 0-4.
imaging::InterpolationMode DrawingInterpolation(int mode);
