#include "app/JoinPage.h"

#include "app/Captions.h"
#include "app/FolderDialog.h"
#include "app/Keyboard.h"
#include "app/Labels.h"
#include "app/ProgressBar.h"
#include "core/JobError.h"
#include "core/LocaleNumbers.h"
#include "core/PathNames.h"
#include "core/StringTable.h"
#include "join/JoinFile.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

JoinPage::JoinPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("joinPage"));
    introLabel = MakeControl<QLabel>(this, "introLabel", Res::JoinIntro);
    introLabel->setWordWrap(true);
    setLabel = MakeControl<WrapAnywhereLabel>(this, "setLabel");
    setLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    nameLabel = MakeControl<QLabel>(this, "nameLabel", Res::JoinNameLabel);
    nameField = MakeControl<QLineEdit>(this, "nameField");
    folderLabel = MakeControl<QLabel>(this, "folderLabel", Res::JoinFolderLabel);
    folderField = MakeControl<QLineEdit>(this, "folderField");
    chooseFolderButton = MakeControl<QPushButton>(this, "chooseFolderButton");
    chooseFolderButton->setText(QStringLiteral("..."));
    addFolderButton = MakeControl<QPushButton>(this, "addFolderButton", Res::JoinAddFolderButton);
    splitInsteadButton = MakeControl<QPushButton>(this, "splitInsteadButton", Res::JoinSplitInsteadButton);
    freeLabel = MakeControl<QLabel>(this, "freeLabel");
    progressBar = MakeControl<JobProgressBar>(this, "progressBar");
    progressBar->setAccessibleName(Text(Res::ProgressName));
    progressBar->setVisible(false);
    statusLine = MakeControl<ElideMiddleLabel>(this, "statusLine");
    for (QPushButton* b : {chooseFolderButton, addFolderButton, splitInsteadButton})
        b->setAutoDefault(false);
    connect(addFolderButton, &QPushButton::clicked, this, &JoinPage::onAddFolderClicked);
    connect(chooseFolderButton, &QPushButton::clicked, this, &JoinPage::onChooseFolderClicked);
    connect(folderField, &QLineEdit::editingFinished, this, &JoinPage::showFree);

    auto* g = new QGridLayout(this);
    g->setContentsMargins(12, 8, 12, 4);
    g->addWidget(introLabel, 0, 0, 1, 3);
    g->addWidget(setLabel, 1, 0, 1, 3);
    g->addWidget(addFolderButton, 2, 2);
    g->addWidget(nameLabel, 3, 0);
    g->addWidget(nameField, 3, 1, 1, 2);
    g->addWidget(folderLabel, 4, 0);
    g->addWidget(folderField, 4, 1);
    g->addWidget(chooseFolderButton, 4, 2);
    g->addWidget(freeLabel, 5, 1, 1, 2);
    g->addWidget(splitInsteadButton, 6, 0, 1, 2, Qt::AlignLeft);
    g->setRowStretch(7, 1);
    g->addWidget(progressBar, 8, 0, 1, 3);
    g->addWidget(statusLine, 9, 0, 1, 3);
    g->setColumnStretch(1, 1);
}

void JoinPage::load() {
    Mnemonic(nameLabel, u'm', nameField); // N is Next's
    Mnemonic(folderLabel, u'O', folderField);
    Mnemonic(addFolderButton, u'A');
    Mnemonic(splitInsteadButton, u'S');
    SpeakAs(chooseFolderButton, Text(Res::JoinFolderLabel));
}

void JoinPage::showJob(const SplitJob& job) {
    source_ = job.JoinSource;
    folders_ = job.JoinFolders;
    splitInsteadButton->setVisible(!QFileInfo(source_).isDir()); // a folder is nothing to split
    nameField->clear();
    folderField->setText(job.JoinFolder);
    refresh();
    if (set_ && !job.JoinName.isEmpty())
        nameField->setText(job.JoinName);
}

void JoinPage::readJob(SplitJob& job) const {
    job.JoinSource = source_;
    job.JoinFolders = folders_;
    job.JoinFolder = folderField->text();
    job.JoinName = set_ && nameField->text() == set_->fileName ? QString() : nameField->text();
}

void JoinPage::refresh() {
    const QString name = nameField->text();
    const bool ownName = !set_ || name.isEmpty() || name == set_->fileName;
    set_.reset();
    ready_ = false;
    try {
        set_ = FindSet(source_, folders_);
        setLabel->setText(DescribeSet(*set_));
        CheckSetWhole(*set_);
        ready_ = true;
    } catch (const JobError& e) {
        // What cannot be joined is said where the pieces are listed (missing ones are already); Finish waits.
        if (!set_)
            setLabel->setText(e.message());
        else if (set_->missing().isEmpty())
            setLabel->setText(setLabel->text() + QStringLiteral("\n\n") + e.message());
    }
    if (set_) {
        if (ownName)
            nameField->setText(set_->fileName);
        if (folderField->text().isEmpty())
            folderField->setText(set_->folder);
    }
    showFree();
    emit readyChanged(ready_);
}

void JoinPage::showFree() {
    const QString folder = folderField->text();
    const std::optional<int64_t> free = folder.isEmpty() ? std::nullopt : FreeBytes(folder);
    if (!free) {
        freeLabel->clear();
        return;
    }
    freeLabel->setText(Text(Res::JoinFreeSpace).arg(GroupedNumber(*free)));
}

void JoinPage::onAddFolderClicked() {
    FolderDialog dialog;
    dialog.setOwner(this);
    dialog.title = Text(Res::JoinAddFolderButton);
    dialog.folder = folders_.isEmpty() ? (set_ ? set_->folder : QString()) : folders_.back();
    dialog.showDialog();
    if (dialog.folder.isEmpty() || folders_.contains(dialog.folder))
        return;
    folders_ << dialog.folder;
    refresh();
}

void JoinPage::onChooseFolderClicked() {
    FolderDialog dialog;
    dialog.setOwner(this);
    dialog.title = Text(Res::JoinFolderLabel);
    dialog.folder = folderField->text();
    dialog.showDialog();
    if (!dialog.folder.isEmpty()) {
        folderField->setText(dialog.folder);
        showFree();
    }
}

void JoinPage::showProgress(int percent, const QString& text) {
    progressBar->setPercent(percent);
    statusLine->setText(text);
    statusLine->setToolTip(text);
    statusLine->repaint();
}

QString DescribeSet(const PieceSet& set) {
    const auto count = static_cast<qsizetype>(set.pieces.size());
    const qsizetype there = count - set.missing().size();
    const QString from = set.readFrom.isEmpty() ? Text(Res::JoinNumberedOnly) : set.readFrom;
    QString text = Text(Res::JoinFound)
                       .arg(QString::number(there), QString::number(count), GroupedNumber(set.size()),
                            there ? set.present() : QStringLiteral("-"), from);
    if (!set.missing().isEmpty())
        text += u'\n' + Text(Res::JoinMissingLine).arg(set.missing().join(QStringLiteral(", ")));
    return text;
}
