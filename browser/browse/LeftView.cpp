#include "browser/browse/LeftView.h"

#include "browser/tree/ShellTree.h"
#include "platform/resources/CommandIds.h"

#include <QResizeEvent>

CLeftView::CLeftView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LeftView"));
    tree_ = new CShellTree(this);
    tree_->setProperty("controlId", CShellTree::kControlId);
    tree_->setGeometry(0, 0, width(), height());
    tree_->InitRoot();
    setFocusProxy(tree_);
    // F6 does nothing while the tree's pane is active.
    OnCommand(ID_NEXT_PANE, [] {});
}

CLeftView::~CLeftView() = default;

void CLeftView::SelectPath(const QString& path) { tree_->SelectPath(QString(path)); }

void CLeftView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    tree_->setGeometry(0, 0, event->size().width(), event->size().height());
}

void CLeftView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!dropTarget_.IsRegistered())
        dropTarget_.Register(tree_);
}
