#include "app/FolderDialog.h"

#include <QFileDialog>

void FolderDialog::showDialog() {
    QFileDialog dialog(owner_, title, folder);
    dialog.setObjectName(QStringLiteral("FolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Qt's own dialog: the same on every desktop, and reachable from tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        folder = dialog.selectedFiles().first();
    else
        folder.clear();
}
