// The page of the file to split: name, create, fill and list the ZIP archive that the job splits.

#include "app/SourcePage.h"

#include "app/Captions.h"
#include "app/Keyboard.h"
#include "archive/ArchiveListing.h"
#include "core/PathNames.h"
#include "core/StringTable.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

void prepare(FileDialog& dialog, Res::Id titleId, const QString& folder, Res::Id filterId, int flags,
             int filterIndex = 1) {
    dialog.title = Text(titleId);
    dialog.initialFolder = folder;
    dialog.filter = Text(filterId);
    dialog.filterIndex = filterIndex;
    dialog.fileName.clear();
    dialog.fileNames.clear();
    dialog.flags = flags;
}

} // namespace

SourcePage::SourcePage(Shell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("page1"));
    sourceLabel = MakeControl<QLabel>(this, "sourceLabel", Res::ZipNameLabel);
    sourceField = MakeControl<QLineEdit>(this, "sourceField");
    openButton = MakeControl<QPushButton>(this, "openButton", Res::OpenButton);
    newButton = MakeControl<QPushButton>(this, "newButton", Res::NewButton);
    entriesLabel = MakeControl<QLabel>(this, "entriesLabel", Res::FilesLabel);
    entryList = MakeControl<QListWidget>(this, "entryList");
    archiveSizes = MakeControl<QLabel>(this, "archiveSizes");
    addFilesButton = MakeControl<QPushButton>(this, "addFilesButton", Res::AddFileButton, Res::AddFileTip);
    removeButton = MakeControl<QPushButton>(this, "removeButton", Res::NoText, Res::RemoveTip);
    removeButton->setText(QStringLiteral("Remove")); // designed caption: the table has none for it

    auto* g = new QGridLayout(this);
    g->setContentsMargins(12, 12, 12, 4);
    g->addWidget(sourceLabel, 0, 0, 1, 3);
    g->addWidget(sourceField, 1, 0);
    g->addWidget(openButton, 1, 1);
    g->addWidget(newButton, 1, 2);
    g->addWidget(entriesLabel, 2, 0, 1, 3);
    g->addWidget(entryList, 3, 0, 1, 3);
    auto* row = new QHBoxLayout;
    row->addWidget(addFilesButton);
    row->addWidget(removeButton);
    row->addStretch();
    row->addWidget(archiveSizes);
    g->addLayout(row, 4, 0, 1, 3);
    g->setRowStretch(3, 1);
    g->setColumnStretch(0, 1);

    connect(newButton, &QPushButton::clicked, this, &SourcePage::onNewArchiveClicked);
    connect(openButton, &QPushButton::clicked, this, &SourcePage::onOpenArchiveClicked);
    connect(addFilesButton, &QPushButton::clicked, this, &SourcePage::onAddFilesClicked);
    connect(removeButton, &QPushButton::clicked, this, &SourcePage::onRemoveEntryClicked);
    connect(sourceField, &QLineEdit::textChanged, this, &SourcePage::onSourceNameChanged);
    onSourceNameChanged();
    fileDialog.setOwner(this);
}

void SourcePage::load() {
    for (const auto& [button, letter] :
         {std::pair{openButton, u'O'}, {newButton, u'w'}, {addFilesButton, u'd'}, {removeButton, u'R'}})
        Mnemonic(button, letter);
    Mnemonic(sourceLabel, u'Z', sourceField);
    Mnemonic(entriesLabel, u'i', entryList);
    SpeakAs(entryList, entriesLabel->text()); // a list does not take its label's name as a field does
    lastFolder = QDir::currentPath();
}

void SourcePage::onNewArchiveClicked() {
    prepare(fileDialog, Res::NewZipTitle, QDir::tempPath(), Res::ZipFilesFilter, FileDialog::HideReadOnly);
    fileDialog.showSave();
    if (fileDialog.cancelled || fileDialog.fileName.isEmpty())
        return;
    lastFolder = GetPath(fileDialog.fileName);
    sourceField->setText(fileDialog.fileName);
    emit archiveChosen();
    emit subjectSuggested(ExtractFileName(fileDialog.fileName));
}

void SourcePage::onOpenArchiveClicked() {
    // Most files people split are no ZIP archives: every file is offered, the ZIP filter is one choice away.
    prepare(fileDialog, Res::OpenZipTitle, lastFolder, Res::ZipFilesFilter,
            FileDialog::FileMustExist | FileDialog::HideReadOnly, 2);
    fileDialog.showOpen();
    if (fileDialog.cancelled || fileDialog.fileName.isEmpty())
        return;
    const QString chosen = fileDialog.fileName;
    lastFolder = GetPath(chosen);
    sourceField->setText(chosen);
    emit archiveChosen();
    listArchive(chosen);
    emit subjectSuggested(ExtractFileName(chosen));
}

void SourcePage::onAddFilesClicked() {
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
        emit subjectSuggested(ExtractFileName(sourceField->text()));
    }
    ArchiveEditor editor(sourceField->text());
    archiveChanged(editor, editor.add(fileDialog.fileNames));
}

void SourcePage::onRemoveEntryClicked() {
    const QListWidgetItem* selected = entryList->currentItem();
    if (!selected || !selected->isSelected())
        return;
    ArchiveEditor editor(sourceField->text());
    archiveChanged(editor, editor.remove({selected->text()}));
}

void SourcePage::archiveChanged(const ArchiveEditor& editor, int code) {
    if (code != 0)
        shell_.Fail(Text(Res::ZipFailed).arg(editor.archive(), editor.errorText()));
    listArchive(sourceField->text());
}

void SourcePage::onSourceNameChanged() {
    const bool named = !sourceField->text().isEmpty();
    addFilesButton->setEnabled(named);
    removeButton->setEnabled(named);
}

void SourcePage::listArchive(const QString& path) {
    QStringList names;
    int64_t compressed = 0;
    int64_t uncompressed = 0;
    QString reason;
    const int code = ListArchive(
        path,
        [&](const ZipEntry& entry) {
            names << entry.name;
            compressed += entry.compressed;
            uncompressed += entry.uncompressed;
        },
        &reason);
    if (code != 0) {
        // Any file can be split: one that does not list is the source as it is, and the line says so.
        entryList->clear();
        archiveSizes->setText(Text(code == kNotAZipArchive ? Res::NotAZipArchive : Res::ZipNotListed));
        archiveSizes->setToolTip(reason); // the line stays one line; the reason names the whole path
        return;
    }
    if (names.isEmpty())
        return;
    entryList->clear();
    entryList->addItems(names);
    archiveSizes->setText(ZipInfoText(compressed, uncompressed));
    archiveSizes->setToolTip({});
}
