#pragma once
// The open document as the resize panel sees it: the image's own size,
// pixel format and resolution, the flag that holds view updates while a
// spin arrow is held, and the views' update. The main frame keeps one for
// its document and hands it to the panel.

#include "app/panel/ResizePanelDocument.h"

class CQVVesperaDoc;

class PanelDocumentAdapter : public ResizePanelDocument {
public:
    explicit PanelDocumentAdapter(CQVVesperaDoc& doc) : doc_(doc) {}

    std::optional<ResizePanelImage> Image() const override;
    bool HoldUpdates() const override;
    void SetHoldUpdates(bool hold) override;
    void UpdateViewsIfAllowed() override;

    CQVVesperaDoc& Document() const { return doc_; }

private:
    CQVVesperaDoc& doc_;
};
