#include <gtest/gtest.h>

#include <functional>

#include <QColorSpace>

#include "ImagingFixtures.h"
#include "platform/imaging/IccProfile.h"

using namespace imaging;

namespace {

Bytes SrgbProfile() { return ToBytes(QColorSpace(QColorSpace::SRgb).iccProfile()); }

void PutBe32(Bytes& p, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

struct MisfitCase {
    const char* name;
    std::function<void(Bytes&)> change;
    const char* anyOutput;  // a word of the reason for any output; empty: it fits
    const char* pngOutput;  // for a PNG output
};

// Qt's sRGB profile as it is fits every output; each change makes it a
// profile that PNG readers refuse or warn about, or that describes no RGB
// pixels, and the reason names what is wrong.
TEST(IccProfile, MisfitsAreNamed) {
    const MisfitCase cases[] = {
        {"as it is", [](Bytes&) {}, "", ""},
        {"grey", [](Bytes& p) { std::memcpy(&p[16], "GRAY", 4); }, "not RGB", "not RGB"},
        {"CMYK", [](Bytes& p) { std::memcpy(&p[16], "CMYK", 4); }, "not RGB", "not RGB"},
        {"cut short", [](Bytes& p) { p.erase(p.end() - 40, p.end()); }, "header states", "header states"},
        {"longer than stated", [](Bytes& p) { p.insert(p.end(), 8, 0); }, "header states", "header states"},
        {"header only", [](Bytes& p) { p.resize(100); }, "shorter", "shorter"},
        {"no signature", [](Bytes& p) { std::memcpy(&p[36], "abcd", 4); }, "signature", "signature"},
        {"device link", [](Bytes& p) { std::memcpy(&p[12], "link", 4); }, "class", "class"},
        {"odd connection space", [](Bytes& p) { std::memcpy(&p[20], "RGB ", 4); }, "connection", "connection"},
        {"tag beyond the end", [](Bytes& p) { PutBe32(p, 132 + 4, static_cast<std::uint32_t>(p.size())); }, "outside",
         "outside"},
        {"too many tags", [](Bytes& p) { PutBe32(p, 128, 1000); }, "tag table", "tag table"},
        {"illuminant not D50", [](Bytes& p) { p[71] ^= 1; }, "", "D50"},
        {"undefined intent", [](Bytes& p) { PutBe32(p, 64, 7); }, "", "intent"},
    };
    for (const MisfitCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes profile = SrgbProfile();
        ASSERT_GT(profile.size(), 200u);
        c.change(profile);
        const std::string any = IccProfileMisfit(profile, IccOutput::Any);
        const std::string png = IccProfileMisfit(profile, IccOutput::Png);
        if (*c.anyOutput == 0)
            EXPECT_EQ(any, "");
        else
            EXPECT_NE(any.find(c.anyOutput), std::string::npos) << any;
        if (*c.pngOutput == 0)
            EXPECT_EQ(png, "");
        else
            EXPECT_NE(png.find(c.pngOutput), std::string::npos) << png;
    }
    EXPECT_NE(IccProfileMisfit({}, IccOutput::Any), "");
}

}  // namespace
