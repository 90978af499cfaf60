// The resize panel in the real frame: docked at the right, offered every
// command after the Browse window, refreshed when an image opens, switched
// with batch mode, and telling the basket of changes.

#include "FrameTestSupport.h"
#include "app/frame/BatchBasket.h"
#include "app/frame/FrameIds.h"
#include "app/panel/PanelIds.h"
#include "app/panel/ResizeDlgBar.h"
#include "core/document/QVVesperaDoc.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class CountingBasket : public IBatchBasket {
public:
    void AddFiles(const QStringList&) override {}
    int GetItemCount() const override { return 0; }
    void ApplySettingsToSelected() override { ++appliedToSelected; }
    void ApplySettingsToAll() override { ++appliedToAll; }
    int appliedToSelected = 0;
    int appliedToAll = 0;
};

class ResizePanelHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = MakeApp();
        app_->m_frameContext.basket = &basket_;
        ASSERT_TRUE(app_->InitInstance({}));
        frame_ = app_->m_pMainWnd;
        ASSERT_NE(frame_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
        panel_ = frame_->ResizePanel();
        ASSERT_NE(panel_, nullptr);
        Settle();
    }

    QString PanelText(int id) const {
        QWidget* control = panel_->GetDlgItem(id);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            return edit->text();
        return qobject_cast<QLabel*>(control)->text();
    }

    QString Picture(int w, int h) {
        QImage image(w, h, QImage::Format_RGB888);
        image.fill(Qt::darkCyan);
        image.setDotsPerMeterX(11811);  // 300 dpi
        image.setDotsPerMeterY(11811);
        const QString path = home_.Path() + QStringLiteral("/picture.jpg");
        EXPECT_TRUE(image.save(path, "JPEG"));
        return path;
    }

    PrivateHome home_;
    CountingBasket basket_;
    std::unique_ptr<CQVVesperaApp> app_;
    CMainFrame* frame_ = nullptr;
    CResizeDlgBar* panel_ = nullptr;
};

TEST_F(ResizePanelHostTest, DockedAtTheRightAndToggledByItsBarCommand) {
    EXPECT_EQ(frame_->dockWidgetArea(panel_), Qt::RightDockWidgetArea);
    EXPECT_EQ(panel_->windowTitle(), QStringLiteral("Resize settings"));
    EXPECT_TRUE(panel_->isVisible());
    EXPECT_EQ(frame_->QueryCommand(ID_VIEW_RESIZE_BAR).check, 1);
    EXPECT_TRUE(frame_->RunCommand(ID_VIEW_RESIZE_BAR));
    EXPECT_FALSE(panel_->isVisible());
    EXPECT_EQ(frame_->QueryCommand(ID_VIEW_RESIZE_BAR).check, 0);
    EXPECT_TRUE(frame_->RunCommand(ID_VIEW_RESIZE_BAR));
    EXPECT_TRUE(panel_->isVisible());
}

TEST_F(ResizePanelHostTest, OpeningAnImageRefreshesThePanel) {
    EXPECT_TRUE(PanelText(IDC_ORIG_SIZE).isEmpty());
    EXPECT_FALSE(panel_->GetDlgItem(IDC_WIDTH)->isEnabled());
    ASSERT_TRUE(app_->OpenDocumentFile(Picture(800, 600)));
    Settle();
    EXPECT_EQ(PanelText(IDC_ORIG_SIZE), QStringLiteral("800x600 pixels"));
    EXPECT_EQ(PanelText(IDC_ORIG_RESOLUTION), QStringLiteral("300 dots per inch"));
    EXPECT_EQ(PanelText(IDC_WIDTH), QStringLiteral("800"));
    EXPECT_EQ(PanelText(IDC_RESOLUTION), QStringLiteral("300"));
    EXPECT_TRUE(panel_->GetDlgItem(IDC_WIDTH)->isEnabled());
    ASSERT_NE(panel_->Document(), nullptr);
    // The panel holds and releases the document's views.
    panel_->Document()->SetHoldUpdates(true);
    EXPECT_TRUE(app_->GetDocument()->m_bHoldUpdates);
    panel_->Document()->SetHoldUpdates(false);
}

TEST_F(ResizePanelHostTest, PresetCommandsReachThePanelThroughTheFrame) {
    ASSERT_TRUE(app_->OpenDocumentFile(Picture(800, 600)));
    Settle();
    app_->m_nCorrectProp = 2;
    EXPECT_TRUE(frame_->QueryCommand(ID_SIZE_640).enabled);
    EXPECT_TRUE(frame_->RunCommand(ID_SIZE_640));
    EXPECT_EQ(app_->m_nWidth, 640);
    EXPECT_TRUE(frame_->RunCommand(ID_RES_72));
    EXPECT_FLOAT_EQ(app_->m_fDpi, 72.0f);
    EXPECT_EQ(app_->m_nWidth, 154);
    EXPECT_TRUE(frame_->RunCommand(ID_PAPER_FIRST + 4));  // A4
    EXPECT_EQ(app_->m_nWidth, 841);                       // 297 mm at 72 dpi: 841.9, truncated
    EXPECT_EQ(app_->m_nHeight, 595);
    // Resize and Save now differs from the image and is enabled.
    EXPECT_TRUE(frame_->QueryCommand(57603).enabled);
}

TEST_F(ResizePanelHostTest, BatchModeSwitchesThePanelAndTellsTheBasket) {
    auto* applyAll = qobject_cast<QPushButton*>(panel_->GetDlgItem(IDC_APPLY_ALL));
    EXPECT_FALSE(applyAll->isVisible());
    frame_->RunCommand(ID_BATCH_MODE);
    Settle();
    ASSERT_EQ(app_->m_bBatchMode, 1);
    EXPECT_TRUE(applyAll->isVisible());
    QTest::mouseClick(applyAll, Qt::LeftButton);
    EXPECT_EQ(basket_.appliedToAll, 1);
    frame_->RunCommand(ID_SIZE_800);
    EXPECT_EQ(basket_.appliedToSelected, 1);
    frame_->RunCommand(ID_BATCH_MODE);
    Settle();
    EXPECT_FALSE(applyAll->isVisible());
    frame_->RunCommand(ID_SIZE_640);
    EXPECT_EQ(basket_.appliedToSelected, 1);
}

}  // namespace
