#include "browser/info/CJFIFDlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVariant>

#include "core/widgets/DialogUnits.h"

namespace browser {

using widgets::DialogUnits;

namespace {

constexpr char kControlIdProperty[] = "dialogControlId";

// The form in dialog units: 308 × 177 at 88, 32 from the owner's corner.
constexpr QSize kFormSize(308, 177);
constexpr QPoint kFormOffset(88, 32);

template <typename W>
W* Place(W* widget, int id, const DialogUnits& du, const QRect& units) {
    widget->setProperty(kControlIdProperty, id);
    widget->setGeometry(du.ToPixels(units));
    return widget;
}

QLabel* Static(QWidget* parent, const QString& text, Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(align | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

QString DimensionsText(const imaging::Bitmap* bitmap) {
    const unsigned width = bitmap ? static_cast<unsigned>(bitmap->Width()) : 0;
    const unsigned height = bitmap ? static_cast<unsigned>(bitmap->Height()) : 0;
    return QString::asprintf("%u X %u", width, height);
}

QString ColorCountText(imaging::PixelFormat format) {
    const int bits = imaging::PixelFormatBits(format);
    unsigned colors = bits >= 24 ? 16777216u : 1u << bits;
    // Groups after the first keep their three digits, so 1,000,005 does not
    // read "1,5".
    QString text;
    if (colors > 999999) {
        text += QString::asprintf("%u,", colors / 1000000);
        colors %= 1000000;
    }
    if (colors >= 1000 || !text.isEmpty()) {
        text += QString::asprintf(text.isEmpty() ? "%u," : "%03u,", colors / 1000);
        colors %= 1000;
    }
    text += QString::asprintf(text.isEmpty() ? "%u" : "%03u", colors);
    return text;
}

CJFIFDlg::CJFIFDlg(const QStringList* tagList, const QString& path, const imaging::Bitmap* bitmap, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_pTagList(tagList),
      m_strPath(path),
      m_pBitmap(bitmap) {
    CreateControls();
    OnInitDialog();
}

void CJFIFDlg::CreateControls() {
    setWindowTitle(QStringLiteral("Image Info"));
    const DialogUnits du(font());
    setFixedSize(du.ToPixels(kFormSize));
    if (QWidget* owner = parentWidget())
        move(owner->window()->mapToGlobal(du.ToPixels(kFormOffset)));

    // Made in the form's order, which is also the order of Tab.
    const auto right = Qt::AlignRight;
    const auto left = Qt::AlignLeft;
    Place(Static(this, QStringLiteral("File Name :"), right), IDC_STATIC, du, {7, 7, 56, 12});
    Place(Static(this, QStringLiteral("Dimensions :"), right), IDC_STATIC, du, {7, 26, 56, 10});
    Place(Static(this, QStringLiteral("Colors :"), right), IDC_STATIC, du, {7, 37, 56, 10});
    m_labelDimensions = Place(Static(this, QString(), left), IDC_DIMENSIONS, du, {72, 26, 229, 10});
    m_labelColors = Place(Static(this, QString(), left), IDC_COLORS, du, {72, 37, 229, 10});

    m_buttonOk = Place(new QPushButton(QStringLiteral("&OK"), this), IDC_OK, du, {252, 156, 49, 14});
    m_buttonOk->setDefault(true);
    connect(m_buttonOk, &QPushButton::clicked, this, &QDialog::accept);

    m_editPath = Place(new QLineEdit(this), IDC_FILE_NAME, du, {72, 7, 229, 12});
    m_editPath->setReadOnly(true);

    m_labelDetails =
        Place(new QLabel(QStringLiteral("&Camera details:"), this), IDC_CAMERA_DETAILS, du, {7, 48, 56, 10});
    m_labelDetails->setAlignment(Qt::AlignRight | Qt::AlignTop);

    m_listTags = Place(new QTableWidget(0, 2, this), IDC_TAG_LIST, du, {7, 58, 294, 93});
    m_listTags->horizontalHeader()->hide();
    m_listTags->verticalHeader()->hide();
    m_listTags->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_listTags->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_listTags->setShowGrid(false);
    m_listTags->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listTags->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listTags->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listTags->setWordWrap(false);
    m_listTags->setTabKeyNavigation(false);  // Tab leaves the list, as in any list control
    m_labelDetails->setBuddy(m_listTags);

    setTabOrder(m_buttonOk, m_editPath);
    setTabOrder(m_editPath, m_listTags);
    m_buttonOk->setFocus();
}

QWidget* CJFIFDlg::GetDlgItem(int id) const {
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->property(kControlIdProperty) == QVariant(id))
            return widget;
    }
    return nullptr;
}

void CJFIFDlg::OnInitDialog() {
    m_editPath->setText(m_strPath);
    m_editPath->setCursorPosition(0);
    m_labelDimensions->setText(DimensionsText(m_pBitmap));
    m_labelColors->setText(
        ColorCountText(m_pBitmap ? m_pBitmap->GetPixelFormat() : imaging::PixelFormat{imaging::PixelFormatUndefined}));
    if (m_pTagList && !m_pTagList->isEmpty()) {
        FillTagList();
    } else {
        m_listTags->setEnabled(false);
        m_labelDetails->setEnabled(false);
    }
}

void CJFIFDlg::FillTagList() {
    m_listTags->setShowGrid(true);
    // The client width of the list as it stands, before any scroll bar: the
    // names get 50 pixels less than half of it, the values 50 more.
    const int w = m_listTags->width() - 2 * m_listTags->frameWidth();
    m_listTags->setColumnWidth(0, w / 2 - 25);
    m_listTags->setColumnWidth(1, w / 2 + 25);
    const qsizetype pairs = m_pTagList->size() / 2;
    m_listTags->setRowCount(static_cast<int>(pairs));
    for (qsizetype i = 0; i < pairs; ++i) {
        const QString& name = m_pTagList->at(2 * i);
        const QString& value = m_pTagList->at(2 * i + 1);
        auto* nameItem = new QTableWidgetItem(name);
        auto* valueItem = new QTableWidgetItem(value);
        valueItem->setToolTip(value);
        m_listTags->setItem(static_cast<int>(i), 0, nameItem);
        m_listTags->setItem(static_cast<int>(i), 1, valueItem);
    }
}

}  // namespace browser
