#pragma once

#include "shell/Shell.h"

#include <QObject>
#include <QPointer>

#include <mutex>

// The shell a job on a worker thread talks to: every call reaches the window's shell on the window's thread. A
// box blocks the job until it is answered; progress is passed on without waiting, and only the latest of a
// burst is shown, so that a fast job cannot flood the window.
class GuiThreadShell : public Shell {
public:
    GuiThreadShell(Shell& target, QObject* window) : target_(target), window_(window) {}

    MsgResult MsgBox(const MsgBoxRequest& request) override;
    void ShowProgress(int percent, const QString& text) override;
    void SetBusy(bool busy) override;

private:
    bool onWindowThread() const;
    void showLatest(); // on the window's thread

    Shell& target_;
    QPointer<QObject> window_;
    std::mutex mutex_;
    bool progressPosted_ = false;
    int percent_ = 0;
    QString text_;
};
