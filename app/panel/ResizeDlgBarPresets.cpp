// The preset buttons of the resize panel, their menus and commands.

#include "app/panel/PanelIds.h"
#include "app/panel/PanelNumbers.h"
#include "app/panel/PresetMenus.h"
#include "app/panel/ResizeDlgBar.h"
#include "core/settings/AppSettings.h"

#include <QCursor>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

constexpr double kMillimetresPerInch = 25.4;

int PresetPixels(double pixels) { return std::max(kMinOutputSide, PixelsOfLength(pixels)); }

// A paper side in the panel's length unit, from the unit of its menu entry.
double PaperInUnit(double value, bool millimetres, int sizeUnits) {
    switch (sizeUnits) {
    case SIZE_UNITS_MILLIMETERS:
        return millimetres ? value : value * kMillimetresPerInch;
    case SIZE_UNITS_CENTIMETERS:
        return millimetres ? value / 10.0 : value * 2.54;
    default: {
        const double inches = millimetres ? value / kMillimetresPerInch : value;
        return inches * LengthFactor(sizeUnits);
    }
    }
}

}  // namespace

void CResizeDlgBar::RegisterCommands() {
    auto sizeButtonsLive = [this](platform::CCmdUI& ui) { ui.Enable(m_bHasImage || m_settings.m_bBatchMode); };
    OnCommand(IDC_SCREEN_PRESETS,
              [this] { OpenPresetMenu(IDR_SIZE_PRESETS, qobject_cast<QPushButton*>(GetDlgItem(IDC_SCREEN_PRESETS))); });
    OnUpdate(IDC_SCREEN_PRESETS, sizeButtonsLive);
    OnCommand(IDC_PAPER_PRESETS,
              [this] { OpenPresetMenu(IDR_PAPER_PRESETS, qobject_cast<QPushButton*>(GetDlgItem(IDC_PAPER_PRESETS))); });
    OnUpdate(IDC_PAPER_PRESETS, sizeButtonsLive);
    OnCommand(IDC_RES_PRESETS,
              [this] { OpenPresetMenu(IDR_RES_PRESETS, qobject_cast<QPushButton*>(GetDlgItem(IDC_RES_PRESETS))); });
    OnCommand(IDC_APPLY_ALL, [this] {
        if (m_pHost)
            m_pHost->ApplySettingsToAllImages();
    });

    OnCommand(ID_SIZE_ORIGINAL, [this] { OnOriginalSize(); });
    OnUpdate(ID_SIZE_ORIGINAL, [this](platform::CCmdUI& ui) { ui.Enable(m_bHasImage); });
    for (const PixelPreset& preset : PixelPresets())
        OnCommand(preset.id, [this, preset] { ApplyPresetSize(preset.width, preset.height); });

    OnCommandRange(ID_PAPER_FIRST, ID_PAPER_LAST, [this](int id) { OnPaperPreset(id); });

    OnCommandRange(ID_RES_FIRST, ID_RES_LAST, [this](int id) { OnResolutionPreset(id); });
    OnUpdate(ID_RES_PRINTER, [this](platform::CCmdUI& ui) { ui.Enable(m_printer.HasPrinter()); });
    OnUpdate(ID_RES_ORIGINAL, [this](platform::CCmdUI& ui) { ui.Enable(m_bHasImage); });
}

void CResizeDlgBar::OpenPresetMenu(int menuId, QPushButton* button) {
    EndResolutionEdit();
    if (m_activeMenu)
        m_activeMenu->deleteLater();
    QMenu* menu = BuildPresetMenu(menuId, this);
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            action->setEnabled(QueryCommand(action->data().toInt()).enabled);
    }
    // The commands come back to the panel.
    connect(menu, &QMenu::triggered, this, [this](QAction* action) { RunCommand(action->data().toInt()); });
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    m_activeMenu = menu;

    // At the cursor when it lies on the button, else at the button's centre.
    const QPoint cursor = QCursor::pos();
    const bool onButton = button->rect().contains(button->mapFromGlobal(cursor));
    menu->popup(onButton ? cursor : button->mapToGlobal(button->rect().center()));
}

