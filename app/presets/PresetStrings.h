#pragma once
// String ids of the settings files and the preset picker
// (res/strings/presets.tsv), named in the generated res/StringIds.h.

#include "res/StringIds.h"
