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

#include <algorithm>
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

// Runs `trigger`, which shows a file dialog, and chooses `names` of `folder` there as a user would (none: Cancel):
// the full path typed, or for a multi-selection dialog the names typed as "a" "b" once its view, which loads in the
// background, lists them all (the dialog takes what its view has selected of them). Returns what the dialog showed:
// "title|folder|filters|the selected filter|save, files or file".
inline QString InFileDialog(const std::function<void()>& trigger, const QString& folder, const QStringList& names) {
    QString shown;
    OnModal(trigger, [&](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        const bool many = d->fileMode() == QFileDialog::ExistingFiles;
        shown = QStringList{d->windowTitle(), d->directory().absolutePath(), d->nameFilters().join(u','),
                            d->selectedNameFilter(),
                            d->acceptMode() == QFileDialog::AcceptSave ? QStringLiteral("save")
                            : many                                     ? QStringLiteral("files")
                                                                       : QStringLiteral("file")}
                    .join(u'|');
        if (names.isEmpty())
            return d->reject();
        QString line = QDir(folder).filePath(names[0]);
        if (many) {
            d->setDirectory(folder);
            auto* model = d->findChild<QFileSystemModel*>();
            const auto listed = [&] {
                return std::all_of(names.begin(), names.end(),
                                   [&](const QString& n) { return model->index(QDir(folder).filePath(n)).isValid(); });
            };
            for (QDeadlineTimer deadline(5000); !listed() && !deadline.hasExpired();)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            line = u'"' + names.join(QStringLiteral("\" \"")) + u'"';
        }
        d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(line);
        static_cast<QDialog*>(d)->accept();
    });
    return shown;
}

// Widgets as the user sees them, by name (with the "index" of a control array): "*" when checked, "-" when
// disabled, and ":text" for a text field.
inline QString Look(std::initializer_list<QWidget*> widgets) {
    QStringList out;
    for (QWidget* w : widgets) {
        QString s = w->objectName() + w->property("index").toString();
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
