// The "Image Info" form offscreen: its controls in the form's order with
// their ids, texts and places in dialog units, the values it shows, keys and
// clicks, what it paints, and ShowImageInfoDialog end to end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

#include "InfoToolFixtures.h"
#include "browser/info/CJFIFDlg.h"
#include "core/widgets/DialogUnits.h"

using namespace browser;
using namespace infotests;
using widgets::DialogUnits;

namespace {

const QStringList kTags = {"Manufacturer", "ORVEK Optics", "Model", "Model 7",
                           "Orientation",  "Normal",       "Flash", "Fired"};

std::unique_ptr<imaging::Bitmap> Picture(int w, int h, imaging::PixelFormat format) {
    return imaging::Bitmap::Create(w, h, format);
}

QTableWidget* List(const CJFIFDlg& dialog) {
    return qobject_cast<QTableWidget*>(dialog.GetDlgItem(CJFIFDlg::IDC_TAG_LIST));
}

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    return {};
}

void ShowAndActivate(QWidget& widget) {
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    widget.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
}

TEST(CJFIFDlg, HasTheFormsControlsInOrderWithIdsTextsAndPlaces) {
    auto bitmap = Picture(640, 480, imaging::PixelFormat24bppRGB);
    CJFIFDlg dialog(&kTags, "/photos/lake.jpg", bitmap.get());
    const DialogUnits du(dialog.font());
    EXPECT_EQ(dialog.windowTitle(), "Image Info");
    EXPECT_EQ(dialog.size(), du.ToPixels(QSize(308, 177)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());

    struct Control {
        int id;
        const char* kind;
        QString text;
        QRect units;
        Qt::Alignment align;
    };
    const Control expected[] = {
        {-1, "QLabel", "File Name :", {7, 7, 56, 12}, Qt::AlignRight},
        {-1, "QLabel", "Dimensions :", {7, 26, 56, 10}, Qt::AlignRight},
        {-1, "QLabel", "Colors :", {7, 37, 56, 10}, Qt::AlignRight},
        {103, "QLabel", "640 X 480", {72, 26, 229, 10}, Qt::AlignLeft},
        {105, "QLabel", "16,777,216", {72, 37, 229, 10}, Qt::AlignLeft},
        {1, "QPushButton", "&OK", {252, 156, 49, 14}, {}},
        {100, "QLineEdit", "/photos/lake.jpg", {72, 7, 229, 12}, {}},
        {1027, "QLabel", "&Camera details:", {7, 48, 56, 10}, Qt::AlignRight},
        {1000, "QTableWidget", "", {7, 58, 294, 93}, {}},
    };
    std::vector<QWidget*> controls;
    for (QObject* child : dialog.children())
        if (auto* w = qobject_cast<QWidget*>(child); w && w->property("dialogControlId").isValid())
            controls.push_back(w);
    ASSERT_EQ(controls.size(), std::size(expected));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& c = expected[i];
        QWidget* w = controls[i];
        EXPECT_EQ(w->property("dialogControlId").toInt(), c.id) << i;
        EXPECT_TRUE(w->inherits(c.kind)) << i << " " << w->metaObject()->className();
        EXPECT_EQ(TextOf(w), c.text) << i;
        EXPECT_EQ(w->geometry(), du.ToPixels(c.units)) << i;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, c.align) << i;
        }
        if (c.id != -1) {
            EXPECT_EQ(dialog.GetDlgItem(c.id), w);
        }
    }
    auto* ok = qobject_cast<QPushButton*>(dialog.GetDlgItem(CJFIFDlg::IDC_OK));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_TRUE(qobject_cast<QLineEdit*>(dialog.GetDlgItem(CJFIFDlg::IDC_FILE_NAME))->isReadOnly());
    EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);
}

