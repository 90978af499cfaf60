#include "engine/GaussianNoise.h"

#include "platform/crt/CrtRandom.h"

int SixDrawSum() {
    int sum = 0;
    for (int i = 0; i < 6; ++i)
        sum += platform::CrtRand() - 16383;
    return sum;
}

int GaussianNoise(int amplitude) {
    return static_cast<int>(static_cast<long long>(amplitude) * SixDrawSum() / 163830);
}

int GaussianNoise2(int amplitude) { return GaussianNoise(amplitude); }
