// The source archive page of the wizard: name, create, fill and list the ZIP archive that the job splits.

#include "app/WizardWindow.h"
#include "archive/ArchiveEditor.h"
#include "archive/ArchiveListing.h"
#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StringTable.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

void prepare(FileDialog& dialog, Res::Id titleId, const QString& folder, Res::Id filterId, int flags) {
    dialog.title = Text(titleId);
    dialog.initialFolder = folder;
    dialog.filter = Text(filterId);
    dialog.filterIndex = 1;
    dialog.fileName.clear();
    dialog.fileNames.clear();
    dialog.flags = flags;
}

} // namespace

void WizardWindow::fillEmptySubject(const QString& archiveName) {
    if (subjectField->text().isEmpty())
        subjectField->setText(DefaultSubject(archiveName));
}

void WizardWindow::onNewArchiveClicked() {
    prepare(fileDialog, Res::NewZipTitle, QDir::tempPath(), Res::ZipFilesFilter, FileDialog::HideReadOnly);
    fileDialog.showSave();
    if (fileDialog.cancelled || fileDialog.fileName.isEmpty())
        return;
    lastFolder = GetPath(fileDialog.fileName);
    sourceField->setText(fileDialog.fileName);
    filesOption->setEnabled(true);
    fillEmptySubject(ExtractFileName(fileDialog.fileName));
}

void WizardWindow::onOpenArchiveClicked() {
    prepare(fileDialog, Res::OpenZipTitle, lastFolder, Res::ZipFilesFilter,
            FileDialog::FileMustExist | FileDialog::HideReadOnly);
    fileDialog.showOpen();
    if (fileDialog.cancelled || fileDialog.fileName.isEmpty())
        return;
    const QString chosen = fileDialog.fileName;
    lastFolder = GetPath(chosen);
    sourceField->setText(chosen);
    filesOption->setEnabled(true);
    listArchive(chosen);
    fillEmptySubject(ExtractFileName(chosen));
}

void WizardWindow::onAddFilesClicked() {
    prepare(fileDialog, Res::AddFileTitle, lastFolder, Res::AllFilesFilter,
            FileDialog::FileMustExist | FileDialog::AllowMultiSelect | FileDialog::HideReadOnly);
    fileDialog.showOpen();
    if (fileDialog.cancelled || fileDialog.fileNames.isEmpty())
        return;
    // Not over the dialog: the user is still choosing there.
    BusyPointer busy(shell_);
    lastFolder = GetPath(fileDialog.fileNames.first());

    if (!FileExists(sourceField->text())) {
        if (sourceField->text().right(4).toUpper() != QStringLiteral(".ZIP"))
            sourceField->setText(sourceField->text() + QStringLiteral(".zip"));
        fillEmptySubject(ExtractFileName(sourceField->text()));
    }
    ZipRequest request = AddRequest(sourceField->text());
    request.names = fileDialog.fileNames;
    changeArchive(request);
}

void WizardWindow::onRemoveEntryClicked() {
    const QListWidgetItem* selected = entryList->currentItem();
    if (!selected || !selected->isSelected())
        return;
    ZipRequest request = RemoveRequest(sourceField->text());
    request.names = QStringList{selected->text()};
    changeArchive(request);
}

void WizardWindow::changeArchive(ZipRequest& request) {
    if (ZipRun(request) != 0)
        shell_.Fail(Text(Res::ZipFailed).arg(request.archive, request.errorText));
    listArchive(sourceField->text());
}

void WizardWindow::onSourceNameChanged() {
    const bool named = !sourceField->text().isEmpty();
    addFilesButton->setEnabled(named);
    removeButton->setEnabled(named);
}

void WizardWindow::listArchive(const QString& path) {
    QStringList names;
    int64_t compressed = 0;
    int64_t uncompressed = 0;
    ListArchive(path, shell_, [&](const ZipEntry& entry) {
        names << entry.name;
        compressed += entry.compressed;
        uncompressed += entry.uncompressed;
    });
    if (names.isEmpty())
        return;
    entryList->clear();
    entryList->addItems(names);
    archiveSizes->setText(ZipInfoText(compressed, uncompressed));
}
