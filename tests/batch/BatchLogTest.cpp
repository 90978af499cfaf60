// The progress dialog's texts: each status's block from a report's values,
// the algorithm names, and the table's formats matching their arguments.

#include "batch/BatchLog.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "batch/BatchIds.h"
#include "batch/BatchWorker.h"
#include "core/resize/InterpolMode.h"
#include "platform/resources/StringTable.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/batch/ModeNames.h"

namespace {

BatchReport Report(BatchItemStatus status, const QString& output = {}) {
    return {status, 2, 5, batchtests::MakeItem("/pics/in.put/a.b.JPG", 640, 480, 9, 72.5f), output, {}};
}

TEST(BatchLog, EveryStatusBlock) {
    struct Case {
        BatchItemStatus status;
        QString output;
        QString expected;
    };
    const std::vector<Case> cases = {
        {BATCH_ITEM_STARTED, "/out/a.b.jpg",
         "File 2 from 5\nInput file\nFolder: /pics/in.put/\nName: a.b.JPG\nOutput file\nFolder: /out/\n"
         "Name:a.b.jpg\nSize: 640x480 pixels, 72.5 DPI\nAlgorithm: ORVEK Super-Resolution\n\n"},
        {BATCH_ITEM_OPEN_FAILED, "",
         "File 2 from 5\nInput file\nFolder: /pics/in.put/\nName: a.b.JPG\nCan't open file\n/pics/in.put/a.b.JPG!\n\n"},
        {BATCH_ITEM_NO_OUTPUT_FOLDER, "/gone/a.b.jpg", "Can't open output folder!"},
        {BATCH_ITEM_SKIPPED, "/out/a.b_1.jpg",
         "File 2 from 5\nInput file\nFolder: /pics/in.put/\nName: a.b.JPG\nOutput file a.b_1.jpg already exists!\n"
         "Skip resizing!\n\n"},
        {BATCH_ITEM_NO_MEMORY, "", "Can't create output image!\nMay be not enough memory!\n\n"},
        {BATCH_ITEM_CANCELLED, "", "Operation canceled by user!\n\n"},
        {BATCH_ITEM_WRITE_FAILED, "/out/a.b.jpg", "Can't write file\n/out/a.b.jpg!\n\n"},
        {BATCH_ITEM_NO_SIZE, "",
         "File 2 from 5\nInput file\nFolder: /pics/in.put/\nName: a.b.JPG\nCan't read the image size of\n"
         "/pics/in.put/a.b.JPG!\nThe file cannot be read or is not an image.\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        EXPECT_EQ(BatchLogText(Report(c.status, c.output)), c.expected);
    }
}

TEST(BatchLog, AWriteFailureTellsWhyOnALineOfItsOwn) {
    BatchReport report = Report(BATCH_ITEM_WRITE_FAILED, "/out/a.b.jpg");
    report.failure = QStringLiteral("File too large");
    EXPECT_EQ(BatchLogText(report), "Can't write file\n/out/a.b.jpg!\nFile too large\n\n");
}

TEST(BatchLog, StatusLineAndNames) {
    EXPECT_EQ(BatchStatusLine(3, 12), "Processing 3 from 12");
    for (int mode = 0; mode < kInterpolModeCount; ++mode)
        EXPECT_EQ(BatchAlgorithmName(mode), batchtests::kModeNames[mode]) << mode;
    EXPECT_EQ(BatchAlgorithmName(12), "12");
    EXPECT_EQ(BatchAlgorithmName(-3), "-3");
}

TEST(BatchLog, NonAsciiPathsSurviveTheFormats) {
    BatchReport report = Report(BATCH_ITEM_WRITE_FAILED, QString::fromUtf8("/Bilder/Überblick 100%s.jpg"));
    EXPECT_EQ(BatchLogText(report), QString::fromUtf8("Can't write file\n/Bilder/Überblick 100%s.jpg!\n\n"));
}

// The table's texts are formats the code fills with fixed arguments: their
// conversions must be exactly these.
TEST(BatchLog, TheTableFormatsTakeTheirArguments) {
    const std::vector<std::pair<int, QString>> formats = {
        {IDS_RESIZED_TO, "dd"},
        {IDS_FOLDER_MISSING_CREATE, "s"},
        {IDS_CANT_CREATE_FOLDER, "s"},
        {IDS_FOLDER_READ_ONLY, "s"},
        {IDS_PROCESSING, "dd"},
        {IDS_LOG_STARTED, "ddssssddgs"},
        {IDS_LOG_OPEN_FAILED, "ddsss"},
        {IDS_LOG_SKIPPED, "ddsss"},
        {IDS_LOG_WRITE_FAILED, "s"},
        {IDS_LOG_NO_OUTPUT_FOLDER, ""},
        {IDS_CANT_CREATE_OUTPUT, ""},
        {IDS_LOG_CANCELLED, ""},
        {IDS_DONE, ""},
        {IDS_RESIZED_IMAGES, ""},
    };
    const QRegularExpression conversion(QStringLiteral("%([a-z%])"));
    for (const auto& [id, expected] : formats) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(platform::HasResString(id));
        QString found;
        for (const auto& match : conversion.globalMatch(platform::LoadResString(id)))
            found += match.captured(1);
        EXPECT_EQ(found, expected);
    }
    EXPECT_EQ(platform::StringTableError(), QString());
}

}  // namespace
