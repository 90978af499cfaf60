#pragma once
// The thumbnail machinery of the process: its start-up and shut-down, and the
// free functions through which the browsers reach the builder.
//
// Order, explicit rather than left to static initialisation across files:
//   1. the locks: g_csThumbCache is constant-initialised (it exists before
//      any code runs);
//   2. the cache: InitThumbnails opens g_ThumbCache in its folder (creating
//      the private folder);
//   3. the builder: InitThumbnails then starts g_ThumbsBuilder's threads.
// The application object calls InitThumbnails once on the UI thread before
// the first browser is made, and ShutdownThumbnails once after the last
// browser has gone (it has saved the cache): the builder's threads are
// stopped and joined first, then the decoded thumbnails (g_DecodedDibs) are
// let go, then the cache is emptied, writing nothing.

#include <QString>
#include <QStringList>

#include "browser/builder/ThumbsBuilder.h"

extern CThumbsBuilderThreads g_ThumbsBuilder;

// False when the cache folder cannot be used (the builder runs all the same;
// nothing is cached on disk).
bool InitThumbnails(const QString& cacheFolder = DefaultThumbCacheFolder());
void ShutdownThumbnails() noexcept;

void QueueThumbnailFiles(const QStringList& paths);
void PrioritizeThumbnailFiles(const QStringList& paths);
void AddThumbnailListener(IThumbUpdate* listener);
void RemoveThumbnailListener(IThumbUpdate* listener);
