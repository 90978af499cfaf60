#pragma once
// What the resize panel needs of the open document and of the main frame,
// kept to the few calls it makes, so that the panel depends on neither.
// The frame gives the panel a PanelDocumentAdapter for the open document
// and is itself the panel's ResizePanelHost.

#include "platform/imaging/PixelFormat.h"

#include <optional>

// The open image's own values, as the document read them from the file.
struct ResizePanelImage {
    int width = 0;
    int height = 0;
    imaging::PixelFormat pixelFormat = imaging::PixelFormatUndefined;
    float dpi = 0.0f;  // horizontal resolution; 0 when unknown
};

class ResizePanelDocument {
public:
    virtual ~ResizePanelDocument() = default;

    // The decoded image, or nothing when the document holds none.
    virtual std::optional<ResizePanelImage> Image() const = 0;
    // The document's flag that holds view updates while a spin arrow is
    // held down.
    virtual bool HoldUpdates() const = 0;
    virtual void SetHoldUpdates(bool hold) = 0;
    // Redraws the document's views unless updates are held.
    virtual void UpdateViewsIfAllowed() = 0;
};

class ResizePanelHost {
public:
    virtual ~ResizePanelHost() = default;

    // Batch mode: the selected basket items take the new settings.
    virtual void RefreshBatchList() = 0;
    // "Apply to All": every basket item takes the settings.
    virtual void ApplySettingsToAllImages() = 0;
};
