#pragma once
// A Browse window over a private home with its own mount table, library
// service and thumbnail builder, and a main-window port whose commands go to
// the window the way the main frame routes them.

#include "browser/ThumbFixtures.h"
#include "browser/browse/BrowseWnd.h"
#include "browser/browse/LeftView.h"
#include "browser/builder/Thumbnails.h"
#include "browser/libraries/Win7Library.h"
#include "browser/thumbs/ImgThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "browser/tree/ShellTree.h"
#include "core/settings/AppSettings.h"
#include "platform/commands/PostedCommand.h"
#include "platform/profile/ProfileStore.h"
#include "platform/shellns/MountTable.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

using namespace thumbfixtures;

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// Stands in for the main frame: the monitor's commands with their payload go
// to the Browse window.
class MonitorRouter : public platform::CommandReceiver {
public:
    void OnPostedCommand(const platform::Command& command) override {
        ++received;
        if (window != nullptr)
            window->OnMonitorCommand(command);
    }
    CBrowseWnd* window = nullptr;
    int received = 0;
};

class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::shellns::SetMountTableSource([] {
            return std::vector<platform::shellns::MountEntry>{{"/", "ext4", "/dev/sda1", "/", ""}};
        });
        for (const char* folder : {"Pictures/Trip", "Pictures/Empty", "Documents"})
            ASSERT_TRUE(QDir().mkpath(H(folder)));
        InitThumbnails(home.CacheHome() + QStringLiteral("/thumbs"));
        CreateWin7Library();
        port = platform::CommandPort::Create(&router);
        settings.m_strBrowseFolder = H("Pictures/Trip");
    }
    void TearDown() override {
        CloseWindow();
        port->Close();
        DeleteWin7Library();
        ShutdownThumbnails();
        platform::shellns::SetMountTableSource({});
    }

    void OpenWindow(int width = 800) {
        window = std::make_unique<CBrowseWnd>(settings, profile, port);
        router.window = window.get();
        window->resize(width, 500);
        ASSERT_TRUE(window->Create());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void CloseWindow() {
        router.window = nullptr;
        window.reset();
        // The view's deferred deletion.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString H(const char* path = "") const { return *path ? home.Home() + u'/' + QLatin1String(path) : home.Home(); }
    CShellTree& Tree() const { return *window->Tree(); }
    CImgThumbsBrowser& Browser() const { return *window->Browser(); }
    QStringList Listed() const {
        QStringList names;
        for (const auto& item : window->Browser()->Items())
            names << QFileInfo(item->m_strPath).fileName();
        return names;
    }
    // Waits until the browser lists `names` (in order), delivering posts.
    bool WaitForListing(const QStringList& names, int ms = 30000) {
        return QTest::qWaitFor([&] { return Listed() == names; }, ms);
    }
    ShellTreeItem* Find(const QStringList& labels) const {
        ShellTreeItem* item = Tree().RootItem();
        for (const QString& label : labels) {
            Tree().ExpandItem(item);
            ShellTreeItem* next = nullptr;
            for (int i = 0; i < item->childCount() && next == nullptr; ++i)
                if (item->child(i)->text(0) == label)
                    next = dynamic_cast<ShellTreeItem*>(item->child(i));
            if (next == nullptr)
                return nullptr;
            item = next;
        }
        return item;
    }
    void Click(QTreeWidgetItem* item) {
        ASSERT_NE(item, nullptr);
        Tree().scrollToItem(item);
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, Tree().visualItemRect(item).center());
    }

    PrivateHome home;
    AppSettings settings;
    platform::ProfileStore profile;
    MonitorRouter router;
    std::shared_ptr<platform::CommandPort> port;
    std::unique_ptr<CBrowseWnd> window;
};
