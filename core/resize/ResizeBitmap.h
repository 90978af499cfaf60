#pragma once
// Resizes one whole bitmap into a target bitmap made by the caller at the
// output size, with the algorithm of an InterpolMode:
//   0-4  drawn by the imaging layer in one pass with mirrored edges;
//   5-9  the engine on the locked 24-bit bits (ResizeEngine.h), with progress
//        and stop through `progress` (may be null).
// With the crop flag the source is first resized to the smallest size that
// covers the target with the source's aspect ratio, and the centre of that is
// cut out.
//
// Returns 1 done, 0 failed or stopped (a bitmap or lock that cannot be had,
// a drawing that fails, an engine failure or stop; the target then holds
// whatever was written, and the centre cut is skipped). Runs on the caller's
// thread; no other thread may lock the source meanwhile.

class CRSProgress;
struct ResizeEngine;

namespace imaging {
class Bitmap;
}

int ResizeBitmap(imaging::Bitmap* source, imaging::Bitmap* target, int mode, int crop, CRSProgress* progress);
// The same with another table of engine entry points.
int ResizeBitmap(imaging::Bitmap* source, imaging::Bitmap* target, int mode, int crop, CRSProgress* progress,
                 const ResizeEngine& engine);

// The covering size of the crop: the smallest size with the source's aspect
// (integer division) that covers the target. False when it exceeds the
// largest bitmap side.
bool CoveringSize(int srcW, int srcH, int tgtW, int tgtH, int& interW, int& interH);
