#include "platform/profile/ProfileStore.h"

#include "support/CommaLocale.h"
#include "support/FifoFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using platform::ProfileStore;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(ProfileStore, DefaultFileIsInTheConfigFolder) {
    EXPECT_TRUE(ProfileStore::DefaultFile().endsWith(QStringLiteral("/ORVEK/ORVEK Vespera.conf")));
}

TEST(ProfileStore, RoundTripsEveryType) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.conf"));
    {
        ProfileStore store(file);
        store.WriteInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), -640);
        store.WriteString(QStringLiteral("BATCH"), QStringLiteral("OUTFOLDER"), QStringLiteral("/a, b/=c;d"));
        store.WriteDouble(QStringLiteral("MAIN"), QStringLiteral("DPI"), 72.25);
        store.WriteBinary(QStringLiteral("SHELLTREE"), QStringLiteral("PIDL"), QByteArray("\0\1\2", 3));
        ASSERT_TRUE(store.Sync());
    }
    ProfileStore store(file);
    EXPECT_EQ(store.GetInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), 0), -640);
    EXPECT_EQ(store.GetString(QStringLiteral("BATCH"), QStringLiteral("OUTFOLDER"), {}), QStringLiteral("/a, b/=c;d"));
    EXPECT_EQ(store.GetDouble(QStringLiteral("MAIN"), QStringLiteral("DPI"), 0), 72.25);
    EXPECT_EQ(store.GetBinary(QStringLiteral("SHELLTREE"), QStringLiteral("PIDL")), QByteArray("\0\1\2", 3));
    EXPECT_FALSE(store.GetBinary(QStringLiteral("MAIN"), QStringLiteral("WIDTH")));
    EXPECT_EQ(store.GetInt(QStringLiteral("MAIN"), QStringLiteral("ABSENT"), 7), 7);
    EXPECT_TRUE(ReadAll(file).contains("DPI=72.250000"));
}

TEST(ProfileStore, DoublesUseTheCLocaleWhateverTheUsersLocale) {
    CommaLocale comma;
    ASSERT_TRUE(CommaLocale::Active()) << "no locale with a decimal comma";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.conf"));
    {
        ProfileStore store(file);
        store.WriteDouble(QStringLiteral("MAIN"), QStringLiteral("DPI"), 300.0);
        ASSERT_TRUE(store.Sync());
    }
    EXPECT_TRUE(ReadAll(file).contains("DPI=300.000000\n"));
    EXPECT_EQ(ProfileStore(file).GetDouble(QStringLiteral("MAIN"), QStringLiteral("DPI"), 0), 300.0);
    EXPECT_EQ(platform::ParseDoubleC(QStringLiteral("1,5")), 1.0);
}

TEST(ProfileStore, HandEditedValues) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.conf"));
    WriteAll(file,
             "[MAIN]\n"
             "WIDTH=abc\n"
             "HEIGHT= 480 \n"
             "JPEGQUALITY=4.5\n"
             "LIST=a, b\n"
             "DPI=not a number\n"
             "PERCENTW=  12.5x\n");
    const ProfileStore store(file);
    EXPECT_EQ(store.GetInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), 640), 640);
    EXPECT_EQ(store.GetInt(QStringLiteral("MAIN"), QStringLiteral("HEIGHT"), 0), 480);
    EXPECT_EQ(store.GetInt(QStringLiteral("MAIN"), QStringLiteral("JPEGQUALITY"), 75), 75);
    EXPECT_EQ(store.GetString(QStringLiteral("MAIN"), QStringLiteral("LIST"), {}), QStringLiteral("a, b"));
    EXPECT_EQ(store.GetDouble(QStringLiteral("MAIN"), QStringLiteral("DPI"), 300), 0.0);
    EXPECT_EQ(store.GetDouble(QStringLiteral("MAIN"), QStringLiteral("PERCENTW"), 100), 12.5);
}

