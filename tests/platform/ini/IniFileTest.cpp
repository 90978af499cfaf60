#include "platform/ini/IniFile.h"

#include <gtest/gtest.h>

#include "support/FifoFixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using platform::IniFile;

// A fresh folder under TMPDIR, removed with everything in it when the
// object goes.
class TempFolder {
public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/ini-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "mkdtemp failed";
        else
            path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes `text` into the file `name` of the folder; its path.
    std::filesystem::path Write(const std::string& name, const std::string& text) const {
        auto path = path_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private:
    std::filesystem::path path_;
};

TEST(IniFile, FindsSectionsAndKeysWithoutRegardToCase) {
    const IniFile ini = IniFile::Parse(
        "; comment\n"
        "orphan=1\n"
        "[Browser]\n"
        "  Text Color  =   1, 2, 3   \n"
        "quoted=\"  a b  \"\n"
        "single='x'\n"
        "mismatched=\"x'\n"
        "empty=\n"
        "no equals sign\n"
        "[other]\r\n"
        "key=crlf\r\n"
        "[browser]\n"
        "TEXT COLOR=second section\n");
    EXPECT_EQ(ini.Value("BROWSER", "TEXT COLOR"), "1, 2, 3");
    EXPECT_EQ(ini.Value("browser", "text color"), "1, 2, 3");
    EXPECT_EQ(ini.Value("BROWSER", "QUOTED"), "  a b  ");
    EXPECT_EQ(ini.Value("BROWSER", "single"), "x");
    EXPECT_EQ(ini.Value("BROWSER", "mismatched"), "\"x'");
    EXPECT_EQ(ini.Value("BROWSER", "empty"), "");
    EXPECT_EQ(ini.Value("OTHER", "key"), "crlf");
    EXPECT_FALSE(ini.Value("BROWSER", "orphan"));
    EXPECT_FALSE(ini.Value("BROWSER", "no equals sign"));
    EXPECT_FALSE(ini.Value("MISSING", "key"));
}

TEST(IniFile, SkipsByteOrderMarkAndTakesFirstKey) {
    const IniFile ini = IniFile::Parse("\xEF\xBB\xBF[S]\rk=1\rk=2\r[unclosed\nk=3");
    EXPECT_EQ(ini.Value("S", "k"), "1");
    EXPECT_EQ(ini.Value("unclosed", "k"), "3");
}

TEST(IniFile, ProfileStringFallsBackToDefault) {
    const TempFolder folder;
    const auto path = folder.Write("ini-test.ini", "[A]\nx=hello\n");
    EXPECT_EQ(platform::ReadProfileString(path, "a", "X", "d"), "hello");
    EXPECT_EQ(platform::ReadProfileString(path, "a", "y", "d"), "d");
    EXPECT_EQ(platform::ReadProfileString(path.string() + ".missing", "a", "x", "d"), "d");
}

TEST(IniFile, ProfileIntReadsLeadingDigits) {
    const TempFolder folder;
    const auto path = folder.Write(
        "ini-int.ini", "[B]\nplain=42\nneg=-7\nsuffix=12abc\nword=abc\nhuge=99999999999\nnhuge=-99999999999\n");
    struct Case {
        const char* key;
        int expected;
    };
    for (const Case& c : {Case{"plain", 42}, Case{"neg", -7}, Case{"suffix", 12}, Case{"word", 0},
                          Case{"huge", 2147483647}, Case{"nhuge", -2147483647 - 1}, Case{"missing", 5}}) {
        EXPECT_EQ(platform::ReadProfileInt(path, "b", c.key, 5), c.expected) << c.key;
    }
}

TEST(IniFile, RefusesOversizedFile) {
    const TempFolder folder;
    const auto path = folder.Write("ini-big.ini", "[A]\nx=1\n" + std::string(IniFile::kMaxFileBytes, ';'));
    EXPECT_FALSE(IniFile::Load(path));
    EXPECT_EQ(platform::ReadProfileString(path, "A", "x", "d"), "d");
}

TEST(IniFile, ANamedPipeReadsAsNoFile) {
    const TempFolder folder;
    const auto path = folder.Path() / "win.ini";
    ASSERT_TRUE(fifotests::MakeFifo(QString::fromStdString(path.string())));
    std::optional<IniFile> ini = IniFile::Parse("");
    ASSERT_TRUE(fifotests::FinishesWithin({QString::fromStdString(path.string())}, [&] { ini = IniFile::Load(path); }));
    EXPECT_FALSE(ini);
}

TEST(IniFile, WinIniLivesInTheConfigFolder) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = saved != nullptr ? saved : "";
    const TempFolder folder;
    const auto& dir = folder.Path();
    std::filesystem::create_directories(dir / "ORVEK");
    std::ofstream(dir / "ORVEK" / "win.ini") << "[BROWSER]\nSORT=3\n";
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    EXPECT_EQ(platform::WinIniPath(), dir / "ORVEK" / "win.ini");
    EXPECT_EQ(platform::GetWinIniInt("browser", "sort", 0), 3);
    EXPECT_EQ(platform::GetWinIniInt("browser", "other", 9), 9);
    if (saved != nullptr) {
        ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
