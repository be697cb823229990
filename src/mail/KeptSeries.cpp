#include "mail/KeptSeries.h"

#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/StringTable.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>

namespace {

QString when(const QDateTime& t) {
    return QLocale().toString(t, QLocale::ShortFormat);
}

void warn(Shell& shell, const QString& text) {
    shell.MsgBox({text, MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
}

// The first of the names whose file is not as it was split, and the first that is gone.
struct Check {
    QString changed, gone;
};
Check check(const SeriesRecord& r, const QStringList& names) {
    const QMap<QString, QByteArray> now = r.hashNow(names);
    Check c;
    for (const QString& name : names) {
        if (now.value(name).isEmpty()) {
            if (c.gone.isEmpty())
                c.gone = name;
        } else if (now.value(name) != r.sha256.value(name) && c.changed.isEmpty()) {
            c.changed = name;
        }
    }
    return c;
}

// The pieces again, from a source that has not changed; they must be those the series sent from.
void cutAgain(const SeriesRecord& r, const QString& gone, Shell& shell, const CutAgain& cut) {
    const QString base = PieceBase(r.source);
    for (int i = 1; i <= r.count; ++i)
        QFile::remove(JoinPath(r.folder, PieceName(base, i)));
    for (const QString& name :
         {BatchName(base), base + QStringLiteral("txt"), ChecksumListName(base), JoinScriptName(base)})
        QFile::remove(JoinPath(r.folder, name));
    const std::vector<QByteArray> pieces = cut(r);
    QStringList names;
    for (int i = 1; i <= r.count; ++i)
        names << PieceName(base, i);
    SeriesRecord now = r;
    now.sent = 0;
    const QString changed = static_cast<int>(pieces.size()) != r.count ? names.value(static_cast<int>(pieces.size()))
                                                                       : check(now, now.remainingFiles()).changed;
    if (!changed.isEmpty()) {
        QDir(r.folder).removeRecursively();
        throw JobError(Text(Res::SeriesCannotBeFinished)
                           .arg(r.folder, Text(Res::PieceChanged).arg(JoinPath(r.folder, changed)), r.source));
    }
    shell.MsgBox(
        {Text(Res::PiecesCutAgain).arg(r.folder, Text(Res::SeriesPieceGone).arg(JoinPath(r.folder, gone)), r.source),
         MsgButtons::Ok,
         MsgIcon::Information,
         0,
         {}});
}

} // namespace

SeriesChoice ChooseSeries(const SplitJob& job, int64_t pieceSize, Shell& shell, const CutAgain& cut) {
    std::vector<SeriesRecord> kept = KeptSeries();
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.started > b.started; });
    SeriesChoice choice;
    bool stale = false;
    for (const SeriesRecord& r : kept) {
        if (!r.sameJob(job, pieceSize))
            continue;
        const bool sourceChanged = r.sourceChanged();
        if (!job.Resume && r.sent == 0) {
            QDir(r.folder).removeRecursively(); // nothing went: the whole series is this job again
            continue;
        }
        if (!job.Resume && !sourceChanged) {
            if (job.NoUI) {
                warn(shell, Text(Res::PartialSeriesExists).arg(r.folder).arg(r.sent).arg(r.count).arg(when(r.started)));
                choice.replaced << r.folder;
                return choice;
            }
            const QString question =
                Text(Res::ResumeQuestion).arg(r.sent).arg(r.count).arg(when(r.started)).arg(r.sent + 1);
            if (shell.MsgBox({question, MsgButtons::YesNo, MsgIcon::Question, 0, {}}) != MsgResult::Yes) {
                QDir(r.folder).removeRecursively(); // the whole series goes again: these pieces are not needed
                return choice;
            }
        }
        stale = true;
        if (job.Resume || !sourceChanged) {
            // Only what was split goes: a file changed since drops the series.
            shell.ShowProgress(0, Text(Res::Checking).arg(r.folder));
            const Check c = check(r, r.remainingFiles());
            if (!c.changed.isEmpty()) {
                QDir(r.folder).removeRecursively();
                const QString why = Text(Res::PieceChanged).arg(JoinPath(r.folder, c.changed));
                if (sourceChanged)
                    throw JobError(Text(Res::SeriesCannotBeFinished).arg(r.folder, why, r.source));
                warn(shell, Text(Res::SeriesNotUsed).arg(r.folder, why));
                continue;
            }
            if (!sourceChanged) {
                if (!c.gone.isEmpty())
                    cutAgain(r, c.gone, shell, cut);
                choice.resume = r;
                return choice;
            }
        }
        warn(shell, Text(Res::SeriesNotUsed).arg(r.folder, Text(Res::SeriesSourceChanged).arg(r.source)));
        QDir(r.folder).removeRecursively(); // of no use any more: its pieces are not this file's
    }
    if (job.Resume && !stale) // a series that could not be used was said, and the whole series goes
        throw JobError(Text(Res::NoSeriesToResume).arg(job.SourceFile));
    return choice;
}

void RemoveOldSeries(Shell& shell, int maxDays) {
    const QDateTime limit = QDateTime::currentDateTime().addDays(-maxDays);
    QStringList removed;
    for (const SeriesRecord& r : KeptSeries())
        if (r.started < limit && QDir(r.folder).removeRecursively())
            removed << r.folder;
    if (!removed.isEmpty())
        shell.MsgBox({Text(Res::OldSeriesRemoved).arg(removed.join(QStringLiteral(", "))),
                      MsgButtons::Ok,
                      MsgIcon::Information,
                      0,
                      {}});
}
