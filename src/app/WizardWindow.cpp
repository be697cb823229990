#include "app/WizardWindow.h"

#include "app/Captions.h"
#include "app/FolderDialog.h"
#include "app/Keyboard.h"
#include "app/Labels.h"
#include "app/MailSettingsDialog.h"
#include "app/MessageOptionsDialog.h"
#include "core/LocaleNumbers.h"
#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StopSignals.h"
#include "core/StringTable.h"
#include "core/Version.h"
#include "job/JobDriver.h"
#include "mail/MailSeries.h"
#include "settings/JobSettings.h"
#include "split/PieceSize.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kWelcomeWidth = 130;
constexpr int kWelcomeHeight = 280;
constexpr Res::Id kSizeTexts[] = {Res::Size512k, Res::Size1M, Res::SizeFloppy, Res::Size2M, Res::SizeCustom};

} // namespace

WizardWindow::WizardWindow(Settings& settings, Shell& shell, QWidget* parent)
    : QDialog(parent), settings_(settings), shell_(shell), jobShell_(shell, this) {
    Q_INIT_RESOURCE(brevimo); // the pictures live in a static library
    setObjectName(QStringLiteral("WizardWindow"));
    setWindowTitle(ProgramName());
    buildPages();
}

WizardWindow::~WizardWindow() {
    if (!jobThread_)
        return;
    RequestStop();
    // The job may wait for a box on this thread: keep answering until it has ended.
    while (!jobThread_->wait(QDeadlineTimer(20)))
        QCoreApplication::processEvents();
}

