#pragma once
// Resource and command ids of the main frame. The menus, accelerators and
// toolbars in res/frame name commands by these numbers.

// The main frame's menu, accelerator table and icon; the document template's
// string.
inline constexpr int IDR_MAINFRAME = 128;
// The popup menu of the toolbar's "View" button.
inline constexpr int IDR_VIEW_OPTIONS_MENU = 150;

// The application title and the status bar's idle text.
inline constexpr int AFX_IDS_APP_TITLE = 57344;
inline constexpr int AFX_IDS_IDLEMESSAGE = 57345;

// Strings of the start-up and the file dialogs.
#include "res/StringIds.h"

// Commands the frame handles.
inline constexpr int ID_BATCH_BROWSE = 32852;
inline constexpr int ID_BATCH_LOAD = 32853;
inline constexpr int ID_BATCH_SAVE = 32854;
inline constexpr int ID_BATCH_MODE = 32861;
inline constexpr int ID_BATCH_RUN = 32862;
inline constexpr int ID_VIEW_SMALL_ICONS = 33106;
inline constexpr int ID_VIEW_LARGE_ICONS = 33107;
inline constexpr int ID_VIEW_OPTIONS = 33108;
inline constexpr int ID_BROWSE_DONE = 33110;
// The resize panel's bar id, also the command that shows or hides it.
inline constexpr int ID_VIEW_RESIZE_BAR = 103;

// The splitter's first pane id; a pane's id is this + 16 * row + column.
inline constexpr int AFX_IDW_PANE_FIRST = 0xE900;
