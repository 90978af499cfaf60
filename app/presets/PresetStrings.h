#pragma once
// String ids of the settings files and the preset picker
// (res/strings/presets.tsv).

inline constexpr int IDS_DELETE_ENTRY = 9;            // "Delete this entry?"
inline constexpr int IDS_NO_SUCH_NAME = 57;           // "No such name exists."
inline constexpr int IDS_FILE_EXISTS_OVERWRITE = 59;  // "This file already exists.\nOverwrite?"
inline constexpr int IDS_SAVE_SETTINGS_TITLE = 101;   // "Save settings"
inline constexpr int IDS_WRONG_FILE = 104;            // "Wrong file!"
inline constexpr int IDS_LOAD_SETTINGS_TITLE = 170;   // "Load settings"
inline constexpr int IDS_BAD_PRESET_NAME = 1601;      // a name that cannot name a file
inline constexpr int IDS_CANT_DELETE_PRESET = 1602;   // %1: the reason
inline constexpr int IDS_CANT_WRITE_SETTINGS = 1603;  // %1: the reason
inline constexpr int IDS_CANT_READ_SETTINGS = 1604;   // %1: the reason