TEST(CJFIFDlg, ListsTheTagsInTwoColumnsWithGridLines) {
    auto bitmap = Picture(32, 16, imaging::PixelFormat8bppIndexed);
    CJFIFDlg dialog(&kTags, "/photos/lake.jpg", bitmap.get());
    QTableWidget* list = List(dialog);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_TRUE(list->showGrid());
    EXPECT_TRUE(list->horizontalHeader()->isHidden());
    EXPECT_TRUE(list->verticalHeader()->isHidden());
    ASSERT_EQ(list->rowCount(), 4);
    ASSERT_EQ(list->columnCount(), 2);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(list->item(row, 0)->text(), kTags[2 * row]);
        EXPECT_EQ(list->item(row, 1)->text(), kTags[2 * row + 1]);
    }
    const int w = list->width() - 2 * list->frameWidth();
    EXPECT_EQ(list->columnWidth(0), w / 2 - 25);
    EXPECT_EQ(list->columnWidth(1), w / 2 + 25);
    EXPECT_EQ(TextOf(dialog.GetDlgItem(CJFIFDlg::IDC_DIMENSIONS)), "32 X 16");
    EXPECT_EQ(TextOf(dialog.GetDlgItem(CJFIFDlg::IDC_COLORS)), "256");
    // Read-only: a double click edits nothing.
    ShowAndActivate(dialog);
    const QRect cell = list->visualItemRect(list->item(1, 1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(list->findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(list->item(1, 1)->text(), "Model 7");
}

TEST(CJFIFDlg, WithoutTagsTheListAndItsLabelAreDisabled) {
    const QStringList none;
    CJFIFDlg dialog(&none, "/photos/broken.jpg", nullptr);
    EXPECT_FALSE(List(dialog)->isEnabled());
    EXPECT_FALSE(dialog.GetDlgItem(CJFIFDlg::IDC_CAMERA_DETAILS)->isEnabled());
    EXPECT_EQ(List(dialog)->rowCount(), 0);
    EXPECT_FALSE(List(dialog)->showGrid());
    EXPECT_EQ(TextOf(dialog.GetDlgItem(CJFIFDlg::IDC_FILE_NAME)), "/photos/broken.jpg");
    EXPECT_EQ(TextOf(dialog.GetDlgItem(CJFIFDlg::IDC_DIMENSIONS)), "0 X 0");
    EXPECT_EQ(TextOf(dialog.GetDlgItem(CJFIFDlg::IDC_COLORS)), "1");
}

TEST(CJFIFDlg, TabCyclesOkPathAndListAndAltCGoesToTheList) {
    auto bitmap = Picture(8, 8, imaging::PixelFormat24bppRGB);
    CJFIFDlg dialog(&kTags, "/photos/lake.jpg", bitmap.get());
    ShowAndActivate(dialog);
    QWidget* ok = dialog.GetDlgItem(CJFIFDlg::IDC_OK);
    QWidget* edit = dialog.GetDlgItem(CJFIFDlg::IDC_FILE_NAME);
    QWidget* list = dialog.GetDlgItem(CJFIFDlg::IDC_TAG_LIST);
    EXPECT_EQ(QApplication::focusWidget(), ok);
    for (QWidget* next : {edit, list, ok}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next)
            << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), list);
    // The path can be selected and copied, never changed.
    edit->setFocus();
    QTest::keyClicks(edit, "xyz");
    EXPECT_EQ(TextOf(edit), "/photos/lake.jpg");
}

TEST(CJFIFDlg, EnterEscapeAndAClickOnOkCloseIt) {
    auto bitmap = Picture(8, 8, imaging::PixelFormat24bppRGB);
    const std::vector<std::pair<std::function<void(CJFIFDlg&)>, int>> closers = {
        {[](CJFIFDlg&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }, QDialog::Accepted},
        {[](CJFIFDlg& d) {
             d.GetDlgItem(CJFIFDlg::IDC_TAG_LIST)->setFocus();
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
         },
         QDialog::Accepted},
        {[](CJFIFDlg&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }, QDialog::Rejected},
        {[](CJFIFDlg& d) { QTest::mouseClick(d.GetDlgItem(CJFIFDlg::IDC_OK), Qt::LeftButton); }, QDialog::Accepted},
    };
    for (const auto& [close, result] : closers) {
        CJFIFDlg dialog(&kTags, "/photos/lake.jpg", bitmap.get());
        ShowAndActivate(dialog);
        dialog.setResult(-1);
        close(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), result);
    }
}

TEST(CJFIFDlg, PaintsGridLinesBetweenTheColumnsAndGreysTheDisabledLabel) {
    auto bitmap = Picture(8, 8, imaging::PixelFormat24bppRGB);
    CJFIFDlg dialog(&kTags, "/photos/lake.jpg", bitmap.get());
    ShowAndActivate(dialog);
    QTableWidget* list = List(dialog);
    const QImage grab = list->viewport()->grab().toImage();
    QStyleOptionViewItem option;
    option.initFrom(list);
    const QColor grid =
        QColor::fromRgba(static_cast<QRgb>(list->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, list)));
    const int x = list->columnViewportPosition(1) - 1;
    const int rowsBottom = list->rowViewportPosition(3) + list->rowHeight(3);
    int gridPixels = 0;
    for (int y = 0; y < rowsBottom; ++y)
        gridPixels += grab.pixelColor(x, y).rgb() == grid.rgb();
    EXPECT_GE(gridPixels, rowsBottom - 1) << x << " " << grid.name().toStdString();
    // The name and value texts are drawn: the cells are not one flat colour.
    const QRect valueCell = list->visualItemRect(list->item(0, 1)).adjusted(1, 1, -1, -1);
    std::set<QRgb> colours;
    for (int y = valueCell.top(); y <= valueCell.bottom(); ++y)
        for (int xx = valueCell.left(); xx <= valueCell.right(); ++xx)
            colours.insert(grab.pixel(xx, y));
    EXPECT_GT(colours.size(), 2u);

    const QStringList none;
    CJFIFDlg empty(&none, "/photos/lake.jpg", bitmap.get());
    ShowAndActivate(empty);
    const QImage enabledLabel = dialog.GetDlgItem(CJFIFDlg::IDC_CAMERA_DETAILS)->grab().toImage();
    const QImage disabledLabel = empty.GetDlgItem(CJFIFDlg::IDC_CAMERA_DETAILS)->grab().toImage();
    EXPECT_NE(enabledLabel, disabledLabel);
}

