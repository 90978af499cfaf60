#pragma once
// The desktop's file dialog for File > Open and Resize and Save: Qt's own
// dialog where the desktop offers none. It starts in a given folder, and the
// size, type and date columns of its detail view fit their contents (their
// widths are otherwise made for sample texts that the desktop's sizes, type
// names and dates outgrow).

#include <QString>

#include <optional>

class QFileDialog;

// Shows the dialog modally over the active window: open or save mode, the
// folder to start in, the filter in the dialog's form ("Name (*.a);;..."),
// the 1-based filter index to start with (0 the first) and to return. Gives
// the chosen path, an empty one for OK without a name, or nothing when
// cancelled.
std::optional<QString> RunDesktopFileDialog(bool open, const QString& folder, const QString& filter, int* filterIndex);

// Lets the columns after the name of `dialog`'s detail view take the width
// of their contents; nothing for a dialog of the desktop's own.
void FitFileDialogColumns(QFileDialog& dialog);
