#include "app/Keyboard.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

QString marked(QString text, QChar letter) {
    text.replace(u'&', QStringLiteral("&&"));
    const qsizetype at = text.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at >= 0)
        text.insert(at, u'&');
    return text;
}

class CtrlTabTypesTab : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab || key->modifiers() != Qt::ControlModifier)
            return false;
        static_cast<QPlainTextEdit*>(watched)->insertPlainText(QStringLiteral("\t"));
        return true;
    }
};

} // namespace

void Mnemonic(QWidget* control, QChar letter, QWidget* buddy) {
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(marked(button->text(), letter));
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(marked(group->title(), letter));
    else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(marked(label->text(), letter));
        label->setBuddy(buddy);
    }
}

void TabMovesFocus(QPlainTextEdit* edit) {
    edit->setTabChangesFocus(true);
    edit->installEventFilter(new CtrlTabTypesTab(edit));
}
