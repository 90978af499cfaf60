#pragma once
// The folder the Open and Save As dialogs start in: the folder of the last
// file chosen in either of them, kept in the profile (section "FILEDIALOG",
// value "FOLDER") across starts, as the desktop's dialogs remember the last
// folder of a program. A folder that is gone, or none stored, gives the
// pictures folder. Read at start-up, written at exit.

#include <QString>

namespace platform {
class ProfileStore;
}

class DialogFolder {
public:
    void Read(const platform::ProfileStore& store);
    void Write(platform::ProfileStore& store) const;

    // Remembers the folder of `chosenFile`, a file chosen in a dialog.
    void Remember(const QString& chosenFile);

    // Where a dialog opens now: the remembered folder while it exists, else
    // the pictures folder, else the home folder.
    QString StartFolder() const;

private:
    QString folder_;
};
