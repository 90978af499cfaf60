#pragma once
// The thumbnail of a file added to the basket, made at once on the UI thread
// rather than waiting for the builder threads: a cached cell of the file as
// it is now stays; otherwise a new cell is made from the whole image, stamped
// with the file's modification time and put into the cache.
//
// Cells are shared: a stale cell is only dropped from the map, so a builder
// thread or a drawing that still holds it keeps it alive, and the builder's
// better pass, which swaps only into the cell the cache still holds, never
// touches the new one. Every cache operation holds g_csThumbCache; the image
// is decoded without it.

#include <QString>

#include <functional>
#include <memory>

class CMapStringToObPlus;
class CPaletteItemImg;

// Makes the cell of a new thumbnail (the browser's CreateItem).
using CreateThumbCell = std::function<std::shared_ptr<CPaletteItemImg>()>;

// False when the file does not exist or no thumbnail could be made (the cache
// then has no entry for the path).
bool LoadThumbnailAtOnce(const QString& path, CMapStringToObPlus& cache, const CreateThumbCell& createCell);
