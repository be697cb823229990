#include "core/CommandLine.h"

#include <algorithm>

namespace {

constexpr qsizetype kKeyLength = 5;                // "/src:": the value starts after the fifth character
const QString kJoinKey = QStringLiteral("/join:"); // the one longer key

qsizetype keyLength(const QString& word) {
    return word.startsWith(kJoinKey, Qt::CaseInsensitive) ? kJoinKey.size() : kKeyLength;
}

bool quoted(const QString& text) {
    return text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"');
}

QString unquoted(const QString& text) {
    return quoted(text) ? text.mid(1, text.size() - 2) : text;
}

} // namespace

QStringList TokensOfArguments(const QStringList& arguments) {
    QStringList tokens;
    for (const QString& a : arguments) {
        const QString word = unquoted(a);
        tokens.append(word.left(keyLength(word)) + unquoted(word.mid(keyLength(word))));
    }
    return tokens;
}

void ApplySizeValue(const QString& value, SplitJob& job) {
    const QString presets[] = {QStringLiteral("512"), QStringLiteral("1"), QStringLiteral("1.44"), QStringLiteral("2")};
    for (int i = 0; i < 4; ++i)
        if (value == presets[i]) {
            job.SizeIndex = i;
            return;
        }
    if (!std::any_of(value.begin(), value.end(), [](QChar c) { return c.isDigit(); })) {
        job.SizeIndex = 1;
        return;
    }
    job.SizeIndex = 4;
    job.CustomSplitSize = value;
}

bool ApplyCommandLine(const QStringList& tokens, SplitJob& job) {
    for (const QString& token : tokens) {
        const QString key = token.left(4).toUpper();
        const QString value = token.mid(keyLength(token));
        if (token.startsWith(kJoinKey, Qt::CaseInsensitive)) {
            job.JoinSource = value;
        } else if (key == u"/SRC") {
            job.SourceFile = value;
            // A file given (also by Open With) can go onto disks as well as into mails.
            job.FilesOptionEnabled = job.FilesOptionEnabled || !value.isEmpty();
        } else if (key == u"/DST") {
            job.SplitFolder = value;
            job.JoinFolder = value;
            job.MailSelected = false;
            job.FloppySelected = false;
            job.FilesOptionEnabled = true;
        } else if (key == u"/NUI") {
            job.NoUI = true;
        } else if (key == u"/STO") {
            job.SendTo = value;
        } else if (key == u"/SBJ") {
            job.Subject = value;
        } else if (key == u"/CCO") {
            job.CarbonCopy = value;
        } else if (key == u"/BCC") {
            job.BlindCarbonCopy = value;
        } else if (key == u"/BDY") {
            job.Body = value;
        } else if (key == u"/SZE") {
            ApplySizeValue(value, job);
        } else if (key == u"/RSM") {
            job.Resume = true;
        } else {
            return false;
        }
    }
    return true;
}
