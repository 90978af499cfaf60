#pragma once
// What the shell folder tree needs of the windows around it, and the folder
// location text it reports a selection with.
//
// The Browse window implements IShellTreeOwner: the tree reports every
// selection of a folder or a library to it. The thumbnail browser implements
// IShellTreeBrowser: the tree stops its thumbnail loading before it renames
// or deletes a folder itself.

#include "browser/items/LocationTypes.h"

#include <QString>

class IShellTreeOwner {
public:
    virtual ~IShellTreeOwner() = default;
    // A folder or library was selected; `locationText` is a folder location
    // text (below).
    virtual void OnFolderSelected(const QString& locationText) = 0;
};

class IShellTreeBrowser {
public:
    virtual ~IShellTreeBrowser() = default;
    // Stops the thumbnail loading of the browser's current listing.
    virtual void StopLoading() = 0;
};

// The folder location text: a type digit, a comma and the rest.
//   "0,<path>"         a file-system folder;
//   "2,<description>"  a library: "name;icon index;folder;folder..."
inline QString MakeLocationText(int type, const QString& rest) { return QString::number(type) + u',' + rest; }
