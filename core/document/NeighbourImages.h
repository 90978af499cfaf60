#pragma once
// The images Next and Previous walk: the files of one folder whose extension,
// in any letter case, is ".jpg", ".tif", ".bmp" or ".png" (GIF files can be
// opened but are not visited), sorted by name without regard to case (names
// that differ only in case by their exact spelling), so the walk does not
// depend on the order the file system lists them in.

#include <QString>
#include <QStringList>

// The full paths of the images of `folder`, sorted, without those in
// `excluded` (compared exactly: names are case-sensitive).
QStringList ListNeighbourImages(const QString& folder, const QStringList& excluded);

// The image after `reference` (previous: before it) in its folder, wrapping
// from the last to the first and back; empty when the folder holds no image
// besides the reference or the reference is not among its images.
QString NeighbourImage(const QString& reference, bool previous, const QStringList& excluded);
