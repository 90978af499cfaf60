#pragma once
// A folder tree over a private home with its own mount table and library
// service, an owner that records what the tree reports, and helpers that
// find, click and key items the way a user does.

#include "browser/libraries/Win7Library.h"
#include "browser/tree/ShellTree.h"
#include "platform/shellns/MountTable.h"
#include "platform/shellns/ShellIcons.h"
#include "platform/shellns/ShellLibrary.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

class RecordingOwner : public IShellTreeOwner {
public:
    void OnFolderSelected(const QString& locationText) override { reports << locationText; }
    QString Last() const { return reports.isEmpty() ? QString() : reports.last(); }
    QStringList reports;
};

// Counts the tree's stop requests; onStop, when set, runs inside each (the
// tree is busy then, in the middle of a rename or a delete).
class CountingBrowser : public IShellTreeBrowser {
public:
    void StopLoading() override {
        ++stops;
        if (onStop)
            onStop();
    }
    int stops = 0;
    std::function<void()> onStop;
};

// Home: Desktop/Work, Documents/{Letters, Notes}, Pictures/{2020/{Jan, Feb},
// 2021, .hidden, loop -> Pictures}, Pictures/photo.jpg.
class TreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::shellns::SetMountTableSource([] {
            return std::vector<platform::shellns::MountEntry>{{"/", "ext4", "/dev/sda1", "/", ""}};
        });
        for (const char* folder : {"Desktop/Work", "Documents/Letters", "Documents/Notes", "Pictures/2020/Jan",
                                   "Pictures/2020/Feb", "Pictures/2021", "Pictures/.hidden"})
            ASSERT_TRUE(QDir().mkpath(H(folder)));
        ASSERT_TRUE(WriteFile(H("Pictures/photo.jpg"), "x"));
        ASSERT_TRUE(QFile::link(H("Pictures"), H("Pictures/loop")));
        CreateWin7Library();
        MakeTree();
    }
    void TearDown() override {
        tree.reset();
        DeleteWin7Library();
        platform::shellns::SetMountTableSource({});
    }

    void MakeTree() {
        tree = std::make_unique<CShellTree>();
        tree->SetOwner(&owner);
        tree->SetBrowser(&browser);
        tree->resize(400, 700);
        tree->InitRoot();
        tree->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    }

    QString H(const char* path = "") const { return *path ? home.Home() + u'/' + QLatin1String(path) : home.Home(); }
    QString Library(const char* name) const { return platform::shellns::LibraryFilePath(QLatin1String(name)); }

    // The item reached through these labels from the root, expanding on the way.
    ShellTreeItem* Find(const QStringList& labels) const {
        ShellTreeItem* item = tree->RootItem();
        for (const QString& label : labels) {
            tree->ExpandItem(item);
            ShellTreeItem* next = nullptr;
            for (int i = 0; i < item->childCount() && next == nullptr; ++i) {
                if (item->child(i)->text(0) == label)
                    next = dynamic_cast<ShellTreeItem*>(item->child(i));
            }
            if (next == nullptr)
                return nullptr;
            item = next;
        }
        return item;
    }
    // The labels of the item's children, read after expanding it.
    QStringList Labels(ShellTreeItem* item) const {
        QStringList labels;
        if (item == nullptr)
            return {"<no item>"};
        tree->ExpandItem(item);
        for (int i = 0; i < item->childCount(); ++i)
            labels << item->child(i)->text(0);
        return labels;
    }
    QString Selected() const {
        const ShellTreeItem* item = tree->CurrentShellItem();
        if (item == nullptr)
            return "<none>";
        QStringList labels;
        for (const QTreeWidgetItem* at = item; at != nullptr && at->parent() != nullptr; at = at->parent())
            labels.prepend(at->text(0));
        return labels.join(u'/');
    }
    // A click on the item's label.
    void Click(QTreeWidgetItem* item) {
        ASSERT_NE(item, nullptr);
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
    // F2 on the selected item, the new text typed, Enter.
    void TypeRename(const QString& text) {
        QTest::keyClick(tree.get(), Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << "no editor opened";
        editor->selectAll();
        QTest::keyClicks(editor, text);
        const QPointer<QLineEdit> open(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor has closed and posted the rename, which runs from the
        // event loop: run what is posted.
        EXPECT_TRUE(QTest::qWaitFor([&] { return open.isNull() || !open->isVisible(); }, 30000))
            << "the editor stayed open";
        QCoreApplication::sendPostedEvents();
    }
    bool EditorOpensOnF2() {
        QTest::keyClick(tree.get(), Qt::Key_F2);
        const bool opened = qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
        if (opened)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        return opened;
    }
    QString LibraryIcon() const {
        using namespace platform::shellns;
        return QString::number(IconIndexOf(LibrariesIdList().Combined(IdList::One(ItemKind::Library, "x")), false));
    }
    // Generous: the tree's timers and the library watcher run late on a
    // loaded machine.
    static bool WaitUntil(const std::function<bool()>& done, int ms = 30000) { return QTest::qWaitFor(done, ms); }

    PrivateHome home;
    RecordingOwner owner;
    CountingBrowser browser;
    std::unique_ptr<CShellTree> tree;
};
