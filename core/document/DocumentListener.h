#pragma once
// What the document tells the windows above it. The main frame installs a
// listener; the document never knows the frame or the views. Every call
// comes on the UI thread.

#include <QString>

class DocumentListener {
public:
    virtual ~DocumentListener() = default;

    // The views redraw from the document (the image, the output size in the
    // settings, the preview result).
    virtual void OnUpdateAllViews() = 0;
    // An image opened and the output size in the settings may have changed,
    // or an open failed and the document holds no image: the resize panel
    // shows the new values.
    virtual void OnUpdateResizePanel() = 0;
    // OpenDocumentFile ended. opened: the document holds the image of `path`
    // and its path name and title changed (caption, recent files, the views'
    // new scroll sizes). Not opened: the document holds no image.
    virtual void OnDocumentOpened(const QString& path, bool opened) = 0;
    // Next or Previous found no other image in the folder.
    virtual void OnBeep() = 0;
    // Long work is about to run on the UI thread under the wait cursor: the
    // windows paint themselves now (a dialog that just closed leaves no image
    // behind), as they cannot until the work is done.
    virtual void OnLongWorkStarts() {}
};
