#pragma once
// The Help menu's own command ids; About and the help commands are the
// framework's standard ones (platform/resources/CommandIds.h: ID_APP_ABOUT,
// ID_HELP for "&Help Topics\tF1", ID_HELP_FINDER, ID_CONTEXT_HELP).

inline constexpr int ID_HOME_PAGE = 33048;  // "ORVEK Home Page"
