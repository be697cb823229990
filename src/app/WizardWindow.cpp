#include "app/WizardWindow.h"

#include "app/Captions.h"
#include "app/FolderDialog.h"
#include "app/Keyboard.h"
#include "app/Labels.h"
#include "app/MailSettingsDialog.h"
#include "app/MessageOptionsDialog.h"
#include "core/LocaleNumbers.h"
#include "core/PathNames.h"
#include "core/StopSignals.h"
#include "core/StringTable.h"
#include "core/Version.h"
#include "disks/RemovableDrive.h"
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
    auto* pages = new QGridLayout;
    pages->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        pbStep[i] = new QWidget(this);
        pbStep[i]->setObjectName(QStringLiteral("pbStep%1").arg(i));
        pages->addWidget(pbStep[i], 0, 0);
        pbStep[i]->setVisible(i == 0);
    }

    // Page 0: welcome.
    QWidget* p = pbStep[0];
    imgWelcome = MakeControl<QLabel>(p, "imgWelcome");
    imgWelcome->setPixmap(QPixmap(QStringLiteral(":/brevimo/welcome.png")));
    imgWelcome->setFixedSize(kWelcomeWidth, kWelcomeHeight);
    lblTitle = MakeControl<QLabel>(p, "lblTitle");
    lblTitle->setText(ProgramName());
    QFont bold = lblTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.6);
    lblTitle->setFont(bold);
    lblVersion = MakeControl<QLabel>(p, "lblVersion");
    Label1 = MakeControl<QLabel>(p, "Label1", 1000);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    chkAlwaysShow = MakeControl<QCheckBox>(p, "chkAlwaysShow", 1011);
    {
        auto* text = new QVBoxLayout;
        auto* titleRow = new QHBoxLayout;
        titleRow->addWidget(lblTitle);
        titleRow->addStretch();
        titleRow->addWidget(lblVersion, 0, Qt::AlignBottom);
        text->addLayout(titleRow);
        text->addWidget(Label1, 1);
        text->addWidget(chkAlwaysShow);
        auto* row = new QHBoxLayout(p);
        row->setContentsMargins(0, 0, 8, 0);
        row->addWidget(imgWelcome, 0, Qt::AlignTop);
        row->addLayout(text, 1);
    }

    // Page 1: the source archive.
    p = pbStep[1];
    Label2 = MakeControl<QLabel>(p, "Label2", 1020);
    txtZipFilename = MakeControl<QLineEdit>(p, "txtZipFilename");
    cmdOpen = MakeControl<QPushButton>(p, "cmdOpen", 1021);
    cmdNew = MakeControl<QPushButton>(p, "cmdNew", 1022);
    Label3 = MakeControl<QLabel>(p, "Label3", 1023);
    lbFiles = MakeControl<QListWidget>(p, "lbFiles");
    lblZipInfo = MakeControl<QLabel>(p, "lblZipInfo");
    cmdAddFile = MakeControl<QPushButton>(p, "cmdAddFile", 1019, 1024);
    cmdRemove = MakeControl<QPushButton>(p, "cmdRemove", 0, 1025);
    cmdRemove->setText(QStringLiteral("Remove")); // designed caption: the table has none for it
    {
        auto* g = new QGridLayout(p);
        g->setContentsMargins(12, 12, 12, 4);
        g->addWidget(Label2, 0, 0, 1, 3);
        g->addWidget(txtZipFilename, 1, 0);
        g->addWidget(cmdOpen, 1, 1);
        g->addWidget(cmdNew, 1, 2);
        g->addWidget(Label3, 2, 0, 1, 3);
        g->addWidget(lbFiles, 3, 0, 1, 3);
        auto* row = new QHBoxLayout;
        row->addWidget(cmdAddFile);
        row->addWidget(cmdRemove);
        row->addStretch();
        row->addWidget(lblZipInfo);
        g->addLayout(row, 4, 0, 1, 3);
        g->setRowStretch(3, 1);
        g->setColumnStretch(0, 1);
    }
    connect(cmdNew, &QPushButton::clicked, this, &WizardWindow::cmdNew_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &WizardWindow::cmdOpen_Click);
    connect(cmdAddFile, &QPushButton::clicked, this, &WizardWindow::cmdAddFile_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &WizardWindow::cmdRemove_Click);
    connect(txtZipFilename, &QLineEdit::textChanged, this, &WizardWindow::txtZipFilename_Change);
    txtZipFilename_Change();
    dlgCommon.setOwner(this);

    // Page 2: size and destination.
    p = pbStep[2];
    Frame1 = MakeControl<QGroupBox>(p, "Frame1", 1029);
    auto* sizes = new QButtonGroup(this);
    auto* sizeBox = new QVBoxLayout(Frame1);
    sizeBox->setSpacing(2);
    for (int i = 0; i < 5; ++i) {
        optSize[i] = MakeControl<QRadioButton>(Frame1, "optSize", 1039 + i);
        optSize[i]->setProperty("Index", i);
        sizes->addButton(optSize[i], i);
        sizeBox->addWidget(optSize[i]);
        connect(optSize[i], &QRadioButton::clicked, this, [this, i] { optSize_Click(i); });
    }
    txtCustomSize = MakeControl<QLineEdit>(Frame1, "txtCustomSize");
    sizeBox->addWidget(txtCustomSize);
    sizeBox->addStretch();

    auto* destinations = new QButtonGroup(this);
    optFiles = MakeControl<QRadioButton>(p, "optFiles", 1036);
    optMail = MakeControl<QRadioButton>(p, "optMail", 1030);
    destinations->addButton(optFiles);
    destinations->addButton(optMail);
    connect(optFiles, &QRadioButton::clicked, this, &WizardWindow::optFiles_Click);
    connect(optMail, &QRadioButton::clicked, this, &WizardWindow::optMail_Click);
    optFiles->setEnabled(false);

    fraFiles = MakeControl<QGroupBox>(p, "fraFiles");
    auto* diskChoice = new QButtonGroup(this);
    optFloppy = MakeControl<QRadioButton>(fraFiles, "optFloppy", 1037);
    optFolder = MakeControl<QRadioButton>(fraFiles, "optFolder", 1038);
    diskChoice->addButton(optFloppy);
    diskChoice->addButton(optFolder);
    optFolder->setChecked(true);
    txtSplitFolder = MakeControl<QLineEdit>(fraFiles, "txtSplitFolder");
    cmdSetFolder = MakeControl<QPushButton>(fraFiles, "cmdSetFolder");
    cmdSetFolder->setText(QStringLiteral("..."));
    connect(cmdSetFolder, &QPushButton::clicked, this, &WizardWindow::cmdSetFolder_Click);
    {
        auto* g = new QGridLayout(fraFiles);
        g->setVerticalSpacing(2);
        g->addWidget(optFloppy, 0, 0, 1, 3);
        g->addWidget(optFolder, 1, 0);
        g->addWidget(txtSplitFolder, 1, 1);
        g->addWidget(cmdSetFolder, 1, 2);
        g->setColumnStretch(1, 1);
    }

    fraMail = MakeControl<QGroupBox>(p, "fraMail");
    Label5 = MakeControl<QLabel>(fraMail, "Label5", 1031);
    cboSendTo = MakeControl<QComboBox>(fraMail, "cboSendTo");
    cboSendTo->setEditable(true);
    cboSendTo->setInsertPolicy(QComboBox::NoInsert);
    Label6 = MakeControl<QLabel>(fraMail, "Label6", 1033);
    txtSubject = MakeControl<QLineEdit>(fraMail, "txtSubject");
    cmdBody = MakeControl<QPushButton>(fraMail, "cmdBody", 1034);
    cmdEMailSettings = MakeControl<QPushButton>(fraMail, "cmdEMailSettings", 1035);
    chkBatchAsText = MakeControl<QCheckBox>(fraMail, "chkBatchAsText", 1076, 1077);
    chkBatchAsText->setChecked(true);
    chkReceiverFiles = MakeControl<QCheckBox>(p, "chkReceiverFiles", Res::ReceiverFilesOption);
    chkReceiverFiles->setChecked(true);
    connect(cmdBody, &QPushButton::clicked, this, &WizardWindow::cmdBody_Click);
    connect(cmdEMailSettings, &QPushButton::clicked, this, &WizardWindow::cmdEMailSettings_Click);
    {
        auto* g = new QGridLayout(fraMail);
        g->setVerticalSpacing(4);
        g->addWidget(Label5, 0, 0);
        g->addWidget(cboSendTo, 0, 1, 1, 2);
        g->addWidget(Label6, 1, 0);
        g->addWidget(txtSubject, 1, 1, 1, 2);
        g->addWidget(cmdBody, 2, 1);
        g->addWidget(cmdEMailSettings, 2, 2);
        g->addWidget(chkBatchAsText, 3, 1, 1, 2);
        g->setColumnStretch(1, 1);
    }
    {
        auto* g = new QGridLayout(p);
        g->setContentsMargins(12, 8, 12, 4);
        g->setVerticalSpacing(2);
        g->addWidget(Frame1, 0, 0, 4, 1);
        g->addWidget(optMail, 0, 1);
        g->addWidget(fraMail, 1, 1);
        g->addWidget(optFiles, 2, 1);
        g->addWidget(fraFiles, 3, 1);
        g->addWidget(chkReceiverFiles, 4, 0, 1, 2);
        g->setColumnStretch(1, 1);
    }

    // Page 3: summary and progress.
    p = pbStep[3];
    lblSumary = MakeControl<WrapAnywhereLabel>(p, "lblSumary", 1066);
    lblSumary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    pbProgress = MakeControl<QFrame>(p, "pbProgress");
    pbProgress->setFrameStyle(QFrame::Box | QFrame::Plain);
    pbProgress->setLineWidth(1);
    pbProgress->setFixedHeight(22);
    pbProgress->setVisible(false);
    lblProgress = MakeControl<QLabel>(pbProgress, "lblProgress");
    lblProgress->setAutoFillBackground(true);
    lblProgress->setBackgroundRole(QPalette::Highlight);
    lblProgress->setVisible(false);
    lblInfo = MakeControl<ElideMiddleLabel>(p, "lblInfo");
    {
        auto* v = new QVBoxLayout(p);
        v->setContentsMargins(12, 4, 12, 4);
        v->addWidget(lblSumary, 1);
        v->addWidget(pbProgress);
        v->addWidget(lblInfo);
    }

    // Lines and the button row.
    for (int i = 0; i < 2; ++i) {
        lnLine[i] = new QFrame(this);
        lnLine[i]->setObjectName(QStringLiteral("lnLine%1").arg(i));
        lnLine[i]->setFrameShape(QFrame::HLine);
        lnLine[i]->setFrameShadow(i == 0 ? QFrame::Sunken : QFrame::Plain);
        lnLine[i]->setFixedHeight(1);
    }
    cmdBack = MakeControl<QPushButton>(this, "cmdBack", 1001);
    cmdNext = MakeControl<QPushButton>(this, "cmdNext", 1002);
    cmdFinish = MakeControl<QPushButton>(this, "cmdFinish", 1003);
    cmdCancel = MakeControl<QPushButton>(this, "cmdCancel", 10002);
    cmdBack->setEnabled(false);
    cmdFinish->setEnabled(false);
    cmdNext->setDefault(true);
    cmdNext->setAutoDefault(true);
    for (QPushButton* b : {cmdBack, cmdFinish, cmdCancel})
        b->setAutoDefault(false);
    connect(cmdBack, &QPushButton::clicked, this, &WizardWindow::cmdBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &WizardWindow::cmdNext_Click);
    connect(cmdFinish, &QPushButton::clicked, this, &WizardWindow::cmdFinish_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &WizardWindow::cmdCancel_Click);
    connect(chkAlwaysShow, &QCheckBox::clicked, this, &WizardWindow::chkAlwaysShow_Click);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 60 / kTwipsPerPixel, 60 / kTwipsPerPixel * 2, 0);
    buttons->addStretch();
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdNext);
    buttons->addSpacing(8);
    buttons->addWidget(cmdFinish);
    buttons->addSpacing(8);
    buttons->addWidget(cmdCancel);

    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 60 / kTwipsPerPixel * 2);
    all->setSpacing(0);
    all->addLayout(pages);
    all->addWidget(lnLine[0]);
    all->addSpacing(1);
    all->addWidget(lnLine[1]);
    all->addLayout(buttons);
    // Every page at least page 0's size, as high as the welcome picture; the window can grow, the picture not.
    for (QWidget* page : pbStep)
        page->setMinimumSize(620, kWelcomeHeight);
}

