#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTimer>

#include <functional>

// Runs `trigger`, which shows a modal window (whose exec() blocks), and `act` on that window once it shows.
// Returns its class, or "" when none came.
inline QString OnModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act) {
    QString seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && seen.isEmpty()) {
            seen = QString::fromLatin1(modal->metaObject()->className());
            timer.stop();
            act(modal);
        }
    });
    timer.start(10);
    trigger();
    return seen;
}

// Chooses in Qt's own file dialog as a user would: the full path typed, or for a multi-selection dialog the
// names typed as "a" "b" in their folder. That dialog takes what its view has selected of the typed names so
// far, and its view loads in the background: so the names are typed once the view lists them all.
inline void ChooseInFileDialog(QWidget* modal, const QString& folder, const QStringList& names) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog)
        return;
    QString line = QDir(folder).filePath(names.value(0));
    if (dialog->fileMode() == QFileDialog::ExistingFiles) {
        dialog->setDirectory(folder);
        auto* model = dialog->findChild<QFileSystemModel*>();
        const auto listed = [&] {
            for (const QString& name : names)
                if (!model->index(QDir(folder).filePath(name)).isValid())
                    return false;
            return true;
        };
        for (QDeadlineTimer deadline(5000); model && !listed() && !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        line = u'"' + names.join(QStringLiteral("\" \"")) + u'"';
    }
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(line);
    static_cast<QDialog*>(dialog)->accept();
}

// Runs `trigger`, which shows a file dialog, and chooses `names` of `folder` there (none: Cancel). Returns what the
// dialog showed: "title|folder|filters|the selected filter|save, files or file".
inline QString InFileDialog(const std::function<void()>& trigger, const QString& folder, const QStringList& names) {
    QString shown;
    OnModal(trigger, [&](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        shown = QStringList{d->windowTitle(), d->directory().absolutePath(), d->nameFilters().join(u','),
                            d->selectedNameFilter(),
                            d->acceptMode() == QFileDialog::AcceptSave    ? QStringLiteral("save")
                            : d->fileMode() == QFileDialog::ExistingFiles ? QStringLiteral("files")
                                                                          : QStringLiteral("file")}
                    .join(u'|');
        if (names.isEmpty())
            d->reject();
        else
            ChooseInFileDialog(d, folder, names);
    });
    return shown;
}

// Widgets as the user sees them, by name (with the "Index" of a control array): "*" when checked, "-" when
// disabled, and ":text" for a text field.
inline QString Look(std::initializer_list<QWidget*> widgets) {
    QStringList out;
    for (QWidget* w : widgets) {
        QString s = w->objectName() + w->property("Index").toString();
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isChecked())
            s += u'*';
        if (!w->isEnabled())
            s += u'-';
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            s += u':' + edit->text();
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            s += u':' + combo->currentText();
        out << s;
    }
    return out.join(u' ');
}
