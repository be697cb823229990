#include "shell/Shell.h"

void Shell::Inform(const QString& text) {
    MsgBox({text, MsgButtons::Ok, MsgIcon::Information, 0, {}});
}

void Shell::Fail(const QString& text) {
    MsgBox({text, MsgButtons::Ok, MsgIcon::Critical, 0, {}});
}

QString ProgramName() {
    return QStringLiteral("Brevimo");
}
