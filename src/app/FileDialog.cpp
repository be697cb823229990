#include "app/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QStringList FileDialog::nameFilters(const QString& filterText) {
    const QStringList parts = filterText.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        // "*.*" is every file here, also one without a dot in its name (README, Makefile).
        QStringList each = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        std::replace(each.begin(), each.end(), QStringLiteral("*.*"), QStringLiteral("*"));
        const QString patterns = each.join(u' ');
        if (description.isEmpty() && patterns.isEmpty())
            break;
        // Qt reads the patterns from the parentheses; a description that shows them already keeps its text.
        const QString shown = QString(description).remove(QStringLiteral("(") + parts[i + 1] + u')').trimmed();
        filters << shown + QStringLiteral(" (") + patterns + u')';
    }
    return filters;
}

void FileDialog::showOpen() {
    show(false);
}

void FileDialog::showSave() {
    show(true);
}

void FileDialog::show(bool save) {
    QFileDialog dialog(owner_, title);
    dialog.setObjectName(QStringLiteral("FileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode((flags & AllowMultiSelect)
                               ? QFileDialog::ExistingFiles
                               : ((flags & FileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    if (save && !(flags & OverwritePrompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList filters = nameFilters(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(std::max(0, filterIndex - 1), filters.first()));
    }
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    QString folder = initialFolder;
    if (!fileName.isEmpty() && QFileInfo(fileName).isAbsolute())
        folder = QFileInfo(fileName).path();
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (!fileName.isEmpty())
        dialog.selectFile(QFileInfo(fileName).fileName());

    cancelled = dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty();
    if (cancelled)
        return;
    fileNames = dialog.selectedFiles();
    fileName = fileNames.first();
    const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    if (chosen >= 0)
        filterIndex = chosen + 1;
}
