#include "core/settings/AppSettings.h"

#include "support/FileFixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }

TEST(BrowserColors, ColorTexts) {
    const std::uint32_t def = Rgb(1, 2, 3);
    struct Case {
        const char* text;
        std::uint32_t color;
    };
    for (const Case& c : {
             Case{"300, 10, 20", Rgb(44, 10, 20)},
             Case{"-1, 0, 0", Rgb(255, 0, 0)},
             Case{"  7,8,9", Rgb(7, 8, 9)},
             Case{"7,\t 8,   9 trailing", Rgb(7, 8, 9)},
             Case{"-300, +5, 256", Rgb(212, 5, 0)},
             Case{"99999999999, 0, 0", Rgb(99999999999 % 256, 0, 0)},
             Case{"7", Rgb(7, 2, 3)},  // missing components keep the default's
             Case{"7, 8", Rgb(7, 8, 3)},
             Case{"7 , 8, 9", Rgb(7, 2, 3)},  // the comma must follow the number
             Case{"7, x, 9", Rgb(7, 2, 3)},
             Case{"", def},
             Case{"red", def},
         }) {
        EXPECT_EQ(ParseColorText(c.text, def), c.color) << c.text;
    }
}

class BrowserColorsFile : public ::testing::Test {
protected:
    QString Ini() const { return dir_.filePath(QStringLiteral("resourses.ini")); }
    QTemporaryDir dir_;
};

TEST_F(BrowserColorsFile, MissingFileGivesEveryDefault) {
    g_BrowserColors.crText = 0xFFFFFF;
    LoadBrowserColors(Ini());
    EXPECT_EQ(g_BrowserColors.crSelectedText, Rgb(255, 0, 0));
    EXPECT_EQ(g_BrowserColors.crText, Rgb(0, 0, 0));
    EXPECT_EQ(g_BrowserColors.crBackground, Rgb(203, 219, 244));
    EXPECT_EQ(g_BrowserColors.crBackgroundInFrame, Rgb(233, 233, 233));
    EXPECT_EQ(g_BrowserColors.crBackgroundInFrameCut, Rgb(128, 128, 128));
    EXPECT_EQ(g_BrowserColors.crSelectedBorder, Rgb(254, 190, 47));
    EXPECT_EQ(g_BrowserColors.crBorder, Rgb(122, 157, 227));
    EXPECT_EQ(g_BrowserColors.crDetailsSeparator, Rgb(123, 138, 172));
    EXPECT_EQ(g_BrowserColors.crDetailsTab, Rgb(119, 158, 227));
}

TEST_F(BrowserColorsFile, KeysInAnyLetterCase) {
    ASSERT_TRUE(WriteFile(Ini(),
                          "[browser]\n"
                          "selected text color = 300, 10, 20\n"
                          "Text Color=-1, 0, 0\n"
                          "BACKGROUND COLOR=10\n"
                          "[OTHER]\n"
                          "BORDER COLOR=1, 1, 1\n"));
    LoadBrowserColors(Ini());
    EXPECT_EQ(g_BrowserColors.crSelectedText, Rgb(44, 10, 20));
    EXPECT_EQ(g_BrowserColors.crText, Rgb(255, 0, 0));
    EXPECT_EQ(g_BrowserColors.crBackground, Rgb(10, 219, 244));
    EXPECT_EQ(g_BrowserColors.crBorder, Rgb(122, 157, 227));  // another section's key
    EXPECT_EQ(g_BrowserColors.crDetailsTab, Rgb(119, 158, 227));
}

TEST_F(BrowserColorsFile, ReadIniString) {
    ASSERT_TRUE(WriteFile(Ini(), "[BROWSER]\nKey =  value  \n"));
    AppSettings s;
    s.m_strIniPath = Ini();
    EXPECT_EQ(s.ReadIniString(QStringLiteral("browser"), QStringLiteral("KEY"), QStringLiteral("d")),
              QStringLiteral("value"));
    EXPECT_EQ(s.ReadIniString(QStringLiteral("BROWSER"), QStringLiteral("none"), QStringLiteral("d")),
              QStringLiteral("d"));
    s.m_strIniPath = dir_.filePath(QStringLiteral("missing.ini"));
    EXPECT_EQ(s.ReadIniString(QStringLiteral("BROWSER"), QStringLiteral("Key"), QStringLiteral("d")),
              QStringLiteral("d"));
}

}  // namespace
