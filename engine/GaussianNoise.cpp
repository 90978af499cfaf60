#include "engine/GaussianNoise.h"

#include "engine/Plane.h"
#include "platform/crt/CrtRandom.h"

int SixDrawSum() {
    int sum = 0;
    for (int i = 0; i < 6; ++i)
        sum += platform::CrtRand() - 16383;
    return sum;
}

int GaussianNoise(int amplitude) { return static_cast<int>(static_cast<long long>(amplitude) * SixDrawSum() / 163830); }

int GaussianNoise2(int amplitude) { return GaussianNoise(amplitude); }

void AddGaussianNoise(std::uint8_t* plane, std::size_t count, int amplitude) {
    if (amplitude == 0) {
        platform::CrtRandDiscard(6ULL * count);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        plane[i] = ClampToByte(plane[i] + GaussianNoise(amplitude));
}
