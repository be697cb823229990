#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The open/save file dialog with the properties the windows set: a filter in the form
// "desc|pattern|desc|pattern||", the filter to start with (from 1), the initial folder and file name, the
// flags of the open-file dialog. fileName holds the choice afterwards; cancelled tells a cancel.
class FileDialog {
public:
    static constexpr int FileMustExist = 0x1000;
    static constexpr int HideReadOnly = 0x4;
    static constexpr int AllowMultiSelect = 0x200;
    static constexpr int OverwritePrompt = 0x2;

    void setOwner(QWidget* owner) { owner_ = owner; }
    QString title;
    QString filter;
    int filterIndex = 1;
    QString defaultSuffix;
    QString initialFolder;
    QString fileName;
    int flags = 0;
    bool cancelled = false;
    // With AllowMultiSelect: every chosen file.
    QStringList fileNames;

    void showOpen();
    void showSave();

    // "Text (*.txt)|*.txt|All (*.*)|*.*||" as Qt's name filters; each pattern list goes in parentheses.
    static QStringList nameFilters(const QString& filterText);

private:
    void show(bool save);
    QWidget* owner_ = nullptr;
};
