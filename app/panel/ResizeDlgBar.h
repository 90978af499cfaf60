#pragma once
// The resize settings panel: a dock beside the preview where the user sets
// the output of a resize (width and height in pixels or percent, the print
// size in one of five length units, the resolution in one of three units,
// the size correction and the algorithm, the lock or "Apply to new" option)
// and sees the open image's own size, depth, raw size, print size and
// resolution. It owns no settings: every value lives in AppSettings and is
// written there at once; after each change the raw-size label is refreshed,
// the basket's selected items take the settings in batch mode and the
// document's views are updated.
//
// Its three preset buttons open the menus of PresetMenus.h; their commands
// come back to the panel, which is a CmdTarget that the frame offers every
// command to.

#include "app/panel/PrinterResolution.h"
#include "app/panel/ResizePanelDocument.h"
#include "platform/commands/CmdTarget.h"

#include <QBasicTimer>
#include <QDockWidget>
#include <QMenu>
#include <QPointer>

#include <map>
#include <optional>
#include <set>

class AppSettings;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SpinButton;

class CResizeDlgBar : public QDockWidget, public platform::CmdTarget {
    Q_OBJECT
public:
    explicit CResizeDlgBar(AppSettings& settings, QWidget* parent = nullptr);
    ~CResizeDlgBar() override;

    // The frame that is told of changes in batch mode and runs "Apply to All".
    void SetHost(ResizePanelHost* host) { m_pHost = host; }
    // Replaces the printer query (tests); the answer is asked for again.
    void SetPrinterQuery(PrinterResolution::Query query);

    // Binds the document (or none) and shows everything anew.
    void SetImageInfo(ResizePanelDocument* doc);
    // Shows the controls of the mode AppSettings::m_bBatchMode says.
    void SetBatchMode();
    // Controls from the values (false) or values from the controls (true):
    // the unit combos, pixels or percent, edit pixels or print size, the
    // lock or "Apply to new"; filling also sets the correction combo.
    void UpdateData(bool saveAndValidate);

    // The control of dialog id `id`, or null.
    QWidget* GetDlgItem(int id) const;
    // The frame the navigator window is laid over.
    QFrame* NavigatorFrame() const { return m_staticNavigator; }
    ResizePanelDocument* Document() const { return m_pDoc; }
    // The preset menu shown last, while it exists.
    QMenu* ActivePresetMenu() const { return m_activeMenu; }

    // The hold timer's tick, every half second: releases held view updates
    // unless an arrow, a key or a mouse button is down. Tests tick it
    // themselves rather than wait for the timer.
    void ReleaseHeldUpdates();

    // The preset commands.
    void ApplyPresetSize(int width, int height);
    void OnOriginalSize();
    void OnPaperPreset(int id);
    void OnResolutionPreset(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    enum class Side { Width, Height };

    // The resolution and pixel size when the user began to type or spin a
    // resolution, so that every keystroke rescales from them.
    struct ResolutionEdit {
        int width;
        int height;
        double dpi;
    };

    void CreateControls();
    void ConnectControls();
    void RegisterCommands();
    void SetTooltips();

    // The resolution to compute with: AppSettings::m_fDpi, at least 1.
    double Dpi() const;
    double SizeFactor() const;
    bool PercentMode() const;
    bool PercentWithImage() const;
    bool KeepAspect() const;

    // Field ranges in the field's own unit.
    std::pair<double, double> PixelRange(Side side) const;
    std::pair<double, double> PrintRange() const;
    std::pair<double, double> ResolutionRange() const;

    // Displays; each sets m_bUpdating around its writes.
    void ShowPixelField(Side side);
    void ShowPixelFields();
    void ShowPrintField(Side side);
    void ShowPrintFields();
    void ShowResolutionField();
    void SetEditText(QLineEdit* edit, const QString& text);
    void ShowOriginalImage();
    void ShowUnitLabels();
    void ShowRawSize();
    void RawSizeAndNotify();
    void EnableControls();
    void UpdateDialogControls();

    // The aspect rule after `side` was stored from an edit.
    void ApplyAspect(Side side);
    void EndResolutionEdit() { m_resolutionEdit.reset(); }
    // Rescales the pixel size from `from` to the resolution `dpi`.
    void RescaleToResolution(const ResolutionEdit& from, double dpi);

    // Handlers.
    void OnPixelEditChanged(Side side);
    void OnPrintEditChanged(Side side);
    void OnResolutionChanged();
    void OnEditFocusOut(int id);
    void OnPixelUnitsChanged(int index);
    void OnSizeUnitsChanged(int index);
    void OnResUnitsChanged(int index);
    void OnCorrectionChanged(int index);
    void OnAlgorithmChanged(int index);
    void OnEditPixels(int editPrints);
    void OnLockClicked(bool checked);
    void OnSpin(int spinId, int position);
    void OnEndScroll();
    void OpenPresetMenu(int menuId, QPushButton* button);
    void SetResolution(double dpi);

    AppSettings& m_settings;
    ResizePanelHost* m_pHost = nullptr;
    PrinterResolution m_printer;

    // The controls, by the dialog's ids.
    std::map<int, QWidget*> m_controls;
    QFrame* m_staticNavigator = nullptr;
    SpinButton* m_spinWidth = nullptr;
    SpinButton* m_spinResolution = nullptr;
    SpinButton* m_spinPrintWidth = nullptr;
    SpinButton* m_spinPrintHeight = nullptr;
    SpinButton* m_spinHeight = nullptr;
    QComboBox* m_comboInterpolation = nullptr;
    QComboBox* m_comboCorrection = nullptr;
    QComboBox* m_comboPixelUnits = nullptr;
    QComboBox* m_comboSizeUnits = nullptr;
    QComboBox* m_comboResUnits = nullptr;
    QLineEdit* m_editWidth = nullptr;
    QLineEdit* m_editHeight = nullptr;
    QLineEdit* m_editPrintWidth = nullptr;
    QLineEdit* m_editPrintHeight = nullptr;
    QLineEdit* m_editResolution = nullptr;
    QRadioButton* m_radioEditPixels = nullptr;
    QRadioButton* m_radioEditPrints = nullptr;
    QCheckBox* m_checkLock = nullptr;
    QPushButton* m_buttonApplyAll = nullptr;

    int m_nResUnitsSel = 0;
    int m_nSizeUnitsSel = 0;
    bool m_bHasImage = false;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    imaging::PixelFormat m_nImagePixelFormat = imaging::PixelFormatUndefined;
    float m_fImageDpi = 0.0f;
    ResizePanelDocument* m_pDoc = nullptr;
    bool m_bUpdating = false;

    std::optional<ResolutionEdit> m_resolutionEdit;
    // Keys pressed in the panel's edits and not yet released.
    std::set<int> m_keysDown;
    QBasicTimer m_holdTimer;
    QPointer<QMenu> m_activeMenu;
};
