#pragma once
// Shared pieces of the resize panel's tests (the QApplication comes from the
// shared widget-test main): a document and a frame that record what the
// panel tells them, a panel shown in an active window, and typing and
// clicking helpers.

#include "app/panel/DialogTemplate.h"
#include "app/panel/PanelIds.h"
#include "app/panel/ResizeDlgBar.h"
#include "app/panel/ResizePanelDocument.h"
#include "app/panel/SpinButton.h"
#include "core/settings/AppSettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>

// Readable QStrings in the test's messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// The document as the panel sees it; UpdateViewsIfAllowed redraws unless
// updates are held, as the real document's does.
class RecordingDocument : public ResizePanelDocument {
public:
    std::optional<ResizePanelImage> Image() const override { return image; }
    bool HoldUpdates() const override { return hold; }
    void SetHoldUpdates(bool value) override { hold = value; }
    void UpdateViewsIfAllowed() override {
        ++updateCalls;
        if (!hold)
            ++redraws;
    }

    std::optional<ResizePanelImage> image;
    bool hold = false;
    int updateCalls = 0;
    int redraws = 0;
};

class RecordingHost : public ResizePanelHost {
public:
    void RefreshBatchList() override { ++batchRefreshes; }
    void ApplySettingsToAllImages() override { ++applyToAll; }

    int batchRefreshes = 0;
    int applyToAll = 0;
};

inline ResizePanelImage MakeImage(int width, int height, float dpi = 300.0f,
                                  imaging::PixelFormat format = imaging::PixelFormat24bppRGB) {
    return ResizePanelImage{width, height, format, dpi};
}

// Settings as a fresh start leaves them.
inline void DefaultSettings(AppSettings& settings) {
    settings.m_nInterpolMode = 4;
    settings.m_nResUnits = 0;
    settings.m_nSizeUnits = 0;
    settings.m_nCorrectProp = 0;
    settings.m_nInPercents = 0;
    settings.m_nEditPrints = 0;
    settings.m_nLockSettings = 0;
    settings.m_nApplyToAll = 1;
    settings.m_nWidth = 640;
    settings.m_nHeight = 480;
    settings.m_fDpi = 300.0f;
    settings.m_dPercentW = 100.0;
    settings.m_dPercentH = 100.0;
    settings.m_bBatchMode = 0;
}

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { DefaultSettings(settings); }
    void TearDown() override { panel.reset(); }

    // Makes the panel, shows it in an active window and binds the document
    // (with `image`, or without one).
    void Open(std::optional<ResizePanelImage> image) {
        doc.image = image;
        panel = std::make_unique<CResizeDlgBar>(settings);
        panel->SetHost(&host);
        panel->SetPrinterQuery([this] {
            ++printerQueries;
            return printerDpi;
        });
        panel->show();
        QApplication::setActiveWindow(panel.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
        panel->SetImageInfo(&doc);
        doc.updateCalls = doc.redraws = 0;
        host.batchRefreshes = 0;
    }

    template <typename T = QWidget>
    T* Control(int id) const {
        T* control = qobject_cast<T*>(panel->GetDlgItem(id));
        EXPECT_NE(control, nullptr) << "control " << id;
        return control;
    }
    QLineEdit* Edit(int id) const { return Control<QLineEdit>(id); }
    QString Text(int id) const;

    // Replaces the edit's text by typing `text` key by key.
    void Type(int id, const QString& text) {
        QLineEdit* edit = Edit(id);
        edit->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }
    // Moves the focus away from the edit, as a click elsewhere does.
    void Leave(int id) {
        Edit(id)->setFocus(Qt::OtherFocusReason);
        Control(IDC_ALGORITHM)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    void Choose(int comboId, int index) {
        auto* combo = Control<QComboBox>(comboId);
        combo->setFocus(Qt::OtherFocusReason);
        // Home, then Down `index` times: each key activates the next entry.
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
    }
    void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }
    void ClickSpin(int spinId, bool up) {
        auto* spin = Control<SpinButton>(spinId);
        QTest::mouseClick(up ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
    }
    // Clicks a preset button and then the menu entry with `commandId`; false
    // when the menu did not show or the entry was disabled or missing.
    bool ChoosePreset(int buttonId, int commandId) {
        Click(buttonId);
        QMenu* menu = panel->ActivePresetMenu();
        if (menu == nullptr || !menu->isVisible())
            return false;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || action->data().toInt() != commandId)
                continue;
            if (!action->isEnabled()) {
                menu->close();
                return false;
            }
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
        menu->close();
        return false;
    }

    AppSettings settings;
    RecordingDocument doc;
    RecordingHost host;
    std::optional<int> printerDpi;
    int printerQueries = 0;
    std::unique_ptr<CResizeDlgBar> panel;
};

inline QString PanelTest::Text(int id) const {
    QWidget* control = panel->GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    return QString();
}
