#pragma once
// g_csThumbCache: the lock of the thumbnail cache (browser/cache) and of
// every cell that is shared between threads.
//
// The builder threads and the user-interface thread meet in the cache and in
// its cells: a cell in the cache may get a better thumbnail from a builder
// thread while the user-interface thread draws it. Everything that reads or
// changes a shared cell (its thumbnail, its facts, its caption state) or the
// cache holds this lock. It is recursive, so a caller that holds it across a
// lookup and a drawing may call operations that take it again.
//
// The lock is initialised as a constant, before any code runs, so it exists
// before the cache and the builder that use it are started.

#include <mutex>

extern constinit std::recursive_mutex g_csThumbCache;
