#include "app/SummaryPage.h"

#include "app/Captions.h"
#include "app/Labels.h"
#include "app/ProgressBar.h"
#include "core/JobError.h"
#include "core/LocaleNumbers.h"
#include "core/PathNames.h"
#include "core/StringTable.h"
#include "mail/MailSeries.h"
#include "split/PieceSize.h"

#include <QVBoxLayout>

SummaryPage::SummaryPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("page3"));
    summaryLabel = MakeControl<WrapAnywhereLabel>(this, "summaryLabel", Res::SummarySource);
    summaryLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    progressBar = MakeControl<JobProgressBar>(this, "progressBar");
    progressBar->setAccessibleName(Text(Res::ProgressName));
    progressBar->setVisible(false);
    statusLine = MakeControl<ElideMiddleLabel>(this, "statusLine");

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(12, 4, 12, 4);
    v->addWidget(summaryLabel, 1);
    v->addWidget(progressBar);
    v->addWidget(statusLine);
}

void SummaryPage::showProgress(int percent, const QString& text) {
    // 0 shows the text alone; a negative share is shown the same way.
    progressBar->setPercent(percent);
    statusLine->setText(text);
    statusLine->setToolTip(text); // whole, where the line shows it shortened
    statusLine->repaint();
}

Summary SummaryOf(const SplitJob& job, Settings& settings, Shell& shell) {
    QString size;
    QString refused;
    try {
        size = GroupedNumber(PieceSizeOf(job));
    } catch (const JobError& e) {
        // The job would be refused: said here already, in place of "ready to go".
        size = QStringLiteral("?");
        refused = Text(Res::MendBeforeFinish).arg(e.message());
    }
    QString text = Text(Res::SummarySource) + job.SourceFile + Text(Res::SummaryPieceSize) + size;
    switch (job.target()) {
    case Target::Mail:
        // Beside the piece, what the server is asked to take: base64 makes a third more of it.
        if (refused.isEmpty()) {
            SmtpSession session;
            MailSeries series(session, job, settings, shell);
            text += Text(Res::MessageSizeNote).arg(GroupedNumber(series.messageSizeFor(PieceSizeOf(job))));
        }
        text += Text(Res::SummarySendTo) + job.SendTo + Text(Res::SummaryCc) +
                (job.CarbonCopy.isEmpty() ? Text(Res::SummaryNone) : job.CarbonCopy) + Text(Res::SummaryBcc) +
                (job.BlindCarbonCopy.isEmpty() ? Text(Res::SummaryNone) : job.BlindCarbonCopy) +
                Text(Res::SummarySubject) + job.Subject;
        break;
    case Target::Floppy:
        // The sticks are no folder: the name of the option, as the destination page shows it.
        text += job.DesktopDisks ? Text(Res::SummaryDisks) + Text(Res::RemovableDisksOption)
                                 : Text(Res::SummaryFolder) + settings.FloppyDrive();
        break;
    case Target::Folder:
        text += Text(Res::SummaryFolder) + job.SplitFolder;
        break;
    }
    // What the receiver gets beside the pieces.
    const QString base = PieceBase(job.SourceFile);
    QStringList extra{job.target() == Target::Mail && job.BatchAsText ? base + QStringLiteral("txt") : BatchName(base)};
    if (job.ReceiverFiles)
        extra << ChecksumListName(base) << JoinScriptName(base);
    if (job.target() == Target::Floppy)
        extra << QStringLiteral("Read_Me.txt");
    // The closing text starts with the quote that ends the last field; the list goes after it.
    const QString ready = Text(Res::SummaryReady);
    text += ready.left(1) + Text(Res::WithThePieces).arg(extra.join(QStringLiteral(", ")));
    if (!refused.isEmpty())
        return {text + QStringLiteral("\n\n") + refused, false};
    return {text + ready.mid(1), true};
}
