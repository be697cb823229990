#pragma once

#include "app/FileDialog.h"
#include "archive/ArchiveEditor.h"
#include "shell/Shell.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The wizard's page of the file to split: its name, and the ZIP archive made, filled and listed there to send
// several files as one.
class SourcePage : public QWidget {
    Q_OBJECT
public:
    SourcePage(Shell& shell, QWidget* parent);

    // The access keys, once the captions are filled; the file dialogs start in the current folder.
    void load();

    // Shows the archive's entries and sizes; a listing without entries leaves the list and the line as they are.
    // A file that is no ZIP archive (or cannot be listed) empties the list, and the line says it is split as it is.
    void listArchive(const QString& path);

    void onNewArchiveClicked();
    void onOpenArchiveClicked();
    void onAddFilesClicked();
    void onRemoveEntryClicked();
    void onSourceNameChanged();

    QLabel* sourceLabel;
    QLineEdit* sourceField;
    QPushButton* openButton;
    QPushButton* newButton;
    QLabel* entriesLabel;
    QListWidget* entryList;
    QLabel* archiveSizes;
    QPushButton* addFilesButton;
    QPushButton* removeButton;

    // The folder the file dialogs start in: where the last file was chosen.
    QString lastFolder;
    FileDialog fileDialog;

signals:
    // A file was named with New or chosen with Open: it can be split onto disks too.
    void archiveChosen();
    // The archive's name, for a subject that is still empty.
    void subjectSuggested(const QString& archiveName);

private:
    // Tells a change that failed (code is libzip's), and lists the archive again.
    void archiveChanged(const ArchiveEditor& editor, int code);

    Shell& shell_;
};
