#include "app/GuiShell.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <vector>

GuiShell::GuiShell(QWidget* owner) : owner_(owner) {}

MsgResult GuiShell::MsgBox(const MsgBoxRequest& request) {
    QMessageBox box(owner_);
    box.setWindowTitle(request.title.isEmpty() ? ProgramName() : request.title);
    box.setText(request.text);
    switch (request.icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }

    std::vector<std::pair<QMessageBox::StandardButton, MsgResult>> buttons;
    switch (request.buttons) {
    case MsgButtons::Ok:
        buttons = {{QMessageBox::Ok, MsgResult::Ok}};
        break;
    case MsgButtons::OkCancel:
        buttons = {{QMessageBox::Ok, MsgResult::Ok}, {QMessageBox::Cancel, MsgResult::Cancel}};
        break;
    case MsgButtons::YesNo:
        buttons = {{QMessageBox::Yes, MsgResult::Yes}, {QMessageBox::No, MsgResult::No}};
        break;
    case MsgButtons::YesNoCancel:
        buttons = {{QMessageBox::Yes, MsgResult::Yes},
                   {QMessageBox::No, MsgResult::No},
                   {QMessageBox::Cancel, MsgResult::Cancel}};
        break;
    }
    QMessageBox::StandardButtons all;
    for (const auto& b : buttons)
        all |= b.first;
    box.setStandardButtons(all);
    const size_t def = static_cast<size_t>(request.defaultButton) < buttons.size() ? request.defaultButton : 0;
    box.setDefaultButton(buttons[def].first);

    if (request.answeredBy) {
        auto* watch = new QTimer(&box);
        QObject::connect(watch, &QTimer::timeout, &box, [&] {
            if (request.answeredBy())
                box.done(buttons.front().first);
        });
        watch->start(500);
    }

    // The busy pointer would hide that the box waits for an answer.
    if (busy_)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    if (busy_)
        QApplication::restoreOverrideCursor();

    for (const auto& b : buttons)
        if (b.first == pressed)
            return b.second;
    // Closed with Esc or the close box: the box's cancel role.
    return buttons.back().second;
}

void GuiShell::ShowProgress(int percent, const QString& text) {
    if (progress_)
        progress_(percent, text);
}

void GuiShell::SetBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
