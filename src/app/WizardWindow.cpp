#include "app/WizardWindow.h"

#include "app/Captions.h"
#include "app/DestinationPage.h"
#include "app/JoinPage.h"
#include "app/Keyboard.h"
#include "app/MailSettingsDialog.h"
#include "app/MessageOptionsDialog.h"
#include "app/ProgressBar.h"
#include "app/SourcePage.h"
#include "app/SummaryPage.h"
#include "app/WelcomePage.h"
#include "core/StopSignals.h"
#include "core/StringTable.h"
#include "job/JobDriver.h"
#include "mail/Credentials.h"
#include "mail/OAuthTokens.h"
#include "mail/ServerLookup.h"
#include "settings/JobSettings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

constexpr int kMargin = 4; // pixels, around the button row

} // namespace

WizardWindow::WizardWindow(Settings& settings, Shell& shell, QWidget* parent)
    : QDialog(parent), settings_(settings), shell_(shell), jobShell_(shell, this) {
    Q_INIT_RESOURCE(brevimo); // the pictures live in a static library
    setObjectName(QStringLiteral("WizardWindow"));
    setWindowTitle(ProgramName());
    buildPages();
    buildButtons();
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
    welcomePage = new WelcomePage(this);
    sourcePage = new SourcePage(shell_, this);
    destinationPage = new DestinationPage(this);
    summaryPage = new SummaryPage(this);
    pages = {welcomePage, sourcePage, destinationPage, summaryPage};
    joinPage = new JoinPage(this);
    for (QWidget* page : {pages[0], pages[1], pages[2], pages[3], static_cast<QWidget*>(joinPage)}) {
        // Every page at least the welcome page's size; the window can grow, the picture not.
        page->setMinimumSize(620, WelcomePage::kPictureHeight);
        page->setVisible(page == welcomePage);
    }
    connect(joinPage, &JoinPage::readyChanged, this, [this](bool ready) {
        if (joining())
            finishButton->setEnabled(ready && !running_);
    });
    connect(joinPage->splitInsteadButton, &QPushButton::clicked, this, &WizardWindow::onSplitInsteadClicked);
    connect(welcomePage->showWelcomeBox, &QCheckBox::clicked, this, &WizardWindow::onShowWelcomeClicked);
    connect(sourcePage, &SourcePage::archiveChosen, this, [this] { destinationPage->filesOption->setEnabled(true); });
    connect(sourcePage, &SourcePage::subjectSuggested, destinationPage, &DestinationPage::suggestSubject);
    connect(destinationPage->messageOptionsButton, &QPushButton::clicked, this, &WizardWindow::onMessageOptionsClicked);
    connect(destinationPage->mailSettingsButton, &QPushButton::clicked, this, &WizardWindow::onMailSettingsClicked);
}

void WizardWindow::buildButtons() {
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

    auto* stack = new QGridLayout;
    stack->setContentsMargins(0, 0, 0, 0);
    for (QWidget* page : pages)
        stack->addWidget(page, 0, 0);
    stack->addWidget(joinPage, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, kMargin, 2 * kMargin, 0);
    buttons->addStretch();
    buttons->addWidget(backButton);
    buttons->addWidget(nextButton);
    buttons->addSpacing(8);
    buttons->addWidget(finishButton);
    buttons->addSpacing(8);
    buttons->addWidget(cancelButton);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 2 * kMargin);
    all->setSpacing(0);
    all->addLayout(stack);
    all->addWidget(separators[0]);
    all->addSpacing(1);
    all->addWidget(separators[1]);
    all->addLayout(buttons);
}

void WizardWindow::load() {
    FillCaptions(this);
    for (const auto& [button, letter] :
         {std::pair{backButton, u'B'}, {nextButton, u'N'}, {finishButton, u'F'}, {cancelButton, u'C'}})
        Mnemonic(button, letter);
    welcomePage->load();
    sourcePage->load();
    joinPage->load();
    destinationPage->load(settings_.FloppyDrive());

    const bool welcome = settings_.ShowWelcome();
    welcomePage->showWelcomeBox->setChecked(welcome); // nothing stored: only a click changes it
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
    const bool newRecipientList = job_.RecipientHistory != job.RecipientHistory;
    const bool wasJoining = joining();
    job_ = job;
    sourcePage->sourceField->setText(job.SourceFile);
    destinationPage->showJob(job, newRecipientList);
    if (joining()) {
        joinPage->showJob(job);
        showJoinPage();
    } else if (wasJoining) {
        joinPage->setVisible(false);
        currentPage = 1; // the file to split
        showPage(currentPage);
        backButton->setEnabled(true);
        nextButton->setEnabled(true);
        finishButton->setEnabled(false);
    }
}

void WizardWindow::showJoinPage() {
    for (QWidget* page : pages)
        page->setVisible(false);
    joinPage->setVisible(true);
    backButton->setEnabled(false);
    nextButton->setEnabled(false);
    finishButton->setEnabled(joinPage->ready());
    joinPage->nameField->setFocus();
}

void WizardWindow::onSplitInsteadClicked() {
    SplitJob split = job();
    split.SourceFile = split.JoinSource;
    split.JoinSource.clear();
    split.FilesOptionEnabled = true; // a file given can go onto disks as well as into mails
    showJob(split);
}

SplitJob& WizardWindow::job() {
    if (joining()) {
        joinPage->readJob(job_);
        return job_;
    }
    job_.SourceFile = sourcePage->sourceField->text();
    destinationPage->readJob(job_);
    return job_;
}