void WizardWindow::Form_Load() {
    FillCaptions(this);
    optFloppy->setText(DriveText(1037, settings_.FloppyDrive()));
    const std::pair<QWidget*, char> letters[] = {
        {cmdBack, 'B'},        {cmdNext, 'N'},          {cmdFinish, 'F'},  {cmdCancel, 'C'},  {chkAlwaysShow, 'A'},
        {cmdOpen, 'O'},        {cmdNew, 'w'},           {cmdAddFile, 'd'}, {cmdRemove, 'R'},  {optSize[0], '5'},
        {optSize[1], '1'},     {optSize[2], '4'},       {optSize[3], '2'}, {optSize[4], 'u'}, {optFiles, 'd'},
        {optMail, 'm'},        {optFloppy, 'l'},        {optFolder, 'o'},  {cmdBody, 'y'},    {cmdEMailSettings, 'e'},
        {chkBatchAsText, 'x'}, {chkReceiverFiles, 'h'},
    };
    for (const auto& [control, letter] : letters)
        Mnemonic(control, QChar::fromLatin1(letter));
    Mnemonic(Label2, u'Z', txtZipFilename);
    Mnemonic(Label3, u'i', lbFiles);
    Mnemonic(Label5, u't', cboSendTo);
    Mnemonic(Label6, u'S', txtSubject);
    LastFolder = QDir::currentPath();
    lblVersion->setText(VersionText());

    const bool welcome = settings_.ShowWelcome();
    chkAlwaysShow->setChecked(welcome); // nothing stored: only a click changes it
    if (!welcome) {
        CurrentStep = 1;
        showPage(1);
    }

    SplitJob stored;
    LoadJobDefaults(settings_, stored);
    job_ = stored;
    ShowJob(stored);
}

