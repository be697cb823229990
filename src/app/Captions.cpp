#include "app/Captions.h"

#include "core/NumberText.h"
#include "core/StringTable.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>

#include <cmath>
#include <optional>
#include <stdexcept>

namespace {

// The whole text as a 16-bit integer, a decimal rounded half to even; fails on "" and on any other text.
int16_t wholeInt16(const QVariant& value) {
    bool ok = false;
    const double d = QLocale::c().toDouble(value.toString().trimmed(), &ok);
    if (!ok)
        throw std::invalid_argument("not a number");
    const double r = RoundHalfEven(d);
    if (r < -32768 || r > 32767)
        throw std::out_of_range("overflow");
    return static_cast<int16_t>(r);
}

// The number at the start of the text; 0 when there is none or it does not fit.
int leadingNumber(const QVariant& value) {
    const std::optional<int16_t> n = ToInt16(value.toString());
    return n ? *n : 0;
}

QString textOf(int id) {
    return Text(static_cast<Res::Id>(id));
}

// Runs one statement; a failure skips it and the caller goes on with the next.
template <typename F> void statement(F&& f) {
    try {
        f();
    } catch (const std::exception&) {
    }
}

void fillToolTip(QWidget* w, bool wholeNumber) {
    statement([&] {
        const QVariant id = w->property("toolTipId");
        const int n = wholeNumber ? wholeInt16(id) : leadingNumber(id);
        if (n > 0 || wholeNumber)
            w->setToolTip(textOf(n));
    });
}

void fillControl(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) {
        statement([&] { label->setText(textOf(wholeInt16(w->property("captionId")))); });
        return;
    }
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* list = qobject_cast<QListWidget*>(w);
    if (combo || list) {
        if (w->property("captionId").toString() == u"items") {
            const int count = combo ? combo->count() : list->count();
            for (int i = 0; i < count; ++i) {
                if (combo)
                    statement([&] { combo->setItemText(i, textOf(wholeInt16(combo->itemText(i)))); });
                else
                    statement([&] { list->item(i)->setText(textOf(wholeInt16(list->item(i)->text()))); });
            }
        }
        fillToolTip(w, true);
        return;
    }
    // Any other control: buttons and frames have a caption, other controls (text boxes) have none.
    statement([&] {
        const int n = leadingNumber(w->property("captionId"));
        if (n <= 0)
            return;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(textOf(n));
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            frame->setTitle(textOf(n));
    });
    fillToolTip(w, false);
}

} // namespace

void FillCaptions(QWidget* window) {
    statement([&] { window->setWindowTitle(textOf(wholeInt16(window->property("captionId")))); });
    for (QWidget* w : window->findChildren<QWidget*>())
        fillControl(w);
}

void SpeakAs(QWidget* control, const QString& caption) {
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i; // "&&" is a "&" shown; "&x" marks the access key x
        plain += caption[i];
    }
    control->setAccessibleName(plain);
}

void SetCaptionIds(QWidget* control, Res::Id captionId, Res::Id toolTipId) {
    if (captionId > 0)
        control->setProperty("captionId", QString::number(static_cast<int>(captionId)));
    if (toolTipId > 0)
        control->setProperty("toolTipId", QString::number(static_cast<int>(toolTipId)));
}
