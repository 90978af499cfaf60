#include "app/frame/MyToolBar.h"

#include "app/frame/CommandActions.h"

#include <QAction>

namespace {
constexpr int kFlatSeparatorWidth = 6;
constexpr int kSeparatorWidth = 8;
}  // namespace

CMyToolBar::CMyToolBar(CommandActions& actions, QWidget* parent) : QToolBar(parent), actions_(actions) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize(QSize(32, 32));
    setMovable(false);
}

void CMyToolBar::SetButtonTexts(const QStringList& texts) { pool_ += texts; }

bool CMyToolBar::SetButtons(const int* ids, int count, int firstText) {
    clear();
    // clear() leaves the separators it removed alive.
    qDeleteAll(separators_);
    separators_.clear();
    buttons_.clear();
    int nextImage = 0;
    int nextText = firstText;
    for (int i = 0; ids != nullptr && i < count; ++i) {
        if (!AddButton(ids[i], nextImage, nextText))
            return false;
    }
    return true;
}

bool CMyToolBar::AddButton(int id, int& nextImage, int& nextText) {
    Button button;
    if (id == 0) {
        button.separator = true;
        button.separatorWidth = flat_ ? kFlatSeparatorWidth : kSeparatorWidth;
        separators_.push_back(addSeparator());
        buttons_.push_back(button);
        return true;
    }
    if (id < 0 || nextText < 0 || nextText >= pool_.size())
        return false;
    button.idCommand = id;
    button.iBitmap = nextImage++;
    button.iString = nextText++;
    QAction* action = actions_.Action(id);
    action->setIconText(pool_[button.iString]);
    if (button.iBitmap < static_cast<int>(images_.size()))
        action->setIcon(images_[button.iBitmap]);
    addAction(action);
    buttons_.push_back(button);
    return true;
}
