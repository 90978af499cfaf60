#include "app/frame/BasketPane.h"
#include "app/frame/BatchBasket.h"
#include "app/frame/CommandActions.h"
#include "app/frame/FrameIds.h"
#include "app/frame/IconZoomAnimation.h"
#include "app/frame/MyToolBar.h"
#include "app/panel/PanelIds.h"
#include "app/panel/ResizeDlgBar.h"
#include "app/preview/QVVesperaView.h"
#include "batch/basket/BasketBrowser.h"
#include "batch/basket/BasketIds.h"
#include "browser/browse/BrowseWnd.h"
#include "browser/cells/PaletteItem.h"
#include "core/document/DocumentIds.h"
#include "core/document/QVVesperaDoc.h"
#include "core/resize/ResizeEngine.h"
#include "engine/RSProgress.h"
#include "platform/commands/PostedCommand.h"
#include "platform/files/LocalFileName.h"
#include "platform/progress/ProgressSink.h"
#include "platform/resources/CommandIds.h"
#include "tests/app/frame/FrameTestSupport.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QThread>

#include <vector>

namespace {

constexpr int kSeparator = 0;

struct ExpectedItem {
    int id;  // 0: separator
    const char* text;
};

struct ExpectedPopup {
    const char* title;
    std::vector<ExpectedItem> items;
};

class RecordingBasket : public IBatchBasket {
public:
    void AddFiles(const QStringList& paths) override { files += paths; }
    int GetItemCount() const override { return static_cast<int>(files.size()); }
    void ApplySettingsToSelected() override { ++appliedToSelected; }
    void ApplySettingsToAll() override { ++appliedToAll; }
    bool RunBatch(QWidget*) override {
        ++runs;
        return false;
    }
    QStringList files;
    int appliedToSelected = 0;
    int appliedToAll = 0;
    int runs = 0;
};

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(int& paints) : paints_(paints) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints_;
        return QObject::eventFilter(watched, event);
    }

private:
    int& paints_;
};

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override { Start(); }

    void Start(CMainFrame::CreateContext context = {}) {
        app_ = MakeApp();
        app_->m_frameContext = context;
        ASSERT_TRUE(app_->InitInstance({}));
        frame_ = app_->m_pMainWnd;
        ASSERT_NE(frame_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
        Settle();
    }

    QAction* Action(int id) { return frame_->Actions().Action(id); }

    // Chooses the command as a user would: its action shows its current
    // state first (the menu or the idle update does that), then is triggered.
    void Choose(int id) {
        QAction* action = Action(id);
        frame_->Actions().Update(action);
        action->trigger();
        // An icon-size switch is shown in steps on a timer.
        EXPECT_TRUE(WaitUntil([&] { return !frame_->ZoomAnimation().IsRunning(); }));
        Settle();
    }

    // The state of `id` as its menu shows it.
    QAction* ShownInMenu(const char* popup, int id) {
        QMenu* menu = frame_->Popup(QString::fromUtf8(popup));
        EXPECT_NE(menu, nullptr) << popup;
        if (menu == nullptr)
            return nullptr;
        menu->popup(frame_->mapToGlobal(QPoint(10, 10)));
        Settle();
        menu->hide();
        for (QAction* action : menu->actions()) {
            if (CommandActions::IdOf(action) == id)
                return action;
        }
        ADD_FAILURE() << "no item " << id << " in " << popup;
        return nullptr;
    }

    std::vector<int> ToolbarIds() const {
        std::vector<int> ids;
        for (const CMyToolBar::Button& button : frame_->ToolBar()->Buttons())
            ids.push_back(button.idCommand);
        return ids;
    }

    QStringList ToolbarTexts() const {
        QStringList texts;
        for (const CMyToolBar::Button& button : frame_->ToolBar()->Buttons()) {
            if (!button.separator)
                texts << frame_->ToolBar()->TextPool().value(button.iString);
        }
        return texts;
    }

    int PreviewRowHeight() const {
        int current = 0, minimum = 0;
        frame_->Splitter()->GetRowInfo(0, current, minimum);
        return current;
    }

    PrivateHome home_;
    std::unique_ptr<CQVVesperaApp> app_;
    CMainFrame* frame_ = nullptr;
};

TEST_F(MainFrameTest, CaptionNamesTheDocument) {
    EXPECT_EQ(frame_->windowTitle(), QStringLiteral("ORVEK Vespera 3 - QVVespera"));
    frame_->SetDocumentTitle(QStringLiteral("harbour.jpg"));
    EXPECT_EQ(frame_->windowTitle(), QStringLiteral("ORVEK Vespera 3 - harbour.jpg"));
    frame_->SetDocumentTitle(QString());
    EXPECT_EQ(frame_->windowTitle(), QStringLiteral("ORVEK Vespera 3"));
}

