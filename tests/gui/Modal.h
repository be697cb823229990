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
#include <memory>

// Runs `act` on the next modal window as soon as it is shown (a dialog's exec() blocks the test), and
// records its class. Gives up after about five seconds, or when it goes out of scope.
class WhenModal {
public:
    explicit WhenModal(std::function<void(QWidget*)> act) : state_(std::make_shared<State>()) {
        state_->act = std::move(act);
        poll(state_, 0);
    }
    ~WhenModal() { state_->act = nullptr; } // a later dialog is not this one's
    WhenModal(const WhenModal&) = delete;
    WhenModal& operator=(const WhenModal&) = delete;
    bool happened() const { return !state_->seen.isEmpty(); }
    QString className() const { return state_->seen; }

private:
    struct State {
        std::function<void(QWidget*)> act;
        QString seen;
    };
    static void poll(std::shared_ptr<State> state, int tries) {
        QTimer::singleShot(10, [state, tries] {
            if (!state->act)
                return;
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

inline void ChooseInFileDialog(QWidget* modal, const QString& path) {
    const QFileInfo info(path);
    ChooseInFileDialog(modal, info.path(), {info.fileName()});
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
