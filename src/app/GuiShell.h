#pragma once

#include "shell/Shell.h"

#include <functional>

class QWidget;

// The shell of the windows: Qt message boxes owned by the main window, the busy pointer, and the progress
// view that the main window hands in.
class GuiShell : public Shell {
public:
    using ProgressView = std::function<void(int percent, const QString& text)>;

    explicit GuiShell(QWidget* owner = nullptr);

    void setOwner(QWidget* owner) { owner_ = owner; }
    void setProgressView(ProgressView view) { progress_ = std::move(view); }

    MsgResult MsgBox(const MsgBoxRequest& request) override;
    void ShowProgress(int percent, const QString& text) override;
    void SetBusy(bool busy) override;

private:
    QWidget* owner_;
    ProgressView progress_;
    bool busy_ = false;
};
