#include "app/panel/ResizeDlgBar.h"

#include "app/panel/DialogTemplate.h"
#include "app/panel/PanelIds.h"
#include "app/panel/PanelNumbers.h"
#include "app/panel/ResizePanelTemplate.h"
#include "app/panel/SpinButton.h"
#include "core/settings/AppSettings.h"
#include "core/widgets/DialogUnits.h"
#include "platform/profile/ProfileStore.h"
#include "platform/resources/StringTable.h"
#include "res/StringIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kHoldTimerMs = 500;
constexpr int kMaxTooltipChars = 80;

// String ids of the texts the panel shows (the named ones in res/StringIds.h;
// IDS_FIRST_LENGTH_UNIT is the first of 290-294, "in" ... "pt").
constexpr int kResUnitLabels[kResUnitCount] = {79, 80, 82};
constexpr int kImageResolutionFormats[kResUnitCount] = {134, 135, 136};
// "%.2fx%.2f inches", "... mm", "... cm", "%.0fx%.0f picas", "... points".
constexpr int kImagePrintSizeFormats[kSizeUnitCount] = {137, 139, 138, 140, 141};

struct Tooltip {
    int control;
    int string;
};
constexpr Tooltip kTooltips[] = {
    {IDC_WIDTH, 33133},       {IDC_HEIGHT, 33134},      {IDC_PIXEL_UNITS, 33135},  {IDC_SCREEN_PRESETS, 33136},
    {IDC_EDIT_PIXELS, 33137}, {IDC_PRINT_WIDTH, 33138}, {IDC_PRINT_HEIGHT, 33139}, {IDC_PAPER_PRESETS, 33140},
    {IDC_EDIT_PRINTS, 33141}, {IDC_RESOLUTION, 33142},  {IDC_RES_PRESETS, 33143},  {IDC_CORRECTION, 33144},
    {IDC_ALGORITHM, 33145},   {IDC_SIZE_UNITS, 33146},  {IDC_RES_UNITS, 33147},    {IDC_APPLY_ALL, 33148},
};

// A string of the table used as a printf format (the table is ours).
template <typename... Args>
QString FormatString(int id, Args... args) {
    const QByteArray format = platform::LoadResString(id).toUtf8();
    return QString::asprintf(format.constData(), args...);
}

QString TooltipText(int stringId) {
    QString text = platform::LoadResString(stringId);
    const int lineBreak = text.indexOf(u'\n');
    if (lineBreak >= 0)
        text.truncate(lineBreak);
    return text.left(kMaxTooltipChars);
}

bool InRange(double value, std::pair<double, double> range) { return value >= range.first && value <= range.second; }

int IndexIn(int value, int count) { return value >= 0 && value < count ? value : 0; }

// The spin beside an edit.
int SpinOf(int editId) {
    switch (editId) {
    case IDC_WIDTH:
        return IDC_WIDTH_SPIN;
    case IDC_HEIGHT:
        return IDC_HEIGHT_SPIN;
    case IDC_PRINT_WIDTH:
        return IDC_PRINT_WIDTH_SPIN;
    case IDC_PRINT_HEIGHT:
        return IDC_PRINT_HEIGHT_SPIN;
    case IDC_RESOLUTION:
        return IDC_RESOLUTION_SPIN;
    default:
        return -1;
    }
}

// At least 3 pixels; products of sizes are made in 64 bits by the callers.
int AtLeastThree(std::int64_t pixels) {
    return static_cast<int>(std::clamp<std::int64_t>(pixels, kMinOutputSide, INT32_MAX));
}

// int(x) for the truncating conversions of sizes, in range of an int.
int Truncate(double pixels) {
    if (!(pixels > 0.0))
        return 0;
    return static_cast<int>(std::min(pixels, static_cast<double>(INT32_MAX)));
}

// "%g" of `value`, with more digits when "%g" would round it out of range
// (a bound such as 1 / 300 inch).
QString FormatInRange(double value, std::pair<double, double> range) {
    QString text = FormatG(value);
    for (int digits = 7; digits <= 17; ++digits) {
        const std::optional<double> back = ParseDecimal(text);
        if (back && InRange(*back, range))
            break;
        text = QString::asprintf("%.*g", digits, value);
    }
    return text;
}

}  // namespace