void WizardWindow::buildPages() {
    auto* stack = new QGridLayout;
    stack->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        pages[i] = new QWidget(this);
        pages[i]->setObjectName(QStringLiteral("page%1").arg(i));
        stack->addWidget(pages[i], 0, 0);
        pages[i]->setVisible(i == 0);
    }

    // Page 0: welcome.
    QWidget* p = pages[0];
    welcomePicture = MakeControl<QLabel>(p, "welcomePicture");
    welcomePicture->setPixmap(QPixmap(QStringLiteral(":/brevimo/welcome.png")));
    welcomePicture->setFixedSize(kWelcomeWidth, kWelcomeHeight);
    titleLabel = MakeControl<QLabel>(p, "titleLabel");
    titleLabel->setText(ProgramName());
    QFont bold = titleLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.6);
    titleLabel->setFont(bold);
    versionLabel = MakeControl<QLabel>(p, "versionLabel");
    welcomeText = MakeControl<QLabel>(p, "welcomeText", Res::WelcomeText);
    welcomeText->setWordWrap(true);
    welcomeText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    showWelcomeBox = MakeControl<QCheckBox>(p, "showWelcomeBox", Res::ShowWelcomeAgain);
    {
        auto* text = new QVBoxLayout;
        auto* titleRow = new QHBoxLayout;
        titleRow->addWidget(titleLabel);
        titleRow->addStretch();
        titleRow->addWidget(versionLabel, 0, Qt::AlignBottom);
        text->addLayout(titleRow);
        text->addWidget(welcomeText, 1);
        text->addWidget(showWelcomeBox);
        auto* row = new QHBoxLayout(p);
        row->setContentsMargins(0, 0, 8, 0);
        row->addWidget(welcomePicture, 0, Qt::AlignTop);
        row->addLayout(text, 1);
    }

    // Page 1: the source archive.
    p = pages[1];
    sourceLabel = MakeControl<QLabel>(p, "sourceLabel", Res::ZipNameLabel);
    sourceField = MakeControl<QLineEdit>(p, "sourceField");
    openButton = MakeControl<QPushButton>(p, "openButton", Res::OpenButton);
    newButton = MakeControl<QPushButton>(p, "newButton", Res::NewButton);
    entriesLabel = MakeControl<QLabel>(p, "entriesLabel", Res::FilesLabel);
    entryList = MakeControl<QListWidget>(p, "entryList");
    archiveSizes = MakeControl<QLabel>(p, "archiveSizes");
    addFilesButton = MakeControl<QPushButton>(p, "addFilesButton", Res::AddFileButton, Res::AddFileTip);
    removeButton = MakeControl<QPushButton>(p, "removeButton", Res::NoText, Res::RemoveTip);
    removeButton->setText(QStringLiteral("Remove")); // designed caption: the table has none for it
    {
        auto* g = new QGridLayout(p);
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
    }
    connect(newButton, &QPushButton::clicked, this, &WizardWindow::onNewArchiveClicked);
    connect(openButton, &QPushButton::clicked, this, &WizardWindow::onOpenArchiveClicked);
    connect(addFilesButton, &QPushButton::clicked, this, &WizardWindow::onAddFilesClicked);
    connect(removeButton, &QPushButton::clicked, this, &WizardWindow::onRemoveEntryClicked);
    connect(sourceField, &QLineEdit::textChanged, this, &WizardWindow::onSourceNameChanged);
    onSourceNameChanged();
    fileDialog.setOwner(this);

    // Page 2: size and destination.
    p = pages[2];
    sizeGroup = MakeControl<QGroupBox>(p, "sizeGroup", Res::PieceSizeGroup);
    auto* sizes = new QButtonGroup(this);
    auto* sizeBox = new QVBoxLayout(sizeGroup);
    sizeBox->setSpacing(2);
    for (int i = 0; i < 5; ++i) {
        sizeOptions[i] = MakeControl<QRadioButton>(sizeGroup, "sizeOption", kSizeTexts[i]);
        sizeOptions[i]->setProperty("index", i);
        sizes->addButton(sizeOptions[i], i);
        sizeBox->addWidget(sizeOptions[i]);
        connect(sizeOptions[i], &QRadioButton::clicked, this, [this] { onSizeChosen(); });
    }
    customSizeField = MakeControl<QLineEdit>(sizeGroup, "customSizeField");
    sizeBox->addWidget(customSizeField);
    sizeBox->addStretch();

    auto* destinations = new QButtonGroup(this);
    filesOption = MakeControl<QRadioButton>(p, "filesOption", Res::FilesOption);
    mailOption = MakeControl<QRadioButton>(p, "mailOption", Res::MailOption);
    destinations->addButton(filesOption);
    destinations->addButton(mailOption);
    connect(filesOption, &QRadioButton::clicked, this, &WizardWindow::updateDestination);
    connect(mailOption, &QRadioButton::clicked, this, &WizardWindow::updateDestination);
    filesOption->setEnabled(false);

    filesGroup = MakeControl<QGroupBox>(p, "filesGroup");
    auto* diskChoice = new QButtonGroup(this);
    floppyOption = MakeControl<QRadioButton>(filesGroup, "floppyOption", Res::FloppyOption);
    folderOption = MakeControl<QRadioButton>(filesGroup, "folderOption", Res::FolderOption);
    diskChoice->addButton(floppyOption);
    diskChoice->addButton(folderOption);
    folderOption->setChecked(true);
    folderField = MakeControl<QLineEdit>(filesGroup, "folderField");
    chooseFolderButton = MakeControl<QPushButton>(filesGroup, "chooseFolderButton");
    chooseFolderButton->setText(QStringLiteral("..."));
    connect(chooseFolderButton, &QPushButton::clicked, this, &WizardWindow::onChooseFolderClicked);
    {
        auto* g = new QGridLayout(filesGroup);
        g->setVerticalSpacing(2);
        g->addWidget(floppyOption, 0, 0, 1, 3);
        g->addWidget(folderOption, 1, 0);
        g->addWidget(folderField, 1, 1);
        g->addWidget(chooseFolderButton, 1, 2);
        g->setColumnStretch(1, 1);
    }

    mailGroup = MakeControl<QGroupBox>(p, "mailGroup");
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
    receiverFilesBox = MakeControl<QCheckBox>(p, "receiverFilesBox", Res::ReceiverFilesOption);
    receiverFilesBox->setChecked(true);
    connect(messageOptionsButton, &QPushButton::clicked, this, &WizardWindow::onMessageOptionsClicked);
    connect(mailSettingsButton, &QPushButton::clicked, this, &WizardWindow::onMailSettingsClicked);
    {
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
    {
        auto* g = new QGridLayout(p);
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

    // Page 3: summary and progress.
    p = pages[3];
    summaryLabel = MakeControl<WrapAnywhereLabel>(p, "summaryLabel", Res::SummarySource);
    summaryLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    progressFrame = MakeControl<QFrame>(p, "progressFrame");
    progressFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    progressFrame->setLineWidth(1);
    progressFrame->setFixedHeight(22);
    progressFrame->setVisible(false);
    progressBar = MakeControl<QLabel>(progressFrame, "progressBar");
    progressBar->setAutoFillBackground(true);
    progressBar->setBackgroundRole(QPalette::Highlight);
    progressBar->setVisible(false);
    statusLine = MakeControl<ElideMiddleLabel>(p, "statusLine");
    {
        auto* v = new QVBoxLayout(p);
        v->setContentsMargins(12, 4, 12, 4);
        v->addWidget(summaryLabel, 1);
        v->addWidget(progressFrame);
        v->addWidget(statusLine);
    }

    // Lines and the button row.
    for (int i = 0; i < 2; ++i) {
        separators[i] = new QFrame(this);
        separators[i]->setObjectName(QStringLiteral("separator%1").arg(i));
        separators[i]->setFrameShape(QFrame::HLine);
        separators[i]->setFrameShadow(i == 0 ? QFrame::Sunken : QFrame::Plain);
        separators[i]->setFixedHeight(1);
    }
    backButton = MakeControl<QPushButton>(this, "backButton", Res::BackButton);
    nextButton = MakeControl<QPushButton>(this, "nextButton", Res::NextButton);
    finishButton = MakeControl<QPushButton>(this, "finishButton", Res::FinishButton);
    cancelButton = MakeControl<QPushButton>(this, "cancelButton", Res::CancelButton);
    backButton->setEnabled(false);
    finishButton->setEnabled(false);
    nextButton->setDefault(true);
    nextButton->setAutoDefault(true);
    for (QPushButton* b : {backButton, finishButton, cancelButton})
        b->setAutoDefault(false);
    connect(backButton, &QPushButton::clicked, this, &WizardWindow::onBackClicked);
    connect(nextButton, &QPushButton::clicked, this, &WizardWindow::onNextClicked);
    connect(finishButton, &QPushButton::clicked, this, &WizardWindow::onFinishClicked);
    connect(cancelButton, &QPushButton::clicked, this, &WizardWindow::onCancelClicked);
    connect(showWelcomeBox, &QCheckBox::clicked, this, &WizardWindow::onShowWelcomeClicked);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 60 / kTwipsPerPixel, 60 / kTwipsPerPixel * 2, 0);
    buttons->addStretch();
    buttons->addWidget(backButton);
    buttons->addWidget(nextButton);
    buttons->addSpacing(8);
    buttons->addWidget(finishButton);
    buttons->addSpacing(8);
    buttons->addWidget(cancelButton);

    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 60 / kTwipsPerPixel * 2);
    all->setSpacing(0);
    all->addLayout(stack);
    all->addWidget(separators[0]);
    all->addSpacing(1);
    all->addWidget(separators[1]);
    all->addLayout(buttons);
    // Every page at least page 0's size, as high as the welcome picture; the window can grow, the picture not.
    for (QWidget* page : pages)
        page->setMinimumSize(620, kWelcomeHeight);
}