TEST_F(MainFrameTest, MenusHoldTheirItemsInOrder) {
    const std::vector<ExpectedPopup> expected = {
        {"&File",
         {{57601, "&Open...\tCtrl+O"},
          {57603, "Resize and &Save...\tCtrl+S"},
          {kSeparator, ""},
          {32856, "Save se&ttings..."},
          {32857, "&Load settings..."},
          {kSeparator, ""},
          {57616, "Recent File"},
          {kSeparator, ""},
          {57665, "E&xit"}}},
        {"&Batch",
         {{32861, "&Batch Mode"},
          {32852, "&Browse"},
          {32862, "&Run\tEnter"},
          {32853, "&Load..."},
          {32854, "&Save..."},
          {kSeparator, ""},
          {32863, "&Remove Selected"}}},
        {"&View",
         {{32858, "&Next\tRight"},
          {32859, "&Previous\tLeft"},
          {kSeparator, ""},
          {33107, "&Large Icons"},
          {33106, "&Small Icons"},
          {kSeparator, ""},
          {59392, "&Toolbar"},
          {59393, "&Status Bar"},
          {103, "&Resize Settings"}}},
        {"&Help",
         {{33046, "&Check For Update"},
          {33048, "ORVEK Home Page"},
          {kSeparator, ""},
          {57670, "&Help Topics\tF1"},
          {57664, "&About..."}}},
    };
    const QList<QAction*> popups = frame_->menuBar()->actions();
    ASSERT_EQ(popups.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t p = 0; p < expected.size(); ++p) {
        EXPECT_EQ(popups[p]->text(), QString::fromUtf8(expected[p].title));
        const QList<QAction*> items = popups[p]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[p].items.size())) << expected[p].title;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const ExpectedItem& item = expected[p].items[static_cast<std::size_t>(i)];
            if (item.id == kSeparator) {
                EXPECT_TRUE(items[i]->isSeparator()) << expected[p].title << " item " << i;
                continue;
            }
            EXPECT_EQ(CommandActions::IdOf(items[i]), item.id) << expected[p].title << " item " << i;
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(item.text));
        }
    }
    ASSERT_NE(frame_->ViewOptionsMenu(), nullptr);
    const QList<QAction*> options = frame_->ViewOptionsMenu()->actions();
    ASSERT_EQ(options.size(), 2);
    EXPECT_EQ(CommandActions::IdOf(options[0]), 33107);
    EXPECT_EQ(CommandActions::IdOf(options[1]), 33106);
}

TEST_F(MainFrameTest, AcceleratorsRunTheirCommands) {
    const std::vector<std::pair<const char*, int>> table = {
        {"Return", 32862}, {"Ctrl+C", 57634},   {"Ctrl+Ins", 57634},  {"Shift+Del", 57635},
        {"Ctrl+X", 57635}, {"Ctrl+V", 57637},   {"Shift+Ins", 57637}, {"Alt+Backspace", 57643},
        {"Ctrl+Z", 57643}, {"Ctrl+N", 57600},   {"Ctrl+O", 57601},    {"Ctrl+S", 57603},
        {"F6", 57680},     {"Shift+F6", 57681}, {"F1", 57670},        {"Shift+F1", 57669},
    };
    for (const auto& [key, id] : table) {
        const QAction* action = frame_->Actions().Find(id);
        ASSERT_NE(action, nullptr) << key;
        EXPECT_TRUE(action->shortcuts().contains(QKeySequence(QString::fromUtf8(key)))) << key;
    }
}

