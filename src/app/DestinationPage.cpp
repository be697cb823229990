#include "app/DestinationPage.h"

#include "app/Captions.h"
#include "app/FolderDialog.h"
#include "app/Keyboard.h"
#include "core/ComponentError.h"
#include "core/Sentences.h"
#include "core/StringTable.h"
#include "disks/RemovableDrive.h"
#include "disks/UDisks.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr Res::Id kSizeTexts[] = {Res::Size512k, Res::Size1M, Res::SizeFloppy, Res::Size2M, Res::SizeCustom};
constexpr char16_t kSizeLetters[] = {u'5', u'1', u'4', u'2', u'u'};

void enable(std::initializer_list<QWidget*> widgets, bool on) {
    for (QWidget* w : widgets)
        w->setEnabled(on);
}

} // namespace

DestinationPage::DestinationPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("page2"));
    buildSizes();
    auto* destinations = new QButtonGroup(this);
    filesOption = MakeControl<QRadioButton>(this, "filesOption", Res::FilesOption);
    mailOption = MakeControl<QRadioButton>(this, "mailOption", Res::MailOption);
    destinations->addButton(filesOption);
    destinations->addButton(mailOption);
    connect(filesOption, &QRadioButton::clicked, this, &DestinationPage::updateDestination);
    connect(mailOption, &QRadioButton::clicked, this, &DestinationPage::updateDestination);
    filesOption->setEnabled(false);
    buildFiles();
    buildMail();
    receiverFilesBox = MakeControl<QCheckBox>(this, "receiverFilesBox", Res::ReceiverFilesOption);
    receiverFilesBox->setChecked(true);

    auto* g = new QGridLayout(this);
    g->setContentsMargins(12, 8, 12, 4);
    g->setVerticalSpacing(2);
    g->addWidget(sizeGroup, 0, 0, 4, 1);
    g->addWidget(mailOption, 0, 1);
    g->addWidget(mailGroup, 1, 1);
    g->addWidget(filesOption, 2, 1);
    g->addWidget(filesGroup, 3, 1);
    g->addWidget(receiverFilesBox, 4, 0, 1, 2);
    g->setColumnStretch(1, 1);
}

void DestinationPage::buildSizes() {
    sizeGroup = MakeControl<QGroupBox>(this, "sizeGroup", Res::PieceSizeGroup);
    auto* sizes = new QButtonGroup(this);
    auto* column = new QVBoxLayout(sizeGroup);
    column->setSpacing(2);
    for (int i = 0; i < 5; ++i) {
        sizeOptions[i] = MakeControl<QRadioButton>(sizeGroup, "sizeOption", kSizeTexts[i]);
        sizeOptions[i]->setProperty("index", i);
        sizes->addButton(sizeOptions[i], i);
        column->addWidget(sizeOptions[i]);
        connect(sizeOptions[i], &QRadioButton::clicked, this, &DestinationPage::onSizeChosen);
    }
    customSizeField = MakeControl<QLineEdit>(sizeGroup, "customSizeField");
    column->addWidget(customSizeField);
    column->addStretch();
}

void DestinationPage::buildFiles() {
    filesGroup = MakeControl<QGroupBox>(this, "filesGroup");
    auto* diskChoice = new QButtonGroup(this);
    floppyOption = MakeControl<QRadioButton>(filesGroup, "floppyOption", Res::FloppyOption);
    folderOption = MakeControl<QRadioButton>(filesGroup, "folderOption", Res::FolderOption);
    diskChoice->addButton(floppyOption);
    diskChoice->addButton(folderOption);
    folderOption->setChecked(true);
    folderField = MakeControl<QLineEdit>(filesGroup, "folderField");
    chooseFolderButton = MakeControl<QPushButton>(filesGroup, "chooseFolderButton");
    chooseFolderButton->setText(QStringLiteral("..."));
    connect(chooseFolderButton, &QPushButton::clicked, this, &DestinationPage::onChooseFolderClicked);

    auto* g = new QGridLayout(filesGroup);
    g->setVerticalSpacing(2);
    g->addWidget(floppyOption, 0, 0, 1, 3);
    g->addWidget(folderOption, 2, 0);
    g->addWidget(folderField, 2, 1);
    g->addWidget(chooseFolderButton, 2, 2);
    g->setColumnStretch(1, 1);
}