CResizeDlgBar::CResizeDlgBar(AppSettings& settings, QWidget* parent)
    : QDockWidget(parent),
      m_settings(settings),
      m_nResUnitsSel(settings.m_nResUnits),
      m_nSizeUnitsSel(settings.m_nSizeUnits) {
    setObjectName(QStringLiteral("ResizeDlgBar"));
    setWindowTitle(platform::LoadResString(IDS_RESIZE_SETTINGS));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    CreateControls();
    ConnectControls();
    RegisterCommands();
    SetTooltips();
    m_holdTimer.start(kHoldTimerMs, this);
    SetBatchMode();
}

CResizeDlgBar::~CResizeDlgBar() {
    // Focus changes while the children go must not reach the handlers.
    m_bUpdating = true;
    for (QLineEdit* edit : {m_editWidth, m_editHeight, m_editPrintWidth, m_editPrintHeight, m_editResolution})
        edit->removeEventFilter(this);
}

void CResizeDlgBar::SetPrinterQuery(PrinterResolution::Query query) { m_printer = PrinterResolution(std::move(query)); }

QWidget* CResizeDlgBar::GetDlgItem(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

void CResizeDlgBar::CreateControls() {
    auto* form = new QWidget(this);
    const widgets::DialogUnits units(form->font());
    m_controls = BuildDialogControls(ResizePanelTemplate(), form, units);
    setWidget(form);

    auto control = [this](int id) { return GetDlgItem(id); };
    m_staticNavigator = qobject_cast<QFrame*>(control(IDC_NAVIGATOR));
    m_spinWidth = qobject_cast<SpinButton*>(control(IDC_WIDTH_SPIN));
    m_spinResolution = qobject_cast<SpinButton*>(control(IDC_RESOLUTION_SPIN));
    m_spinPrintWidth = qobject_cast<SpinButton*>(control(IDC_PRINT_WIDTH_SPIN));
    m_spinPrintHeight = qobject_cast<SpinButton*>(control(IDC_PRINT_HEIGHT_SPIN));
    m_spinHeight = qobject_cast<SpinButton*>(control(IDC_HEIGHT_SPIN));
    m_comboInterpolation = qobject_cast<QComboBox*>(control(IDC_ALGORITHM));
    m_comboCorrection = qobject_cast<QComboBox*>(control(IDC_CORRECTION));
    m_comboPixelUnits = qobject_cast<QComboBox*>(control(IDC_PIXEL_UNITS));
    m_comboSizeUnits = qobject_cast<QComboBox*>(control(IDC_SIZE_UNITS));
    m_comboResUnits = qobject_cast<QComboBox*>(control(IDC_RES_UNITS));
    m_editWidth = qobject_cast<QLineEdit*>(control(IDC_WIDTH));
    m_editHeight = qobject_cast<QLineEdit*>(control(IDC_HEIGHT));
    m_editPrintWidth = qobject_cast<QLineEdit*>(control(IDC_PRINT_WIDTH));
    m_editPrintHeight = qobject_cast<QLineEdit*>(control(IDC_PRINT_HEIGHT));
    m_editResolution = qobject_cast<QLineEdit*>(control(IDC_RESOLUTION));
    m_radioEditPixels = qobject_cast<QRadioButton*>(control(IDC_EDIT_PIXELS));
    m_radioEditPrints = qobject_cast<QRadioButton*>(control(IDC_EDIT_PRINTS));
    m_checkLock = qobject_cast<QCheckBox*>(control(IDC_LOCK));
    m_buttonApplyAll = qobject_cast<QPushButton*>(control(IDC_APPLY_ALL));

    for (QLineEdit* edit : {m_editWidth, m_editHeight, m_editPrintWidth, m_editPrintHeight, m_editResolution})
        edit->installEventFilter(this);
}

void CResizeDlgBar::ConnectControls() {
    connect(m_editWidth, &QLineEdit::textChanged, this, [this] { OnPixelEditChanged(Side::Width); });
    connect(m_editHeight, &QLineEdit::textChanged, this, [this] { OnPixelEditChanged(Side::Height); });
    connect(m_editPrintWidth, &QLineEdit::textChanged, this, [this] { OnPrintEditChanged(Side::Width); });
    connect(m_editPrintHeight, &QLineEdit::textChanged, this, [this] { OnPrintEditChanged(Side::Height); });
    connect(m_editResolution, &QLineEdit::textChanged, this, &CResizeDlgBar::OnResolutionChanged);

    // activated: the user's choices only, not the panel's own selections.
    connect(m_comboPixelUnits, &QComboBox::activated, this, &CResizeDlgBar::OnPixelUnitsChanged);
    connect(m_comboSizeUnits, &QComboBox::activated, this, &CResizeDlgBar::OnSizeUnitsChanged);
    connect(m_comboResUnits, &QComboBox::activated, this, &CResizeDlgBar::OnResUnitsChanged);
    connect(m_comboCorrection, &QComboBox::activated, this, &CResizeDlgBar::OnCorrectionChanged);
    connect(m_comboInterpolation, &QComboBox::activated, this, &CResizeDlgBar::OnAlgorithmChanged);

    connect(m_radioEditPixels, &QRadioButton::clicked, this, [this] { OnEditPixels(0); });
    connect(m_radioEditPrints, &QRadioButton::clicked, this, [this] { OnEditPixels(1); });
    connect(m_checkLock, &QCheckBox::clicked, this, &CResizeDlgBar::OnLockClicked);

    // The buttons send their ids as commands, as dialog buttons do.
    for (int id : {IDC_SCREEN_PRESETS, IDC_PAPER_PRESETS, IDC_RES_PRESETS, IDC_APPLY_ALL}) {
        auto* button = qobject_cast<QPushButton*>(GetDlgItem(id));
        connect(button, &QPushButton::clicked, this, [this, id] { RunCommand(id); });
    }

    for (SpinButton* spin : {m_spinWidth, m_spinResolution, m_spinPrintWidth, m_spinPrintHeight, m_spinHeight}) {
        const int id = ControlId(spin);
        connect(spin, &SpinButton::Scrolled, this, [this, id](int position) { OnSpin(id, position); });
        connect(spin, &SpinButton::EndScroll, this, &CResizeDlgBar::OnEndScroll);
    }
}

void CResizeDlgBar::SetTooltips() {
    for (const Tooltip& tip : kTooltips)
        GetDlgItem(tip.control)->setToolTip(TooltipText(tip.string));
}

// ---------------------------------------------------------------------------
// Values and ranges

double CResizeDlgBar::Dpi() const {
    const double dpi = m_settings.m_fDpi;
    return std::isfinite(dpi) ? std::clamp(dpi, kMinDpi, kMaxDpi) : kMinDpi;
}

double CResizeDlgBar::SizeFactor() const { return LengthFactor(m_settings.m_nSizeUnits); }

bool CResizeDlgBar::PercentMode() const { return m_settings.m_nInPercents != 0; }

bool CResizeDlgBar::PercentWithImage() const { return PercentMode() && m_bHasImage; }

bool CResizeDlgBar::KeepAspect() const { return m_settings.m_nCorrectProp == 0; }

std::pair<double, double> CResizeDlgBar::PixelRange(Side side) const {
    if (!PercentMode())
        return {kMinOutputSide, kMaxOutputSide};
    if (!m_bHasImage)
        return {0.3, 3000.0};
    const double dimension = side == Side::Width ? m_nImageWidth : m_nImageHeight;
    return {kMinOutputSide * 100.0 / dimension, kMaxOutputSide * 100.0 / dimension};
}

std::pair<double, double> CResizeDlgBar::PrintRange() const {
    const double perPixel = SizeFactor() / Dpi();
    return {perPixel, kMaxOutputSide * perPixel};
}

std::pair<double, double> CResizeDlgBar::ResolutionRange() const {
    const double divisor = ResolutionDivisor(m_settings.m_nResUnits);
    return {kMinDpi / divisor, kMaxDpi / divisor};
}

// ---------------------------------------------------------------------------
// Displays

void CResizeDlgBar::SetEditText(QLineEdit* edit, const QString& text) {
    const QScopedValueRollback<bool> updating(m_bUpdating, true);
    if (edit->text() != text)
        edit->setText(text);
}

void CResizeDlgBar::ShowPixelField(Side side) {
    const bool width = side == Side::Width;
    QLineEdit* edit = width ? m_editWidth : m_editHeight;
    const int pixels = width ? m_settings.m_nWidth : m_settings.m_nHeight;
    double& percent = width ? m_settings.m_dPercentW : m_settings.m_dPercentH;
    if (!PercentMode()) {
        SetEditText(edit, QString::number(pixels));
    } else if (m_bHasImage) {
        const int dimension = width ? m_nImageWidth : m_nImageHeight;
        percent = RoundToDecimals(pixels * 100.0 / dimension, 2);
        SetEditText(edit, FormatG(percent));
    } else {
        SetEditText(edit, FormatG(percent));
    }
}

void CResizeDlgBar::ShowPixelFields() {
    ShowPixelField(Side::Width);
    ShowPixelField(Side::Height);
}

void CResizeDlgBar::ShowPrintField(Side side) {
    QLineEdit* edit = side == Side::Width ? m_editPrintWidth : m_editPrintHeight;
    if (PercentMode() && !m_bHasImage) {
        SetEditText(edit, QString());
        return;
    }
    const int pixels = side == Side::Width ? m_settings.m_nWidth : m_settings.m_nHeight;
    SetEditText(edit, FormatG(RoundToDecimals(pixels * SizeFactor() / Dpi(), 4)));
}

void CResizeDlgBar::ShowPrintFields() {
    ShowPrintField(Side::Width);
    ShowPrintField(Side::Height);
}

void CResizeDlgBar::ShowResolutionField() {
    const double shown = Dpi() / ResolutionDivisor(m_settings.m_nResUnits);
    SetEditText(m_editResolution, FormatG(RoundToDecimals(shown, 2)));
}

void CResizeDlgBar::ShowOriginalImage() {
    auto label = [this](int id) { return qobject_cast<QLabel*>(GetDlgItem(id)); };
    for (int id : {IDC_ORIG_SIZE, IDC_ORIG_DEPTH, IDC_ORIG_RAWSIZE, IDC_ORIG_PRINTSIZE, IDC_ORIG_RESOLUTION})
        label(id)->clear();
    if (!m_bHasImage)
        return;
    const int bits = imaging::PixelFormatBits(m_nImagePixelFormat);
    label(IDC_ORIG_SIZE)->setText(FormatString(IDS_IMAGE_SIZE, m_nImageWidth, m_nImageHeight));
    label(IDC_ORIG_DEPTH)->setText(FormatString(IDS_IMAGE_DEPTH, bits));
    const QByteArray raw = FormatByteSize(RawByteSize(m_nImageWidth, m_nImageHeight, bits)).toUtf8();
    label(IDC_ORIG_RAWSIZE)->setText(FormatString(IDS_RAW_SIZE, raw.constData()));
    if (!(m_fImageDpi > 0.0f))
        return;
    const double dpi = m_fImageDpi;
    const int resUnits = IndexIn(m_settings.m_nResUnits, kResUnitCount);
    label(IDC_ORIG_RESOLUTION)
        ->setText(FormatString(kImageResolutionFormats[resUnits], dpi / ResolutionDivisor(resUnits)));
    const int sizeUnits = IndexIn(m_settings.m_nSizeUnits, kSizeUnitCount);
    const double factor = LengthFactor(sizeUnits);
    label(IDC_ORIG_PRINTSIZE)
        ->setText(FormatString(kImagePrintSizeFormats[sizeUnits], m_nImageWidth / dpi * factor,
                               m_nImageHeight / dpi * factor));
}

void CResizeDlgBar::ShowUnitLabels() {
    const QString length = platform::LoadResString(IDS_FIRST_LENGTH_UNIT + IndexIn(m_settings.m_nSizeUnits, 5));
    qobject_cast<QLabel*>(GetDlgItem(IDC_PRINT_WIDTH_UNIT))->setText(length);
    qobject_cast<QLabel*>(GetDlgItem(IDC_PRINT_HEIGHT_UNIT))->setText(length);
    const int resolution = kResUnitLabels[IndexIn(m_settings.m_nResUnits, kResUnitCount)];
    qobject_cast<QLabel*>(GetDlgItem(IDC_RES_UNIT_LABEL))->setText(platform::LoadResString(resolution));
}

void CResizeDlgBar::ShowRawSize() {
    auto* label = qobject_cast<QLabel*>(GetDlgItem(IDC_RAW_SIZE));
    if (!m_bHasImage) {
        label->clear();
        return;
    }
    const QByteArray raw = FormatByteSize(RawByteSize(m_settings.m_nWidth, m_settings.m_nHeight, 24)).toUtf8();
    label->setText(FormatString(IDS_RAW_SIZE, raw.constData()));
}

void CResizeDlgBar::RawSizeAndNotify() {
    ShowRawSize();
    if (m_settings.m_bBatchMode && m_pHost)
        m_pHost->RefreshBatchList();
    if (m_pDoc)
        m_pDoc->UpdateViewsIfAllowed();
}

void CResizeDlgBar::EnableControls() {
    const bool live = m_bHasImage || m_settings.m_bBatchMode;
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_editWidth, m_editHeight, m_editPrintWidth, m_editPrintHeight, m_editResolution, m_spinWidth,
             m_spinHeight, m_spinPrintWidth, m_spinPrintHeight, m_spinResolution, m_comboPixelUnits})
        control->setEnabled(live);
    if (!m_bHasImage)
        return;
    // With an image only the fields being edited take input; a spin goes
    // with its edit.
    const bool pixels = m_settings.m_nEditPrints == 0;
    for (QWidget* control : {static_cast<QWidget*>(m_editWidth), static_cast<QWidget*>(m_editHeight),
                             static_cast<QWidget*>(m_spinWidth), static_cast<QWidget*>(m_spinHeight)})
        control->setEnabled(pixels);
    for (QWidget* control : {static_cast<QWidget*>(m_editPrintWidth), static_cast<QWidget*>(m_editPrintHeight),
                             static_cast<QWidget*>(m_spinPrintWidth), static_cast<QWidget*>(m_spinPrintHeight)})
        control->setEnabled(!pixels);
}

