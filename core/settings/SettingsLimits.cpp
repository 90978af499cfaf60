#include "core/settings/SettingsLimits.h"

namespace {

bool IsFlag(int value) { return value == 0 || value == 1; }

// NaN fails both comparisons.
bool IsValidDpi(double dpi) { return dpi >= kMinDpi && dpi <= kMaxDpi; }

bool IsValidSide(int side, SideLimit limit) {
    return limit == SideLimit::Unbounded ? side >= 1 : IsValidOutputSide(side);
}

}  // namespace

bool IsValidSettingsRecord(const SettingsRecord& r, SideLimit limit) {
    return IsValidSide(r.width, limit) && IsValidSide(r.height, limit) && IsValidDpi(r.dpi) &&
           IsIndexIn(r.resUnits, kResUnitCount) && IsIndexIn(r.sizeUnits, kSizeUnitCount) &&
           IsIndexIn(r.correctProp, kCorrectPropCount) && IsIndexIn(r.interpolMode, kInterpolModeCount) &&
           IsFlag(r.inPercents) && IsFlag(r.editPrints) && IsFlag(r.lockSettings);
}
