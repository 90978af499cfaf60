#pragma once
// The document's own command ids (View menu). File > Open and Resize and Save
// use the framework's ID_FILE_OPEN and ID_FILE_SAVE (platform/resources/
// CommandIds.h); the preview worker posts ID_PREVIEW_READY.

inline constexpr int ID_NEXT_IMAGE = 32858;  // "&Next\tRight"
inline constexpr int ID_PREV_IMAGE = 32859;  // "&Previous\tLeft"
