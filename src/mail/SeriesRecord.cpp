#include "mail/SeriesRecord.h"

#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/ResStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

QString SeriesRecordName() {
    return QStringLiteral(".brevimo-series.json");
}

SeriesRecord SeriesRecord::ForJob(const SplitJob& job, int64_t pieceSize, int count, const QString& folder) {
    const QFileInfo source(job.SourceFile);
    SeriesRecord r;
    r.folder = folder;
    r.source = source.absoluteFilePath();
    r.sourceSize = source.size();
    r.sourceModified = source.lastModified();
    r.pieceSize = pieceSize;
    r.count = count;
    r.sendTo = job.SendTo;
    r.cc = job.CarbonCopy;
    r.bcc = job.BlindCarbonCopy;
    r.subject = job.Subject;
    r.body = job.Body;
    r.batchAsText = job.BatchAsText;
    r.receiverFiles = job.ReceiverFiles;
    r.started = QDateTime::currentDateTime();
    return r;
}

std::optional<SeriesRecord> SeriesRecord::Read(const QString& folder) {
    QFile file(JoinPath(folder, SeriesRecordName()));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    if (o.value(QStringLiteral("source")).toString().isEmpty())
        return std::nullopt; // not ours, or cut short
    SeriesRecord r;
    r.folder = folder;
    r.source = o.value(QStringLiteral("source")).toString();
    r.sourceSize = o.value(QStringLiteral("sourceSize")).toInteger();
    r.sourceModified = QDateTime::fromString(o.value(QStringLiteral("sourceModified")).toString(), Qt::ISODateWithMs);
    r.pieceSize = o.value(QStringLiteral("pieceSize")).toInteger();
    r.count = o.value(QStringLiteral("count")).toInt();
    r.sendTo = o.value(QStringLiteral("sendTo")).toString();
    r.cc = o.value(QStringLiteral("cc")).toString();
    r.bcc = o.value(QStringLiteral("bcc")).toString();
    r.subject = o.value(QStringLiteral("subject")).toString();
    r.body = o.value(QStringLiteral("body")).toString();
    r.batchAsText = o.value(QStringLiteral("batchAsText")).toBool();
    r.receiverFiles = o.value(QStringLiteral("receiverFiles")).toBool();
    r.started = QDateTime::fromString(o.value(QStringLiteral("started")).toString(), Qt::ISODate);
    r.sent = o.value(QStringLiteral("sent")).toInt();
    return r;
}

void SeriesRecord::write() const {
    const QJsonObject o{
        {QStringLiteral("source"), source},
        {QStringLiteral("sourceSize"), static_cast<qint64>(sourceSize)},
        {QStringLiteral("sourceModified"), sourceModified.toString(Qt::ISODateWithMs)},
        {QStringLiteral("pieceSize"), static_cast<qint64>(pieceSize)},
        {QStringLiteral("count"), count},
        {QStringLiteral("sendTo"), sendTo},
        {QStringLiteral("cc"), cc},
        {QStringLiteral("bcc"), bcc},
        {QStringLiteral("subject"), subject},
        {QStringLiteral("body"), body},
        {QStringLiteral("batchAsText"), batchAsText},
        {QStringLiteral("receiverFiles"), receiverFiles},
        {QStringLiteral("started"), started.toString(Qt::ISODate)},
        {QStringLiteral("sent"), sent},
    };
    QSaveFile file(JoinPath(folder, SeriesRecordName()));
    const QByteArray text = QJsonDocument(o).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw JobError(LoadResString(Res::CannotWrite).arg(file.fileName(), file.errorString()));
}

bool SeriesRecord::sameJob(const SplitJob& job, int64_t size) const {
    return source == QFileInfo(job.SourceFile).absoluteFilePath() && pieceSize == size && sendTo == job.SendTo &&
           cc == job.CarbonCopy && bcc == job.BlindCarbonCopy && subject == job.Subject &&
           batchAsText == job.BatchAsText && receiverFiles == job.ReceiverFiles;
}

QString SeriesRecord::staleReason() const {
    const QFileInfo now(source);
    if (!now.exists() || now.size() != sourceSize || now.lastModified() != sourceModified)
        return LoadResString(Res::SeriesSourceChanged).arg(source);
    const QString base = PieceBase(source);
    QStringList needed;
    for (int i = sent + 1; i <= count; ++i)
        needed << PieceName(base, i);
    // The batch file goes as .bat, or as .txt once the last message was tried.
    if (!QFileInfo::exists(JoinPath(folder, BatchName(base))) &&
        !QFileInfo::exists(JoinPath(folder, base + QStringLiteral("txt"))))
        needed << BatchName(base);
    if (receiverFiles)
        needed << ChecksumListName(base) << JoinScriptName(base);
    for (const QString& name : needed)
        if (!QFileInfo::exists(JoinPath(folder, name)))
            return LoadResString(Res::SeriesPieceGone).arg(JoinPath(folder, name));
    return {};
}

std::vector<SeriesRecord> KeptSeries() {
    std::vector<SeriesRecord> all;
    const QDir temp(QDir::tempPath());
    for (const QString& name : temp.entryList({QStringLiteral("brevimo-*")}, QDir::Dirs | QDir::NoDotAndDotDot))
        if (auto r = SeriesRecord::Read(temp.filePath(name)))
            all.push_back(*r);
    return all;
}
