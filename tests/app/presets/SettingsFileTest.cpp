#include "app/presets/SettingsFile.h"

#include "core/settings/AppSettings.h"
#include "support/FifoFixtures.h"
#include "support/FileFixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

namespace {

using presets::DecodeError;
using presets::ReadResult;
using presets::SettingsValues;

// A settings file written out by hand: the UTF-16LE header, then 1024, 768,
// 300.0f (0x43960000), 1, 2, 1, 7, 1, 1, 1.
QByteArray GoldenFile() {
    QByteArray bytes;
    for (char c : std::string("ORVEK Vespera 2.0 Settings")) {
        bytes.append(c);
        bytes.append('\0');
    }
    const unsigned char values[] = {
        0x00, 0x04, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x96, 0x43, 0x01, 0x00,
        0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00,
        0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
    };
    bytes.append(reinterpret_cast<const char*>(values), sizeof values);
    return bytes;
}

const SettingsValues kGoldenValues{1024, 768, 300.0f, 1, 2, 1, 7, 1, 1, 1};

AppSettings SomeSettings() {
    AppSettings s;
    presets::ApplySettings({640, 480, 72.0f, 0, 0, 0, 4, 0, 0, 0}, s);
    s.m_nJpegQuality = 85;
    s.m_dPercentW = 50.0;
    return s;
}

TEST(SettingsFile, GoldenFileWrittenAndReadBackByteForByte) {
    const QByteArray golden = GoldenFile();
    ASSERT_EQ(golden.size(), presets::kSettingsFileSize);
    EXPECT_EQ(presets::EncodeSettingsFile(kGoldenValues), golden);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Portrait.vps"));
    ASSERT_TRUE(presets::WriteSettingsFile(path, kGoldenValues));
    EXPECT_EQ(ReadFile(path), golden);
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("Portrait.vps")});  // no temporary left

    AppSettings s = SomeSettings();
    ASSERT_EQ(presets::ReadSettingsFile(path, s), ReadResult::Ok);
    EXPECT_EQ(presets::CaptureSettings(s), kGoldenValues);
    EXPECT_EQ(s.m_nJpegQuality, 85);  // not part of the file
    EXPECT_EQ(s.m_dPercentW, 50.0);
}

TEST(SettingsFile, SaveReplacesAnExistingFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.vps"));
    ASSERT_TRUE(WriteFile(path, QByteArray(500, 'x')));
    ASSERT_TRUE(presets::WriteSettingsFile(path, kGoldenValues));
    EXPECT_EQ(ReadFile(path), GoldenFile());
}

TEST(SettingsFile, SaveIntoAMissingFolderFailsWithAReason) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(presets::WriteSettingsFile(dir.filePath(QStringLiteral("missing/a.vps")), kGoldenValues, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(SettingsFile, SizesAboveThePanelsLimitStay) {
    SettingsValues big = kGoldenValues;
    big.width = 250000;
    big.height = 1;
    EXPECT_EQ(presets::DecodeSettingsFile(presets::EncodeSettingsFile(big)), big);
}

struct Damage {
    const char* what;
    DecodeError expected;
    std::function<void(QByteArray&)> apply;
};

void PutInt(QByteArray& bytes, int offset, std::int32_t value) { std::memcpy(bytes.data() + offset, &value, 4); }
void PutFloat(QByteArray& bytes, int offset, float value) { std::memcpy(bytes.data() + offset, &value, 4); }

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, IsRefusedAndChangesNothing) {
    QByteArray bytes = GoldenFile();
    GetParam().apply(bytes);
    DecodeError error = DecodeError::None;
    EXPECT_FALSE(presets::DecodeSettingsFile(bytes, &error).has_value());
    EXPECT_EQ(error, GetParam().expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.vps"));
    ASSERT_TRUE(WriteFile(path, bytes));
    AppSettings s = SomeSettings();
    const SettingsValues before = presets::CaptureSettings(s);
    EXPECT_EQ(presets::ReadSettingsFile(path, s), ReadResult::Refused);
    EXPECT_EQ(presets::CaptureSettings(s), before);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedFile,
    ::testing::Values(
        Damage{"empty", DecodeError::WrongLength, [](QByteArray& b) { b.clear(); }},
        Damage{"header only", DecodeError::WrongLength, [](QByteArray& b) { b.truncate(52); }},
        Damage{"one byte short", DecodeError::WrongLength, [](QByteArray& b) { b.chop(1); }},
        Damage{"one byte long", DecodeError::WrongLength, [](QByteArray& b) { b.append('\0'); }},
        Damage{"other header", DecodeError::WrongHeader, [](QByteArray& b) { b[36] = '3'; }},
        Damage{"header's high byte", DecodeError::WrongHeader, [](QByteArray& b) { b[1] = 1; }},
        Damage{"width 0", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 52, 0); }},
        Damage{"height -5", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 56, -5); }},
        Damage{"dpi 0", DecodeError::ImpossibleValue, [](QByteArray& b) { PutFloat(b, 60, 0.0f); }},
        Damage{"dpi -300", DecodeError::ImpossibleValue, [](QByteArray& b) { PutFloat(b, 60, -300.0f); }},
        Damage{"dpi NaN", DecodeError::ImpossibleValue, [](QByteArray& b) { PutFloat(b, 60, kNaN); }},
        Damage{"dpi infinite", DecodeError::ImpossibleValue, [](QByteArray& b) { PutFloat(b, 60, kInf); }},
        Damage{"resolution unit 3", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 64, 3); }},
        Damage{"size unit 5", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 68, 5); }},
        Damage{"correction -1", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 72, -1); }},
        Damage{"algorithm 10", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 76, 10); }},
        Damage{"in percents 2", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 80, 2); }},
        Damage{"edit prints -1", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 84, -1); }},
        Damage{"lock 7", DecodeError::ImpossibleValue, [](QByteArray& b) { PutInt(b, 88, 7); }}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(SettingsFile, AFileThatCannotBeOpenedIsReportedAsSuch) {
    QTemporaryDir dir;
    AppSettings s = SomeSettings();
    QString error;
    EXPECT_EQ(presets::ReadSettingsFile(dir.filePath(QStringLiteral("gone.vps")), s, &error), ReadResult::CannotRead);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(s.m_nWidth, 640);
}

TEST(SettingsFile, ANamedPipeIsNotReadAndSaysWhy) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("piped.vps"));
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    AppSettings s = SomeSettings();
    QString error;
    ReadResult result = ReadResult::Ok;
    ASSERT_TRUE(fifotests::FinishesWithin({pipe}, [&] { result = presets::ReadSettingsFile(pipe, s, &error); }));
    EXPECT_EQ(result, ReadResult::CannotRead);
    EXPECT_EQ(error, QStringLiteral("Not a regular file"));
    EXPECT_EQ(s.m_nWidth, 640);
}

}  // namespace
