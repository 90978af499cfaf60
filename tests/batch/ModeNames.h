#pragma once
// The name of each of the ten algorithms, by mode, as the batch log and the
// basket's tooltips show it.

namespace batchtests {

inline constexpr const char* kModeNames[] = {"Nearest Neighbor",
                                             "Bilinear",
                                             "High Quality Bilinear",
                                             "Bicubic",
                                             "High Quality Bicubic",
                                             "Vespera for Artificial Scenes",
                                             "Vespera for Natural Scenes",
                                             "Advanced for Natural Scenes",
                                             "ORVEK for Artificial Scenes",
                                             "ORVEK Super-Resolution"};

}  // namespace batchtests
