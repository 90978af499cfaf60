#include "app/frame/DialogFolder.h"

#include "platform/paths/Paths.h"
#include "platform/profile/ProfileStore.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kSection = QStringLiteral("FILEDIALOG");
const QString kFolder = QStringLiteral("FOLDER");
}  // namespace

void DialogFolder::Read(const platform::ProfileStore& store) {
    folder_ = store.GetString(kSection, kFolder, QString());
}

void DialogFolder::Write(platform::ProfileStore& store) const {
    // A run that chose nothing leaves the stored folder as it was.
    if (!folder_.isEmpty())
        store.WriteString(kSection, kFolder, folder_);
}

void DialogFolder::Remember(const QString& chosenFile) {
    if (!chosenFile.isEmpty())
        folder_ = QFileInfo(chosenFile).absolutePath();
}

QString DialogFolder::StartFolder() const {
    // Only an absolute path names a folder: a relative one would be taken
    // from the working directory, which is what the dialogs must not use.
    if (!folder_.isEmpty() && QDir::isAbsolutePath(folder_) && QFileInfo(folder_).isDir())
        return folder_;
    const QString pictures = platform::PicturesFolder();
    return pictures.isEmpty() ? QDir::homePath() : pictures;
}
