#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs `act` on the next modal window as soon as it is shown (a dialog's exec() blocks the test), and
// records its class for the test to check. Gives up after about five seconds.
class WhenModal {
public:
    explicit WhenModal(std::function<void(QWidget*)> act) : state_(std::make_shared<State>()) {
        state_->act = std::move(act);
        poll(state_, 0);
    }
    bool happened() const { return !state_->seen.isEmpty(); }
    QString className() const { return state_->seen; }

private:
    struct State {
        std::function<void(QWidget*)> act;
        QString seen;
    };

    static void poll(std::shared_ptr<State> state, int tries) {
        QTimer::singleShot(10, [state, tries] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                state->seen = QString::fromLatin1(modal->metaObject()->className());
                state->act(modal);
            } else if (tries < 500) {
                poll(state, tries + 1);
            }
        });
    }

    std::shared_ptr<State> state_;
};

// Types a full path into Qt's own file dialog and presses its accept button, as a user would; the dialog's
// view loads folders in the background, so selecting in the view could race with it.
inline void ChooseInFileDialog(QWidget* modal, const QString& path) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog)
        return;
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

// Several files of one folder, typed as the dialog's multi-selection line: "a" "b". The dialog takes the
// files selected in its view before the typed ones, and it selects what it has listed of the typed names so
// far; so the names are typed only once the view lists them all.
inline void ChooseFilesInFileDialog(QWidget* modal, const QString& folder, const QStringList& names) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog)
        return;
    dialog->setDirectory(folder);
    if (auto* model = dialog->findChild<QFileSystemModel*>()) {
        const auto listed = [&] {
            for (const QString& name : names)
                if (!model->index(QDir(folder).filePath(name)).isValid())
                    return false;
            return true;
        };
        QDeadlineTimer deadline(5000);
        while (!listed() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QString line;
    for (const QString& name : names)
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + u'"' + name + u'"';
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(line);
    static_cast<QDialog*>(dialog)->accept();
}
