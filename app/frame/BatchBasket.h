#pragma once
// What the main frame needs of the batch basket: the basket pane and its
// model come with the basket itself; until one is installed the frame has an
// empty basket row and its batch commands are disabled.

#include <QStringList>

class QWidget;
namespace platform {
class CmdTarget;
}

class IBatchBasket {
public:
    virtual ~IBatchBasket() = default;
    virtual void AddFiles(const QStringList& paths) = 0;
    virtual int GetItemCount() const = 0;
    // The resize panel's settings go to the selected items (after each change
    // in batch mode) or to every item ("Apply to All").
    virtual void ApplySettingsToSelected() = 0;
    virtual void ApplySettingsToAll() = 0;
    // Runs the batch over the items (Batch Settings, then the progress
    // dialog); true when a run took place.
    virtual bool RunBatch(QWidget* /*parent*/) { return false; }
    // Replaces the basket from a batch file the user chooses; true when one
    // was loaded.
    virtual bool LoadBatch() { return false; }
    virtual bool SaveBatch() { return false; }
    // The basket view's commands (remove, paste, ...), or null.
    virtual platform::CmdTarget* CommandTarget() { return nullptr; }
};
