#include "app/frame/FrameResources.h"

#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A damaged resource file leaves its menus or keys out; the reason goes to
// the program's diagnostic output.
void NoteError(const QString& text) { qWarning("%s", qPrintable(text)); }

QJsonObject ReadJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        NoteError(path + QStringLiteral(": cannot be read"));
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        NoteError(path + QStringLiteral(": ") + parseError.errorString());
        return {};
    }
    return document.object();
}

std::vector<MenuItemResource> ParseItems(const QJsonArray& array) {
    std::vector<MenuItemResource> items;
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        MenuItemResource item;
        item.separator = object.value(QStringLiteral("separator")).toBool();
        item.id = object.value(QStringLiteral("id")).toInt();
        item.text = object.value(QStringLiteral("text")).toString();
        if (object.contains(QStringLiteral("items")))
            item.items = ParseItems(object.value(QStringLiteral("items")).toArray());
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<int> ParseInts(const QJsonArray& array) {
    std::vector<int> ints;
    for (const QJsonValue& value : array)
        ints.push_back(value.toInt());
    return ints;
}

}  // namespace

const std::vector<MenuItemResource>& LoadMenuResource(int id) {
    static const std::map<int, std::vector<MenuItemResource>> menus = [] {
        std::map<int, std::vector<MenuItemResource>> result;
        const QJsonObject root = ReadJson(QStringLiteral(":/frame/menus.json"));
        for (auto it = root.begin(); it != root.end(); ++it) {
            bool ok = false;
            const int menuId = it.key().toInt(&ok);
            if (ok)
                result[menuId] = ParseItems(it.value().toArray());
        }
        return result;
    }();
    static const std::vector<MenuItemResource> none;
    const auto it = menus.find(id);
    return it == menus.end() ? none : it->second;
}

const std::vector<AcceleratorResource>& LoadAcceleratorTable(int id) {
    static const std::map<int, std::vector<AcceleratorResource>> tables = [] {
        std::map<int, std::vector<AcceleratorResource>> result;
        const QJsonObject root = ReadJson(QStringLiteral(":/frame/accelerators.json"));
        for (auto it = root.begin(); it != root.end(); ++it) {
            bool ok = false;
            const int tableId = it.key().toInt(&ok);
            if (!ok)
                continue;
            for (const QJsonValue& value : it.value().toArray()) {
                const QJsonObject object = value.toObject();
                const QString keyText = object.value(QStringLiteral("key")).toString();
                const QKeySequence key(keyText, QKeySequence::PortableText);
                if (key.isEmpty())
                    NoteError(QStringLiteral("accelerators.json: unknown key ") + keyText);
                result[tableId].push_back({key, object.value(QStringLiteral("id")).toInt()});
            }
        }
        return result;
    }();
    static const std::vector<AcceleratorResource> none;
    const auto it = tables.find(id);
    return it == tables.end() ? none : it->second;
}

const ToolbarResource& LoadToolbarResource() {
    static const ToolbarResource toolbar = [] {
        ToolbarResource result;
        const QJsonObject root = ReadJson(QStringLiteral(":/frame/toolbars.json"));
        result.textIds = ParseInts(root.value(QStringLiteral("texts")).toArray());
        const QJsonObject sets = root.value(QStringLiteral("sets")).toObject();
        for (auto it = sets.begin(); it != sets.end(); ++it) {
            const QJsonObject object = it.value().toObject();
            ToolbarSetResource set;
            set.buttons = ParseInts(object.value(QStringLiteral("buttons")).toArray());
            set.firstText = object.value(QStringLiteral("firstText")).toInt();
            for (const QJsonValue& image : object.value(QStringLiteral("images")).toArray())
                set.images << image.toString();
            result.sets[it.key()] = std::move(set);
        }
        const QJsonObject icons = root.value(QStringLiteral("icons")).toObject();
        for (auto it = icons.begin(); it != icons.end(); ++it)
            result.themeIcons[it.key()] = it.value().toString();
        return result;
    }();
    return toolbar;
}

QIcon ToolbarImage(const QString& name) {
    const QIcon own(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
    const auto& themes = LoadToolbarResource().themeIcons;
    const auto it = themes.find(name);
    if (it == themes.end() || it->second.isEmpty())
        return own;
    return QIcon::fromTheme(it->second, own);
}
