#include "app/FolderDialog.h"

#include <QFileDialog>

void FolderDialog::ShowDialog() {
    QFileDialog dialog(owner_, Caption, Folder);
    dialog.setObjectName(QStringLiteral("FolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Qt's own dialog: the same on every desktop, and reachable from tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        Folder = dialog.selectedFiles().first();
    else
        Folder.clear();
}
