#pragma once
// Qt's image readers and writers find their formats in plugins, loaded the
// first time any reader or writer asks. Loaded first on one of the batch's
// pool threads, which decode and encode at once, they have been seen to
// leave the heap corrupt, found when the process exits. The program and
// vespera-bench call this on the main thread as they start, before any
// worker runs; every reader and writer calls it too, so code that did not
// start that way (the tests) loads them once, the other threads waiting.

namespace imaging {

void LoadImageFormatPlugins();

}  // namespace imaging
