#pragma once
// The process-wide receiver of the engine's progress commands.
//
// The engine posts ID_START_PROGRESS, ID_PROGRESS and ID_END_PROGRESS to the
// main window while it exists. The main frame installs a sink when it is
// created and clears it before it goes away; tests install a recording sink.
// With no sink installed, posting does nothing.
//
// The sink is called under the registry's mutex, so once ClearProgressSink()
// has returned no call into the old sink is running or will start. A sink must
// therefore only post (never block on the UI thread).

#include <memory>

namespace platform {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Called on the engine's thread with a command id.
    virtual void PostCommand(int commandId) = 0;
};

void InstallProgressSink(std::shared_ptr<ProgressSink> sink);
void ClearProgressSink();

// Posts commandId to the installed sink. Returns false when none is installed.
bool PostProgressCommand(int commandId);

// What the engine reports, posted as the main window's commands
// ID_START_PROGRESS, ID_PROGRESS and ID_END_PROGRESS (CommandIds.h), so that
// the engine names no command of a window.
bool PostProgressStart();
bool PostProgressStep();  // the overall percentage changed
bool PostProgressEnd();

}  // namespace platform
