// Typing a size into the resize panel while the preview's engine is busy:
// the view follows the keys at once, and no size typed earlier is painted
// after a later one, whatever the engine is still doing with an earlier job.

#include <QComboBox>
#include <QImage>
#include <QLineEdit>

#include <mutex>
#include <vector>

#include "app/panel/PanelIds.h"
#include "app/panel/ResizeDlgBar.h"
#include "app/preview/QVVesperaView.h"
#include "core/document/QVVesperaDoc.h"
#include "core/resize/ResizeEngine.h"
#include "platform/threads/Event.h"
#include "tests/app/frame/FrameTestSupport.h"

namespace {

// An engine whose jobs are held until the test lets them go, as a stage that
// reaches no report for a while would hold them. A held job goes on by itself
// after a long time-out, so a preview that waits for it does not hang the
// test: it then only fails.
class HeldEngine {
public:
    HeldEngine() {
        const auto run = [this](const EngineCall& c) { return Run(c); };
        table = {run, run, run};
    }
    ResizeEngine table;
    platform::Event release{platform::Event::Reset::Manual};

    std::vector<int> Widths() {
        std::lock_guard lock(mutex_);
        return widths_;
    }
    bool TimedOut() {
        std::lock_guard lock(mutex_);
        return timedOut_;
    }

private:
    int Run(const EngineCall& c) {
        {
            std::lock_guard lock(mutex_);
            widths_.push_back(c.dstW);
        }
        if (!release.Wait(20000)) {
            std::lock_guard lock(mutex_);
            timedOut_ = true;
        }
        for (int y = 0; y < c.dstH; ++y)
            for (int x = 0; x < c.dstW; ++x) {
                std::uint8_t* p = c.dst + static_cast<std::ptrdiff_t>(y) * c.dstStride + 3 * x;
                p[0] = 7;
                p[1] = 90;
                p[2] = 200;
            }
        return 1;
    }
    std::mutex mutex_;
    std::vector<int> widths_;
    bool timedOut_ = false;
};

class PreviewTypingTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = MakeApp();
        app_->m_resizeEngine = &engine_.table;
        ASSERT_TRUE(app_->InitInstance({}));
        frame_ = app_->m_pMainWnd;
        ASSERT_TRUE(OpenFlatPicture(*app_, home_, QSize(600, 400)));
        view_ = frame_->findChild<CQVVesperaView*>();
        ASSERT_NE(view_, nullptr);
        QObject::connect(view_, &CQVVesperaView::PicturePainted, [this] { painted_.push_back(app_->m_nWidth); });
    }
    void TearDown() override {
        engine_.release.Set();
        app_->ExitInstance();
    }
    template <typename W>
    W* Control(int id) {
        return qobject_cast<W*>(frame_->ResizePanel()->GetDlgItem(id));
    }
    // The user's choice in a list: the selection, then its activation.
    void Choose(int id, int index) {
        auto* combo = Control<QComboBox>(id);
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
        Settle();
    }

    PrivateHome home_;
    HeldEngine engine_;
    std::unique_ptr<CQVVesperaApp> app_;
    CMainFrame* frame_ = nullptr;
    CQVVesperaView* view_ = nullptr;
    std::vector<int> painted_;  // the output width of every picture painted
};

TEST_F(PreviewTypingTest, TheViewFollowsTheKeysWhileAnOutdatedJobIsStillInTheEngine) {
    Choose(IDC_ALGORITHM, 9);    // "ORVEK Super-Resolution"
    Choose(IDC_PIXEL_UNITS, 1);  // "Percent"
    ASSERT_EQ(app_->m_nInterpolMode, 9);
    ASSERT_EQ(app_->m_nInPercents, 1);
    auto* width = Control<QLineEdit>(IDC_WIDTH);
    width->setFocus();
    ASSERT_TRUE(WaitUntil([width] { return width->hasFocus(); }));
    width->selectAll();

    // "1": 1 %, and the engine gets that job and holds it.
    QTest::keyClick(width, Qt::Key_1);
    ASSERT_TRUE(WaitUntil([this] { return !engine_.Widths().empty(); }));
    ASSERT_EQ(engine_.Widths().back(), 6);

    // "5", then "0": each typed size is painted at once, the engine still
    // holding the 1 % job.
    QTest::keyClick(width, Qt::Key_5);
    ASSERT_TRUE(WaitUntil([this] { return !painted_.empty() && painted_.back() == 90; }));
    QTest::keyClick(width, Qt::Key_0);
    ASSERT_TRUE(WaitUntil([this] { return !painted_.empty() && painted_.back() == 900; }));
    EXPECT_FALSE(engine_.release.IsSet());
    EXPECT_FALSE(engine_.TimedOut());
    EXPECT_EQ(app_->m_nWidth, 900);

    // Let the engine go: its outdated 1 % result is dropped, the 15 % job
    // never starts, and the 150 % region comes.
    engine_.release.Set();
    CQVVesperaDoc* doc = app_->GetDocument();
    ASSERT_TRUE(WaitUntil([doc] {
        const auto result = doc->GetPreviewResult();
        return result && result->outputWidth == 900;
    }));
    Settle();
    const std::vector<int> jobs = engine_.Widths();
    ASSERT_GE(jobs.size(), 2u);
    EXPECT_EQ(jobs.front(), 6);
    for (std::size_t i = 1; i < jobs.size(); ++i)
        EXPECT_NE(jobs[i], 90) << "the outdated 15 % job ran";

    // Never an earlier size after a later one.
    const std::vector<int> order = {6, 90, 900};
    std::size_t latest = 0;
    for (const int w : painted_) {
        const auto at = std::find(order.begin(), order.end(), w);
        if (at == order.end())
            continue;
        const std::size_t index = static_cast<std::size_t>(at - order.begin());
        EXPECT_GE(index, latest) << "painted " << w << " after " << order[latest];
        latest = std::max(latest, index);
    }
    EXPECT_EQ(painted_.back(), 900);
}

}  // namespace
