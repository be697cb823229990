#pragma once

#include <QProgressBar>

// The job's progress: a box with a bar of the highlight colour that grows inside it, a few pixels clear of its
// edges. A real progress bar underneath, so that a screen reader hears its value.
class JobProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit JobProgressBar(QWidget* parent);

    // 0 (or less) shows the empty box, 100 and more the full bar.
    void setPercent(int percent);
    // The width of the bar at the value shown, in pixels.
    int barWidth() const;

    static constexpr int kBarMargin = 4; // pixels between the box and the bar

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect track() const;
};
