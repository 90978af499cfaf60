#pragma once
// The limits of the resize settings, in one place for everything that takes
// them from outside: the settings store, settings files (.vps), basket items
// of batch files and the command line, and the resize panel.

#include "core/resize/InterpolMode.h"

inline constexpr int kResUnitCount = 3;          // dpi, per mm, per cm
inline constexpr int kSizeUnitCount = 5;         // inches, mm, cm, picas, points
inline constexpr int kCorrectPropCount = 3;      // keep aspect, crop, none
inline constexpr int kOverwriteMethodCount = 3;  // the batch's existing outputs
inline constexpr int kOutFormatCount = 5;        // JPEG, TIFF, BMP, GIF, PNG

// The output side in pixels a user may type and the output-size rule makes.
inline constexpr int kMinOutputSide = 3;
inline constexpr int kMaxOutputSide = 100000;

// The resolution in dots per inch a user may type.
inline constexpr double kMinDpi = 1.0;
inline constexpr double kMaxDpi = 100000.0;

inline constexpr bool IsIndexIn(int value, int count) { return value >= 0 && value < count; }

// A set of resize settings as a file, the store or a basket item brings it.
struct SettingsRecord {
    int width = 0;
    int height = 0;
    float dpi = 0.0f;
    int resUnits = 0;
    int sizeUnits = 0;
    int correctProp = 0;
    int interpolMode = 0;
    int inPercents = 0;
    int editPrints = 0;
    int lockSettings = 0;

    bool operator==(const SettingsRecord&) const = default;
};

// How large a side a record may ask for: the settings store and basket items
// keep to kMaxOutputSide; settings files may hold larger sizes, since the
// preset menus make them.
enum class SideLimit { UpToMaxOutputSide, Unbounded };

// True when every value is one the program can use: indices inside their
// tables, flags 0 or 1, sides of at least 1 pixel (and within `limit`), a
// resolution of kMinDpi to kMaxDpi.
bool IsValidSettingsRecord(const SettingsRecord& record, SideLimit limit);

// One side as the settings store and basket items allow it.
inline constexpr bool IsValidOutputSide(int side) { return side >= 1 && side <= kMaxOutputSide; }
