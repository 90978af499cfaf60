// vespera-bench save, started as a program of its own: a damaged source ends
// it with a non-zero exit and no output file; a failed save says why.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <string>

#include "tests/support/DamagedImages.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/LimitedChild.h"

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

TEST(SaveCommand, DamagedSourcesExitNonZeroAndWriteNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {{"half.jpg", damaged::JpegCutWithEnd()},
                 {"huge.jpg", damaged::JpegClaiming(30000, 30000)},
                 {"tall.gif", damaged::GifClaimingRows(1, 4, 65535)}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const QString in = dir.filePath(QString::fromLatin1(file.name));
        const QString out = dir.filePath(QStringLiteral("out.png"));
        ASSERT_TRUE(WriteFile(in, file.bytes));
        const auto run =
            limitedchild::RunLimited({VESPERA_BENCH, "save", Local(in), Local(out), "100", "80", "4", "90", "72"},
                                     RLIM_INFINITY, {}, std::chrono::seconds(60));
        ASSERT_TRUE(run.Exited()) << run.output;
        EXPECT_NE(run.ExitCode(), 0) << run.output;
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(SaveCommand, AFailedSaveSaysWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("in.ppm"));
    ASSERT_TRUE(WriteFile(in, QByteArray("P6\n2 2\n255\n") + QByteArray(12, '\x40')));
    const struct {
        const char* out;
        const char* why;
    } cases[] = {{"missing/out.png", "No such file or directory"}, {"out.xyz", "no encoder for its extension"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const QString out = dir.filePath(QString::fromLatin1(c.out));
        // The reason is written on standard error.
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QStringLiteral(VESPERA_BENCH),
                  {QStringLiteral("save"), in, out, QStringLiteral("4"), QStringLiteral("4"), QStringLiteral("4"),
                   QStringLiteral("90"), QStringLiteral("72")});
        ASSERT_TRUE(run.waitForFinished(60000));
        const std::string output = run.readAll().toStdString();
        EXPECT_NE(run.exitCode(), 0);
        EXPECT_NE(output.find("cannot save " + Local(out) + ": " + c.why), std::string::npos) << output;
    }
}

}  // namespace
