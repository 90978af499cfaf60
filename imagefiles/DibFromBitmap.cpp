// CDib::CreateFromBitmap: the imaging layer's half of CDib.
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "imagefiles/Dib.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"

CDib* CDib::CreateFromBitmap(imaging::Bitmap* bitmap) {
    if (bitmap == nullptr)
        throw std::invalid_argument("invalid Bitmap");
    const int width = bitmap->Width(), height = bitmap->Height();
    CDib* dib = Create(width, height, 24);  // refuses an empty bitmap with its own text
    const auto lock = bitmap->LockBits({0, 0, width, height}, imaging::LockMode::Read);
    if (!lock) {
        dib->Release();
        throw std::invalid_argument("invalid Bitmap");
    }
    const std::size_t rowBytes =
        std::min<std::size_t>(dib->Stride(), static_cast<std::size_t>(std::abs(lock->Stride())));
    for (int y = 0; y < height; ++y)
        std::memcpy(dib->TopDownRow(y), lock->Scan0() + y * lock->Stride(), rowBytes);
    lock->Unlock();
    dib->Header()->biXPelsPerMeter = DpiToPelsPerMeter(static_cast<std::int64_t>(bitmap->HorizontalResolution()));
    dib->Header()->biYPelsPerMeter = DpiToPelsPerMeter(static_cast<std::int64_t>(bitmap->VerticalResolution()));
    return dib;
}
