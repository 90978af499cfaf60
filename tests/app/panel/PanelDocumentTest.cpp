// The panel bound to the real document through its adapter: the image's own
// values as the file gives them, held view updates on the document's flag.

#include "PanelTestSupport.h"
#include "app/panel/PanelDocumentAdapter.h"
#include "core/document/DocumentListener.h"
#include "core/document/QVVesperaDoc.h"
#include "tests/support/FileFixtures.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

namespace {

class CountingListener : public DocumentListener {
public:
    void OnUpdateAllViews() override { ++viewUpdates; }
    void OnUpdateResizePanel() override {}
    void OnDocumentOpened(const QString&, bool) override {}
    void OnBeep() override {}
    int viewUpdates = 0;
};

// A w x h picture at `dpi` in `format`.
QByteArray Picture(int w, int h, int dpi, const char* format) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(QColor(40, 120, 200));
    const int dotsPerMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

TEST(PanelDocument, ShowsTheOpenImageAsItsFileGivesIt) {
    QApplication::processEvents();
    struct Case {
        const char* format;
        const char* name;
        int dpi;
    };
    for (const Case& c : {Case{"jpeg", "a.jpg", 300}, Case{"tiff", "a.tif", 300}, Case{"jpeg", "b.jpg", 72}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString path = folder.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(WriteFile(path, Picture(1200, 800, c.dpi, c.format)));

        AppSettings settings;
        DefaultSettings(settings);
        CQVVesperaDoc doc(settings);
        CountingListener listener;
        doc.SetListener(&listener);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        PanelDocumentAdapter adapter(doc);
        CResizeDlgBar panel(settings);
        panel.SetImageInfo(&adapter);

        auto label = [&](int id) { return qobject_cast<QLabel*>(panel.GetDlgItem(id))->text(); };
        EXPECT_EQ(label(IDC_ORIG_SIZE), QStringLiteral("1200x800 pixels"));
        EXPECT_EQ(label(IDC_ORIG_DEPTH), QStringLiteral("24 bits per pixel"));
        EXPECT_EQ(label(IDC_ORIG_RESOLUTION), QStringLiteral("%1 dots per inch").arg(c.dpi));
        // The image rule took the file's resolution; "Original" gives it
        // exactly, not through dots per metre.
        settings.m_fDpi = 150.0f;
        panel.RunCommand(ID_RES_ORIGINAL);
        EXPECT_EQ(settings.m_fDpi, static_cast<float>(c.dpi));
        panel.RunCommand(ID_SIZE_ORIGINAL);
        EXPECT_EQ(settings.m_nWidth, 1200);

        // A click on a spin arrow holds the document's views until it ends.
        listener.viewUpdates = 0;
        auto* spin = qobject_cast<SpinButton*>(panel.GetDlgItem(IDC_WIDTH_SPIN));
        QTest::mousePress(spin->UpButton(), Qt::LeftButton);
        EXPECT_TRUE(doc.m_bHoldUpdates);
        EXPECT_EQ(listener.viewUpdates, 0);
        QTest::mouseRelease(spin->UpButton(), Qt::LeftButton);
        EXPECT_FALSE(doc.m_bHoldUpdates);
        EXPECT_EQ(listener.viewUpdates, 1);
        EXPECT_EQ(settings.m_nWidth, 1201);
        EXPECT_EQ(settings.m_nHeight, 800);
    }
}

TEST(PanelDocument, DocumentWithoutImageIsBoundButHasNone) {
    AppSettings settings;
    DefaultSettings(settings);
    CQVVesperaDoc doc(settings);
    PanelDocumentAdapter adapter(doc);
    EXPECT_EQ(adapter.Image(), std::nullopt);
    CResizeDlgBar panel(settings);
    panel.SetImageInfo(&adapter);
    EXPECT_EQ(panel.Document(), &adapter);
    EXPECT_FALSE(panel.GetDlgItem(IDC_WIDTH)->isEnabled());
    EXPECT_FALSE(panel.QueryCommand(ID_SIZE_ORIGINAL).enabled);
}

}  // namespace
