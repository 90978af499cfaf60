// The preview of pictures with transparency, with the real engine: a
// transparent GIF and an alpha PNG show white where they were transparent,
// at their own size and enlarged, in the fast rendering and in the engine's
// result alike.

#include "PreviewFixtures.h"
#include "support/TransparentPictures.h"

using namespace previewtests;

namespace {

class TransparentPreview : public PreviewTest {
protected:
    void SetUp() override {
        doc = std::make_unique<CQVVesperaDoc>(settings);  // the real engine
        frame.doc = doc.get();
        doc->SetListener(&frame);
        doc->SetPreviewPort(port);
    }
};

}  // namespace

TEST_F(TransparentPreview, TransparentPartsShowWhiteAtEverySizeAndMode) {
    constexpr int kW = 40, kH = 20;
    const struct {
        const char* name;
        QByteArray bytes;
        bool band;
    } files[] = {
        {"clear.gif", transparent::TransparentGif(kW, kH), false},
        {"alpha.png", transparent::AlphaPng(kW, kH), true},
    };
    const struct {
        int scale;
        int mode;
    } views[] = {{1, 4}, {2, 4}, {2, 6}, {3, 9}};
    MakeView(300, 200);
    for (const auto& file : files) {
        ASSERT_TRUE(doc->OpenDocumentFile(Write(QString::fromLatin1(file.name), file.bytes)));
        for (const auto& v : views) {
            SCOPED_TRACE(testing::Message() << file.name << " at " << v.scale << "x in mode " << v.mode);
            settings.m_nInterpolMode = v.mode;
            SetOutput(kW * v.scale, kH * v.scale);
            Grab();
            FinishJobs();
            const QImage grab = Grab();
            if (v.mode >= 5) {
                EXPECT_TRUE(view->ShowsResult());
            }
            for (int x = 0; x < kW; ++x) {
                // Away from the edges between the parts, which a resize blends.
                if (x % (kW / 4) < 2 || x % (kW / 4) > kW / 4 - 3)
                    continue;
                const imaging::Rect at = view->SourceToClientRect({x, kH / 2, 1, 1});
                const QRgb got = Rgb(grab, at.x + at.width / 2, at.y + at.height / 2);
                const QRgb want = transparent::ExpectedOverWhite(x, kW, file.band);
                // The engine's sharpening rings a little beside the edges.
                const int slack = v.mode >= 5 ? 12 : 2;
                EXPECT_TRUE(transparent::NearColour(got, want, slack)) << x;
            }
        }
    }
}
