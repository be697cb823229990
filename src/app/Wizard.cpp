#include "app/Wizard.h"

#include "app/QtShell.h"
#include "app/frmMain.h"

#include <QApplication>

int RunWizard(SplitJob& job, Settings& settings) {
    QtShell shell;
    frmMain window(settings, shell);
    shell.setOwner(&window);
    shell.setProgressView([&window](int percent, const QString& text) { window.ShowProgress(percent, text); });
    window.Form_Load();
    window.ShowJob(job);
    window.show();
    QApplication::exec();
    // Closed after a job that failed: the run did not deliver.
    return window.LastJobFailed ? 1 : 0;
}
