// The source archive page of the wizard: name, create, fill and list the ZIP archive that the job splits.

#include "app/WizardWindow.h"
#include "archive/ArchiveEditor.h"
#include "archive/ArchiveListing.h"
#include "core/PathNames.h"
#include "core/StringTable.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

void prepare(FileDialog& dialog, int titleId, const QString& folder, int filterId, int flags) {
    dialog.DialogTitle = Text(titleId);
    dialog.InitDir = folder;
    dialog.Filter = Text(filterId);
    dialog.FilterIndex = 1;
    dialog.FileName.clear();
    dialog.FileNames.clear();
    dialog.Flags = flags;
}

} // namespace

void WizardWindow::fillEmptySubject(const QString& archiveName) {
    if (txtSubject->text().isEmpty())
        txtSubject->setText(Text(1045) + u'<' + archiveName + u'>');
}

void WizardWindow::cmdNew_Click() {
    prepare(dlgCommon, 1027, QDir::tempPath(), 10004, FileDialog::HideReadOnly);
    dlgCommon.ShowSave();
    if (dlgCommon.Cancelled || dlgCommon.FileName.isEmpty())
        return;
    LastFolder = GetPath(dlgCommon.FileName);
    txtZipFilename->setText(dlgCommon.FileName);
    optFiles->setEnabled(true);
    fillEmptySubject(ExtractFileName(dlgCommon.FileName));
}

void WizardWindow::cmdOpen_Click() {
    prepare(dlgCommon, 1026, LastFolder, 10004, FileDialog::FileMustExist | FileDialog::HideReadOnly);
    dlgCommon.ShowOpen();
    if (dlgCommon.Cancelled || dlgCommon.FileName.isEmpty())
        return;
    const QString chosen = dlgCommon.FileName;
    LastFolder = GetPath(chosen);
    txtZipFilename->setText(chosen);
    optFiles->setEnabled(true);
    listArchive(chosen);
    fillEmptySubject(ExtractFileName(chosen));
}

void WizardWindow::cmdAddFile_Click() {
    prepare(dlgCommon, 1028, LastFolder, 10003,
            FileDialog::FileMustExist | FileDialog::AllowMultiSelect | FileDialog::HideReadOnly);
    dlgCommon.ShowOpen();
    if (dlgCommon.Cancelled || dlgCommon.FileNames.isEmpty())
        return;
    // Not over the dialog: the user is still choosing there.
    BusyPointer busy(shell_);
    LastFolder = GetPath(dlgCommon.FileNames.first());

    if (!FileExists(txtZipFilename->text())) {
        if (txtZipFilename->text().right(4).toUpper() != QStringLiteral(".ZIP"))
            txtZipFilename->setText(txtZipFilename->text() + QStringLiteral(".zip"));
        fillEmptySubject(ExtractFileName(txtZipFilename->text()));
    }
    ZipRequest request = AddRequest(txtZipFilename->text());
    request.names = dlgCommon.FileNames;
    changeArchive(request);
}

void WizardWindow::cmdRemove_Click() {
    const QListWidgetItem* selected = lbFiles->currentItem();
    if (!selected || !selected->isSelected())
        return;
    ZipRequest request = RemoveRequest(txtZipFilename->text());
    request.names = QStringList{selected->text()};
    changeArchive(request);
}

void WizardWindow::changeArchive(ZipRequest& request) {
    if (ZipRun(request) != 0)
        shell_.Fail(Text(Res::ZipFailed).arg(request.archive, request.errorText));
    listArchive(txtZipFilename->text());
}

void WizardWindow::txtZipFilename_Change() {
    const bool named = !txtZipFilename->text().isEmpty();
    cmdAddFile->setEnabled(named);
    cmdRemove->setEnabled(named);
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
    lbFiles->clear();
    lbFiles->addItems(names);
    lblZipInfo->setText(ZipInfoText(compressed, uncompressed));
}
