#pragma once
// The engine's hot loops take their AVX2 builds as the platform layer's do.
#include "platform/cpu/TargetClones.h"