class ShowImageInfo : public ToolFiles {
protected:
    struct Seen {
        QString path, dimensions, colours;
        QStringList rows;
        bool listEnabled = false;
        QPoint pos;
        bool modal = false;
    };

    // Runs ShowImageInfoDialog and reads the dialog while it is up, then
    // clicks OK; fails when no dialog appears within ten seconds.
    Seen Show(const QString& file, QWidget* parent = nullptr) {
        Seen seen;
        bool closed = false;
        QTimer poll;
        poll.setInterval(20);
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CJFIFDlg*>(QApplication::activeModalWidget());
            if (!dialog) {
                if (clock.elapsed() > 10000)
                    QApplication::closeAllWindows();
                return;
            }
            poll.stop();
            seen.modal = dialog->isModal();
            seen.path = TextOf(dialog->GetDlgItem(CJFIFDlg::IDC_FILE_NAME));
            seen.dimensions = TextOf(dialog->GetDlgItem(CJFIFDlg::IDC_DIMENSIONS));
            seen.colours = TextOf(dialog->GetDlgItem(CJFIFDlg::IDC_COLORS));
            QTableWidget* list = List(*dialog);
            seen.listEnabled = list->isEnabled();
            for (int row = 0; row < list->rowCount(); ++row)
                seen.rows << list->item(row, 0)->text() << list->item(row, 1)->text();
            seen.pos = dialog->pos();
            QTest::mouseClick(dialog->GetDlgItem(CJFIFDlg::IDC_OK), Qt::LeftButton);
            closed = true;
        });
        poll.start();
        ShowImageInfoDialog(file, parent);
        EXPECT_TRUE(closed);
        return seen;
    }
};

TEST_F(ShowImageInfo, OpensTheFileAndShowsItsTagsUntilOkIsClicked) {
    const QString path = SavePicture("camera.jpg", QImage::Format_RGB888, 120, 90);
    RunTool("exiftool", {"-overwrite_original", "-q", "-Make=ORVEK Optics", "-Model=Model 7", "-Orientation#=1",
                         "-DateTimeOriginal=2006:05:01 10:11:12", "-ISO=400", "-EXIF:Flash#=16", "-ColorSpace#=65535",
                         "-ExposureTime=1/250", "-FNumber=5.6", path});
    const Seen seen = Show(path);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.path, path);
    EXPECT_EQ(seen.dimensions, "120 X 90");
    EXPECT_EQ(seen.colours, "16,777,216");
    EXPECT_TRUE(seen.listEnabled);
    const std::map<QString, QString> expected = {
        {"Manufacturer", "ORVEK Optics"},
        {"Model", "Model 7"},
        {"Orientation", "Normal"},
        {"Resolution units", "Inches"},
        {"ExifOffset", ExifOffsetByExiv2(path)},
        {"Date/time original", "2006:05:01 10:11:12"},
        {"ISO speed ratings", "400"},
        {"Flash", "No flash"},
    };
    EXPECT_EQ(RowsByName(seen.rows), expected);
}

TEST_F(ShowImageInfo, AFileThatDoesNotOpenStillGetsTheDialog) {
    const QString path = WriteText("broken.jpg", "not a picture at all");
    const Seen seen = Show(path);
    EXPECT_EQ(seen.path, path);
    EXPECT_EQ(seen.dimensions, "0 X 0");
    EXPECT_EQ(seen.colours, "1");
    EXPECT_FALSE(seen.listEnabled);
    EXPECT_TRUE(seen.rows.isEmpty());

    const Seen missing = Show(Path("no such file.png"));
    EXPECT_EQ(missing.dimensions, "0 X 0");
}

TEST_F(ShowImageInfo, APngWithoutExifShowsAnEmptyDisabledList) {
    const Seen seen = Show(SavePicture("mono.png", QImage::Format_Mono, 50, 20));
    EXPECT_EQ(seen.dimensions, "50 X 20");
    EXPECT_EQ(seen.colours, "2");
    EXPECT_FALSE(seen.listEnabled);
}

TEST_F(ShowImageInfo, StandsAtItsPlaceOverTheOwnersCorner) {
    QWidget owner;
    owner.setGeometry(200, 150, 800, 600);
    ShowAndActivate(owner);
    const Seen seen = Show(SavePicture("plain.png", QImage::Format_RGB32), &owner);
    const DialogUnits du(QApplication::font());
    EXPECT_EQ(seen.pos, owner.mapToGlobal(du.ToPixels(QPoint(88, 32))));
}

}  // namespace
