#pragma once
// String ids of the basket (res/strings/basket.tsv; "Wrong file!" is the
// settings files' text, in presets.tsv).

inline constexpr int IDS_BASKET_WRONG_FILE = 104;  // "Wrong file!"
inline constexpr int IDS_BASKET_EMPTY_HINT = 106;  // "Drag'n'drop images into this area"
inline constexpr int IDS_LOAD_BATCH_TITLE = 125;   // "Load batch"
inline constexpr int IDS_SAVE_BATCH_TITLE = 126;   // "Save batch"
inline constexpr int IDS_ALREADY_IN_BATCH = 154;   // "File\n%s\nis already selected for batch..."
inline constexpr int IDS_BASKET_TOOLTIP = 295;     // "Resize to: %dx%d\nResolution: %g DPI\n%s"
inline constexpr int IDS_CANT_READ_BATCH = 1701;   // %1 the file, %2 the reason
inline constexpr int IDS_CANT_WRITE_BATCH = 1702;  // %1 the file, %2 the reason
