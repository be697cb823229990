#pragma once

#include <QString>

class QWidget;

// The folder picker: a modal folder dialog with a caption, starting at folder; folder holds the choice
// afterwards, or "" when the user cancelled.
class FolderDialog {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    QString title;
    QString folder;
    void showDialog();

private:
    QWidget* owner_ = nullptr;
};
