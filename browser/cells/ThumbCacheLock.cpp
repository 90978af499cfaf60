#include "browser/cells/ThumbCacheLock.h"

constinit ThumbCacheMutex g_csThumbCache;