void WizardWindow::load() {
    FillCaptions(this);
    floppyOption->setText(DriveText(Res::FloppyOption, settings_.FloppyDrive()));
    const std::pair<QWidget*, char> letters[] = {
        {backButton, 'B'},
        {nextButton, 'N'},
        {finishButton, 'F'},
        {cancelButton, 'C'},
        {showWelcomeBox, 'A'},
        {openButton, 'O'},
        {newButton, 'w'},
        {addFilesButton, 'd'},
        {removeButton, 'R'},
        {sizeOptions[0], '5'},
        {sizeOptions[1], '1'},
        {sizeOptions[2], '4'},
        {sizeOptions[3], '2'},
        {sizeOptions[4], 'u'},
        {filesOption, 'd'},
        {mailOption, 'm'},
        {floppyOption, 'l'},
        {folderOption, 'o'},
        {messageOptionsButton, 'y'},
        {mailSettingsButton, 'e'},
        {batchAsTextBox, 'x'},
        {receiverFilesBox, 'h'},
    };
    for (const auto& [control, letter] : letters)
        Mnemonic(control, QChar::fromLatin1(letter));
    Mnemonic(sourceLabel, u'Z', sourceField);
    Mnemonic(entriesLabel, u'i', entryList);
    Mnemonic(sendToLabel, u't', sendToField);
    Mnemonic(subjectLabel, u'S', subjectField);
    lastFolder = QDir::currentPath();
    versionLabel->setText(VersionText());

    const bool welcome = settings_.ShowWelcome();
    showWelcomeBox->setChecked(welcome); // nothing stored: only a click changes it
    if (!welcome) {
        currentPage = 1;
        showPage(1);
    }

    SplitJob stored;
    LoadJobDefaults(settings_, stored);
    job_ = stored;
    showJob(stored);
}

