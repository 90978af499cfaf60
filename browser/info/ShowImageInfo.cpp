#include "browser/info/ShowImageInfo.h"
#include "platform/files/LocalFileName.h"

#include "browser/info/CJFIFDlg.h"
#include "browser/info/FormatExif.h"

namespace browser {

QStringList CollectImageTags(const imaging::Bitmap* bitmap) {
    QStringList tags;
    if (!bitmap)
        return tags;
    QString name;
    QString value;
    for (const imaging::PropertyItem& item : bitmap->PropertyItems()) {
        FormatExifProperty(item, name, value);
        if (!name.isEmpty() && !value.isEmpty())
            tags << name << value;
    }
    return tags;
}

void ShowImageInfoDialog(const QString& path, QWidget* parent) {
    const std::unique_ptr<imaging::Bitmap> bitmap = imaging::Bitmap::FromFile(platform::LocalFilePath(path));
    const QStringList tags = CollectImageTags(bitmap.get());
    CJFIFDlg dialog(&tags, path, bitmap.get(), parent);
    dialog.exec();
}

}  // namespace browser
