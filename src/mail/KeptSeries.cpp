#include "mail/KeptSeries.h"

#include "core/JobError.h"
#include "core/ResStrings.h"

#include <QDir>
#include <QLocale>

#include <algorithm>

namespace {

QString when(const QDateTime& t) {
    return QLocale().toString(t, QLocale::ShortFormat);
}

} // namespace

std::optional<SeriesRecord> ChooseSeries(const SplitJob& job, int64_t pieceSize, Shell& shell) {
    std::vector<SeriesRecord> kept = KeptSeries();
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.started > b.started; });
    bool stale = false;
    for (const SeriesRecord& r : kept) {
        if (!r.sameJob(job, pieceSize))
            continue;
        if (const QString why = r.staleReason(); !why.isEmpty()) {
            stale = true;
            shell.MsgBox(
                {LoadResString(Res::SeriesNotUsed).arg(r.folder, why), MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
            QDir(r.folder).removeRecursively(); // of no use any more: its pieces are not this file's
            continue;
        }
        if (job.Resume)
            return r;
        if (r.sent == 0) {
            QDir(r.folder).removeRecursively(); // nothing went: the whole series is this job again
            continue;
        }
        if (job.NoUI) {
            shell.MsgBox(
                {LoadResString(Res::PartialSeriesExists).arg(r.folder).arg(r.sent).arg(r.count).arg(when(r.started)),
                 MsgButtons::Ok,
                 MsgIcon::Exclamation,
                 0,
                 {}});
            return std::nullopt;
        }
        const QString question =
            LoadResString(Res::ResumeQuestion).arg(r.sent).arg(r.count).arg(when(r.started)).arg(r.sent + 1);
        if (shell.MsgBox({question, MsgButtons::YesNo, MsgIcon::Question, 0, {}}) == MsgResult::Yes)
            return r;
        QDir(r.folder).removeRecursively(); // the whole series goes again: these pieces are not needed
        return std::nullopt;
    }
    if (job.Resume && !stale) // a stale one was said, and the whole series goes
        throw JobError(LoadResString(Res::NoSeriesToResume).arg(job.SourceFile));
    return std::nullopt;
}

void RemoveOldSeries(Shell& shell, int maxDays) {
    const QDateTime limit = QDateTime::currentDateTime().addDays(-maxDays);
    QStringList removed;
    for (const SeriesRecord& r : KeptSeries())
        if (r.started < limit && QDir(r.folder).removeRecursively())
            removed << r.folder;
    if (!removed.isEmpty())
        shell.MsgBox({LoadResString(Res::OldSeriesRemoved).arg(removed.join(QStringLiteral(", "))),
                      MsgButtons::Ok,
                      MsgIcon::Information,
                      0,
                      {}});
}
