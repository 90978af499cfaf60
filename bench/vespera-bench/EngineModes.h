#pragma once
// The engine's whole-image resize per InterpolMode, for `vespera-bench resize`.
// Each engine algorithm registers its modes from a file of its own:
//
//   static const RegisterEngineMode reg5{5, [](const BgrBuffer& src, BgrBuffer& dst) {...}};

#include <cstdint>
#include <functional>
#include <map>

// A 24-bit BGR image with rows padded to 4 bytes, as the engine sees locked
// bitmaps.
struct BgrBuffer {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::uint8_t* bits = nullptr;
};

// Returns the engine's result: 1 done, 0 failed.
using EngineModeFn = std::function<int(const BgrBuffer& src, BgrBuffer& dst)>;

std::map<int, EngineModeFn>& EngineModes();

struct RegisterEngineMode {
    RegisterEngineMode(int mode, EngineModeFn fn) { EngineModes()[mode] = std::move(fn); }
};
