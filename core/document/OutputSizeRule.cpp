#include "core/document/OutputSizeRule.h"

#include <algorithm>
#include <cmath>

#include "core/settings/AppSettings.h"

namespace {

enum class Rule { Untouched, Image, Locked };

Rule RuleFor(const AppSettings& s) {
    if (s.m_bBatchMode) {
        if (s.m_bOpenFromBasket)
            return Rule::Untouched;
        return s.m_nApplyToAll ? Rule::Locked : Rule::Image;
    }
    return s.m_nLockSettings ? Rule::Locked : Rule::Image;
}

}  // namespace

int PercentOfSide(int side, double percent) {
    const double value = std::trunc(static_cast<double>(side) * percent / 100.0 + 0.5);
    // A tiny percentage would give 0 (which the engine divides by), a huge
    // one more than any output may have; NaN cannot come from the settings
    // but is kept out all the same.
    if (!(value >= kMinOutputSide))
        return kMinOutputSide;
    return static_cast<int>(std::min(value, static_cast<double>(kMaxOutputSide)));
}

void ApplyOutputSizeRule(AppSettings& s, int imageWidth, int imageHeight, float imageDpi) {
    switch (RuleFor(s)) {
    case Rule::Untouched:
        return;
    case Rule::Image:
        s.m_nWidth = imageWidth;
        s.m_nHeight = imageHeight;
        s.m_fDpi = imageDpi;
        return;
    case Rule::Locked:
        if (s.m_nCorrectProp == 0)
            s.m_nCorrectProp = 1;
        if (s.m_nInPercents && s.m_dPercentW != 0.0 && s.m_dPercentH != 0.0) {
            s.m_nWidth = PercentOfSide(imageWidth, s.m_dPercentW);
            s.m_nHeight = PercentOfSide(imageHeight, s.m_dPercentH);
        }
        return;
    }
}
