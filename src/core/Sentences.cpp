#include "core/Sentences.h"

#include "core/Version.h"

QString DriveText(Res::Id id, const QString& drive) {
    return Text(id).replace(QStringLiteral("A:\\"), drive);
}

QString InsertDiskText(int disk, int diskCount, const QString& drive) {
    return Text(Res::InsertDiskStart) + QString::number(disk) + Text(Res::NumberOf) + QString::number(diskCount) +
           DriveText(Res::InsertDiskEnd, drive);
}

QString CopyingText(const QString& name, const QString& drive) {
    return Text(Res::CopyingStart) + name + DriveText(Res::CopyToDrive, drive);
}

QString CopiedText(const QString& name, const QString& drive) {
    return Text(Res::CopiedStart) + name + DriveText(Res::CopyToDrive, drive);
}

QString WritingText(const QString& pieceName) {
    return Text(Res::WritingStart) + pieceName;
}

QString PiecesCreatedText(int64_t count) {
    if (count == 1)
        return Text(Res::OnePieceCreated);
    return Text(Res::PiecesCreatedStart) + QString::number(count) + Text(Res::PiecesCreatedEnd);
}

QString NumberedSubject(const QString& subject, int i, int n) {
    return subject + u' ' + QString::number(i) + Text(Res::NumberOf) + QString::number(n);
}

QString SendingMessageText(const QString& name, int i, int n, const QString& subject) {
    const QString what = n > 0 ? NumberedSubject(name, i, n) : subject;
    return Text(Res::SendingMessageStart) + QStringLiteral(" '") + what + u'\'';
}

QString DefaultSubject(const QString& archiveName) {
    return Text(Res::DefaultSubjectStart) + u'<' + archiveName + u'>';
}

QString NoPhoneBookText(const QString& path) {
    return Text(Res::NoPhoneBookStart) + QStringLiteral("\r\n'") + path + QStringLiteral("' \r\n") +
           Text(Res::NoPhoneBookEnd);
}

QString CreatedWithVersionText() {
    return Text(Res::BatchCreatedWith) + VersionText();
}

QString UsageText() {
    return Text(Res::Usage) + u'\n' + Text(Res::UsageResume) + QStringLiteral("\n\n") + Text(Res::UsageJoin) +
           QStringLiteral("\n\n") + Text(Res::UsageLogin) + u'\n' + Text(Res::UsageTerminal);
}
