#include "shell/ConsoleShell.h"

#include <QByteArray>

#include <cctype>
#include <vector>

#include <unistd.h>

namespace {

bool isTerminal(FILE* f) {
    return f && isatty(fileno(f)) == 1;
}

void writeLine(FILE* f, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), f);
    std::fputc('\n', f);
    std::fflush(f);
}

struct Choice {
    char key;
    const char* label;
    MsgResult result;
};

} // namespace

ConsoleShell::ConsoleShell(FILE* out, FILE* err, FILE* in)
    : out_(out), err_(err), in_(in), progressOnTerminal_(isTerminal(err)) {}

ConsoleShell::~ConsoleShell() {
    endProgressLine();
}

void ConsoleShell::endProgressLine() {
    if (progressLineOpen_) {
        std::fputc('\n', err_);
        std::fflush(err_);
        progressLineOpen_ = false;
    }
}

MsgResult ConsoleShell::MsgBox(const MsgBoxRequest& request) {
    endProgressLine();
    if (request.buttons != MsgButtons::Ok)
        return ask(request);
    FILE* f = request.icon == MsgIcon::Information ? out_ : err_;
    writeLine(f, request.text);
    return MsgResult::Ok;
}

MsgResult ConsoleShell::ask(const MsgBoxRequest& request) {
    std::vector<Choice> choices;
    switch (request.buttons) {
    case MsgButtons::Ok:
        break;
    case MsgButtons::OkCancel:
        choices = {{'o', "[o]k", MsgResult::Ok}, {'c', "[c]ancel", MsgResult::Cancel}};
        break;
    case MsgButtons::YesNo:
        choices = {{'y', "[y]es", MsgResult::Yes}, {'n', "[n]o", MsgResult::No}};
        break;
    case MsgButtons::YesNoCancel:
        choices = {{'y', "[y]es", MsgResult::Yes}, {'n', "[n]o", MsgResult::No}, {'c', "[c]ancel", MsgResult::Cancel}};
        break;
    }
    const MsgResult cautious = choices.back().result;
    writeLine(err_, request.text);
    if (!isTerminal(in_) || !isTerminal(err_))
        return cautious;
    for (;;) {
        QString prompt;
        for (const Choice& c : choices)
            prompt += (prompt.isEmpty() ? QString() : QStringLiteral(" / ")) + QString::fromLatin1(c.label);
        const QByteArray p = (prompt + QStringLiteral("? ")).toUtf8();
        std::fwrite(p.constData(), 1, p.size(), err_);
        std::fflush(err_);
        char line[64];
        if (!std::fgets(line, sizeof line, in_))
            return cautious;
        const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        for (const Choice& c : choices)
            if (c.key == key)
                return c.result;
    }
}

void ConsoleShell::ShowProgress(int percent, const QString& text) {
    if (!progressOnTerminal_)
        return;
    const int shown = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    const QString line = percent == 0 ? text : QStringLiteral("%1% %2").arg(shown, 3).arg(text);
    // \r and "erase to end of line" keep one line that changes in place.
    const QByteArray bytes = (QStringLiteral("\r") + line + QStringLiteral("\x1b[K")).toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), err_);
    std::fflush(err_);
    progressLineOpen_ = true;
}
