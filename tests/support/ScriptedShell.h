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
    template <typename... R> void answer(R... r) { (answers_.push_back(r), ...); }

    // Runs before a box is answered: what the user does while it is up (changes the disk, say).
    std::function<void(const MsgBoxRequest&)> onBox;

    MsgResult MsgBox(const MsgBoxRequest& request) override;
    // Runs when progress is shown: what happens meanwhile (a signal comes, say).
    std::function<void(int percent)> onProgress;

    void ShowProgress(int percent, const QString& text) override {
        progress.emplace_back(percent, text);
        if (onProgress)
            onProgress(percent);
    }
    void SetBusy(bool b) override { busy = b; }

    std::vector<MsgBoxRequest> boxes;
    std::vector<std::pair<int, QString>> progress;
    bool busy = false;

    // The texts of the boxes, in order.
    std::vector<QString> texts() const;
    // The boxes, one a line: "<icon> <buttons>: <text>", as in "error ok: Cannot write ..."; a line break in a text
    // shows as "\n".
    QString told() const;
    // The progress shown, "<percent> <text>" joined by "|".
    QString progressed() const;
    QString last() const { return boxes.empty() ? QString() : boxes.back().text; }

private:
    std::deque<MsgResult> answers_;
};