void CResizeDlgBar::UpdateDialogControls() {
    for (int id : {IDC_SCREEN_PRESETS, IDC_PAPER_PRESETS, IDC_RES_PRESETS, IDC_APPLY_ALL})
        GetDlgItem(id)->setEnabled(QueryCommand(id).enabled);
}

// ---------------------------------------------------------------------------
// Binding and modes

void CResizeDlgBar::UpdateData(bool saveAndValidate) {
    int& lockValue = m_settings.m_bBatchMode ? m_settings.m_nApplyToAll : m_settings.m_nLockSettings;
    if (saveAndValidate) {
        m_nResUnitsSel = m_comboResUnits->currentIndex();
        m_nSizeUnitsSel = m_comboSizeUnits->currentIndex();
        m_settings.m_nInPercents = m_comboPixelUnits->currentIndex() == 1 ? 1 : 0;
        m_settings.m_nEditPrints = m_radioEditPrints->isChecked() ? 1 : 0;
        lockValue = m_checkLock->isChecked() ? 1 : 0;
        return;
    }
    const QScopedValueRollback<bool> updating(m_bUpdating, true);
    m_comboResUnits->setCurrentIndex(IndexIn(m_nResUnitsSel, kResUnitCount));
    m_comboSizeUnits->setCurrentIndex(IndexIn(m_nSizeUnitsSel, kSizeUnitCount));
    m_comboPixelUnits->setCurrentIndex(PercentMode() ? 1 : 0);
    (m_settings.m_nEditPrints ? m_radioEditPrints : m_radioEditPixels)->setChecked(true);
    m_checkLock->setChecked(lockValue != 0);
    m_comboCorrection->setCurrentIndex(IndexIn(m_settings.m_nCorrectProp, m_comboCorrection->count()));
}

