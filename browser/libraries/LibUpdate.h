#pragma once
// The listener interface of the library service and the command that the
// folder tree posts to itself when the libraries change.

#include "platform/commands/PostedCommand.h"

class ILibUpdate {
public:
    virtual ~ILibUpdate() = default;
    // Called on the library watcher's thread whenever the libraries folder
    // changes. A listener only hands the news over to its own thread; it
    // must not add or remove listeners from here.
    virtual void OnLibrariesChanged() = 0;
};

// The registered command "WM_UPDATELIBRARIES".
inline const int WM_UPDATELIBRARIES = platform::RegisterCommandId("WM_UPDATELIBRARIES");
