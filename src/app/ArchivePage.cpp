// The source archive page of the wizard: name, create, fill and list the ZIP archive that the job splits.

#include "app/frmMain.h"
#include "archive/VBUnzBas.h"
#include "archive/VBZipBas.h"
#include "core/PathNames.h"
#include "core/ResStrings.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

void prepare(CommonDialog& dialog, int titleId, const QString& folder, int filterId, int flags) {
    dialog.DialogTitle = LoadResString(titleId);
    dialog.InitDir = folder;
    dialog.Filter = LoadResString(filterId);
    dialog.FilterIndex = 1;
    dialog.FileName.clear();
    dialog.FileNames.clear();
    dialog.Flags = flags;
}

} // namespace

void frmMain::fillEmptySubject(const QString& archiveName) {
    if (txtSubject->text().isEmpty())
        txtSubject->setText(LoadResString(1045) + u'<' + archiveName + u'>');
}

void frmMain::cmdNew_Click() {
    prepare(dlgCommon, 1027, QDir::tempPath(), 10004, CommonDialog::HideReadOnly);
    dlgCommon.ShowSave();
    if (dlgCommon.Cancelled || dlgCommon.FileName.isEmpty())
        return;
    LastFolder = GetPath(dlgCommon.FileName);
    txtZipFilename->setText(dlgCommon.FileName);
    optFiles->setEnabled(true);
    fillEmptySubject(ExtractFileName(dlgCommon.FileName));
}

void frmMain::cmdOpen_Click() {
    prepare(dlgCommon, 1026, LastFolder, 10004, CommonDialog::FileMustExist | CommonDialog::HideReadOnly);
    dlgCommon.ShowOpen();
    if (dlgCommon.Cancelled || dlgCommon.FileName.isEmpty())
        return;
    const QString chosen = dlgCommon.FileName;
    LastFolder = GetPath(chosen);
    txtZipFilename->setText(chosen);
    optFiles->setEnabled(true);
    ListArchive(chosen);
    fillEmptySubject(ExtractFileName(chosen));
}

void frmMain::cmdAddFile_Click() {
    prepare(dlgCommon, 1028, LastFolder, 10003,
            CommonDialog::FileMustExist | CommonDialog::AllowMultiSelect | CommonDialog::HideReadOnly);
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

void frmMain::cmdRemove_Click() {
    const QListWidgetItem* selected = lbFiles->currentItem();
    if (!selected || !selected->isSelected())
        return;
    ZipRequest request = RemoveRequest(txtZipFilename->text());
    request.names = QStringList{selected->text()};
    changeArchive(request);
}

void frmMain::changeArchive(ZipRequest& request) {
    if (ZipRun(request) != 0)
        shell_.Fail(LoadResString(Res::ZipFailed).arg(request.archive, request.errorText));
    ListArchive(txtZipFilename->text());
}

void frmMain::txtZipFilename_Change() {
    const bool named = !txtZipFilename->text().isEmpty();
    cmdAddFile->setEnabled(named);
    cmdRemove->setEnabled(named);
}

void frmMain::ListArchive(const QString& path) {
    QStringList names;
    int64_t compressed = 0;
    int64_t uncompressed = 0;
    UnzipList(path, shell_, [&](const ZipEntry& entry) {
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
