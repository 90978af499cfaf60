// Output naming: every format, new name or not, source folder or output
// folder, and the three policies, on real folders.

#include "batch/BatchOutputName.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "batch/BatchRun.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/FileFixtures.h"

namespace {

using batchtests::OptionsFor;

const char* KindName(BatchOutputKind kind) {
    switch (kind) {
    case BatchOutputKind::New:
        return "New";
    case BatchOutputKind::Replace:
        return "Replace";
    case BatchOutputKind::Skip:
        return "Skip";
    case BatchOutputKind::NoFolder:
        return "NoFolder";
    case BatchOutputKind::NoFreeName:
        return "NoFreeName";
    case BatchOutputKind::IsSource:
        return "IsSource";
    }
    return "?";
}

class BatchOutputNameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        src_ = dir_.path() + "/src/";
        out_ = dir_.path() + "/out/";
        ASSERT_TRUE(QDir().mkpath(src_));
        ASSERT_TRUE(QDir().mkpath(out_));
    }
    QString Touch(const QString& path) {
        EXPECT_TRUE(WriteFile(path, "x"));
        return path;
    }

    QTemporaryDir dir_;
    QString src_, out_;
};

// The extension each format gives a source "photo.JPG".
const char* const kFormatExtensions[] = {".JPG", ".jpg", ".tif", ".bmp", ".png"};

TEST_F(BatchOutputNameTest, EveryFormatNameAndFolderWithAFreePath) {
    const QString source = Touch(src_ + "photo.JPG");
    for (int format : {0, 1, 2, 3, 4, 7}) {
        for (int newName : {0, 1}) {
            for (int sameFolder : {0, 1}) {
                for (int policy : {0, 1, 2}) {
                    SCOPED_TRACE(testing::Message() << "format " << format << " new name " << newName << " same folder "
                                                    << sameFolder << " policy " << policy);
                    BatchOptions options = OptionsFor(out_, policy, format);
                    options.newName = newName;
                    options.sameFolder = sameFolder;
                    const QString folder = sameFolder ? src_ : out_;
                    const QString suffix = sameFolder || newName ? "_RESIZED_TO_640x480" : "";
                    const QString ext = format < 5 ? kFormatExtensions[format] : "";
                    const QString expected = folder + "photo" + suffix + ext;

                    const BatchOutput free = MakeBatchOutputName(source, 640, 480, options);
                    EXPECT_EQ(free.path, expected);
                    EXPECT_STREQ(KindName(free.kind), "New");
                }
            }
        }
    }
}

TEST_F(BatchOutputNameTest, EveryPolicyWithTheOutputTaken) {
    const QString source = Touch(src_ + "photo.JPG");
    for (int format : {0, 1, 2, 3, 4}) {
        for (int sameFolder : {0, 1}) {
            BatchOptions options = OptionsFor(out_, 0, format);
            options.newName = 1;
            options.sameFolder = sameFolder;
            const QString stem = (sameFolder ? src_ : out_) + "photo_RESIZED_TO_64x48";
            const QString taken = Touch(stem + kFormatExtensions[format]);
            SCOPED_TRACE(taken.toStdString());

            options.overwriteMethod = 0;
            BatchOutput output = MakeBatchOutputName(source, 64, 48, options);
            EXPECT_STREQ(KindName(output.kind), "Skip");
            EXPECT_EQ(output.path, taken);

            options.overwriteMethod = 1;
            output = MakeBatchOutputName(source, 64, 48, options);
            EXPECT_STREQ(KindName(output.kind), "Replace");
            EXPECT_EQ(output.path, taken);
            EXPECT_EQ(ReadFile(taken), "x");  // nothing is deleted while naming

            options.overwriteMethod = 2;
            output = MakeBatchOutputName(source, 64, 48, options);
            EXPECT_STREQ(KindName(output.kind), "New");
            EXPECT_EQ(output.path, stem + "_1" + kFormatExtensions[format]);
            QFile::remove(taken);
        }
    }
}

struct NamedCase {
    const char* what;
    const char* sourceName;
    int format;
    int newName;
    int policy;
    std::vector<const char*> present;  // names already in the output folder
    const char* expectedKind;
    const char* expectedName;  // in the output folder
};

TEST_F(BatchOutputNameTest, NamesOfTheEdgeCases) {
    const std::vector<NamedCase> cases = {
        {"a .jpeg source keeps its extension", "p.jpeg", 0, 0, 1, {}, "New", "p.jpeg"},
        {"a .tiff source keeps its extension", "p.tiff", 0, 1, 1, {}, "New", "p_RESIZED_TO_640x480.tiff"},
        {"a .jpeg source as JPEG", "p.jpeg", 1, 0, 1, {}, "New", "p.jpg"},
        {"several dots: only the last starts the extension",
         "my.trip.v2.JPG",
         0,
         1,
         1,
         {},
         "New",
         "my.trip.v2_RESIZED_TO_640x480.JPG"},
        {"several dots, new format", "my.trip.v2.JPG", 4, 0, 1, {}, "New", "my.trip.v2.png"},
        {"no extension, format as the source", "README", 0, 0, 1, {}, "New", "README"},
        {"unique with name and name_1 taken", "x.jpg", 1, 0, 2, {"x.jpg", "x_1.jpg"}, "New", "x_2.jpg"},
        {"unique with only name_1 taken", "x.jpg", 1, 0, 2, {"x_1.jpg"}, "New", "x.jpg"},
        {"an existing name_1 does not stop a skip", "x.jpg", 1, 0, 0, {"x_1.jpg"}, "New", "x.jpg"},
        {"a folder of the name is taken too", "d.jpg", 1, 0, 2, {"d.jpg/"}, "New", "d_1.jpg"},
        {"letter case tells names apart", "C.jpg", 1, 0, 0, {"c.jpg"}, "New", "C.jpg"},
    };
    for (const NamedCase& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString src = dir.path() + "/src/", out = dir.path() + "/out/";
        QDir().mkpath(src);
        QDir().mkpath(out);
        const QString source = src + c.sourceName;
        ASSERT_TRUE(WriteFile(source, "s"));
        for (const char* name : c.present) {
            const QString entry = out + name;
            if (entry.endsWith(u'/')) {
                ASSERT_TRUE(QDir().mkpath(entry));
            } else {
                ASSERT_TRUE(WriteFile(entry, "x"));
            }
        }
        BatchOptions options = OptionsFor(out, c.policy, c.format);
        options.newName = c.newName;
        const BatchOutput output = MakeBatchOutputName(source, 640, 480, options);
        EXPECT_STREQ(KindName(output.kind), c.expectedKind);
        EXPECT_EQ(output.path, out + c.expectedName);
    }
}