void WizardWindow::ShowJob(const SplitJob& job) {
    const SplitJob old = job_;
    job_ = job;
    txtZipFilename->setText(job.SourceFile);
    if (job.SizeIndex >= 0 && job.SizeIndex < 5)
        optSize[job.SizeIndex]->setChecked(true);
    optSize_Click(job.SizeIndex);
    txtCustomSize->setText(job.CustomSplitSize);
    txtSplitFolder->setText(job.SplitFolder);
    if (cboSendTo->count() == 0 || old.RecipientHistory != job.RecipientHistory) {
        cboSendTo->clear();
        cboSendTo->addItems(job.RecipientHistory);
    }
    cboSendTo->setCurrentText(job.SendTo);
    txtSubject->setText(job.Subject);
    chkBatchAsText->setChecked(job.BatchAsText);
    chkReceiverFiles->setChecked(job.ReceiverFiles);
    (job.FloppySelected ? optFloppy : optFolder)->setChecked(true);
    optFiles->setEnabled(job.FilesOptionEnabled || !job.MailSelected);
    (job.MailSelected ? optMail : optFiles)->setChecked(true);
    switchDestination();
}

SplitJob& WizardWindow::Job() {
    job_.SourceFile = txtZipFilename->text();
    for (int i = 0; i < 5; ++i)
        if (optSize[i]->isChecked())
            job_.SizeIndex = i;
    job_.CustomSplitSize = txtCustomSize->text();
    job_.MailSelected = optMail->isChecked();
    job_.FloppySelected = optFloppy->isChecked();
    job_.FilesOptionEnabled = optFiles->isEnabled();
    job_.SplitFolder = txtSplitFolder->text();
    job_.SendTo = cboSendTo->currentText();
    job_.RecipientHistory.clear();
    for (int i = 0; i < cboSendTo->count(); ++i)
        job_.RecipientHistory << cboSendTo->itemText(i);
    job_.Subject = txtSubject->text();
    job_.BatchAsText = chkBatchAsText->isChecked();
    job_.ReceiverFiles = chkReceiverFiles->isChecked();
    return job_;
}

