#pragma once
// CLeftView: the left pane of the Browse window. It holds the folder tree
// over its whole area, passes the focus to it, registers the tree's drop
// target the first time it is shown, and consumes the next-pane command
// while it is the active pane.

#include "browser/browse/TreeDropTarget.h"
#include "platform/commands/CmdTarget.h"

#include <QWidget>

class CShellTree;

class CLeftView : public QWidget, public platform::CmdTarget {
public:
    explicit CLeftView(QWidget* parent = nullptr);
    ~CLeftView() override;

    CShellTree& Tree() const { return *tree_; }
    CTreeDropTarget& DropTarget() { return dropTarget_; }
    // Selects the item of a folder path in the tree.
    void SelectPath(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CShellTree* tree_ = nullptr;
    CTreeDropTarget dropTarget_;
};
