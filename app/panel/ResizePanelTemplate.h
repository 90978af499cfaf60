#pragma once
// The resize panel's form: its controls with their ids, texts, order and
// places in dialog units.

struct DialogTemplate;

const DialogTemplate& ResizePanelTemplate();

// The algorithm names of the algorithm combo, in InterpolMode order.
inline constexpr const char* kAlgorithmNames[] = {
    "Nearest Neigbor",
    "Bilinear",
    "High Quality Bilinear",
    "Bicubic",
    "High Quality Bicubic",
    "Vespera for Artificial Scenes",
    "Vespera for Natural Scenes",
    "Advanced for Natural Scenes",
    "Advanced for Artificial Scenes",
    "ORVEK Super-Resolution",
};