void WizardWindow::showPage(int index) {
    index = std::clamp(index, 0, static_cast<int>(pbStep.size()) - 1);
    for (QWidget* page : pbStep)
        page->setVisible(false);
    pbStep[index]->setVisible(true);
    // The page's first field; the summary has none, and Back is the harmless button there.
    QWidget* first = std::array<QWidget*, 4>{chkAlwaysShow, txtZipFilename, optSize[1], cmdBack}[index];
    for (QRadioButton* size : optSize)
        if (index == 2 && size->isChecked())
            first = size;
    first->setFocus();
}

void WizardWindow::cmdNext_Click() {
    const int last = static_cast<int>(pbStep.size()) - 1;
    if (CurrentStep >= last)
        return; // Enter on the summary page: Next is disabled there
    ++CurrentStep;
    showPage(CurrentStep);
    if (CurrentStep >= last) {
        cmdNext->setEnabled(false);
        cmdFinish->setEnabled(true); // a plain button: Enter on this page starts nothing
        MailSettingsCheck();
        lblSumary->setText(SummaryText());
    }
    if (CurrentStep > 0)
        cmdBack->setEnabled(true);
}

void WizardWindow::cmdBack_Click() {
    if (CurrentStep <= 0)
        return;
    --CurrentStep;
    showPage(CurrentStep);
    if (CurrentStep <= 0)
        cmdBack->setEnabled(false);
    if (CurrentStep < static_cast<int>(pbStep.size()) - 1) {
        cmdNext->setEnabled(true);
        cmdFinish->setEnabled(false);
        cmdNext->setDefault(true);
    }
}

