#include "support/ScriptedShell.h"

#include <gtest/gtest.h>

MsgResult ScriptedShell::MsgBox(const MsgBoxRequest& request) {
    boxes.push_back(request);
    if (onBox)
        onBox(request);
    if (answers_.empty()) {
        if (request.buttons != MsgButtons::Ok)
            ADD_FAILURE() << "unexpected question: " << request.text.toStdString();
        return request.buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
    const MsgResult r = answers_.front();
    answers_.pop_front();
    return r;
}

std::vector<QString> ScriptedShell::texts() const {
    std::vector<QString> t;
    for (const auto& b : boxes)
        t.push_back(b.text);
    return t;
}