void DestinationPage::buildMail() {
    mailGroup = MakeControl<QGroupBox>(this, "mailGroup");
    sendToLabel = MakeControl<QLabel>(mailGroup, "sendToLabel", Res::SendToLabel);
    sendToField = MakeControl<QComboBox>(mailGroup, "sendToField");
    sendToField->setEditable(true);
    sendToField->setInsertPolicy(QComboBox::NoInsert);
    subjectLabel = MakeControl<QLabel>(mailGroup, "subjectLabel", Res::SubjectLabel);
    subjectField = MakeControl<QLineEdit>(mailGroup, "subjectField");
    messageOptionsButton = MakeControl<QPushButton>(mailGroup, "messageOptionsButton", Res::MessageOptionsButton);
    mailSettingsButton = MakeControl<QPushButton>(mailGroup, "mailSettingsButton", Res::MailSettingsButton);
    batchAsTextBox = MakeControl<QCheckBox>(mailGroup, "batchAsTextBox", Res::BatchAsText, Res::BatchAsTextTip);
    batchAsTextBox->setChecked(true);

    auto* g = new QGridLayout(mailGroup);
    g->setVerticalSpacing(4);
    g->addWidget(sendToLabel, 0, 0);
    g->addWidget(sendToField, 0, 1, 1, 2);
    g->addWidget(subjectLabel, 1, 0);
    g->addWidget(subjectField, 1, 1, 1, 2);
    g->addWidget(messageOptionsButton, 2, 1);
    g->addWidget(mailSettingsButton, 2, 2);
    g->addWidget(batchAsTextBox, 3, 1, 1, 2);
    g->setColumnStretch(1, 1);
}

DestinationPage::~DestinationPage() = default;

void DestinationPage::load(const QString& floppyDrive) {
    if (!udisks_) // once: the list and its signals stay for the window's life
        udisks_ = UDisks::Connect();
    floppyOption->setText(udisks_ ? Text(Res::RemovableDisksOption) : DriveText(Res::FloppyOption, floppyDrive));
    if (udisks_ && !diskList) {
        const QString service = QStringLiteral("org.freedesktop.UDisks2");
        for (const auto& [interface, signal] : {std::pair{"org.freedesktop.DBus.ObjectManager", "InterfacesAdded"},
                                                {"org.freedesktop.DBus.ObjectManager", "InterfacesRemoved"},
                                                {"org.freedesktop.DBus.Properties", "PropertiesChanged"}})
            udisks_->connection().connect(service, QString(), QString::fromLatin1(interface),
                                          QString::fromLatin1(signal), this, SLOT(refreshDisks()));
        // Only with the disk service: without it there is nothing to list.
        diskList = MakeControl<QListWidget>(filesGroup, "diskList");
        diskList->setSelectionMode(QAbstractItemView::NoSelection);
        diskList->setFocusPolicy(Qt::NoFocus); // it shows what is plugged in; the series takes the disks in turn
        // Three sticks in view without a scroll bar; more are rare.
        diskList->setFixedHeight(std::max(diskList->minimumSizeHint().height(),
                                          diskList->fontMetrics().lineSpacing() * 3 + 2 * diskList->frameWidth() + 6));
        static_cast<QGridLayout*>(filesGroup->layout())->addWidget(diskList, 1, 0, 1, 3);
        diskList->setAccessibleName(Text(Res::RemovableDisksName));
        // The page grows by the list rather than squeezing the rows beneath it.
        setMinimumHeight(std::max(minimumHeight(), minimumSizeHint().height()));
        refreshDisks();
    }
    for (int i = 0; i < 5; ++i)
        Mnemonic(sizeOptions[i], kSizeLetters[i]);
    const std::pair<QWidget*, char16_t> letters[] = {
        {filesOption, u'd'},    {mailOption, u'm'},           {floppyOption, udisks_ ? u'k' : u'l'},
        {folderOption, u'o'},   {messageOptionsButton, u'y'}, {mailSettingsButton, u'e'},
        {batchAsTextBox, u'x'}, {receiverFilesBox, u'h'},
    };
    for (const auto& [control, letter] : letters)
        Mnemonic(control, letter);
    Mnemonic(sendToLabel, u't', sendToField);
    Mnemonic(subjectLabel, u'S', subjectField);
    // The fields beside an option, and the button that says only "...", have no label of their own.
    customSizeField->setAccessibleName(Text(Res::CustomSizeName));
    customSizeField->setAccessibleDescription(Text(Res::CustomSizeHint));
    folderField->setAccessibleName(Text(Res::FolderFieldName));
    SpeakAs(chooseFolderButton, Text(Res::ChooseFolderTitle));
    SpeakAs(sendToField->lineEdit(), sendToLabel->text()); // where the typing goes
}

