#include "support/ScriptedShell.h"

#include <QStringList>

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

QString ScriptedShell::told() const {
    static const char* const icons[] = {"plain", "info", "question", "warning", "error"};
    static const char* const buttons[] = {"ok", "ok-cancel", "yes-no", "yes-no-cancel"};
    QStringList lines;
    for (const auto& b : boxes)
        lines << QString::fromLatin1(icons[static_cast<int>(b.icon)]) + u' ' +
                     QString::fromLatin1(buttons[static_cast<int>(b.buttons)]) + QStringLiteral(": ") +
                     QString(b.text).replace(u'\n', QStringLiteral("\\n"));
    return lines.join(u'\n');
}

QString ScriptedShell::progressed() const {
    QStringList steps;
    for (const auto& [percent, text] : progress)
        steps << QString::number(percent) + u' ' + text;
    return steps.join(u'|');
}