void CResizeDlgBar::ApplyPresetSize(int width, int height) {
    EndResolutionEdit();
    std::int64_t w = width;
    std::int64_t h = height;
    if (m_bHasImage && KeepAspect()) {
        // Into the box, keeping the image's aspect.
        if (w * m_nImageHeight < h * m_nImageWidth)
            h = w * m_nImageHeight / m_nImageWidth;
        else
            w = h * m_nImageWidth / m_nImageHeight;
    }
    m_settings.m_nWidth = static_cast<int>(std::max<std::int64_t>(kMinOutputSide, w));
    m_settings.m_nHeight = static_cast<int>(std::max<std::int64_t>(kMinOutputSide, h));
    ShowPixelFields();
    ShowPrintFields();
    RawSizeAndNotify();
}

void CResizeDlgBar::OnOriginalSize() {
    if (!m_bHasImage)
        return;
    EndResolutionEdit();
    m_settings.m_nWidth = m_nImageWidth;
    m_settings.m_nHeight = m_nImageHeight;
    ShowPixelFields();
    ShowPrintFields();
    RawSizeAndNotify();
}

void CResizeDlgBar::OnPaperPreset(int id) {
    EndResolutionEdit();
    const std::optional<PaperSize> paper = ParsePaperEntry(PresetMenuText(IDR_PAPER_PRESETS, id));
    if (!paper)
        return;
    double paperWidth = paper->first;
    double paperHeight = paper->second;
    // A landscape image takes the paper across, anything else upright.
    const bool landscape = m_bHasImage && m_nImageHeight < m_nImageWidth;
    if (landscape ? paperWidth < paperHeight : paperWidth > paperHeight)
        std::swap(paperWidth, paperHeight);
    if (m_bHasImage && KeepAspect()) {
        const double imageWidth = m_nImageWidth;
        const double imageHeight = m_nImageHeight;
        if (imageWidth * paperHeight > imageHeight * paperWidth)
            paperHeight = imageHeight * paperWidth / imageWidth;
        else
            paperWidth = imageWidth * paperHeight / imageHeight;
    }
    // Not limited to the typed range: A0 at 4800 dpi is wider than 100000
    // pixels, and every size after this point is 64-bit.
    const double dpi = Dpi();
    auto pixels = [&](double side) {
        return PresetPixels(paper->millimetres ? side * dpi / kMillimetresPerInch : side * dpi);
    };
    m_settings.m_nWidth = pixels(paperWidth);
    m_settings.m_nHeight = pixels(paperHeight);
    ShowPixelFields();
    const int units = m_settings.m_nSizeUnits;
    SetEditText(m_editPrintWidth, FormatG(PaperInUnit(paperWidth, paper->millimetres, units)));
    SetEditText(m_editPrintHeight, FormatG(PaperInUnit(paperHeight, paper->millimetres, units)));
    RawSizeAndNotify();
}

void CResizeDlgBar::OnResolutionPreset(int id) {
    EndResolutionEdit();
    const ResolutionEdit before{m_settings.m_nWidth, m_settings.m_nHeight, Dpi()};
    double dpi = 0.0;
    if (id == ID_RES_PRINTER) {
        const std::optional<int> printer = m_printer.Dpi();
        if (!printer)
            return;  // no default printer: the resolution stays
        dpi = *printer;
    } else if (id == ID_RES_ORIGINAL) {
        if (!m_bHasImage)
            return;
        dpi = m_fImageDpi > 0.0f ? m_fImageDpi : imaging::kDefaultDpi;
    } else {
        const std::optional<double> value = ParseResolutionEntry(PresetMenuText(IDR_RES_PRESETS, id));
        if (!value)
            return;
        dpi = *value;
    }
    SetResolution(dpi);
    ShowResolutionField();
    if (m_settings.m_nEditPrints == 1)
        ShowPrintFields();
    else
        RescaleToResolution(before, Dpi());
    RawSizeAndNotify();
}