TEST_F(MainFrameTest, CtrlOOpensTheFileDialog) {
    int asked = 0;
    app_->m_fileDialog = [&asked](bool open, const QString& filter, int*) -> std::optional<QString> {
        ++asked;
        EXPECT_TRUE(open);
        // The JPEG and TIFF files of Linux desktops go by their four-letter extensions too.
        EXPECT_TRUE(filter.startsWith(
            QStringLiteral("All Supported Files (*.jpg *.jpeg *.tif *.tiff *.bmp *.gif *.png);;JPEG Files (*.jpg "
                           "*.jpeg);;TIFF Files (*.tif *.tiff);;")))
            << filter.toStdString();
        return std::nullopt;
    };
    frame_->activateWindow();
    // The idle update enables the accelerators' commands.
    QAction* open = Action(ID_FILE_OPEN);
    ASSERT_TRUE(WaitUntil([open] { return open->isEnabled(); }));
    QTest::keyClick(frame_, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
}

TEST_F(MainFrameTest, MenuItemsFollowTheirUpdateRules) {
    struct Rule {
        const char* popup;
        int id;
        bool enabled;
        bool checked;
    };
    // No image, single-image mode, zoom 100, the panel shown, an empty
    // basket, no Browse window or settings file.
    const std::vector<Rule> rules = {
        {"&File", 57601, true, false},  {"&File", 57603, false, false},  {"&File", 32856, true, false},
        {"&File", 32857, false, false}, {"&File", 57616, false, false},  {"&File", 57665, true, false},
        {"&Batch", 32861, true, false}, {"&Batch", 32852, false, false}, {"&Batch", 32862, false, false},
        {"&Batch", 32853, true, false}, {"&Batch", 32854, false, false}, {"&Batch", 32863, false, false},
        {"&View", 32858, false, false}, {"&View", 32859, false, false},  {"&View", 33107, true, true},
        {"&View", 33106, true, false},  {"&View", 59392, true, true},    {"&View", 59393, true, true},
        {"&View", 103, true, true},     {"&Help", 33046, true, false},   {"&Help", 33048, true, false},
        {"&Help", 57670, true, false},  {"&Help", 57664, true, false},
    };
    for (const Rule& rule : rules) {
        QAction* action = ShownInMenu(rule.popup, rule.id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->isEnabled(), rule.enabled) << rule.id;
        EXPECT_EQ(action->isChecked(), rule.checked) << rule.id;
    }
    EXPECT_EQ(ShownInMenu("&File", 57616)->text(), QStringLiteral("Recent File"));

    Choose(ID_BATCH_MODE);
    EXPECT_TRUE(ShownInMenu("&Batch", ID_BATCH_MODE)->isChecked());
    EXPECT_TRUE(ShownInMenu("&Batch", ID_BATCH_BROWSE)->isEnabled());
    EXPECT_FALSE(ShownInMenu("&Batch", ID_BATCH_BROWSE)->isChecked());

    Choose(ID_VIEW_SMALL_ICONS);
    EXPECT_EQ(g_nIconsZoom, 66);
    EXPECT_TRUE(ShownInMenu("&View", ID_VIEW_SMALL_ICONS)->isChecked());
    EXPECT_FALSE(ShownInMenu("&View", ID_VIEW_LARGE_ICONS)->isChecked());
    Choose(ID_VIEW_LARGE_ICONS);
    EXPECT_EQ(g_nIconsZoom, 100);
}

TEST_F(MainFrameTest, PanelControlsCarryTheirWhatsThisTexts) {
    int withText = 0;
    for (const QWidget* control : frame_->ResizePanel()->findChildren<QWidget*>()) {
        if (control->property("controlId").toInt() == 1020) {
            EXPECT_TRUE(control->whatsThis().contains(QLatin1String("algorithm")));
        }
        withText += control->whatsThis().isEmpty() ? 0 : 1;
    }
    EXPECT_GE(withText, 15);
}

TEST_F(MainFrameTest, RecentFilesFillTheFileMenu) {
    app_->RecentFiles().Add(QStringLiteral("/photos/a.jpg"));
    app_->RecentFiles().Add(QStringLiteral("/photos/b.jpg"));
    QAction* first = ShownInMenu("&File", ID_FILE_MRU_FILE1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(), QStringLiteral("&1 /photos/b.jpg"));
    EXPECT_TRUE(first->isEnabled());
    QAction* second = ShownInMenu("&File", ID_FILE_MRU_FILE1 + 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(), QStringLiteral("&2 /photos/a.jpg"));
    // Shown again, the menu holds each entry once.
    ShownInMenu("&File", ID_FILE_MRU_FILE1);
    EXPECT_EQ(frame_->Popup(QStringLiteral("&File"))->actions().size(), 10);
}

TEST_F(MainFrameTest, ToolbarShowsTheSetOfEachMode) {
    EXPECT_EQ(ToolbarIds(), (std::vector<int>{57601, 57603, 0, 32861, 0, 32859, 32858}));
    EXPECT_EQ(ToolbarTexts(), (QStringList{"Open", "Save", "Batch Mode", "Previous", "Next"}));
    for (const CMyToolBar::Button& button : frame_->ToolBar()->Buttons()) {
        if (!button.separator) {
            EXPECT_FALSE(Action(button.idCommand)->icon().isNull()) << button.idCommand;
        }
    }

    Choose(ID_BATCH_MODE);
    EXPECT_EQ(ToolbarIds(), (std::vector<int>{57601, 32852, 0, 32861, 0, 32863, 0, 32862, 0, 32859, 32858, 0, 33108}));
    EXPECT_EQ(ToolbarTexts(),
              (QStringList{"Open", "Browse", "Batch Mode", "Remove", "Run ", "Previous", "Next", "View"}));
    // The buttons carry the state of their commands.
    frame_->UpdateCommandUI();
    EXPECT_TRUE(Action(ID_BATCH_MODE)->isChecked());
    EXPECT_FALSE(Action(ID_BATCH_RUN)->isEnabled());

    frame_->SetBrowseToolbar();
    EXPECT_EQ(ToolbarIds(), (std::vector<int>{33110, 0, 32863, 0, 33108}));
    EXPECT_EQ(ToolbarTexts(), (QStringList{"Done", "Remove", "View"}));

    Choose(ID_BATCH_MODE);
    EXPECT_EQ(ToolbarIds(), (std::vector<int>{57601, 57603, 0, 32861, 0, 32859, 32858}));
}

TEST_F(MainFrameTest, PromptsAndTooltipsComeFromTheStringTable) {
    const std::vector<std::tuple<int, const char*, const char*>> table = {
        {32861, "Switch on/off batch mode", "Switch on/off batch mode"},
        {32852, "Browse for images", "Browse for images"},
        {33110, "Cancel browse", "Cancel browse"},
        {33108, "View options", "View options"},
        {103, "Show or hide Resize options", "Toggle Resize options"},
    };
    for (const auto& [id, prompt, tooltip] : table) {
        EXPECT_EQ(Action(id)->statusTip(), QString::fromUtf8(prompt)) << id;
        EXPECT_EQ(Action(id)->toolTip(), QString::fromUtf8(tooltip)) << id;
    }
    // Hovering a button shows its prompt in the status bar.
    QWidget* button = frame_->ToolBar()->widgetForAction(Action(ID_BATCH_MODE));
    ASSERT_NE(button, nullptr);
    frame_->Actions().Update(Action(ID_BATCH_MODE));
    QTest::mouseMove(button);
    Action(ID_BATCH_MODE)->hover();
    Settle();
    EXPECT_EQ(frame_->statusBar()->currentMessage(), QStringLiteral("Switch on/off batch mode"));
}

TEST_F(MainFrameTest, BatchModeShowsAndHidesTheBasketRow) {
    QWidget* basket = frame_->GetBasketView();
    ASSERT_NE(basket, nullptr);
    EXPECT_FALSE(basket->isVisible());
    EXPECT_EQ(frame_->Splitter()->m_nHiddenRow, 1);

    // First switch on an empty profile: the basket row holds one whole row
    // of cells and its horizontal bar, no vertical bar, also when the frame
    // grows.
    Choose(ID_BATCH_MODE);
    Settle();
    EXPECT_EQ(app_->m_bBatchMode, 1);
    EXPECT_TRUE(basket->isVisible());
    EXPECT_EQ(frame_->Splitter()->m_nHiddenRow, -1);
    auto* view = qobject_cast<QAbstractScrollArea*>(basket);
    ASSERT_NE(view, nullptr);
    const int rowHeight = GetCellSizeForZoom(g_nIconsZoom.load(), true).height() + 1 +
                          basket->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * view->frameWidth();
    for (QSize size : {frame_->size(), frame_->size() + QSize(0, 120)}) {
        frame_->resize(size);
        Settle();
        EXPECT_EQ(basket->height(), rowHeight) << size.height();
        EXPECT_FALSE(view->verticalScrollBar()->isVisible()) << size.height();
    }

    // Leaving stores the row's height, the next switch restores it.
    frame_->Splitter()->SetRowInfo(0, 300, 0);
    frame_->Splitter()->RecalcLayout();
    ASSERT_EQ(PreviewRowHeight(), 300);
    Choose(ID_BATCH_MODE);
    Settle();
    EXPECT_EQ(app_->m_bBatchMode, 0);
    EXPECT_FALSE(basket->isVisible());
    EXPECT_EQ(app_->Profile().GetInt(QStringLiteral("SPLITTER"), QStringLiteral("RIGHTHEIGHT"), -1), 300);

    Choose(ID_BATCH_MODE);
    Settle();
    EXPECT_EQ(PreviewRowHeight(), 300);
}

TEST_F(MainFrameTest, BrowseCoversThePreviewUntilDoneOrBatchModeEnds) {
    frame_->SetDocumentTitle(QStringLiteral("harbour.jpg"));
    Choose(ID_BATCH_MODE);
    ASSERT_TRUE(frame_->ResizePanel()->isVisible());
    for (const int close : {ID_BROWSE_DONE, ID_BATCH_BROWSE, ID_BATCH_MODE}) {
        Choose(ID_BATCH_BROWSE);
        ASSERT_TRUE(frame_->IsBrowsing()) << close;
        CBrowseWnd* browse = frame_->BrowseWindow();
        EXPECT_TRUE(browse->isVisible());
        EXPECT_EQ(browse->geometry(), frame_->GetViewPane()->rect());
        EXPECT_EQ(frame_->windowTitle(), QStringLiteral("ORVEK Vespera 3"));
        EXPECT_FALSE(frame_->ResizePanel()->isVisible());
        EXPECT_EQ(ToolbarIds(), (std::vector<int>{33110, 0, 32863, 0, 33108}));
        EXPECT_TRUE(ShownInMenu("&Batch", ID_BATCH_BROWSE)->isChecked());
        EXPECT_FALSE(ShownInMenu("&Batch", ID_BATCH_RUN)->isEnabled());
        // The tree refuses every drag on the frame's answer.
        EXPECT_FALSE(frame_->QueryTreeDrop(nullptr, 0, QPoint()));

        Choose(close);
        EXPECT_FALSE(frame_->IsBrowsing()) << close;
        EXPECT_EQ(frame_->windowTitle(), QStringLiteral("ORVEK Vespera 3 - harbour.jpg"));
        EXPECT_TRUE(frame_->ResizePanel()->isVisible());
        if (close == ID_BATCH_MODE) {
            EXPECT_EQ(app_->m_bBatchMode, 0);
            EXPECT_FALSE(ShownInMenu("&Batch", ID_BATCH_BROWSE)->isEnabled());
        } else {
            EXPECT_EQ(ToolbarIds().front(), 57601);
        }
    }
}

TEST_F(MainFrameTest, StoredRowHeightIsBroughtIntoTheWindow) {
    for (int stored : {100000, 5000}) {
        app_->Profile().WriteInt(QStringLiteral("SPLITTER"), QStringLiteral("RIGHTHEIGHT"), stored);
        Choose(ID_BATCH_MODE);
        Settle();
        EXPECT_GE(PreviewRowHeight(), 0) << stored;
        EXPECT_LE(PreviewRowHeight(), frame_->ClientHeight()) << stored;
        EXPECT_LE(frame_->Splitter()->m_nSize[0], frame_->ClientHeight()) << stored;
        EXPECT_GE(frame_->Splitter()->m_nSize[1], 0) << stored;
        Choose(ID_BATCH_MODE);
        Settle();
    }
}

TEST_F(MainFrameTest, BarsAreShownAndHidden) {
    ASSERT_TRUE(frame_->ToolBar()->isVisible());
    Choose(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(frame_->ToolBar()->isVisible());
    EXPECT_FALSE(ShownInMenu("&View", ID_VIEW_TOOLBAR)->isChecked());
    Choose(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(frame_->ToolBar()->isVisible());

    ASSERT_TRUE(frame_->statusBar()->isVisible());
    Choose(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(frame_->statusBar()->isVisible());
    Choose(ID_VIEW_RESIZE_BAR);
    EXPECT_FALSE(frame_->ResizePanel()->isVisible());
    EXPECT_FALSE(ShownInMenu("&View", ID_VIEW_RESIZE_BAR)->isChecked());
    Choose(ID_VIEW_RESIZE_BAR);
    EXPECT_TRUE(frame_->ResizePanel()->isVisible());
}

TEST_F(MainFrameTest, EngineProgressReachesTheStatusBar) {
    QProgressBar* progress = frame_->ProgressControl();
    ASSERT_FALSE(progress->isVisible());
    // The engine posts through the sink the frame installed.
    ASSERT_TRUE(platform::PostProgressCommand(ID_START_PROGRESS));
    Settle();
    platform::DeliverPostedCommands();
    ASSERT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 90);
    const int w = frame_->statusBar()->width();
    EXPECT_EQ(progress->geometry(), QRect(w - w / 3 - 20, 2, w / 3, frame_->statusBar()->height() - 4));

    for (const auto& [percent, shown] : std::vector<std::pair<int, int>>{{45, 45}, {90, 90}, {99, 90}}) {
        g_nProgressPercent = percent;
        platform::PostProgressCommand(ID_PROGRESS);
        platform::DeliverPostedCommands();
        EXPECT_EQ(progress->value(), shown) << percent;
    }
    platform::PostProgressCommand(ID_END_PROGRESS);
    platform::DeliverPostedCommands();
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(MainFrameTest, ProgressStopsWithTheFrame) {
    app_->CloseMainFrame();
    EXPECT_FALSE(platform::PostProgressCommand(ID_START_PROGRESS));
}

TEST_F(MainFrameTest, CommandsGoToTheViewThenTheDocument) {
    struct Target : platform::CmdTarget {
        explicit Target(std::vector<std::string>& log, const char* name) {
            OnCommand(32858, [&log, name] { log.push_back(name); });
        }
    };
    std::vector<std::string> log;
    Target view(log, "view");
    Target document(log, "document");
    frame_->SetActiveDocument(&document);
    EXPECT_TRUE(frame_->Actions().Trigger(32858));
    frame_->SetActiveView(&view);
    EXPECT_TRUE(frame_->Actions().Trigger(32858));
    EXPECT_EQ(log, (std::vector<std::string>{"document", "view"}));
    // Posted commands that are not the frame's own take the same road.
    frame_->Port()->Post(32858);
    platform::DeliverPostedCommands();
    EXPECT_EQ(log.back(), "view");
    EXPECT_EQ(log.size(), 3u);
    frame_->SetActiveView(nullptr);
    frame_->SetActiveDocument(nullptr);
}

TEST_F(MainFrameTest, AFailedNextLeavesThePanelEmpty) {
    ScriptedAnswers answers;
    const QString folder = home_.Path() + QStringLiteral("/walk");
    ASSERT_TRUE(QDir().mkpath(folder));
    QImage image(150, 100, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    ASSERT_TRUE(image.save(folder + QStringLiteral("/1.png")));
    ASSERT_TRUE(WriteFile(folder + QStringLiteral("/2.png"), "broken"));
    ASSERT_TRUE(WriteFile(folder + QStringLiteral("/3.png"), "broken too"));
    ASSERT_TRUE(app_->OpenImage(folder + QStringLiteral("/1.png")));
    QWidget* size = frame_->ResizePanel()->GetDlgItem(IDC_ORIG_SIZE);
    auto* label = qobject_cast<QLabel*>(size);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("150x100 pixels"));

    // Both neighbours fail: the picture is closed and the panel says so.
    EXPECT_TRUE(frame_->RunCommand(ID_NEXT_IMAGE));
    Settle();
    EXPECT_EQ(answers.Questions().size(), 2u);
    ASSERT_NE(app_->GetDocument(), nullptr);
    EXPECT_FALSE(app_->GetDocument()->HasImage());
    EXPECT_EQ(label->text(), QString());
    auto* width = qobject_cast<QLineEdit*>(frame_->ResizePanel()->GetDlgItem(IDC_WIDTH));
    ASSERT_NE(width, nullptr);
    EXPECT_FALSE(width->isEnabled());
}

TEST_F(MainFrameTest, ViewButtonPopsUpTheIconSizes) {
    Choose(ID_BATCH_MODE);
    frame_->UpdateCommandUI();
    Choose(ID_VIEW_OPTIONS);
    Settle();
    EXPECT_TRUE(frame_->ViewOptionsMenu()->isVisible());
    frame_->ViewOptionsMenu()->hide();
}

TEST(MainFrameBasket, TwoFilesFillTheBasketAndSwitchBatchModeOn) {
    PrivateHome home;
    RecordingBasket basket;
    auto app = MakeApp();
    app->m_frameContext.basket = &basket;
    ASSERT_TRUE(app->InitInstance({QStringLiteral("a.jpg"), QStringLiteral("notes.txt"), QStringLiteral("b.png")}));
    // Kept under the folder the program started in.
    const QString here = QDir::currentPath();
    EXPECT_EQ(basket.files, (QStringList{here + "/a.jpg", here + "/b.png"}));
    EXPECT_EQ(app->m_bBatchMode, 1);
    Settle();
    EXPECT_TRUE(app->m_pMainWnd->GetBasketView()->isVisible());
    // With items in the basket Run is enabled.
    EXPECT_TRUE(app->m_pMainWnd->QueryCommand(ID_BATCH_RUN).enabled);

    app->m_pMainWnd->AddFilesToBatch({QStringLiteral("c.jpg")});
    EXPECT_EQ(basket.files.size(), 2);
}

TEST(MainFrameBasket, ThreePicturesOnTheCommandLineOpenABasketOfThree) {
    PrivateHome home;
    QStringList pictures;
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        pictures << home.Path() + u'/' + QLatin1String(name);
        ASSERT_TRUE(image.save(pictures.back()));
    }
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance(pictures));
    CBasketPane* pane = app->m_pMainWnd->BasketPane();
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->GetItemCount(), 3);
    EXPECT_EQ(app->m_bBatchMode, 1);
    EXPECT_EQ(app->m_pMainWnd->GetBasketView(), pane->View());
    Settle();
    EXPECT_TRUE(pane->View()->isVisible());
    EXPECT_TRUE(app->m_pMainWnd->QueryCommand(ID_BATCH_RUN).enabled);
    EXPECT_TRUE(app->m_pMainWnd->QueryCommand(ID_BATCH_SAVE).enabled);
    // Remove Selected reaches the basket view through the frame.
    EXPECT_FALSE(app->m_pMainWnd->QueryCommand(ID_BATCH_REMOVE).enabled);
    pane->Basket().GetItem(1)->m_bSelected = 1;
    ASSERT_TRUE(app->m_pMainWnd->QueryCommand(ID_BATCH_REMOVE).enabled);
    EXPECT_TRUE(app->m_pMainWnd->RunCommand(ID_BATCH_REMOVE));
    EXPECT_EQ(pane->GetItemCount(), 2);
    app->ExitInstance();
}

// Names that are not UTF-8, given on the command line as bytes, reach the
// basket whole.
TEST(MainFrameBasket, NamesThatAreNotUtf8FromTheCommandLineFillTheBasket) {
    PrivateHome home;
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "png"));
    QStringList arguments;
    for (const char* name : {"caf\xE9.png", "na\xEFve.png"}) {
        ASSERT_TRUE(WriteFileByBytes(home.Path(), name, png));
        arguments << platform::FileNameFromLocal(QFile::encodeName(home.Path()) + '/' + name);
    }
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance(arguments));
    CBasketPane* pane = app->m_pMainWnd->BasketPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_EQ(pane->GetItemCount(), 2);
    EXPECT_EQ(platform::LocalFileName(pane->Basket().GetItem(0)->m_strPath),
              QFile::encodeName(home.Path()) + "/caf\xE9.png");
    app->ExitInstance();
}