void WizardWindow::showPage(int index) {
    index = std::clamp(index, 0, static_cast<int>(pages.size()) - 1);
    for (QWidget* page : pages)
        page->setVisible(false);
    pages[index]->setVisible(true);
    // The page's first field; the summary has none, and Back is the harmless button there.
    const std::array<QWidget*, 4> first{welcomePage->showWelcomeBox, sourcePage->sourceField,
                                        destinationPage->firstField(), backButton};
    first[index]->setFocus();
}

void WizardWindow::onNextClicked() {
    const int last = static_cast<int>(pages.size()) - 1;
    if (currentPage >= last)
        return; // Enter on the summary page: Next is disabled there
    ++currentPage;
    showPage(currentPage);
    if (currentPage >= last) {
        nextButton->setEnabled(false);
        // Only a mail job needs the sender and the server.
        if (job().target() == Target::Mail)
            askForMissingMailSettings();
        const Summary summary = SummaryOf(job(), settings_, shell_);
        summaryPage->summaryLabel->setText(summary.text);
        finishButton->setEnabled(summary.ready); // a plain button: Enter on this page starts nothing
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
    return SummaryOf(job(), settings_, shell_).text;
}

void WizardWindow::askForMissingMailSettings() {
    if (settings_.FriendlyName().isEmpty() || settings_.FromEMailAddress().isEmpty() || settings_.Host().isEmpty() ||
        (settings_.UseRAS() && settings_.RASConnection().isEmpty()))
        onMailSettingsClicked();
}

void WizardWindow::onMailSettingsClicked() {
    MailSettingsDialog dialog(settings_, dialUp, this);
    dialog.load();
    ServerLookup lookup;
    connect(&dialog, &MailSettingsDialog::addressNeedsServer, &lookup, [&](const QString& address) {
        dialog.showServerNote(Text(Res::LookingForServer).arg(address));
        lookup.start(address);
    });
    connect(&lookup, &ServerLookup::found, &dialog, [&](const FoundServer& s) {
        dialog.fillServer(s.host, s.port, s.security, s.login, Text(Res::ServerFoundIn).arg(s.source), s.user);
    });
    connect(&lookup, &ServerLookup::notFound, &dialog, &MailSettingsDialog::showServerNote);
    dialog.exec();
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::onMessageOptionsClicked() {
    MessageOptionsDialog dialog(job_, settings_, shell_, this);
    dialog.load();
    dialog.exec();
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::onShowWelcomeClicked() {
    settings_.setShowWelcome(welcomePage->showWelcomeBox->isChecked());
    TellStoreProblem(settings_, shell_);
}

void WizardWindow::showProgress(int percent, const QString& text) {
    if (joining())
        joinPage->showProgress(percent, text);
    else
        summaryPage->showProgress(percent, text);
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
    summaryPage->progressBar->setVisible(!joining());
    joinPage->progressBar->setVisible(joining());
    // The job works on a copy: the window stays alive meanwhile and reaches it through jobShell_.
    auto job = std::make_shared<SplitJob>(this->job());
    auto success = std::make_shared<bool>(false);
    auto signInNeeded = std::make_shared<QString>();
    const bool browserSignIn = !joining() && job->MailSelected && UsesBrowserSignIn(settings_);
    jobThread_ = QThread::create([this, job, success, signInNeeded, browserSignIn] {
        // Before anything is split: a sign-in the provider no longer takes is offered again, not only failed.
        if (browserSignIn) {
            try {
                StoredAccountAccessToken(settings_);
            } catch (const SignInNeeded& e) {
                *signInNeeded = e.message();
                return;
            } catch (const JobError&) {
                // The job meets it again and says it as for any other setting.
            }
        }
        *success = JobDriver(*job, settings_, jobShell_).run();
    });
    connect(jobThread_, &QThread::finished, this, [this, job, success, signInNeeded] {
        jobEnded(*job, *success);
        if (!signInNeeded->isEmpty())
            offerSignIn(*signInNeeded);
    });
    jobThread_->start();
}

void WizardWindow::jobEnded(const SplitJob& job, bool success) {
    jobThread_->wait();
    jobThread_->deleteLater();
    jobThread_ = nullptr;
    // The history as the driver stored it.
    job_ = job;
    destinationPage->showRecipients(job);
    running_ = false;
    cancelButton->setEnabled(true);
    finishButton->setEnabled(true);
    backButton->setEnabled(!joining());
    lastJobFailed_ = !success;
    if (joining() && !success)
        joinPage->refresh(); // what the failed join found, and whether Finish can try again
    if (success || closeAfterJob_)
        close();
}

void WizardWindow::offerSignIn(const QString& why) {
    if (shell_.MsgBox({Text(Res::SignInAgainQuestion).arg(why), MsgButtons::YesNo, MsgIcon::Question, 0, {}}) !=
        MsgResult::Yes)
        return;
    MailSettingsDialog dialog(settings_, dialUp, this);
    dialog.load();
    bool signedIn = false;
    connect(&dialog, &MailSettingsDialog::signInFinished, this, [&](bool succeeded) { signedIn = succeeded; });
    dialog.onSignInClicked();
    const bool kept = dialog.exec() == QDialog::Accepted;
    TellStoreProblem(settings_, shell_);
    if (kept && signedIn && !closeAfterJob_)
        onFinishClicked();
}