QString WizardWindow::SummaryText() {
    const SplitJob& job = Job();
    QString size;
    QString refused;
    try {
        size = GroupedNumber(PieceSizeOf(job));
    } catch (const PieceSizeError& e) {
        // Finish would refuse it: say so here already.
        size = QStringLiteral("?");
        refused = QStringLiteral("\n\n") + e.message();
    }
    QString text = Text(1066) + txtZipFilename->text() + Text(1067) + size;
    switch (job.target()) {
    case Target::Mail:
        // Beside the piece, what the server is asked to take: base64 makes a third more of it.
        if (refused.isEmpty()) {
            SmtpSession session;
            MailSeries series(session, job, settings_, shell_);
            text += Text(Res::MessageSizeNote).arg(GroupedNumber(series.messageSizeFor(PieceSizeOf(job))));
        }
        text += Text(1068) + cboSendTo->currentText() + Text(1069) +
                (job.CarbonCopy.isEmpty() ? Text(1074) : job.CarbonCopy) + Text(1070) +
                (job.BlindCarbonCopy.isEmpty() ? Text(1074) : job.BlindCarbonCopy) + Text(1071) + txtSubject->text();
        break;
    case Target::Floppy:
        text += Text(1073) + settings_.FloppyDrive();
        break;
    case Target::Folder:
        text += Text(1073) + txtSplitFolder->text();
        break;
    }
    // What the receiver gets beside the pieces.
    const QString base = PieceBase(txtZipFilename->text());
    QStringList extra{job.target() == Target::Mail && job.BatchAsText ? base + QStringLiteral("txt") : BatchName(base)};
    if (job.ReceiverFiles)
        extra << ChecksumListName(base) << JoinScriptName(base);
    if (job.target() == Target::Floppy)
        extra << QStringLiteral("Read_Me.txt");
    // The closing text starts with the quote that ends the last field; the list goes after it.
    const QString ready = Text(1072);
    return text + ready.left(1) + Text(Res::WithThePieces).arg(extra.join(QStringLiteral(", "))) + ready.mid(1) +
           refused;
}

void WizardWindow::MailSettingsCheck() {
    if (settings_.FriendlyName().isEmpty() || settings_.FromEMailAddress().isEmpty() || settings_.Host().isEmpty() ||
        (settings_.UseRAS() && settings_.RASConnection().isEmpty()))
        cmdEMailSettings_Click();
}