// Enter runs the basket only while batch mode shows it, and a focused field
// or list takes Enter first: the typed width or the chosen algorithm is
// taken and nothing runs.
class EnterKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        basket_.files = {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")};
        app_ = MakeApp();
        app_->m_frameContext.basket = &basket_;
        ASSERT_TRUE(app_->InitInstance({}));
        frame_ = app_->m_pMainWnd;
        ASSERT_TRUE(OpenFlatPicture(*app_, home_, QSize(300, 200)));
        QAction* run = frame_->Actions().Action(ID_BATCH_RUN);
        ASSERT_TRUE(WaitUntil([run] { return run->isEnabled(); }));
    }
    void SetBatchMode(bool on) {
        if ((app_->m_bBatchMode != 0) != on)
            frame_->OnBatchMode();
        Settle();
    }
    template <typename W>
    W* Control(int id) {
        return qobject_cast<W*>(frame_->ResizePanel()->GetDlgItem(id));
    }
    // Types a width into the focused Width field and presses Enter.
    void TypeWidth(const char* text) {
        auto* width = Control<QLineEdit>(IDC_WIDTH);
        ASSERT_NE(width, nullptr);
        ASSERT_TRUE(width->isEnabled());
        width->setFocus();
        ASSERT_TRUE(WaitUntil([width] { return width->hasFocus(); }));
        width->selectAll();
        QTest::keyClicks(width, QString::fromLatin1(text));
        QTest::keyClick(width, Qt::Key_Return);
        Settle();
    }

    PrivateHome home_;
    RecordingBasket basket_;
    std::unique_ptr<CQVVesperaApp> app_;
    CMainFrame* frame_ = nullptr;
};

