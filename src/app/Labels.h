#pragma once

#include <QLabel>

// A label whose text wraps at word boundaries, and inside a word too long for a line (a long path), instead of
// widening the window. text() is the whole text.
class WrapAnywhereLabel : public QLabel {
public:
    using QLabel::QLabel;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A one-line label that shows a text too long for it with "..." in the middle, so that both ends (a folder and
// the piece's name) stay visible. text() is the whole text.
class ElideMiddleLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
