#include "browser/cells/ThumbCacheLock.h"

constinit std::recursive_mutex g_csThumbCache;
