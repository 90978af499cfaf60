#pragma once
// The frame's resources as the program stores them under res/frame: menus,
// accelerator tables and the toolbar's text pool and button sets. They are
// embedded into the binary and read from ":/frame/..." once.

#include <QIcon>
#include <QKeySequence>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// One item of a menu: a command, a separator or a popup with its own items.
struct MenuItemResource {
    int id = 0;  // 0 for separators and popups
    QString text;
    bool separator = false;
    std::vector<MenuItemResource> items;  // a popup's items

    bool IsPopup() const { return !separator && id == 0; }
};

struct AcceleratorResource {
    QKeySequence key;
    int id = 0;
};

// One toolbar button set: command ids (0 a separator), the text pool index of
// the first button's text, the image names in button order.
struct ToolbarSetResource {
    std::vector<int> buttons;
    int firstText = 0;
    QStringList images;
};

struct ToolbarResource {
    std::vector<int> textIds;  // string ids of the text pool, in pool order
    std::map<QString, ToolbarSetResource> sets;
    std::map<QString, QString> themeIcons;  // image name -> theme icon name ("" none)
};

// The popups of menu `id`; empty when there is no such menu.
const std::vector<MenuItemResource>& LoadMenuResource(int id);
// The accelerator table `id`; empty when there is none.
const std::vector<AcceleratorResource>& LoadAcceleratorTable(int id);
const ToolbarResource& LoadToolbarResource();

// The icon of a toolbar image: the desktop theme's icon first, else the
// program's own res/icons/<name>.svg.
QIcon ToolbarImage(const QString& name);
