#pragma once
// Integer noise with a roughly Gaussian bell: the sum of six uniform draws of
// the C runtime's sequence (each 0..32767, centred by -16383), scaled by
// amplitude / 163830 and truncated towards zero. The result lies within about
// +-0.6 * amplitude. Six numbers are drawn on every call, amplitude 0 included.

#include <cstddef>
#include <cstdint>

int GaussianNoise(int amplitude);

// The same noise; the second-generation resampler draws through this name.
int GaussianNoise2(int amplitude);

// The centred six-draw sum behind both, -6*16383 .. 6*16384.
int SixDrawSum();

// Adds GaussianNoise(amplitude) to each of the `count` bytes of a plane, in
// order, limited to 0..255. With amplitude 0 the plane is unchanged and the
// generator just moves on by six draws per byte.
void AddGaussianNoise(std::uint8_t* plane, std::size_t count, int amplitude);
