#pragma once
// What the main frame needs of the batch basket: the basket pane and its
// model come with the basket itself; until one is installed the frame has an
// empty basket row and its batch commands are disabled.

#include <QStringList>

class IBatchBasket {
public:
    virtual ~IBatchBasket() = default;
    virtual void AddFiles(const QStringList& paths) = 0;
    virtual int GetItemCount() const = 0;
    // The resize panel's settings go to the selected items (after each change
    // in batch mode) or to every item ("Apply to All").
    virtual void ApplySettingsToSelected() = 0;
    virtual void ApplySettingsToAll() = 0;
};
