#pragma once

#include "shell/Shell.h"

#include <cstdio>

// The shell of a run without a window: information to stdout, everything else to stderr, and a progress
// line on stderr when stderr is a terminal. Questions are asked on the terminal when there is one and
// answered with the cautious choice (Cancel, or No) when there is not.
class ConsoleShell : public Shell {
public:
    ConsoleShell(FILE* out = stdout, FILE* err = stderr, FILE* in = stdin);
    ~ConsoleShell() override;

    MsgResult MsgBox(const MsgBoxRequest& request) override;
    void ShowProgress(int percent, const QString& text) override;
    void SetBusy(bool) override {}

private:
    void endProgressLine();
    MsgResult ask(const MsgBoxRequest& request);

    FILE* out_;
    FILE* err_;
    FILE* in_;
    bool progressOnTerminal_;
    bool progressLineOpen_ = false;
};
