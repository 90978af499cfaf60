#pragma once
// The file dialogs the document asks for a path: the application's open and
// save dialogs in the program, scripted answers in tests. Called on the UI
// thread.

#include <QString>

class DocumentFileDialog {
public:
    virtual ~DocumentFileDialog() = default;

    // open: File > Open (every supported image); otherwise Resize and Save
    // (one filter per output format, confirming before an existing file is
    // replaced). `path` receives the chosen path. False when cancelled or
    // nothing usable was chosen.
    virtual bool PromptFileName(QString& path, bool open) = 0;
};
