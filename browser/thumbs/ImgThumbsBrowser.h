#pragma once
// CImgThumbsBrowser: the thumbnail browser of image files. Its cells are
// image cells (CPaletteItemImg) that build, cache and draw real thumbnails;
// a renamed file keeps its thumbnail in the cache under its new path; the
// Properties command opens the "Image Info" dialog for the item under the
// last right click. The Browse window's browser is one, and the basket
// derives from it.

#include "browser/thumbs/ThumbsBrowser.h"

class QWidget;

class CImgThumbsBrowser : public CThumbsBrowser {
public:
    explicit CImgThumbsBrowser(const AppSettings& settings);
    ~CImgThumbsBrowser() override;

    void CancelPreview() override;
    // Moves the cached thumbnail of oldPath to newPath, keeping the image
    // facts and the compressed thumbnail, without decoding the image again.
    // Nothing changes when oldPath has no cached cell or newPath is missing;
    // when oldPath still exists its cell stays under it as well.
    void OnFileRenamed(const QString& oldPath, const QString& newPath) override;
    std::shared_ptr<CPaletteItem> CreateItem() override;
    void ShowImageInfo() override;
};
