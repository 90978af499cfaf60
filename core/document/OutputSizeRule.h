#pragma once
// The output size an image gets when it opens, written into the settings:
//   batch mode, opened from the basket  settings untouched (the item's own);
//   batch mode, apply-to-new off        image rule;
//   batch mode, apply-to-new on         locked rule;
//   normal mode, lock off               image rule;
//   normal mode, lock on                locked rule.
// Image rule: the image's own width, height and resolution. Locked rule:
// "Keep aspect" becomes "Crop"; a size in percent (both percentages
// non-zero) is applied to the image, rounded, and brought into the range an
// output side may have; a size in pixels and the resolution stay.

#include "core/settings/SettingsLimits.h"

class AppSettings;

void ApplyOutputSizeRule(AppSettings& settings, int imageWidth, int imageHeight, float imageDpi);

// trunc(side * percent / 100 + 0.5) within kMinOutputSide..kMaxOutputSide.
int PercentOfSide(int side, double percent);
