#include "app/frame/SystemVersion.h"

namespace {
constexpr unsigned kFirstVersionWithLibraries = 12;
}

bool GetWindowsVersion(unsigned* code) {
    if (code == nullptr)
        return false;
    *code = kFirstVersionWithLibraries;
    return true;
}
