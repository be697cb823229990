#include "app/GuiThreadShell.h"

#include <QMetaObject>
#include <QThread>

bool GuiThreadShell::onWindowThread() const {
    return !window_ || QThread::currentThread() == window_->thread();
}

MsgResult GuiThreadShell::MsgBox(const MsgBoxRequest& request) {
    if (onWindowThread())
        return target_.MsgBox(request);
    MsgResult result = MsgResult::Cancel;
    QMetaObject::invokeMethod(
        window_, [&] { result = target_.MsgBox(request); }, Qt::BlockingQueuedConnection);
    return result;
}

void GuiThreadShell::ShowProgress(int percent, const QString& text) {
    if (onWindowThread()) {
        target_.ShowProgress(percent, text);
        return;
    }
    const std::lock_guard lock(mutex_);
    percent_ = percent;
    text_ = text;
    if (std::exchange(progressPosted_, true))
        return; // the call on its way shows this one
    QMetaObject::invokeMethod(
        window_, [this] { showLatest(); }, Qt::QueuedConnection);
}

void GuiThreadShell::showLatest() {
    int latest = 0;
    QString line;
    {
        const std::lock_guard lock(mutex_);
        latest = percent_;
        line = text_;
        progressPosted_ = false;
    }
    target_.ShowProgress(latest, line);
}

void GuiThreadShell::SetBusy(bool busy) {
    if (onWindowThread()) {
        target_.SetBusy(busy);
        return;
    }
    QMetaObject::invokeMethod(
        window_, [this, busy] { target_.SetBusy(busy); }, Qt::QueuedConnection);
}