void CResizeDlgBar::SetImageInfo(ResizePanelDocument* doc) {
    EndResolutionEdit();
    m_comboInterpolation->setCurrentIndex(IndexIn(m_settings.m_nInterpolMode, m_comboInterpolation->count()));

    const std::optional<ResizePanelImage> image = doc ? doc->Image() : std::nullopt;
    m_bHasImage = image && image->width > 0 && image->height > 0;
    if (m_bHasImage) {
        m_nImageWidth = image->width;
        m_nImageHeight = image->height;
        m_nImagePixelFormat = image->pixelFormat;
        m_fImageDpi = image->dpi;
    }
    m_pDoc = doc;

    EnableControls();
    ShowOriginalImage();
    ShowUnitLabels();

    // The unit selections follow the settings, which a settings file or a
    // basket item may have changed since the panel last showed them.
    m_nSizeUnitsSel = IndexIn(m_settings.m_nSizeUnits, kSizeUnitCount);
    m_nResUnitsSel = IndexIn(m_settings.m_nResUnits, kResUnitCount);
    UpdateData(false);
    ShowPixelFields();
    ShowPrintFields();
    ShowResolutionField();

    ShowRawSize();
    UpdateDialogControls();
}

void CResizeDlgBar::SetBatchMode() {
    const bool batch = m_settings.m_bBatchMode != 0;
    m_checkLock->setText(platform::LoadResString(batch ? IDS_APPLY_TO_NEW : IDS_LOCK_SETTINGS));
    m_checkLock->setChecked((batch ? m_settings.m_nApplyToAll : m_settings.m_nLockSettings) != 0);
    m_checkLock->setToolTip(TooltipText(batch ? IDS_TIP_APPLY_TO_NEW : IDS_TIP_LOCK));
    m_buttonApplyAll->setVisible(batch);
    SetImageInfo(m_pDoc);
}