void DestinationPage::showJob(const SplitJob& job, bool newRecipientList) {
    if (job.SizeIndex >= 0 && job.SizeIndex < 5)
        sizeOptions[job.SizeIndex]->setChecked(true);
    onSizeChosen();
    customSizeField->setText(job.CustomSplitSize);
    folderField->setText(job.SplitFolder);
    if (sendToField->count() == 0 || newRecipientList) {
        sendToField->clear();
        sendToField->addItems(job.RecipientHistory);
    }
    sendToField->setCurrentText(job.SendTo);
    subjectField->setText(job.Subject);
    batchAsTextBox->setChecked(job.BatchAsText);
    receiverFilesBox->setChecked(job.ReceiverFiles);
    (job.FloppySelected ? floppyOption : folderOption)->setChecked(true);
    filesOption->setEnabled(job.FilesOptionEnabled || !job.MailSelected);
    (job.MailSelected ? mailOption : filesOption)->setChecked(true);
    updateDestination();
}

void DestinationPage::readJob(SplitJob& job) const {
    for (int i = 0; i < 5; ++i)
        if (sizeOptions[i]->isChecked())
            job.SizeIndex = i;
    job.CustomSplitSize = customSizeField->text();
    job.MailSelected = mailOption->isChecked();
    job.FloppySelected = floppyOption->isChecked();
    job.DesktopDisks = udisks_ != nullptr;
    job.FilesOptionEnabled = filesOption->isEnabled();
    job.SplitFolder = folderField->text();
    job.SendTo = sendToField->currentText();
    job.RecipientHistory.clear();
    for (int i = 0; i < sendToField->count(); ++i)
        job.RecipientHistory << sendToField->itemText(i);
    job.Subject = subjectField->text();
    job.BatchAsText = batchAsTextBox->isChecked();
    job.ReceiverFiles = receiverFilesBox->isChecked();
}

void DestinationPage::showRecipients(const SplitJob& job) {
    sendToField->clear();
    sendToField->addItems(job.RecipientHistory);
    sendToField->setCurrentText(job.SendTo);
}

void DestinationPage::suggestSubject(const QString& archiveName) {
    if (subjectField->text().isEmpty())
        subjectField->setText(DefaultSubject(archiveName));
}

QWidget* DestinationPage::firstField() const {
    for (QRadioButton* size : sizeOptions)
        if (size->isChecked())
            return size;
    return sizeOptions[1];
}

void DestinationPage::updateDestination() {
    enable({mailGroup, sendToField, subjectField, messageOptionsButton, mailSettingsButton}, mailOption->isChecked());
    enable({filesGroup, floppyOption, folderOption, folderField, chooseFolderButton}, filesOption->isChecked());
}

void DestinationPage::onSizeChosen() {
    customSizeField->setEnabled(sizeOptions[4]->isChecked());
}

void DestinationPage::onChooseFolderClicked() {
    FolderDialog picker;
    picker.setOwner(this);
    picker.title = Text(Res::ChooseFolderTitle);
    picker.folder = folderField->text();
    picker.showDialog();
    if (!picker.folder.isEmpty())
        folderField->setText(picker.folder);
}

void DestinationPage::refreshDisks() {
    if (!udisks_ || !diskList)
        return;
    std::vector<RemovableDisk> disks;
    try {
        disks = udisks_->disks();
    } catch (const ComponentError&) {
        // The service went away; the list says none, and the series asks for a disk when it needs one.
    }
    const QLocale locale;
    const auto size = [&](int64_t bytes) {
        return locale.formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    };
    diskList->clear();
    for (const RemovableDisk& disk : disks) {
        const QString kind = disk.fsType == u"vfat" ? QStringLiteral("FAT32") : disk.fsType;
        if (disk.mountPoint.isEmpty()) {
            diskList->addItem(Text(Res::RemovableDiskNotMounted).arg(disk.label, kind, size(disk.size)));
            continue;
        }
        const DriveState state = GetDrive(disk.mountPoint);
        auto* item = new QListWidgetItem(
            Text(Res::RemovableDiskMounted)
                .arg(disk.label, kind, size(state.ready ? state.totalSize : disk.size), size(state.freeSpace)),
            diskList);
        item->setToolTip(disk.mountPoint);
    }
    if (disks.empty())
        diskList->addItem(Text(Res::NoRemovableDiskListed));
}
