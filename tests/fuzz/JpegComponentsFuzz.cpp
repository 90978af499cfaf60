// The JPEG frame-header probe over arbitrary bytes.
#include "imagefiles/PixelFormatProbe.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const int components = JpegComponentCount(bytes);
  if (components < 0 || components > 255) std::abort();
  return 0;
}