// ---------------------------------------------------------------------------
// Edits

void CResizeDlgBar::ApplyAspect(Side side) {
    if (!KeepAspect() || !m_bHasImage)
        return;
    const std::int64_t width = m_nImageWidth;
    const std::int64_t height = m_nImageHeight;
    if (side == Side::Width) {
        m_settings.m_nHeight = AtLeastThree(height * m_settings.m_nWidth / width);
        ShowPixelField(Side::Height);
        ShowPrintField(Side::Height);
    } else {
        m_settings.m_nWidth = AtLeastThree(width * m_settings.m_nHeight / height);
        ShowPixelField(Side::Width);
        ShowPrintField(Side::Width);
    }
}

void CResizeDlgBar::OnPixelEditChanged(Side side) {
    if (m_bUpdating)
        return;
    EndResolutionEdit();
    const bool width = side == Side::Width;
    QLineEdit* edit = width ? m_editWidth : m_editHeight;
    int& pixels = width ? m_settings.m_nWidth : m_settings.m_nHeight;
    // Only the edited field is read: the other one shows a rounded percent
    // or print size, and reading it back could move its size by a pixel.
    if (!PercentMode()) {
        const std::optional<int> value = ParseUnsigned(edit->text());
        if (!value || !InRange(*value, PixelRange(side)))
            return;
        pixels = *value;
    } else if (m_bHasImage) {
        const std::optional<double> value = ParseDecimal(edit->text());
        if (!value || !InRange(*value, PixelRange(side)))
            return;
        (width ? m_settings.m_dPercentW : m_settings.m_dPercentH) = *value;
        const int dimension = width ? m_nImageWidth : m_nImageHeight;
        pixels = AtLeastThree(Truncate(dimension * *value / 100.0));
    } else {
        return;  // percentages need an image to measure against
    }
    ApplyAspect(side);
    ShowPrintFields();
    if (PercentWithImage() && KeepAspect())
        SetEditText(width ? m_editHeight : m_editWidth, edit->text());
    RawSizeAndNotify();
}

