#pragma once
// Fixtures of the preview tests: a document with an engine stand-in whose
// regions are one flat colour per mode, a preview view wired to it as the
// main frame wires it (the views follow the document's updates, the worker's
// ready command reaches the document), shown offscreen at a known size, and
// pixels read back from grabs.

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <atomic>
#include <memory>

#include "app/preview/QVVesperaView.h"
#include "core/document/DocumentFixtures.h"
#include "core/document/PreviewRegion.h"
#include "core/resize/ResizeEngine.h"
#include "platform/commands/PostedCommand.h"
#include "platform/resources/CommandIds.h"

namespace previewtests {

// The flat colour of an engine region in mode 5-9 (0xAARRGGBB).
inline QRgb EngineColour(int mode) { return qRgb(200, 10 * mode, 7); }

// Fills every region with its mode's colour and remembers the last call.
class FlatEngine {
public:
    FlatEngine() {
        table.resizeImageV1 = [this](const EngineCall& c) { return Run(c, c.sharpness == 50 ? 5 : 7); };
        table.resizeImageV2 = [this](const EngineCall& c) { return Run(c, 6); };
        table.superResolutionEnlarge = [this](const EngineCall& c) { return Run(c, c.envelopeContrast ? 8 : 9); };
    }
    ResizeEngine table;
    std::atomic<int> calls{0};

private:
    int Run(const EngineCall& c, int mode) {
        ++calls;
        const QRgb colour = EngineColour(mode);
        for (int y = 0; y < c.dstH; ++y)
            for (int x = 0; x < c.dstW; ++x) {
                std::uint8_t* p = c.dst + static_cast<std::ptrdiff_t>(y) * c.dstStride + 3 * x;
                p[0] = static_cast<std::uint8_t>(qBlue(colour));
                p[1] = static_cast<std::uint8_t>(qGreen(colour));
                p[2] = static_cast<std::uint8_t>(qRed(colour));
            }
        return 1;
    }
};

// What the main frame does for the preview: the document's view updates go
// to the view, a newly opened image re-initialises it, and ID_PREVIEW_READY
// reaches the document.
class FrameStandIn : public DocumentListener, public platform::CommandReceiver {
public:
    void OnUpdateAllViews() override {
        ++viewUpdates;
        if (view)
            view->OnUpdate();
    }
    void OnUpdateResizePanel() override {}
    void OnDocumentOpened(const QString&, bool) override {
        if (view)
            view->OnInitialUpdate();
    }
    void OnBeep() override {}
    void OnPostedCommand(const platform::Command& command) override {
        if (command.id == ID_PREVIEW_READY && doc)
            doc->RunCommand(command.id);
    }
    CQVVesperaView* view = nullptr;
    CQVVesperaDoc* doc = nullptr;
    int viewUpdates = 0;
};

class PreviewTest : public doctests::DocumentTest {
protected:
    void SetUp() override {
        doc = std::make_unique<CQVVesperaDoc>(settings, engine.table);
        frame.doc = doc.get();
        doc->SetListener(&frame);
        doc->SetPreviewPort(port);
        settings.m_nInterpolMode = 0;
    }
    void TearDown() override {
        view.reset();
        doc.reset();
        port->Close();
    }

    // A view of `width` x `height` shown offscreen.
    void MakeView(int width, int height) {
        view = std::make_unique<CQVVesperaView>(*doc, settings);
        frame.view = view.get();
        view->resize(width, height);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    // Opens `image` (written as a BMP) and shows it at `outW` x `outH`.
    void Open(const QImage& image, int outW, int outH, const QString& name = QStringLiteral("image.bmp")) {
        ASSERT_TRUE(doc->OpenDocumentFile(WriteImage(name, image, "bmp")));
        SetOutput(outW, outH);
    }
    void SetOutput(int outW, int outH) {
        settings.m_nWidth = outW;
        settings.m_nHeight = outH;
        doc->UpdateAllViews();
    }
    void SetMode(int mode) {
        settings.m_nInterpolMode = mode;
        doc->UpdateAllViews();
    }
    // The client as drawn now (drawing may ask for a region).
    QImage Grab() const { return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Lets the worker finish and delivers its ready command.
    void FinishJobs() {
        doc->WaitForPreviewIdle();
        platform::DeliverPostedCommands();
    }
    std::shared_ptr<const PreviewRegion> Result() const { return doc->GetPreviewResult(); }

    FlatEngine engine;
    FrameStandIn frame;
    std::shared_ptr<platform::CommandPort> port = platform::CommandPort::Create(&frame);
    std::unique_ptr<CQVVesperaDoc> doc;
    std::unique_ptr<CQVVesperaView> view;
};

inline QRgb Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

}  // namespace previewtests
