// The picture read ahead on a worker: the document takes it for the same,
// unchanged file, reads the file itself otherwise, and a prefetch that is
// never taken ends with its owner. Threaded: also run under ThreadSanitizer.

#include <unistd.h>

#include <atomic>

#include "DocumentFixtures.h"
#include "core/document/ImageReading.h"
#include "platform/imaging/Bitmap.h"

using namespace doctests;

namespace {

class ImageReading : public DocumentTest {
protected:
    ImageReading() { doc.SetListener(&listener); }

    CQVVesperaDoc doc{settings};
};

TEST_F(ImageReading, TheDocumentTakesThePrefetchedPictureOfItsFile) {
    const QString path = WriteCameraJpeg("camera.jpg", 64, 48);
    ImagePrefetch prefetch(path);
    doc.SetPrefetch(&prefetch);
    ASSERT_TRUE(doc.OpenDocumentFile(path));
    doc.SetPrefetch(nullptr);

    // Taken: nothing is left for a second opening.
    EXPECT_EQ(prefetch.Take(path), nullptr);
    EXPECT_LE(prefetch.Started(), prefetch.Finished());
    // The same picture and metadata as a reading of the file.
    const std::unique_ptr<imaging::Bitmap> read = ReadImageFile(path);
    ASSERT_NE(read, nullptr);
    const auto shown = doc.GetSource();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Width(), 64);
    EXPECT_EQ(shown->Height(), 48);
    EXPECT_EQ(shown->Image(), read->Image());
    EXPECT_EQ(shown->GetPixelFormat(), read->GetPixelFormat());
    const imaging::PropertyItem* make = shown->GetPropertyItem(271);
    ASSERT_NE(make, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(make->value.data()), "TestCam");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ImageReading, AFileChangedSinceItsReadIsReadAgain) {
    const QString path = WriteCameraJpeg("camera.jpg", 64, 48);
    ImagePrefetch prefetch(path);
    prefetch.Wait();
    // Replaced by a new version under the same name.
    const QString fresh = WriteCameraJpeg("fresh.jpg", 40, 30);
    ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()), 0);

    doc.SetPrefetch(&prefetch);
    ASSERT_TRUE(doc.OpenDocumentFile(path));
    EXPECT_EQ(doc.ImageWidth(), 40);
    EXPECT_EQ(doc.ImageHeight(), 30);

    // Written to in place, same name and file: read again as well.
    ImagePrefetch second(path);
    second.Wait();
    Write("camera.jpg", Encode(Gradient(20, 10), "jpeg"));
    doc.SetPrefetch(&second);
    ASSERT_TRUE(doc.OpenDocumentFile(path));
    EXPECT_EQ(doc.ImageWidth(), 20);
    EXPECT_EQ(doc.ImageHeight(), 10);
}

TEST_F(ImageReading, AnotherFileIsNotGivenThePrefetchedPicture) {
    const QString first = WriteCameraJpeg("first.jpg", 64, 48);
    const QString other = WriteCameraJpeg("other.jpg", 32, 16);
    ImagePrefetch prefetch(first);
    doc.SetPrefetch(&prefetch);
    ASSERT_TRUE(doc.OpenDocumentFile(other));
    EXPECT_EQ(doc.ImageWidth(), 32);
    EXPECT_EQ(doc.ImageHeight(), 16);
    // The same file under another name is the same picture.
    const QString linked = Path("linked.jpg");
    ImagePrefetch again(first);
    ASSERT_EQ(::link(QFile::encodeName(first).constData(), QFile::encodeName(linked).constData()), 0);
    doc.SetPrefetch(&again);
    ASSERT_TRUE(doc.OpenDocumentFile(linked));
    EXPECT_EQ(doc.ImageWidth(), 64);
    EXPECT_EQ(again.Take(first), nullptr);
}

TEST_F(ImageReading, AnUnreadableFileFailsOnceWithItsMessage) {
    const QString path = Write("broken.jpg", QByteArray("\xFF\xD8\xFF\xE0 not a picture"));
    ImagePrefetch prefetch(path);
    doc.SetPrefetch(&prefetch);
    EXPECT_FALSE(doc.OpenDocumentFile(path));
    EXPECT_FALSE(doc.HasImage());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].contains(path));
}

TEST_F(ImageReading, TheOwnerHearsOnceThatTheReadHasEnded) {
    const QString path = WriteCameraJpeg("camera.jpg", 640, 480);
    std::atomic<int> heard{0};
    {
        ImagePrefetch prefetch(path);
        prefetch.WhenFinished([&heard] { ++heard; });
        prefetch.Wait();
        EXPECT_TRUE(prefetch.HasFinished());
        EXPECT_EQ(heard.load(), 1);
        // Asked after the end: answered at once.
        prefetch.WhenFinished([&heard] { heard += 10; });
        EXPECT_EQ(heard.load(), 11);
        EXPECT_NE(prefetch.Take(path), nullptr);
    }
    EXPECT_EQ(heard.load(), 11);
}

TEST_F(ImageReading, APrefetchNeverTakenEndsWithItsOwner) {
    const QString path = WriteCameraJpeg("camera.jpg", 640, 480);
    for (int i = 0; i < 4; ++i) {
        ImagePrefetch prefetch(path);  // destroyed while it may still read
    }
    ImagePrefetch missing(Path("missing.jpg"));
    EXPECT_EQ(missing.Take(Path("missing.jpg")), nullptr);
}

}  // namespace