TEST_F(EnterKeyTest, EnterInWidthOutsideBatchModeTakesTheWidthAndRunsNothing) {
    SetBatchMode(false);
    TypeWidth("1000");
    EXPECT_EQ(basket_.runs, 0);
    EXPECT_EQ(app_->m_nWidth, 1000);
    // Nor does Enter on the preview run the hidden basket.
    QWidget* preview = app_->GetPreviewView();
    preview->setFocus();
    ASSERT_TRUE(WaitUntil([preview] { return preview->hasFocus(); }));
    QTest::keyClick(preview, Qt::Key_Return);
    QTest::keyClick(preview, Qt::Key_Enter, Qt::KeypadModifier);
    Settle();
    EXPECT_EQ(basket_.runs, 0);
    // The menu item keeps its rule: enabled with a filled basket.
    EXPECT_TRUE(frame_->QueryCommand(ID_BATCH_RUN).enabled);
}

TEST_F(EnterKeyTest, InBatchModeTheFieldsTakeEnterAndThePreviewRunsTheBasket) {
    SetBatchMode(true);
    TypeWidth("700");
    EXPECT_EQ(basket_.runs, 0);
    EXPECT_EQ(app_->m_nWidth, 700);

    // Down and Enter on the algorithm list pick the next algorithm.
    auto* algorithm = Control<QComboBox>(IDC_ALGORITHM);
    ASSERT_NE(algorithm, nullptr);
    algorithm->setFocus();
    ASSERT_TRUE(WaitUntil([algorithm] { return algorithm->hasFocus(); }));
    const int before = app_->m_nInterpolMode;
    QTest::keyClick(algorithm, Qt::Key_Down);
    QTest::keyClick(algorithm, Qt::Key_Return);
    Settle();
    EXPECT_EQ(basket_.runs, 0);
    EXPECT_EQ(app_->m_nInterpolMode, before + 1);

    // The same in the open list.
    QTest::keyClick(algorithm, Qt::Key_F4);
    QAbstractItemView* list = algorithm->view();
    ASSERT_TRUE(WaitUntil([list] { return list->isVisible(); }));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([list] { return !list->isVisible(); }));
    Settle();
    EXPECT_EQ(basket_.runs, 0);
    EXPECT_EQ(app_->m_nInterpolMode, before + 2);

    frame_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_));
    QWidget* preview = app_->GetPreviewView();
    preview->setFocus();
    ASSERT_TRUE(WaitUntil([preview] { return preview->hasFocus(); }));
    QTest::keyClick(preview, Qt::Key_Return);
    Settle();
    EXPECT_EQ(basket_.runs, 1);
}

