#pragma once

#include "core/SplitJob.h"
#include "join/PieceSet.h"

#include <QWidget>

#include <optional>

class JobProgressBar;
class QLabel;
class QLineEdit;
class QPushButton;

// The page shown instead of the split pages when a piece of a set is opened: which pieces were found and which are
// missing, the file it rebuilds and the folder it goes to with its free space; the progress of the join.
class JoinPage : public QWidget {
    Q_OBJECT
public:
    explicit JoinPage(QWidget* parent);

    void load();
    // Reads the set the job names and shows it, with the job's folder and name or the set's own.
    void showJob(const SplitJob& job);
    // The folder, the name and the folders added, into the job.
    void readJob(SplitJob& job) const;
    // Whether the set can be joined as it is now: every piece there, the list or batch file readable.
    bool ready() const { return ready_; }

    void showProgress(int percent, const QString& text);

    // The set read again, after a folder was added or a piece was copied in.
    void refresh();
    void onAddFolderClicked();
    void onChooseFolderClicked();

    QLabel* introLabel;
    QLabel* setLabel;
    QLabel* nameLabel;
    QLineEdit* nameField;
    QLabel* folderLabel;
    QLineEdit* folderField;
    QPushButton* chooseFolderButton;
    QPushButton* addFolderButton;
    QPushButton* splitInsteadButton;
    QLabel* freeLabel;
    JobProgressBar* progressBar; // hidden until the join starts
    QLabel* statusLine;

signals:
    // Whether Finish may start the join, each time the set is read.
    void readyChanged(bool ready);

private:
    void showFree();

    QString source_;
    QStringList folders_;
    std::optional<PieceSet> set_;
    bool ready_ = false;
};

// What the page says about a set: how many pieces are there and how long they are together, where they were read
// from, and which are missing.
QString DescribeSet(const PieceSet& set);