void CResizeDlgBar::OnPrintEditChanged(Side side) {
    if (m_bUpdating || !m_bHasImage)
        return;
    EndResolutionEdit();
    QLineEdit* edit = side == Side::Width ? m_editPrintWidth : m_editPrintHeight;
    const std::optional<double> value = ParseDecimal(edit->text());
    if (!value || !InRange(*value, PrintRange()))
        return;
    (side == Side::Width ? m_settings.m_nWidth : m_settings.m_nHeight) =
        AtLeastThree(PixelsOfLength(Dpi() * *value / SizeFactor()));
    ApplyAspect(side);
    ShowPixelFields();
    RawSizeAndNotify();
}

void CResizeDlgBar::SetResolution(double dpi) {
    m_settings.m_fDpi = static_cast<float>(std::clamp(dpi, kMinDpi, kMaxDpi));
}

void CResizeDlgBar::RescaleToResolution(const ResolutionEdit& from, double dpi) {
    // In double and limited, so that no product overflows: a side never
    // grows beyond the typed range or, when it is already beyond it (a
    // paper preset), beyond itself.
    const double factor = dpi / from.dpi;
    auto rescale = [factor](int side) {
        const double limit = std::max(kMaxOutputSide, side);
        return AtLeastThree(Truncate(std::min(std::floor(side * factor + 0.5), limit)));
    };
    m_settings.m_nWidth = rescale(from.width);
    m_settings.m_nHeight = rescale(from.height);
    ShowPixelFields();
    ShowPrintFields();
}

