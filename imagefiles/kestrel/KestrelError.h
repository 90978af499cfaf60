#pragma once
// The codec's single exception type. Every malformed or unsupported input,
// and every misuse of a decoder or encoder, raises it.

#include <exception>

namespace Kestrel {

class Error : public std::exception {
public:
    const char* what() const noexcept override { return "Jpeg error"; }
};

// Throws Kestrel::Error; never returns.
[[noreturn]] void ThrowError();

}  // namespace Kestrel