void WizardWindow::showJob(const SplitJob& job) {
    const SplitJob old = job_;
    job_ = job;
    sourceField->setText(job.SourceFile);
    if (job.SizeIndex >= 0 && job.SizeIndex < 5)
        sizeOptions[job.SizeIndex]->setChecked(true);
    onSizeChosen();
    customSizeField->setText(job.CustomSplitSize);
    folderField->setText(job.SplitFolder);
    if (sendToField->count() == 0 || old.RecipientHistory != job.RecipientHistory) {
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

SplitJob& WizardWindow::job() {
    job_.SourceFile = sourceField->text();
    for (int i = 0; i < 5; ++i)
        if (sizeOptions[i]->isChecked())
            job_.SizeIndex = i;
    job_.CustomSplitSize = customSizeField->text();
    job_.MailSelected = mailOption->isChecked();
    job_.FloppySelected = floppyOption->isChecked();
    job_.FilesOptionEnabled = filesOption->isEnabled();
    job_.SplitFolder = folderField->text();
    job_.SendTo = sendToField->currentText();
    job_.RecipientHistory.clear();
    for (int i = 0; i < sendToField->count(); ++i)
        job_.RecipientHistory << sendToField->itemText(i);
    job_.Subject = subjectField->text();
    job_.BatchAsText = batchAsTextBox->isChecked();
    job_.ReceiverFiles = receiverFilesBox->isChecked();
    return job_;
}

void WizardWindow::showPage(int index) {
    index = std::clamp(index, 0, static_cast<int>(pages.size()) - 1);
    for (QWidget* page : pages)
        page->setVisible(false);
    pages[index]->setVisible(true);
    // The page's first field; the summary has none, and Back is the harmless button there.
    QWidget* first = std::array<QWidget*, 4>{showWelcomeBox, sourceField, sizeOptions[1], backButton}[index];
    for (QRadioButton* size : sizeOptions)
        if (index == 2 && size->isChecked())
            first = size;
    first->setFocus();
}

void WizardWindow::onNextClicked() {
    const int last = static_cast<int>(pages.size()) - 1;
    if (currentPage >= last)
        return; // Enter on the summary page: Next is disabled there
    ++currentPage;
    showPage(currentPage);
    if (currentPage >= last) {
        nextButton->setEnabled(false);
        finishButton->setEnabled(true); // a plain button: Enter on this page starts nothing
        askForMissingMailSettings();
        summaryLabel->setText(summaryText());
    }
    if (currentPage > 0)
        backButton->setEnabled(true);
}

void WizardWindow::onBackClicked() {
    if (currentPage <= 0)
        return;
    --currentPage;
    showPage(currentPage);
    if (currentPage <= 0)
        backButton->setEnabled(false);
    if (currentPage < static_cast<int>(pages.size()) - 1) {
        nextButton->setEnabled(true);
        finishButton->setEnabled(false);
        nextButton->setDefault(true);
    }
}

QString WizardWindow::summaryText() {
    const SplitJob& job = this->job();
    QString size;
    QString refused;
    try {
        size = GroupedNumber(PieceSizeOf(job));
    } catch (const PieceSizeError& e) {
        // Finish would refuse it: say so here already.
        size = QStringLiteral("?");
        refused = QStringLiteral("\n\n") + e.message();
    }
    QString text = Text(Res::SummarySource) + sourceField->text() + Text(Res::SummaryPieceSize) + size;
    switch (job.target()) {
    case Target::Mail:
        // Beside the piece, what the server is asked to take: base64 makes a third more of it.
        if (refused.isEmpty()) {
            SmtpSession session;
            MailSeries series(session, job, settings_, shell_);
            text += Text(Res::MessageSizeNote).arg(GroupedNumber(series.messageSizeFor(PieceSizeOf(job))));
        }
        text += Text(Res::SummarySendTo) + sendToField->currentText() + Text(Res::SummaryCc) +
                (job.CarbonCopy.isEmpty() ? Text(Res::SummaryNone) : job.CarbonCopy) + Text(Res::SummaryBcc) +
                (job.BlindCarbonCopy.isEmpty() ? Text(Res::SummaryNone) : job.BlindCarbonCopy) +
                Text(Res::SummarySubject) + subjectField->text();
        break;
    case Target::Floppy:
        text += Text(Res::SummaryFolder) + settings_.FloppyDrive();
        break;
    case Target::Folder:
        text += Text(Res::SummaryFolder) + folderField->text();
        break;
    }
    // What the receiver gets beside the pieces.
    const QString base = PieceBase(sourceField->text());
    QStringList extra{job.target() == Target::Mail && job.BatchAsText ? base + QStringLiteral("txt") : BatchName(base)};
    if (job.ReceiverFiles)
        extra << ChecksumListName(base) << JoinScriptName(base);
    if (job.target() == Target::Floppy)
        extra << QStringLiteral("Read_Me.txt");
    // The closing text starts with the quote that ends the last field; the list goes after it.
    const QString ready = Text(Res::SummaryReady);
    return text + ready.left(1) + Text(Res::WithThePieces).arg(extra.join(QStringLiteral(", "))) + ready.mid(1) +
           refused;
}

void WizardWindow::askForMissingMailSettings() {
    if (settings_.FriendlyName().isEmpty() || settings_.FromEMailAddress().isEmpty() || settings_.Host().isEmpty() ||
        (settings_.UseRAS() && settings_.RASConnection().isEmpty()))
        onMailSettingsClicked();
}

void WizardWindow::onMailSettingsClicked() {
    MailSettingsDialog dialog(settings_, dialUp, this);
    dialog.load();
    dialog.exec();
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::onMessageOptionsClicked() {
    MessageOptionsDialog dialog(job_, settings_, shell_, this);
    dialog.load();
    dialog.exec();
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::onChooseFolderClicked() {
    FolderDialog picker;
    picker.setOwner(this);
    picker.title = Text(Res::ChooseFolderTitle);
    picker.folder = folderField->text();
    picker.showDialog();
    if (!picker.folder.isEmpty())
        folderField->setText(picker.folder);
}

void WizardWindow::updateDestination() {
    const bool m = mailOption->isChecked();
    const bool f = filesOption->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{mailGroup, sendToField, subjectField, messageOptionsButton,
                                                      mailSettingsButton})
        w->setEnabled(m);
    for (QWidget* w :
         std::initializer_list<QWidget*>{filesGroup, floppyOption, folderOption, folderField, chooseFolderButton})
        w->setEnabled(f);
}

void WizardWindow::onSizeChosen() {
    customSizeField->setEnabled(sizeOptions[4]->isChecked());
}

void WizardWindow::onShowWelcomeClicked() {
    settings_.setShowWelcome(showWelcomeBox->isChecked());
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::showProgress(int percent, const QString& text) {
    const int inner = progressFrame->contentsRect().width();
    const int margin = 60 / kTwipsPerPixel;
    const int full = std::max(0, inner - 2 * margin);
    const int height = std::max(0, progressFrame->contentsRect().height() - 2 * margin);
    const int left = progressFrame->contentsRect().left() + margin;
    if (percent <= 0) {
        // 0 shows the text alone; a negative share is shown the same way.
        progressBar->setVisible(false);
    } else {
        const int width = percent >= 100 ? full : static_cast<int>(full / 100.0 * percent);
        progressBar->setGeometry(left, progressFrame->contentsRect().top() + margin, width, height);
        progressBar->setVisible(true);
        progressBar->repaint();
    }
    statusLine->setText(text);
    statusLine->setToolTip(text); // whole, where the line shows it shortened
    statusLine->repaint();
}

void WizardWindow::onCancelClicked() {
    if (!running_) {
        close();
        return;
    }
    // The job stops at its next check and says what it left; one request is enough.
    RequestStop();
    cancelButton->setEnabled(false);
}

void WizardWindow::reject() {
    // Esc is the Cancel button, and does nothing while Cancel is disabled.
    if (cancelButton->isEnabled())
        onCancelClicked();
}

void WizardWindow::closeEvent(QCloseEvent* event) {
    // Not QDialog's own, which would go through reject() again. While a job runs, it is stopped first.
    if (!running_) {
        event->accept();
        return;
    }
    event->ignore();
    if (shell_.MsgBox({Text(Res::StopTheJob), MsgButtons::YesNo, MsgIcon::Question, 1, {}}) == MsgResult::Yes) {
        closeAfterJob_ = true;
        RequestStop();
        cancelButton->setEnabled(false);
    }
}

void WizardWindow::onFinishClicked() {
    if (running_)
        return;
    running_ = true;
    closeAfterJob_ = false;
    ClearStopRequest();
    finishButton->setEnabled(false);
    backButton->setEnabled(false);
    progressFrame->setVisible(true);
    // The job works on a copy: the window stays alive meanwhile and reaches it through jobShell_.
    auto job = std::make_shared<SplitJob>(this->job());
    auto success = std::make_shared<bool>(false);
    jobThread_ = QThread::create([this, job, success] { *success = JobDriver(*job, settings_, jobShell_).run(); });
    connect(jobThread_, &QThread::finished, this, [this, job, success] { jobEnded(*job, *success); });
    jobThread_->start();
}

void WizardWindow::jobEnded(const SplitJob& job, bool success) {
    jobThread_->wait();
    jobThread_->deleteLater();
    jobThread_ = nullptr;
    // The history as the driver stored it.
    job_ = job;
    sendToField->clear();
    sendToField->addItems(job.RecipientHistory);
    sendToField->setCurrentText(job.SendTo);
    running_ = false;
    cancelButton->setEnabled(true);
    finishButton->setEnabled(true);
    backButton->setEnabled(true);
    lastJobFailed_ = !success;
    if (success || closeAfterJob_)
        close();
}
