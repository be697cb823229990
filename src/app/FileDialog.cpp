#include "app/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QStringList FileDialog::QtFilters(const QString& vbFilter) {
    const QStringList parts = vbFilter.split(u'|');
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

void FileDialog::ShowOpen() {
    show(false);
}

void FileDialog::ShowSave() {
    show(true);
}

void FileDialog::show(bool save) {
    QFileDialog dialog(owner_, DialogTitle);
    dialog.setObjectName(QStringLiteral("FileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode((Flags & AllowMultiSelect)
                               ? QFileDialog::ExistingFiles
                               : ((Flags & FileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    if (save && !(Flags & OverwritePrompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList filters = QtFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(std::max(0, FilterIndex - 1), filters.first()));
    }
    if (!DefaultExt.isEmpty())
        dialog.setDefaultSuffix(DefaultExt);
    QString folder = InitDir;
    if (!FileName.isEmpty() && QFileInfo(FileName).isAbsolute())
        folder = QFileInfo(FileName).path();
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (!FileName.isEmpty())
        dialog.selectFile(QFileInfo(FileName).fileName());

    Cancelled = dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty();
    if (Cancelled)
        return;
    FileNames = dialog.selectedFiles();
    FileName = FileNames.first();
    const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    if (chosen >= 0)
        FilterIndex = chosen + 1;
}
