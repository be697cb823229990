#include "app/ProgressBar.h"

#include <QPainter>

#include <algorithm>

JobProgressBar::JobProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
    setFixedHeight(22);
}

void JobProgressBar::setPercent(int percent) {
    setValue(std::clamp(percent, 0, 100));
    repaint(); // the job reports from between its steps; waiting for the event loop would show it late
}

QRect JobProgressBar::track() const {
    // Inside the one-pixel box, less the margin at each end.
    return rect().adjusted(1 + kBarMargin, 1 + kBarMargin, -1 - kBarMargin, -1 - kBarMargin);
}

int JobProgressBar::barWidth() const {
    const int full = std::max(0, track().width());
    return value() >= 100 ? full : static_cast<int>(full / 100.0 * value());
}

void JobProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect bar = track();
    if (value() > 0 && bar.height() > 0)
        painter.fillRect(bar.left(), bar.top(), barWidth(), bar.height(), palette().color(QPalette::Highlight));
}
