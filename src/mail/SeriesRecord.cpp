#include "mail/SeriesRecord.h"

#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/Sha256.h"
#include "core/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Belongs to the user, and nobody else can write it; a link is never followed.
bool ownedAlone(const QString& path, bool folder) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    const bool kind = folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
    return kind && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A kept series whose folder, record and every file beside them are the user's alone.
bool trustedSeries(const QString& folder) {
    if (!ownedAlone(folder, true))
        return false;
    const QDir dir(folder);
    for (const QFileInfo& f : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!ownedAlone(f.filePath(), false))
            return false;
    return true;
}

} // namespace

QString SeriesRecordName() {
    return QStringLiteral(".brevimo-series.json");
}

QByteArray FileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Sha256 sha;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = file.read(buffer.data(), buffer.size())) > 0;)
        sha.update(buffer.constData(), static_cast<size_t>(n));
    return file.error() == QFileDevice::NoError ? sha.hex() : QByteArray();
}

SeriesRecord SeriesRecord::ForJob(const SplitJob& job, int64_t pieceSize, int count, const QString& folder,
                                  const std::vector<QByteArray>& pieceDigests) {
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
    const QString base = PieceBase(r.source);
    for (int i = 1; i <= count && i <= static_cast<int>(pieceDigests.size()); ++i)
        r.sha256.insert(PieceName(base, i), pieceDigests[static_cast<size_t>(i - 1)]);
    QStringList others{BatchName(base)};
    if (r.receiverFiles)
        others << ChecksumListName(base) << JoinScriptName(base);
    for (const QString& name : others)
        r.sha256.insert(name, FileSha256(JoinPath(folder, name)));
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
    const QJsonObject hashes = o.value(QStringLiteral("sha256")).toObject();
    for (auto it = hashes.begin(); it != hashes.end(); ++it)
        r.sha256.insert(it.key(), it.value().toString().toLatin1());
    return r;
}

void SeriesRecord::write() const {
    QJsonObject o{
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
    QJsonObject hashes;
    for (auto it = sha256.begin(); it != sha256.end(); ++it)
        hashes.insert(it.key(), QString::fromLatin1(it.value()));
    o.insert(QStringLiteral("sha256"), hashes);
    QSaveFile file(JoinPath(folder, SeriesRecordName()));
    const QByteArray text = QJsonDocument(o).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw JobError(Text(Res::CannotWrite).arg(file.fileName(), file.errorString()));
}

bool SeriesRecord::sameJob(const SplitJob& job, int64_t size) const {
    return source == QFileInfo(job.SourceFile).absoluteFilePath() && pieceSize == size && sendTo == job.SendTo &&
           cc == job.CarbonCopy && bcc == job.BlindCarbonCopy && subject == job.Subject &&
           batchAsText == job.BatchAsText && receiverFiles == job.ReceiverFiles;
}

bool SeriesRecord::sourceChanged() const {
    const QFileInfo now(source);
    return !now.exists() || now.size() != sourceSize || now.lastModified() != sourceModified;
}

QStringList SeriesRecord::remainingFiles() const {
    const QString base = PieceBase(source);
    QStringList names;
    for (int i = sent + 1; i <= count; ++i)
        names << PieceName(base, i);
    names << BatchName(base);
    if (receiverFiles)
        names << ChecksumListName(base) << JoinScriptName(base);
    return names;
}

QMap<QString, QByteArray> SeriesRecord::hashNow(const QStringList& names) const {
    const QString base = PieceBase(source);
    QMap<QString, QByteArray> now;
    for (const QString& name : names) {
        QString path = JoinPath(folder, name);
        // The batch file goes as .txt once the last message was tried.
        if (name == BatchName(base) && !QFileInfo::exists(path))
            path = JoinPath(folder, base + QStringLiteral("txt"));
        now.insert(name, FileSha256(path));
    }
    return now;
}

QString SeriesHome() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative paths are to be ignored (XDG Base Directory Specification).
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/brevimo");
}

QString NewSeriesFolder() {
    const QString home = SeriesHome();
    QDir().mkpath(home);
    const QByteArray native = QFile::encodeName(home);
    struct stat st {};
    // Readable by the user alone: the pieces are the user's files.
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0))
        return {};
    QByteArray pattern = native + "/series-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

std::vector<SeriesRecord> KeptSeries() {
    std::vector<SeriesRecord> all;
    // Series that earlier versions kept in the shared temporary folder are not looked at: anyone could have put
    // them there.
    const QString home = SeriesHome();
    if (!ownedAlone(home, true))
        return all;
    const QDir dir(home);
    for (const QString& name : dir.entryList({QStringLiteral("series-*")}, QDir::Dirs | QDir::NoDotAndDotDot))
        if (trustedSeries(dir.filePath(name)))
            if (auto r = SeriesRecord::Read(dir.filePath(name)))
                all.push_back(*r);
    return all;
}
