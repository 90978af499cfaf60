#include "app/panel/PanelDocumentAdapter.h"

#include "core/document/QVVesperaDoc.h"

std::optional<ResizePanelImage> PanelDocumentAdapter::Image() const {
    const std::shared_ptr<const imaging::Bitmap> source = doc_.GetSource();
    if (!source)
        return std::nullopt;
    return ResizePanelImage{doc_.ImageWidth(), doc_.ImageHeight(), source->GetPixelFormat(), doc_.ImageDpi()};
}

bool PanelDocumentAdapter::HoldUpdates() const { return doc_.m_bHoldUpdates; }

void PanelDocumentAdapter::SetHoldUpdates(bool hold) { doc_.m_bHoldUpdates = hold; }

void PanelDocumentAdapter::UpdateViewsIfAllowed() { doc_.UpdateViewsIfAllowed(); }
