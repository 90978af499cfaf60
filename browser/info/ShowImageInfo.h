#pragma once
// Opening the "Image Info" dialog for one image file.

#include <QString>
#include <QStringList>

#include "platform/imaging/Bitmap.h"

class QWidget;

namespace browser {

// Opens the file, collects its tags and runs the dialog modally over
// `parent`; returns when the user closes it. A file that cannot be opened
// still gets the dialog, with its path, 0 X 0 and no tags.
void ShowImageInfoDialog(const QString& path, QWidget* parent = nullptr);

// The names and values, alternating, of the bitmap's property items that the
// dialog shows, in the order the bitmap holds them (empty for null).
QStringList CollectImageTags(const imaging::Bitmap* bitmap);

}  // namespace browser
