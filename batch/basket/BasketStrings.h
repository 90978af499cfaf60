#pragma once
// String ids of the basket (res/strings/basket.tsv; "Wrong file!",
// IDS_WRONG_FILE, is the settings files' text, in presets.tsv), named in the
// generated res/StringIds.h.

#include "res/StringIds.h"