void CResizeDlgBar::OnResolutionChanged() {
    if (m_bUpdating)
        return;
    // Every keystroke rescales from the values held when the typing began,
    // not from the result of the keystroke before.
    if (!m_resolutionEdit)
        m_resolutionEdit = ResolutionEdit{m_settings.m_nWidth, m_settings.m_nHeight, Dpi()};
    const std::optional<double> value = ParseDecimal(m_editResolution->text());
    if (!value || !InRange(*value, ResolutionRange()))
        return;
    SetResolution(*value * ResolutionDivisor(m_settings.m_nResUnits));
    if (m_settings.m_nEditPrints == 1) {
        m_settings.m_nWidth = m_resolutionEdit->width;
        m_settings.m_nHeight = m_resolutionEdit->height;
        ShowPrintFields();
    } else {
        RescaleToResolution(*m_resolutionEdit, Dpi());
    }
    RawSizeAndNotify();
}

void CResizeDlgBar::OnEditFocusOut(int id) {
    m_keysDown.clear();
    switch (id) {
    case IDC_WIDTH:
        ShowPixelField(Side::Width);
        break;
    case IDC_HEIGHT:
        ShowPixelField(Side::Height);
        break;
    case IDC_PRINT_WIDTH:
        ShowPrintField(Side::Width);
        break;
    case IDC_PRINT_HEIGHT:
        ShowPrintField(Side::Height);
        break;
    case IDC_RESOLUTION:
        EndResolutionEdit();
        ShowResolutionField();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Combos, radios, check

void CResizeDlgBar::OnPixelUnitsChanged(int index) {
    EndResolutionEdit();
    m_settings.m_nInPercents = index == 1 ? 1 : 0;
    ShowPixelFields();
    ShowPrintFields();
}

void CResizeDlgBar::OnSizeUnitsChanged(int index) {
    if (!m_bHasImage) {
        // Without an image the unit stays; so does the combo.
        const QScopedValueRollback<bool> updating(m_bUpdating, true);
        m_comboSizeUnits->setCurrentIndex(IndexIn(m_settings.m_nSizeUnits, kSizeUnitCount));
        return;
    }
    UpdateData(true);
    m_settings.m_nSizeUnits = IndexIn(index, kSizeUnitCount);
    SetImageInfo(m_pDoc);
}

void CResizeDlgBar::OnResUnitsChanged(int index) {
    if (!m_bHasImage) {
        const QScopedValueRollback<bool> updating(m_bUpdating, true);
        m_comboResUnits->setCurrentIndex(IndexIn(m_settings.m_nResUnits, kResUnitCount));
        return;
    }
    UpdateData(true);
    m_settings.m_nResUnits = IndexIn(index, kResUnitCount);
    SetImageInfo(m_pDoc);
}

void CResizeDlgBar::OnCorrectionChanged(int index) {
    EndResolutionEdit();
    m_settings.m_nCorrectProp = index;
    if (index == 0 && m_bHasImage) {
        // Fit the size to the image's aspect.
        const std::int64_t width = m_settings.m_nWidth;
        const std::int64_t height = m_settings.m_nHeight;
        if (width * m_nImageHeight < height * m_nImageWidth)
            m_settings.m_nHeight = AtLeastThree(width * m_nImageHeight / m_nImageWidth);
        else
            m_settings.m_nWidth = AtLeastThree(height * m_nImageWidth / m_nImageHeight);
    }
    ShowPixelFields();
    ShowPrintFields();
    RawSizeAndNotify();
}

void CResizeDlgBar::OnAlgorithmChanged(int index) {
    m_settings.m_nInterpolMode = index;
    RawSizeAndNotify();
}

void CResizeDlgBar::OnEditPixels(int editPrints) {
    EndResolutionEdit();
    m_settings.m_nEditPrints = editPrints;
    EnableControls();
}

void CResizeDlgBar::OnLockClicked(bool checked) {
    (m_settings.m_bBatchMode ? m_settings.m_nApplyToAll : m_settings.m_nLockSettings) = checked ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Spins, keys and held updates

void CResizeDlgBar::OnSpin(int spinId, int position) {
    QLineEdit* buddy = nullptr;
    std::pair<double, double> range;
    bool whole = false;
    switch (spinId) {
    case IDC_WIDTH_SPIN:
    case IDC_HEIGHT_SPIN: {
        const Side side = spinId == IDC_WIDTH_SPIN ? Side::Width : Side::Height;
        buddy = side == Side::Width ? m_editWidth : m_editHeight;
        range = PixelRange(side);
        whole = !PercentMode();
        break;
    }
    case IDC_PRINT_WIDTH_SPIN:
    case IDC_PRINT_HEIGHT_SPIN:
        buddy = spinId == IDC_PRINT_WIDTH_SPIN ? m_editPrintWidth : m_editPrintHeight;
        range = PrintRange();
        break;
    case IDC_RESOLUTION_SPIN:
        buddy = m_editResolution;
        range = ResolutionRange();
        if (!m_resolutionEdit)
            m_resolutionEdit = ResolutionEdit{m_settings.m_nWidth, m_settings.m_nHeight, Dpi()};
        break;
    default:
        return;
    }
    if (spinId != IDC_RESOLUTION_SPIN)
        EndResolutionEdit();
    double value = platform::ParseDoubleC(buddy->text()) + (position == 1 ? 1.0 : -1.0);
    if (whole)
        value = std::round(value);
    value = std::clamp(value, range.first, range.second);
    // Held before the write, so that the views wait for the end of the
    // scrolling.
    if (m_pDoc)
        m_pDoc->SetHoldUpdates(true);
    buddy->setText(FormatInRange(value, range));  // its change handler stores it
}

void CResizeDlgBar::OnEndScroll() {
    // A resolution being spun keeps its base: clicks in a row rescale from
    // where they began, as typing does.
    if (m_pDoc)
        m_pDoc->SetHoldUpdates(false);
    RawSizeAndNotify();
}

void CResizeDlgBar::ReleaseHeldUpdates() {
    if (!m_pDoc || !m_pDoc->HoldUpdates())
        return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton ||
        QGuiApplication::queryKeyboardModifiers() != Qt::NoModifier || !m_keysDown.empty())
        return;
    for (const SpinButton* spin : {m_spinWidth, m_spinResolution, m_spinPrintWidth, m_spinPrintHeight, m_spinHeight}) {
        if (spin->IsHeld())
            return;
    }
    m_pDoc->SetHoldUpdates(false);
    RawSizeAndNotify();
}

void CResizeDlgBar::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_holdTimer.timerId()) {
        ReleaseHeldUpdates();
        return;
    }
    QDockWidget::timerEvent(event);
}

bool CResizeDlgBar::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr || m_bUpdating)
        return QDockWidget::eventFilter(watched, event);
    const int id = ControlId(edit);
    switch (event->type()) {
    case QEvent::FocusOut:
        OnEditFocusOut(id);
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_keysDown.insert(key->key());
        // The arrow keys step the edit's spin, as its arrows do.
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            OnSpin(SpinOf(id), key->key() == Qt::Key_Up ? 1 : 0);
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            break;
        m_keysDown.erase(key->key());
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            OnEndScroll();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDockWidget::eventFilter(watched, event);
}
