#pragma once
// The basket view's commands and the menus of its context menu.

inline constexpr int ID_BATCH_REMOVE = 32863;        // "&Remove"
inline constexpr int ID_BASKET_PASTE = 33123;        // "&Paste"
inline constexpr int ID_BASKET_COPY = 33124;         // "&Copy"
inline constexpr int ID_BASKET_SELECTALL = 33126;    // "Select all"
inline constexpr int ID_BASKET_SORT_NAME = 33127;    // "&Name"
inline constexpr int ID_BASKET_SORT_DATE = 33128;    // "&Date"
inline constexpr int ID_BASKET_SORT_FORMAT = 33129;  // "&File Format"
inline constexpr int ID_BASKET_PROPERTIES = 33130;   // "Properties ..."
inline constexpr int ID_BASKET_REFRESH = 33131;      // "&Refresh"

// Context menus: several items selected, one item, none under the point.
inline constexpr int IDR_BASKET_MENU_MANY = 285;
inline constexpr int IDR_BASKET_MENU_ONE = 286;
inline constexpr int IDR_BASKET_MENU_OUT = 287;