TEST_F(BatchOutputNameTest, AMissingOutputFolderStopsTheRun) {
    const QString source = Touch(src_ + "a.jpg");
    const BatchOptions options = OptionsFor(dir_.path() + "/gone/deeper", 1, 1);
    const BatchOutput output = MakeBatchOutputName(source, 10, 10, options);
    EXPECT_STREQ(KindName(output.kind), "NoFolder");
    EXPECT_EQ(output.path, dir_.path() + "/gone/deeper/a.jpg");
    // A file where the folder should be is no folder either.
    Touch(dir_.path() + "/plain");
    EXPECT_STREQ(KindName(MakeBatchOutputName(source, 10, 10, OptionsFor(dir_.path() + "/plain")).kind), "NoFolder");
    // An empty output folder names no folder.
    BatchOptions empty = OptionsFor(out_);
    empty.outFolder.clear();
    EXPECT_STREQ(KindName(MakeBatchOutputName(source, 10, 10, empty).kind), "NoFolder");
}

TEST_F(BatchOutputNameTest, AReadOnlyFolderIsNamedAndLeftToTheWrite) {
    const QString source = Touch(src_ + "a.jpg");
    ASSERT_TRUE(batchtests::MakeReadOnly(out_));
    const BatchOutput output = MakeBatchOutputName(source, 10, 10, OptionsFor(out_, 2, 1));
    batchtests::MakeWritable(out_);
    EXPECT_STREQ(KindName(output.kind), "New");
    EXPECT_EQ(output.path, out_ + "a.jpg");
}

TEST_F(BatchOutputNameTest, TheRootFolderIsAFolder) {
    const QString source = Touch(src_ + "a.jpg");
    BatchOptions options = OptionsFor("/", 1, 1);
    const BatchOutput output = MakeBatchOutputName(source, 10, 10, options);
    EXPECT_NE(output.kind, BatchOutputKind::NoFolder);
    EXPECT_EQ(output.path, "/a.jpg");
}

TEST_F(BatchOutputNameTest, TheOutputIsNeverTheSource) {
    const QString source = Touch(src_ + "a.jpg");
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        BatchOptions options = OptionsFor(src_, 1, format);
        BatchOutput output = MakeBatchOutputName(source, 10, 10, options);
        EXPECT_STREQ(KindName(output.kind), "IsSource");
        EXPECT_EQ(output.path, source);
        // The same folder reached through a link is the same folder.
        ASSERT_TRUE(QFile::link(src_, dir_.path() + "/link" + QString::number(format)));
        options.outFolder = dir_.path() + "/link" + QString::number(format) + "/";
        EXPECT_STREQ(KindName(MakeBatchOutputName(source, 10, 10, options).kind), "IsSource");
    }
    // Unique and Skip never reach the source.
    EXPECT_STREQ(KindName(MakeBatchOutputName(source, 10, 10, OptionsFor(src_, 2, 1)).kind), "New");
    EXPECT_STREQ(KindName(MakeBatchOutputName(source, 10, 10, OptionsFor(src_, 0, 1)).kind), "Skip");
    // Beside the source the suffix is always added.
    BatchOptions same = OptionsFor(out_, 1, 0);
    same.sameFolder = 1;
    EXPECT_EQ(MakeBatchOutputName(source, 10, 10, same).path, src_ + "a_RESIZED_TO_10x10.jpg");
    EXPECT_EQ(ReadFile(source), "x");
}

TEST_F(BatchOutputNameTest, EveryUniqueNumberTaken) {
    const QString source = Touch(src_ + "a.jpg");
    Touch(out_ + "a.jpg");
    Touch(out_ + "a_1.jpg");
    Touch(out_ + "a_2.jpg");
    const BatchOptions options = OptionsFor(out_, 2, 1);
    EXPECT_STREQ(KindName(MakeBatchOutputName(source, 10, 10, options, 2).kind), "NoFreeName");
    EXPECT_EQ(MakeBatchOutputName(source, 10, 10, options, 3).path, out_ + "a_3.jpg");
}

TEST_F(BatchOutputNameTest, ADanglingLinkTakesItsName) {
    const QString source = Touch(src_ + "a.jpg");
    ASSERT_TRUE(QFile::link(dir_.path() + "/nowhere", out_ + "a.jpg"));
    EXPECT_EQ(MakeBatchOutputName(source, 10, 10, OptionsFor(out_, 2, 1)).path, out_ + "a_1.jpg");
}

}  // namespace