// Resize and Save runs on the UI thread: before the work starts the wait
// cursor shows and the window has repainted where the closed save dialog was.
TEST(ResizeAndSaveFeedback, TheWindowRepaintsUnderTheWaitCursorBeforeTheWork) {
    PrivateHome home;
    ScriptedAnswers answers;
    QPointer<QWidget> surface;
    int paints = 0;
    bool engineRan = false, waitCursor = false, repainted = false;
    ResizeEngine engine = DefaultResizeEngine();
    engine.resizeImageV2 = [&](const EngineCall& call) {
        // The preview's worker resizes through the same engine; only the
        // save's resize runs on the UI thread.
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            return DefaultResizeEngine().resizeImageV2(call);
        engineRan = true;
        const QCursor* cursor = QGuiApplication::overrideCursor();
        waitCursor = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        repainted = paints > 0;
        return DefaultResizeEngine().resizeImageV2(call);
    };
    auto app = MakeApp();
    app->m_resizeEngine = &engine;
    PaintCounter counter(paints);
    const QString out = home.Path() + QStringLiteral("/out.png");
    app->m_fileDialog = [&](bool, const QString&, int*) -> std::optional<QString> {
        // The dialog's place on the window needs painting when it closes.
        surface->installEventFilter(&counter);
        surface->update();
        return out;
    };
    ASSERT_TRUE(app->InitInstance({}));
    QWidget* preview = app->GetPreviewView();
    ASSERT_NE(preview, nullptr);
    auto* scrolled = qobject_cast<QAbstractScrollArea*>(preview);
    surface = scrolled != nullptr ? scrolled->viewport() : preview;
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    const QString picture = home.Path() + QStringLiteral("/small.png");
    ASSERT_TRUE(image.save(picture));
    ASSERT_TRUE(app->OpenImage(picture));
    Settle();
    app->m_nWidth = 120;
    app->m_nHeight = 80;
    app->m_nInterpolMode = 6;
    ASSERT_TRUE(app->m_pMainWnd->RunCommand(ID_FILE_SAVE));
    EXPECT_TRUE(engineRan);
    EXPECT_TRUE(waitCursor);
    EXPECT_TRUE(repainted);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QImage(out).size(), QSize(120, 80));
    EXPECT_TRUE(answers.Questions().empty());
    surface->removeEventFilter(&counter);
    app->ExitInstance();
}

TEST(MainFrameCreation, FailsCleanlyWithoutAPane) {
    PrivateHome home;
    auto app = MakeApp();
    app->m_frameContext.view = [](QWidget*) -> QWidget* { return nullptr; };
    EXPECT_FALSE(app->InitInstance({}));
    EXPECT_EQ(app->m_pMainWnd, nullptr);
    EXPECT_EQ(app->ExitInstance(), 0);
}

}  // namespace
