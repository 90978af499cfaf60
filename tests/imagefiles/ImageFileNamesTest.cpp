#include "imagefiles/ImageFileNames.h"

#include "support/FileFixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ImageFileNames, SupportedExtensions) {
    for (const char* path :
         {"/Photos/IMG_1.JPG", "a.Png", "b.bmp", "c.gif", "d.TIF", "/x.y/z.jpg", "scan.tiff", "x.JPEG"}) {
        EXPECT_TRUE(IsSupportedImageExtension(QString::fromUtf8(path))) << path;
    }
    for (const char* path : {"x.jpe", "x.tiff2", "x.gife", "noext", "x.jp", "x.jpg;", "x.jpg;.gi", "x.",
                             "/dir.jpg/file", "x.pn", ".jpg.txt", ""}) {
        EXPECT_FALSE(IsSupportedImageExtension(QString::fromUtf8(path))) << path;
    }
}

TEST(ImageFileNames, LinuxSpellingsStandForTheShortOnes) {
    struct Case {
        const char* ext;
        const char* canonical;
    };
    for (const Case& c : {Case{".JPEG", ".jpg"}, Case{".jpeg", ".jpg"}, Case{".Tiff", ".tif"}, Case{".JPG", ".jpg"},
                          Case{".png", ".png"}, Case{".jpe", ".jpe"}, Case{"", ""}}) {
        EXPECT_EQ(CanonicalImageExtension(QString::fromUtf8(c.ext)), QString::fromUtf8(c.canonical)) << c.ext;
    }
}

TEST(ImageFileNames, WavFiles) {
    for (const char* path : {"a.WAV", "/b/b.wav", "c.Wav"})
        EXPECT_TRUE(IsWavFile(QString::fromUtf8(path))) << path;
    for (const char* path : {"d.wave", "e", "f.wav.jpg", "/g.wav/h"}) {
        EXPECT_FALSE(IsWavFile(QString::fromUtf8(path))) << path;
    }
}

class SoundNotes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* name :
             {"IMG_1.JPG", "IMG_1.wav", "IMG_2.JPG", "IMG_2.WAV", "IMG_3.JPG", "img_3.wav", "p.png",  "p.wav",
              "IMG_4.jpg", "s.TIF",     "s.wav",     "w1.wav",    "w1.TIF",    "w2.wav",    "W2.JPG", "orphan.wav",
              "v.jpeg",    "v.wav",     "u.gif",     "u.wav",     "t.TIFF",    "t.wav"}) {
            ASSERT_TRUE(WriteFile(Path(name), "x"));
        }
    }
    QString Path(const char* name) const { return dir_.path() + u'/' + QString::fromUtf8(name); }

    QTemporaryDir dir_;
};

TEST_F(SoundNotes, FoundBesidePhotographsInAnyLetterCase) {
    struct Case {
        const char* image;
        bool has;
        const char* note;  // nullptr: notePath stays unchanged
    };
    for (const Case& c :
         {Case{"IMG_1.JPG", true, "IMG_1.wav"}, Case{"IMG_2.JPG", true, "IMG_2.WAV"},
          Case{"IMG_3.JPG", true, "img_3.wav"}, Case{"s.TIF", true, "s.wav"}, Case{"IMG_4.jpg", false, "IMG_4.wav"},
          Case{"p.png", false, nullptr}, Case{"v.jpeg", true, "v.wav"}, Case{"u.gif", false, nullptr}}) {
        const QString image = Path(c.image);
        EXPECT_EQ(HasSoundNote(image), c.has) << c.image;
        QString note = QStringLiteral("unchanged");
        EXPECT_EQ(GetSoundNotePath(image, note), c.has) << c.image;
        EXPECT_EQ(note, c.note != nullptr ? Path(c.note) : QStringLiteral("unchanged")) << c.image;
    }
}

TEST_F(SoundNotes, RecordingBelongsToAPhotographOfItsName) {
    struct Case {
        const char* wav;
        bool belongs;
    };
    for (const Case& c : {Case{"w1.wav", true}, Case{"w2.wav", true}, Case{"IMG_1.wav", true}, Case{"v.wav", true},
                          Case{"t.wav", true}, Case{"orphan.wav", false}, Case{"p.wav", false}, Case{"u.wav", false}}) {
        EXPECT_EQ(IsSoundNoteOfImage(Path(c.wav)), c.belongs) << c.wav;
    }
}

}  // namespace
