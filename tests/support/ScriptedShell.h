#pragma once

#include "shell/Shell.h"

#include <QString>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

// Answers message boxes from a queue (OK when it runs dry for an OK-only box; a box that needs an answer
// and finds none fails the test) and records everything the user would have seen.
class ScriptedShell : public Shell {
public:
    void answer(MsgResult r) { answers_.push_back(r); }
    template <typename... R> void answer(MsgResult first, R... more) {
        answer(first);
        (answer(more), ...);
    }

    // Runs before a box is answered: what the user does while it is up (changes the disk, say).
    std::function<void(const MsgBoxRequest&)> onBox;

    MsgResult MsgBox(const MsgBoxRequest& request) override;
    void ShowProgress(int percent, const QString& text) override { progress.emplace_back(percent, text); }
    void SetBusy(bool b) override { busy = b; }

    std::vector<MsgBoxRequest> boxes;
    std::vector<std::pair<int, QString>> progress;
    bool busy = false;

    // The texts of the boxes, in order.
    std::vector<QString> texts() const;

private:
    std::deque<MsgResult> answers_;
};
