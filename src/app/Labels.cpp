#include "app/Labels.h"

#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

namespace {

void layOut(QTextDocument& doc, const QLabel& label, int width) {
    doc.setDefaultFont(label.font());
    doc.setDocumentMargin(0);
    QTextOption option(label.alignment());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc.setDefaultTextOption(option);
    doc.setPlainText(label.text());
    doc.setTextWidth(width);
}

} // namespace

int WrapAnywhereLabel::heightForWidth(int width) const {
    QTextDocument doc;
    const QMargins m = contentsMargins();
    layOut(doc, *this, width - m.left() - m.right());
    return static_cast<int>(std::ceil(doc.size().height())) + m.top() + m.bottom();
}

QSize WrapAnywhereLabel::sizeHint() const {
    const int width = std::max(this->width(), 200);
    return {width, heightForWidth(width)};
}

QSize WrapAnywhereLabel::minimumSizeHint() const {
    return {100, fontMetrics().height()};
}

void WrapAnywhereLabel::paintEvent(QPaintEvent*) {
    QTextDocument doc;
    const QRect r = contentsRect();
    layOut(doc, *this, r.width());
    QPainter painter(this);
    painter.translate(r.topLeft());
    doc.drawContents(&painter, QRectF(0, 0, r.width(), r.height()));
}

QSize ElideMiddleLabel::minimumSizeHint() const {
    return {50, QLabel::minimumSizeHint().height()};
}

void ElideMiddleLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = contentsRect();
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(r, static_cast<int>(alignment()), fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width()));
}
