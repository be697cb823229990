#pragma once

#include "core/SplitJob.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QWidget>

class JobProgressBar;
class QLabel;

// The wizard's last page: what the job will do, and while it runs, a bar and a line with its progress.
class SummaryPage : public QWidget {
    Q_OBJECT
public:
    explicit SummaryPage(QWidget* parent);

    // percent 0 shows the text alone; 100 and more a full bar.
    void showProgress(int percent, const QString& text);

    QLabel* summaryLabel;
    // Hidden until the first job starts.
    JobProgressBar* progressBar;
    QLabel* statusLine;
};

// The summary of a job: its source and piece size, and for mail the size of a message and the recipients, else the
// folder; the files the receiver gets beside the pieces. It ends "ready to go", or with the reason a piece size
// cannot be used: then the job is not ready and Finish waits until it is mended.
struct Summary {
    QString text;
    bool ready = true;
};
Summary SummaryOf(const SplitJob& job, Settings& settings, Shell& shell);