void WizardWindow::cmdEMailSettings_Click() {
    MailSettingsDialog dialog(settings_, rasDialUp, this);
    dialog.Form_Load();
    dialog.exec();
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::cmdBody_Click() {
    MessageOptionsDialog dialog(job_, settings_, shell_, this);
    dialog.Form_Load();
    dialog.exec();
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::cmdSetFolder_Click() {
    FolderDialog picker;
    picker.setOwner(this);
    picker.Caption = Text(1046);
    picker.Folder = txtSplitFolder->text();
    picker.ShowDialog();
    if (!picker.Folder.isEmpty())
        txtSplitFolder->setText(picker.Folder);
}

void WizardWindow::switchDestination() {
    const bool m = optMail->isChecked();
    const bool f = optFiles->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{fraMail, cboSendTo, txtSubject, cmdBody, cmdEMailSettings})
        w->setEnabled(m);
    for (QWidget* w : std::initializer_list<QWidget*>{fraFiles, optFloppy, optFolder, txtSplitFolder, cmdSetFolder})
        w->setEnabled(f);
}

void WizardWindow::optFiles_Click() {
    switchDestination();
}

void WizardWindow::optMail_Click() {
    switchDestination();
}

void WizardWindow::optSize_Click(int) {
    txtCustomSize->setEnabled(optSize[4]->isChecked());
}

void WizardWindow::chkAlwaysShow_Click() {
    settings_.setShowWelcome(chkAlwaysShow->isChecked());
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::ShowProgress(int percent, const QString& text) {
    const int inner = pbProgress->contentsRect().width();
    const int margin = 60 / kTwipsPerPixel;
    const int full = std::max(0, inner - 2 * margin);
    const int height = std::max(0, pbProgress->contentsRect().height() - 2 * margin);
    const int left = pbProgress->contentsRect().left() + margin;
    if (percent <= 0) {
        // 0 shows the text alone; a negative share is shown the same way.
        lblProgress->setVisible(false);
    } else {
        const int width = percent >= 100 ? full : static_cast<int>(full / 100.0 * percent);
        lblProgress->setGeometry(left, pbProgress->contentsRect().top() + margin, width, height);
        lblProgress->setVisible(true);
        lblProgress->repaint();
    }
    lblInfo->setText(text);
    lblInfo->setToolTip(text); // whole, where the line shows it shortened
    lblInfo->repaint();
}

void WizardWindow::cmdCancel_Click() {
    if (!running_) {
        close();
        return;
    }
    // The job stops at its next check and says what it left; one request is enough.
    RequestStop();
    cmdCancel->setEnabled(false);
}

void WizardWindow::reject() {
    // Esc is the Cancel button, and does nothing while Cancel is disabled.
    if (cmdCancel->isEnabled())
        cmdCancel_Click();
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
        cmdCancel->setEnabled(false);
    }
}

void WizardWindow::cmdFinish_Click() {
    if (running_)
        return;
    running_ = true;
    closeAfterJob_ = false;
    ClearStopRequest();
    cmdFinish->setEnabled(false);
    cmdBack->setEnabled(false);
    pbProgress->setVisible(true);
    // The job works on a copy: the window stays alive meanwhile and reaches it through jobShell_.
    auto job = std::make_shared<SplitJob>(Job());
    auto success = std::make_shared<bool>(false);
    jobThread_ =
        QThread::create([this, job, success] { *success = JobDriver(*job, settings_, jobShell_).StartProcess(); });
    connect(jobThread_, &QThread::finished, this, [this, job, success] { jobEnded(*job, *success); });
    jobThread_->start();
}

void WizardWindow::jobEnded(const SplitJob& job, bool success) {
    jobThread_->wait();
    jobThread_->deleteLater();
    jobThread_ = nullptr;
    // The history as the driver stored it.
    job_ = job;
    cboSendTo->clear();
    cboSendTo->addItems(job.RecipientHistory);
    cboSendTo->setCurrentText(job.SendTo);
    running_ = false;
    cmdCancel->setEnabled(true);
    cmdFinish->setEnabled(true);
    cmdBack->setEnabled(true);
    LastJobFailed = !success;
    if (success || closeAfterJob_)
        close();
}
