#pragma once

#include <QChar>

class QPlainTextEdit;
class QWidget;

// Alt+letter for a caption filled from the string table: the "&" goes in here, so that the table's texts stay
// as they are shown elsewhere. A label's letter moves the focus to its buddy.
void Mnemonic(QWidget* control, QChar letter, QWidget* buddy = nullptr);

// Tab leaves the text box as in a one-line field; Ctrl+Tab types a tab.
void TabMovesFocus(QPlainTextEdit* edit);