TEST(ProfileStore, FormatsAndParsesLikeTheCRuntime) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c :
         {Case{300.0, "300.000000"}, Case{-0.5, "-0.500000"}, Case{1e20, "100000000000000000000.000000"},
          Case{0.0000004, "0.000000"}, Case{0.125, "0.125000"}}) {
        EXPECT_EQ(platform::FormatDoubleC(c.value), QLatin1String(c.text)) << c.value;
    }
    struct Parse {
        const char* text;
        double value;
    };
    for (const Parse& p : {Parse{"300.000000", 300.0}, Parse{" \t+7", 7.0}, Parse{"-2.5e1z", -25.0}, Parse{"x1", 0.0},
                           Parse{"", 0.0}, Parse{"--1", 0.0}}) {
        EXPECT_EQ(platform::ParseDoubleC(QLatin1String(p.text)), p.value) << p.text;
    }
}

TEST(ProfileStore, ReportsAFileThatCannotBeWritten) {
    QTemporaryDir dir;
    ProfileStore store(dir.filePath(QStringLiteral("missing-folder/is-a-file")));
    WriteAll(dir.filePath(QStringLiteral("missing-folder")), "a file where the folder should be");
    store.WriteInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), 1);
    EXPECT_FALSE(store.Sync());
}

// A named pipe in the profile's place would block the start: it is left
// alone, reported once, and the store works in memory without writing.
TEST(ProfileStore, APipeInTheFilesPlaceIsLeftAlone) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.conf"));
    ASSERT_TRUE(fifotests::MakeFifo(file));
    fifotests::LogCapture log;
    int width = 0, written = 0;
    bool synced = true;
    ASSERT_TRUE(fifotests::FinishesWithin({file}, [&] {
        ProfileStore store(file);
        width = store.GetInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), 640);
        store.WriteInt(QStringLiteral("MAIN"), QStringLiteral("HEIGHT"), 480);
        written = store.GetInt(QStringLiteral("MAIN"), QStringLiteral("HEIGHT"), 0);
        synced = store.Sync();
        ProfileStore second(file);
        second.GetInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), 0);
    }));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(written, 480);
    EXPECT_FALSE(synced);
    EXPECT_TRUE(fifotests::IsFifo(file));
    EXPECT_EQ(log.Count(file + QStringLiteral(" is not a regular file")), 1);
}

// A profile bloated far beyond what the program writes would make every
// exit write it all back: it is set aside whole and reported once; its values
// are still read for the rest of the run, and the new file holds only what
// the program writes.
TEST(ProfileStore, AnOversizedFileIsSetAsideAndOnlyOwnValuesAreWritten) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.conf"));
    QByteArray bloated = "[MAIN]\nWIDTH=800\n[JUNK]\n";
    while (bloated.size() <= ProfileStore::kMaxProfileBytes)
        bloated += "K" + QByteArray::number(bloated.size()) + "=0\n";
    WriteAll(file, bloated);
    fifotests::LogCapture log;
    {
        ProfileStore store(file);
        const int width = store.GetInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), 640);
        EXPECT_EQ(width, 800);
        store.WriteInt(QStringLiteral("MAIN"), QStringLiteral("WIDTH"), width);
        store.WriteInt(QStringLiteral("MAIN"), QStringLiteral("HEIGHT"), 480);
        ASSERT_TRUE(store.Sync());
    }
    // Another store of the same run still reads the old values.
    EXPECT_EQ(ProfileStore(file).GetInt(QStringLiteral("JUNK"), QStringLiteral("K24"), 5), 0);
    const QByteArray written = ReadAll(file);
    EXPECT_LT(written.size(), 100);
    EXPECT_TRUE(written.contains("WIDTH=800")) << written.constData();
    EXPECT_FALSE(written.contains("K24")) << written.constData();
    EXPECT_EQ(ReadAll(file + QStringLiteral(".too-large")), bloated);
    EXPECT_EQ(log.Count(QStringLiteral("it is set aside as ") + file + QStringLiteral(".too-large,")), 1);
    // A second bloated file never replaces the first one set aside.
    WriteAll(file, bloated + "X=1\n");
    ProfileStore again(file);
    EXPECT_EQ(ReadAll(file + QStringLiteral(".too-large2")), bloated + "X=1\n");
    EXPECT_EQ(ReadAll(file + QStringLiteral(".too-large")), bloated);
}

}  // namespace
