#include "core/CommandLine.h"

QStringList TokensOfArguments(const QStringList& arguments) {
    QStringList tokens;
    for (const QString& a : arguments)
        tokens.append(QString(a).remove(u'"'));
    return tokens;
}

int SizeIndexOfValue(const QString& value) {
    const QString v = value.toUpper();
    if (v == u"512")
        return 0;
    if (v == u"1.44")
        return 2;
    if (v == u"2")
        return 3;
    return 1;
}

bool ApplyCommandLine(const QStringList& tokens, SplitJob& job) {
    for (const QString& token : tokens) {
        const QString key = token.left(4).toUpper();
        const QString value = token.mid(5);
        if (key == u"/SRC") {
            job.SourceFile = value;
            // A file given (also by Open With) can go onto disks as well as into mails.
            job.FilesOptionEnabled = job.FilesOptionEnabled || !value.isEmpty();
        } else if (key == u"/DST") {
            job.SplitFolder = value;
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
            job.SizeIndex = SizeIndexOfValue(value);
        } else if (key == u"/RSM") {
            job.Resume = true;
        } else {
            return false;
        }
    }
    return true;
}
