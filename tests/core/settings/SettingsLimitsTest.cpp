#include "core/settings/SettingsLimits.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

SettingsRecord Usable() {
    SettingsRecord r;
    r.width = 640;
    r.height = 480;
    r.dpi = 300.0f;
    return r;
}

// Each case spoils one value of a usable record.
struct Case {
    const char* what;
    std::function<void(SettingsRecord&)> spoil;
    bool validUpToMax;  // with SideLimit::UpToMaxOutputSide
    bool validUnbounded;
};

TEST(SettingsLimits, ARecordIsValidOnlyWithEveryValueInItsRange) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"nothing spoilt", [](SettingsRecord&) {}, true, true},
        {"largest side", [](SettingsRecord& r) { r.width = kMaxOutputSide; }, true, true},
        {"side above the largest", [](SettingsRecord& r) { r.height = kMaxOutputSide + 1; }, false, true},
        {"zero width", [](SettingsRecord& r) { r.width = 0; }, false, false},
        {"negative height", [](SettingsRecord& r) { r.height = -5; }, false, false},
        {"zero dpi", [](SettingsRecord& r) { r.dpi = 0.0f; }, false, false},
        {"infinite dpi", [inf](SettingsRecord& r) { r.dpi = inf; }, false, false},
        {"NaN dpi", [nan](SettingsRecord& r) { r.dpi = nan; }, false, false},
        {"negative dpi", [](SettingsRecord& r) { r.dpi = -1.0f; }, false, false},
        {"dpi below the least", [](SettingsRecord& r) { r.dpi = 0.5f; }, false, false},
        {"least dpi", [](SettingsRecord& r) { r.dpi = static_cast<float>(kMinDpi); }, true, true},
        {"largest dpi", [](SettingsRecord& r) { r.dpi = static_cast<float>(kMaxDpi); }, true, true},
        {"dpi above the largest", [](SettingsRecord& r) { r.dpi = 1e30f; }, false, false},
        {"last mode", [](SettingsRecord& r) { r.interpolMode = kInterpolModeCount - 1; }, true, true},
        {"mode past the last", [](SettingsRecord& r) { r.interpolMode = kInterpolModeCount; }, false, false},
        {"negative correction", [](SettingsRecord& r) { r.correctProp = -1; }, false, false},
        {"correction past the last", [](SettingsRecord& r) { r.correctProp = kCorrectPropCount; }, false, false},
        {"resolution unit past the last", [](SettingsRecord& r) { r.resUnits = kResUnitCount; }, false, false},
        {"size unit past the last", [](SettingsRecord& r) { r.sizeUnits = kSizeUnitCount; }, false, false},
        {"flag of 2", [](SettingsRecord& r) { r.lockSettings = 2; }, false, false},
        {"every flag set", [](SettingsRecord& r) { r.inPercents = r.editPrints = r.lockSettings = 1; }, true, true},
    };
    for (const Case& c : cases) {
        SettingsRecord r = Usable();
        c.spoil(r);
        EXPECT_EQ(IsValidSettingsRecord(r, SideLimit::UpToMaxOutputSide), c.validUpToMax) << c.what;
        EXPECT_EQ(IsValidSettingsRecord(r, SideLimit::Unbounded), c.validUnbounded) << c.what;
    }
}

}  // namespace
