// The file dialogs of File > Open and Resize and Save, offscreen, as Qt's
// own dialog: the folder they start in, across starts of the program, and
// the detail view's columns, wide enough for what they show.
#include "app/frame/DesktopFileDialog.h"
#include "platform/paths/Paths.h"
#include "tests/app/frame/FrameTestSupport.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

namespace {

QString Clean(const QString& folder) { return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); }

// Runs `step` on the file dialog once it is the modal window (from a timer,
// inside the dialog's own loop); `step` ends the dialog.
void WhenTheDialogShows(std::function<void(QFileDialog&)> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        step(*dialog);
    });
    timer->start();
}

// Opens the dialog of the given mode, notes the folder it shows first and
// chooses `file`, or cancels when `file` is empty.
QString StartFolderOfADialog(CQVVesperaApp& app, bool open, const QString& file) {
    QString shown;
    WhenTheDialogShows([&](QFileDialog& dialog) {
        shown = Clean(dialog.directory().absolutePath());
        if (file.isEmpty()) {
            dialog.reject();
            return;
        }
        // The file's folder and its name typed in the name field, then the
        // dialog's button.
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) {
            ADD_FAILURE() << "no name field";
            dialog.reject();
            return;
        }
        dialog.setDirectory(QFileInfo(file).absolutePath());
        name->setText(QFileInfo(file).fileName());
        QMetaObject::invokeMethod(&dialog, "accept");
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the dialog took nothing";
            dialog.reject();
        }
    });
    QString path;
    int index = 1;
    const bool chosen = app.PromptFileName(path, open, 0, open ? nullptr : &index);
    EXPECT_EQ(chosen, !file.isEmpty());
    if (chosen) {
        EXPECT_EQ(Clean(path), Clean(file));
    }
    return shown;
}

QString WritePicture(const QString& path, QSize size = QSize(16, 16)) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, QImage::Format_RGB32);
    // Noise, so that the file is as large as a photograph's PNG.
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, QRandomGenerator::global()->generate() | 0xff000000u);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

class FileDialogTest : public ::testing::Test {
protected:
    PrivateHome home_;
};

TEST_F(FileDialogTest, TheDialogsStartInTheFolderOfTheLastOpenOrSaveAcrossStarts) {
    const QString shots = home_.Path() + QStringLiteral("/shots");
    const QString picture = WritePicture(shots + QStringLiteral("/a.png"));
    const QString out = home_.Path() + QStringLiteral("/out");
    QDir().mkpath(out);
    const QString pictures = Clean(platform::PicturesFolder());
    ASSERT_NE(pictures, Clean(QDir::currentPath()));
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance({}));
        // Nothing chosen yet: the pictures folder, not the working directory.
        EXPECT_EQ(StartFolderOfADialog(*app, true, picture), pictures);
        EXPECT_EQ(StartFolderOfADialog(*app, false, out + QStringLiteral("/b.png")), Clean(shots));
        // A cancelled dialog leaves the folder of the last choice.
        EXPECT_EQ(StartFolderOfADialog(*app, true, QString()), Clean(out));
        app->ExitInstance();
    }
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance({}));
        EXPECT_EQ(StartFolderOfADialog(*app, true, QString()), Clean(out));
        app->ExitInstance();
    }
    // A folder that is gone gives the pictures folder again.
    ASSERT_TRUE(QDir(out).removeRecursively());
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance({}));
        EXPECT_EQ(StartFolderOfADialog(*app, false, QString()), pictures);
        app->ExitInstance();
    }
}

TEST_F(FileDialogTest, TheDetailColumnsAreWideEnoughForWhatTheyShow) {
    EnsureApplication();
    const QString folder = home_.Path() + QStringLiteral("/shots");
    WritePicture(folder + QStringLiteral("/photograph.png"), QSize(380, 380));
    bool checked = false;
    WhenTheDialogShows([&](QFileDialog& dialog) {
        // Whatever the checks find, the dialog ends.
        const std::unique_ptr<QObject, std::function<void(QObject*)>> end(&dialog, [&](QObject*) { dialog.reject(); });
        auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(details, nullptr);
        ASSERT_TRUE(details->isVisible());
        auto* model = qobject_cast<QFileSystemModel*>(details->model());
        ASSERT_NE(model, nullptr);
        // The model reads the folder's entries and their details on a thread.
        const QModelIndex photograph = model->index(folder + QStringLiteral("/photograph.png"));
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return details->rootIndex() == photograph.parent() &&
                   !photograph.siblingAtColumn(3).data().toString().isEmpty();
        }));
        QApplication::processEvents();
        QHeaderView* header = details->header();
        for (int column = 1; column < header->count(); ++column) {
            const QString text = photograph.siblingAtColumn(column).data().toString();
            SCOPED_TRACE(text.toStdString());
            EXPECT_GE(header->sectionSize(column), details->fontMetrics().horizontalAdvance(text)) << column;
            EXPECT_GE(header->sectionSize(column), static_cast<QAbstractItemView*>(details)->sizeHintForColumn(column))
                << column;
            EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
        }
        checked = true;
    });
    int index = 1;
    EXPECT_FALSE(RunDesktopFileDialog(true, folder, QStringLiteral("PNG Files (*.png)"), &index));
    EXPECT_TRUE(checked);
}

}  // namespace
