#pragma once
// The commands of the thumbnail views and of their context menus.

#include "platform/resources/CommandIds.h"

inline constexpr int ID_BROWSER_REFRESH = ID_REFRESH;   // 33114 "&Refresh"
inline constexpr int ID_SORT_NAME = 33119;              // "&Name"
inline constexpr int ID_SORT_DATE = 33120;              // "&Date"
inline constexpr int ID_SORT_FORMAT = 33117;            // "&File Format"
inline constexpr int ID_SORT_WIDTH = 33152;             // "Image &Width"
inline constexpr int ID_SORT_HEIGHT = 33153;            // "Image &Height"
inline constexpr int ID_SORT_SIZE = 33154;              // "File &Size"
inline constexpr int ID_BROWSER_SELECTALL = 33122;      // "Select all"
inline constexpr int ID_BROWSER_COPY = 32897;           // "&Copy"
inline constexpr int ID_BROWSER_PASTE = ID_EDIT_PASTE;  // 57637 "&Paste"
inline constexpr int ID_BROWSER_CUT = ID_EDIT_CUT;      // 57635, Ctrl+X
inline constexpr int ID_BROWSER_PROPERTIES = 33118;     // "Properties ..."
inline constexpr int ID_BROWSER_RESERVED = 33112;       // consumed, does nothing

// The sort commands and the sort type each sets.
struct SortCommand {
    int id;
    int type;
};
inline constexpr SortCommand kSortCommands[] = {
    {ID_SORT_NAME, 0},  {ID_SORT_DATE, 2},   {ID_SORT_FORMAT, 4},
    {ID_SORT_WIDTH, 6}, {ID_SORT_HEIGHT, 7}, {ID_SORT_SIZE, 8},
};
