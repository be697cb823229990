// ResFill's rules on a window of one control of each kind the program uses, and the captions of its windows.

#include "app/ResFill.h"
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "app/frmSettings.h"
#include "support/JobTest.h"

#include <QtWidgets>

namespace {

template <typename T>
T* make(QWidget* form, const char* tag, const char* toolTip = nullptr, const char* text = nullptr) {
    auto* w = new T(form);
    w->setProperty("Tag", tag ? QString::fromLatin1(tag) : QVariant());
    if (toolTip)
        w->setProperty("ToolTipText", QString::fromLatin1(toolTip));
    if constexpr (requires { w->setText(QString()); })
        w->setText(QString::fromLatin1(text ? text : ""));
    return w;
}

// The caption (or the items of a list) and the tool-tip of each control, one a line.
QString shown(QWidget* form) {
    QStringList lines{form->windowTitle()};
    for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QStringList texts;
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
        const QString caption = qobject_cast<QLabel*>(w)            ? qobject_cast<QLabel*>(w)->text()
                                : qobject_cast<QGroupBox*>(w)       ? qobject_cast<QGroupBox*>(w)->title()
                                : qobject_cast<QLineEdit*>(w)       ? qobject_cast<QLineEdit*>(w)->text()
                                : qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                                                    : texts.join(u',');
        lines << caption + u'|' + w->toolTip();
    }
    return lines.join(u'\n');
}

TEST(ResFill, TheRulesOfEveryKindOfControl) {
    QWidget form;
    form.setWindowTitle(u"designed"_qs);
    form.setProperty("Tag", u"4000"_qs);
    make<QLabel>(&form, "1020");
    make<QLabel>(&form, "abc", nullptr, "kept");
    make<QLabel>(&form, "1019abc", nullptr, "kept"); // a label needs the whole text to be a number
    make<QPushButton>(&form, "1019abc", "1024");     // a button takes the number at the start
    make<QPushButton>(&form, "", nullptr, "designed");
    make<QCheckBox>(&form, "1011");
    make<QRadioButton>(&form, "1039.4"); // rounded half to even
    make<QGroupBox>(&form, "1029");
    make<QPushButton>(&form, "1099", "1098", "designed"); // ids not in the table
    make<QPushButton>(&form, "99999", nullptr, "designed");
    make<QLineEdit>(&form, "1020", "5006", "typed"); // a text box has no caption
    make<QComboBox>(&form, "ResFill", "4014")->addItems({u"1039"_qs, u"x"_qs, u"1040"_qs});
    auto* plain = make<QListWidget>(&form, nullptr, "4014x"); // no "ResFill" tag, and no whole id: all kept
    plain->addItems({u"1039"_qs});
    plain->setToolTip(u"designed"_qs);
    ResFill(&form);
    EXPECT_EQ(shown(&form), u"E-Mail Settings\nZIP Filename:|\nkept|\nkept|\nAdd File...|Adds Files to ZIP\ndesigned|\n"
                            "Always show this screen|\n512 kB|\nSize of split's:|\ndesigned|\ndesigned|\ntyped|Enter "
                            "E-Mail-Addresses separated by commas.\n512 kB,x,1 MB|The connection to use, to contact "
                            "your e-mail server.\n1039|designed"_qs);
    QWidget untitled; // an empty window id keeps the designed title
    untitled.setWindowTitle(u"designed"_qs);
    untitled.setProperty("Tag", u""_qs);
    ResFill(&untitled);
    EXPECT_EQ(untitled.windowTitle(), u"designed");
}

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

} // namespace
