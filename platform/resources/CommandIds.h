#pragma once
// Command ids that several areas of the program share: the framework's
// standard commands (their values are those every menu and accelerator table
// uses) and the commands posted between threads and windows. An area's own
// ids live in a header of that area.

// The framework's standard commands.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_SAVE = 57603;  // Resize and Save
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;  // the recent files, 57616..57631
inline constexpr int ID_FILE_MRU_LAST = 57631;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_SELECT_ALL = 57642;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP_INDEX = 57666;
inline constexpr int ID_HELP_FINDER = 57667;
inline constexpr int ID_HELP_USING = 57668;
inline constexpr int ID_CONTEXT_HELP = 57669;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_DEFAULT_HELP = 57671;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;

// Posted between threads and windows. The engine's progress reaches the main
// window as ID_START_PROGRESS, ID_PROGRESS (the overall percentage changed)
// and ID_END_PROGRESS, through platform/progress/ProgressSink.h.
inline constexpr int ID_PROGRESS = 32838;
inline constexpr int ID_START_PROGRESS = 32840;
inline constexpr int ID_END_PROGRESS = 32841;
inline constexpr int ID_PREVIEW_READY = 32839;
inline constexpr int ID_BEGINREADFOLDER = 32860;
inline constexpr int ID_REFRESH = 33114;
