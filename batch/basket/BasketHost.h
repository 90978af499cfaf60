#pragma once
// What the basket needs of the main frame: whether the Browse window is
// showing, refreshing the panel and views after a click, opening the clicked
// picture as the document, and the window that owns its dialogs.

#include <QString>

class QWidget;

class IBasketHost {
public:
    virtual ~IBasketHost() = default;
    virtual bool IsBrowsing() const = 0;
    virtual void UpdateAll() = 0;
    virtual bool OpenDocumentFile(const QString& path) = 0;
    virtual QWidget* DialogOwner() = 0;
};
