#include "app/frame/DesktopFileDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

std::optional<QString> RunDesktopFileDialog(bool open, const QString& folder, const QString& filter, int* filterIndex) {
    const QStringList filters = filter.split(QStringLiteral(";;"));
    QFileDialog dialog(QApplication::activeWindow(), QString(), folder, filter);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    FitFileDialogColumns(dialog);
    if (filterIndex != nullptr && *filterIndex >= 1 && *filterIndex <= filters.size())
        dialog.selectNameFilter(filters[*filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (filterIndex != nullptr)
        *filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

void FitFileDialogColumns(QFileDialog& dialog) {
    // Qt's dialog names its detail view "treeView"; the desktop's own
    // dialogs have none.
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (details == nullptr)
        return;
    QHeaderView* header = details->header();
    // The name keeps its width and stays the one the user resizes; the
    // others follow their contents as the folder's files come in.
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}
