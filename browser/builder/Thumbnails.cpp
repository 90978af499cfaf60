#include "browser/builder/Thumbnails.h"

#include "browser/cells/DecodedDibCache.h"

CThumbsBuilderThreads g_ThumbsBuilder;

bool InitThumbnails(const QString& cacheFolder) {
    const bool opened = g_ThumbCache.Open(cacheFolder);
    g_ThumbsBuilder.Start();
    return opened;
}

void ShutdownThumbnails() noexcept {
    g_ThumbsBuilder.Stop();
    g_DecodedDibs.Clear();
    g_ThumbCache.Close();
}

void QueueThumbnailFiles(const QStringList& paths) { g_ThumbsBuilder.QueueThumbnailFiles(paths); }
void PrioritizeThumbnailFiles(const QStringList& paths) { g_ThumbsBuilder.PrioritizeThumbnailFiles(paths); }
void AddThumbnailListener(IThumbUpdate* listener) { g_ThumbsBuilder.AddThumbnailListener(listener); }
void RemoveThumbnailListener(IThumbUpdate* listener) { g_ThumbsBuilder.RemoveThumbnailListener(listener); }
