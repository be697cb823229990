// The captions and tool-tips that ResFill gives the windows.

#include "app/ResFill.h"
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "app/frmSettings.h"
#include "support/JobTest.h"

#include <QtWidgets>

namespace {

// Every caption and tool-tip of the three windows, against captions.txt beside this file.
TEST_F(JobTest, CaptionsOfTheWindowsAsTheUserSeesThem) {
    QStringList lines;
    const auto describe = [&](QWidget* window) {
        lines << u'[' + QString::fromLatin1(window->metaObject()->className()) + u"] "_qs + window->windowTitle();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->property("Tag").isNull() && w->property("ToolTipText").isNull())
                continue;
            QString caption = w->property("Tag").toString();
            if (auto* label = qobject_cast<QLabel*>(w))
                caption = label->text();
            else if (auto* button = qobject_cast<QAbstractButton*>(w))
                caption = button->text();
            else if (auto* frame = qobject_cast<QGroupBox*>(w))
                caption = frame->title();
            lines << w->objectName() + u": "_qs + caption.replace(u'\n', u"\\n"_qs) +
                         (w->toolTip().isEmpty() ? QString() : u" | "_qs + w->toolTip());
        }
    };
    frmMain main(settings, shell);
    main.Form_Load();
    describe(&main);
    mRAS ras;
    frmSettings mailSettings(settings, ras);
    mailSettings.Form_Load();
    describe(&mailSettings);
    frmMessage message(job, settings, shell);
    message.Form_Load();
    describe(&message);
    EXPECT_EQ(lines.join(u'\n'),
              QString::fromUtf8(ReadFile(QStringLiteral(BREVIMO_TESTS "/gui/captions.txt"))).trimmed());
}

// The rules for what no window has: a list's items replaced only under the "ResFill" tag and only for whole
// numbers, the number at the start of a button's id, a label's id a whole number, an empty window id.
TEST(ResFill, TheRulesNoWindowShows) {
    QWidget form;
    form.setWindowTitle(u"designed"_qs);
    form.setProperty("Tag", u""_qs);
    auto* combo = new QComboBox(&form);
    combo->setProperty("Tag", u"ResFill"_qs);
    combo->addItems({u"1039"_qs, u"x"_qs, u"1040.5"_qs, u"1041x"_qs});
    auto* list = new QListWidget(&form);
    list->addItem(u"1039"_qs);
    auto* label = new QLabel(u"kept"_qs, &form);
    label->setProperty("Tag", u"1019abc"_qs);
    auto* button = new QPushButton(&form);
    button->setProperty("Tag", u"1039.5abc"_qs);
    button->setProperty("ToolTipText", u"99999"_qs);
    ResFill(&form);
    EXPECT_EQ(QStringList({combo->itemText(0), combo->itemText(1), combo->itemText(2), combo->itemText(3),
                           list->item(0)->text(), label->text(), button->text(), button->toolTip(), form.windowTitle()})
                  .join(u'|'),
              u"512 kB|x|1 MB|1041x|1039|kept|1 MB||designed");
}

} // namespace
