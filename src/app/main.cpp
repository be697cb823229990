// The program's entry: without arguments the wizard; with arguments a job filled from the command line, run
// at once without a window (/nui) or shown in the wizard for the user to check and finish.

#include "app/DesktopIdentity.h"
#include "app/Display.h"
#include "app/GuiShell.h"
#include "app/WizardWindow.h"
#include "core/CommandLine.h"
#include "core/Sentences.h"
#include "core/StringTable.h"
#include "core/Version.h"
#include "dialup/NetworkManagerDialUp.h"
#include "job/JobDriver.h"
#include "join/PieceSet.h"
#include "mail/AccountLogin.h"
#include "settings/IniFileStore.h"
#include "settings/JobSettings.h"
#include "settings/Settings.h"
#include "shell/ConsoleShell.h"

#include <QApplication>
#include <QCoreApplication>

#include <csignal>
#include <cstdlib>
#include <memory>

#include <unistd.h>

namespace {

enum ExitStatus { kSuccess = 0, kFailed = 1, kUsage = 2 };

// The job a run starts from: the stored settings, as the window's start puts them into its fields.
SplitJob storedJob(Settings& settings) {
    SplitJob job;
    LoadJobDefaults(settings, job);
    return job;
}

std::unique_ptr<Settings> openSettings(IniFileStore& store) {
    // Asked only when UseRAS has never been stored.
    return std::make_unique<Settings>(store, QCoreApplication::applicationDirPath(),
                                      [] { return NetworkManagerDialUp().available(); });
}

// Qt ends the process when its window system cannot be opened after all (a server that went in between):
// said in our words instead, with the display, and the run fails as without one.
bool startingWindow = false;
QtMessageHandler qtHandler = nullptr;

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && startingWindow) {
        ConsoleShell().Fail(Text(Res::CannotOpenWindow).arg(DisplayName()));
        std::_Exit(kFailed);
    }
    qtHandler(type, context, text);
}

// The application of a window run; the display check's connection stays open until Qt has its own.
std::unique_ptr<QApplication> openWindowSystem(int& argc, char** argv, DisplayHold& hold) {
    startingWindow = true;
    qtHandler = qInstallMessageHandler(onQtMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(qtHandler);
    startingWindow = false;
    hold.keep(nullptr);
    PresentAsDesktopEntry();
    return app;
}

// /? in a terminal is read there; started from a launcher, the box is the only place anybody sees it.
int showUsage(int& argc, char** argv) {
    const QString usage = UsageText();
    DisplayHold hold;
    if (isatty(STDOUT_FILENO) || !HasVisibleDisplay(&hold)) {
        ConsoleShell().Inform(usage);
        return kUsage;
    }
    const auto app = openWindowSystem(argc, argv, hold);
    GuiShell().Inform(usage);
    return kUsage;
}

int runWithoutWindow(int& argc, char** argv, const QStringList& tokens) {
    QCoreApplication app(argc, argv);
    IniFileStore store;
    auto settings = openSettings(store);
    SplitJob job = storedJob(*settings);
    job.SizeIndex = 1; // the command line chooses the size or gets "1 MB", whatever was stored
    ApplyCommandLine(tokens, job);
    ConsoleShell shell;
    return JobDriver(job, *settings, shell).run() ? kSuccess : kFailed;
}

// brevimo /login: no window, whatever display there is.
int runLogin(int& argc, char** argv) {
    QCoreApplication app(argc, argv);
    IniFileStore store;
    auto settings = openSettings(store);
    ConsoleShell shell;
    const bool kept = LogInStoredAccount(*settings, shell, STDIN_FILENO);
    TellStoreProblem(*settings, shell);
    return kept ? kSuccess : kFailed;
}

// The wizard with the job's values until its window closes; closed after a job that failed, the run did not deliver.
int runWizard(SplitJob& job, Settings& settings) {
    GuiShell shell;
    WizardWindow window(settings, shell);
    shell.setOwner(&window);
    shell.setProgressView([&window](int percent, const QString& text) { window.showProgress(percent, text); });
    window.load();
    window.showJob(job);
    window.show();
    QApplication::exec();
    return window.lastJobFailed() ? kFailed : kSuccess;
}

int runWindowed(int& argc, char** argv, const QStringList* tokens) {
    DisplayHold hold;
    if (!HasVisibleDisplay(&hold)) {
        ConsoleShell().Fail(Text(Res::NeedsDisplay));
        return kFailed;
    }
    const auto app = openWindowSystem(argc, argv, hold);
    IniFileStore store;
    auto settings = openSettings(store);
    SplitJob job = storedJob(*settings);
    if (tokens) {
        job.SizeIndex = 1;
        ApplyCommandLine(*tokens, job);
        // A piece or another file of a set, opened (Open With), is offered for joining; the page can split it instead.
        SplitJob given;
        ApplyCommandLine(*tokens, given);
        if (job.JoinSource.isEmpty() && !given.SourceFile.isEmpty() && IsSetFile(given.SourceFile))
            job.JoinSource = given.SourceFile;
    }
    return runWizard(job, *settings);
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit should end the job with a message, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // The menu entry's "brevimo /src:%f" without a file is the plain start, with the stored size choice.
    if (arguments.isEmpty() || (arguments.size() == 1 && arguments[0].compare(u"/src:", Qt::CaseInsensitive) == 0))
        return runWindowed(argc, argv, nullptr);

    // A terminal's habits, before the option language: the usage or the version on stdout.
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        ConsoleShell().Inform(UsageText());
        return kSuccess;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        ConsoleShell().Inform(ProgramName() + u' ' + VersionText());
        return kSuccess;
    }

    if (arguments.size() == 1 && arguments[0].compare(u"/login", Qt::CaseInsensitive) == 0)
        return runLogin(argc, argv);

    const QStringList tokens = TokensOfArguments(arguments);
    SplitJob parsed;
    if (!ApplyCommandLine(tokens, parsed))
        return showUsage(argc, argv);
    if (parsed.NoUI)
        return runWithoutWindow(argc, argv, tokens);
    return runWindowed(argc, argv, &tokens);
}
