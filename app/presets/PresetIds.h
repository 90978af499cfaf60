#pragma once
// The command ids of the settings files (File menu).

inline constexpr int ID_SAVE_SETTINGS = 32856;  // "Save se&ttings..."
inline constexpr int ID_LOAD_SETTINGS = 32857;  // "&Load settings..."
