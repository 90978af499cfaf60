#include "imagefiles/kestrel/KestrelError.h"

namespace Kestrel {

void ThrowError() { throw Error(); }

}  // namespace Kestrel
