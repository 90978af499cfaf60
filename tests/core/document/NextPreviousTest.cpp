// Next and Previous over a folder of mixed-case names, other files and a file
// that fails to open.

#include "DocumentFixtures.h"
#include "core/document/DocumentIds.h"
#include "core/document/NeighbourImages.h"
#include "platform/imaging/ImageEncoder.h"

using namespace doctests;

namespace {

class NextPrevious : public DocumentTest {
protected:
    NextPrevious() {
        doc.SetListener(&listener);
        // Sorted without regard to case: A.png, a.png, b.JPG, bb.jpg (corrupt),
        // C.bmp, d.TIF, f.jpeg; the GIF and the text are not visited.
        const QImage image = Gradient(8, 6);
        WriteImage("d.TIF", image, "tiff");
        WriteImage("C.bmp", image, "bmp");
        Write("bb.jpg", "not a JPEG at all");
        WriteImage("b.JPG", image, "jpeg");
        WriteImage("a.png", image, "png");
        WriteImage("A.png", image, "png");
        // Qt writes no GIF; the imaging layer's encoder does.
        auto gif = imaging::Bitmap::FromImage(image, imaging::PixelFormat24bppRGB);
        EXPECT_TRUE(imaging::SaveBitmapToFile(*gif, Path("e.gif").toStdString(), "image/gif", {}));
        WriteImage("f.jpeg", image, "jpeg");
        Write("readme.txt", "hello");
    }
    QString Current() const { return QFileInfo(doc.ImagePath()).fileName(); }

    CQVVesperaDoc doc{settings};
};

TEST_F(NextPrevious, ListsTheImagesSortedWithoutRegardToCase) {
    QStringList names;
    for (const QString& path : ListNeighbourImages(tmp.path(), {}))
        names << QFileInfo(path).fileName();
    EXPECT_EQ(names, (QStringList{"A.png", "a.png", "b.JPG", "bb.jpg", "C.bmp", "d.TIF", "f.jpeg"}));
}

TEST_F(NextPrevious, NextSkipsTheCorruptFileWithOneMessageAndWraps) {
    ASSERT_TRUE(doc.OpenDocumentFile(Path("a.png")));
    doc.RunCommand(ID_NEXT_IMAGE);
    EXPECT_EQ(Current(), "b.JPG");
    doc.RunCommand(ID_NEXT_IMAGE);
    EXPECT_EQ(Current(), "C.bmp");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("Can't open file\n") + Path("bb.jpg") + u'!');
    EXPECT_TRUE(doc.HasImage());

    doc.RunCommand(ID_NEXT_IMAGE);
    EXPECT_EQ(Current(), "d.TIF");
    doc.RunCommand(ID_NEXT_IMAGE);
    EXPECT_EQ(Current(), "f.jpeg");
    doc.RunCommand(ID_NEXT_IMAGE);
    EXPECT_EQ(Current(), "A.png");  // wraps; the GIF is never reached
    doc.RunCommand(ID_PREV_IMAGE);
    EXPECT_EQ(Current(), "f.jpeg");  // and back
    EXPECT_EQ(listener.beeps, 0);
}

TEST_F(NextPrevious, ThePreviousCommandsFailuresAreSkippedByTheNextLookUp) {
    ASSERT_TRUE(doc.OpenDocumentFile(Path("b.JPG")));
    doc.OnNextImage();
    EXPECT_EQ(Current(), "C.bmp");
    EXPECT_EQ(Messages().size(), 1u);
    // Back over the corrupt file without showing its message again.
    doc.OnPrevImage();
    EXPECT_EQ(Current(), "b.JPG");
    EXPECT_EQ(Messages().size(), 1u);
    // Now it is tried again.
    doc.OnNextImage();
    EXPECT_EQ(Current(), "C.bmp");
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(NextPrevious, NamesDifferingInCaseAreTwoImages) {
    ASSERT_TRUE(doc.OpenDocumentFile(Path("A.png")));
    doc.OnNextImage();
    EXPECT_EQ(doc.ImagePath(), Path("a.png"));
    doc.OnPrevImage();
    EXPECT_EQ(doc.ImagePath(), Path("A.png"));
}

TEST_F(NextPrevious, AGifOpensButIsNotAmongTheNeighbours) {
    ASSERT_TRUE(doc.OpenDocumentFile(Path("e.gif")));
    EXPECT_TRUE(doc.FindNeighbourImage(false).isEmpty());
    doc.OnNextImage();
    EXPECT_EQ(listener.beeps, 1);
    EXPECT_EQ(Current(), "e.gif");
}

TEST_F(NextPrevious, AFolderWithOneImageBeeps) {
    QTemporaryDir alone;
    const QString path = QDir(alone.path()).filePath("only.png");
    ASSERT_TRUE(WriteFile(path, Encode(Gradient(4, 4), "png")));
    ASSERT_TRUE(doc.OpenDocumentFile(path));
    doc.OnNextImage();
    doc.OnPrevImage();
    EXPECT_EQ(listener.beeps, 2);
    EXPECT_EQ(doc.ImagePath(), path);
}

TEST_F(NextPrevious, ARunOfUnreadableFilesEndsWhereNoneIsLeft) {
    QTemporaryDir bad;
    const QDir folder(bad.path());
    ASSERT_TRUE(WriteFile(folder.filePath("1.png"), Encode(Gradient(4, 4), "png")));
    ASSERT_TRUE(WriteFile(folder.filePath("2.png"), "broken"));
    ASSERT_TRUE(WriteFile(folder.filePath("3.png"), "broken too"));
    ASSERT_TRUE(doc.OpenDocumentFile(folder.filePath("1.png")));
    doc.OnNextImage();
    // Both failed, each once; then only the reference is left.
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_FALSE(doc.HasImage());
    EXPECT_EQ(doc.ImagePath(), folder.filePath("1.png"));
}

}  // namespace
