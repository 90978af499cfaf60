// The thumbnail benchmark (vespera-bench thumbs), run as a program of its
// own, measures a folder holding a picture the builder cannot decode like any
// other: it ends, counting the bad file as done.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "tests/support/LimitedChild.h"

namespace {

TEST(ThumbsCommand, AFolderWithAnUndecodablePictureIsMeasured) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage good(320, 240, QImage::Format_RGB32);
    good.fill(qRgb(40, 90, 160));
    ASSERT_TRUE(good.save(dir.filePath("IMG_0001.JPG"), "JPEG", 90));
    // A JPEG start, then nothing any decoder can use.
    QFile bad(dir.filePath("IMG_0002.JPG"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(4000, '\x5A'));
    bad.close();

    const limitedchild::Outcome run =
        limitedchild::RunLimited({VESPERA_BENCH, "thumbs", QFile::encodeName(dir.path()).toStdString()}, RLIM_INFINITY,
                                 {}, std::chrono::seconds(60));
    ASSERT_TRUE(run.Exited()) << (run.timedOut ? "it waited for the bad file" : "killed");
    EXPECT_EQ(run.ExitCode(), 0);
}

}  // namespace
