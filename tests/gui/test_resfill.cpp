// ResFill on a window holding one control of each kind, and the captions of the program's windows.

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
    if (tag)
        w->setProperty("Tag", QString::fromLatin1(tag));
    if (toolTip)
        w->setProperty("ToolTipText", QString::fromLatin1(toolTip));
    if constexpr (requires { w->setText(QString()); }) {
        if (text)
            w->setText(QString::fromLatin1(text));
    }
    return w;
}

TEST(ResFill, TheRulesOfEveryKindOfControl) {
    QWidget form;
    form.setWindowTitle(u"designed"_qs);
    form.setProperty("Tag", u"4000"_qs);
    const std::pair<QWidget*, const char*> cases[] = {
        // the control, its caption and tool-tip after ResFill
        {make<QLabel>(&form, "1020"), "ZIP Filename:|"},
        {make<QLabel>(&form, "abc", nullptr, "kept"), "kept|"},
        {make<QLabel>(&form, "1019abc", nullptr, "kept"), "kept|"}, // a label needs the whole text to be a number
        {make<QPushButton>(&form, "1019abc", "1024"), "Add File...|Adds Files to ZIP"},
        {make<QPushButton>(&form, "", nullptr, "designed"), "designed|"},
        {make<QCheckBox>(&form, "1011"), "Always show this screen|"},
        {make<QRadioButton>(&form, "1039.4"), "512 kB|"}, // the number at the start, rounded half even
        {make<QGroupBox>(&form, "1029"), "Size of split's:|"},
        {make<QPushButton>(&form, "1099", "1098", "designed"), "designed|"}, // ids not in the table
        {make<QPushButton>(&form, "99999", nullptr, "designed"), "designed|"},
        {make<QLineEdit>(&form, "1020", "5006", "typed"), "typed|Enter E-Mail-Addresses separated by commas."},
    };
    auto* filled = make<QComboBox>(&form, "ResFill", "4014");
    filled->addItems({u"1039"_qs, u"x"_qs, u"1040"_qs});
    auto* plain = make<QListWidget>(&form, nullptr, "4014x"); // a list needs the whole id to be a number
    plain->addItems({u"1039"_qs});
    plain->setToolTip(u"designed"_qs);
    auto* menu = new QMenu(&form);
    menu->setTitle(u"1021"_qs);
    QAction* item = menu->addAction(u"1022"_qs);
    QAction* odd = menu->addAction(u"New"_qs);
    auto* tabBar = new QTabBar(&form);
    tabBar->addTab(u"t"_qs);
    tabBar->setTabData(0, u"1023"_qs);
    tabBar->setTabToolTip(0, u"1025"_qs);
    QAction* tool = (new QToolBar(&form))->addAction(u"a"_qs);
    tool->setToolTip(u"1024"_qs);
    auto* tree = new QTreeWidget(&form);
    tree->setColumnCount(2);
    tree->headerItem()->setData(0, Qt::UserRole, u"1020"_qs);
    tree->headerItem()->setText(1, u"kept"_qs);
    auto* tabs = new QTabWidget(&form);
    tabs->addTab(new QWidget, u"1001"_qs);
    tabs->addTab(new QWidget, u"none"_qs);
    auto* dialog = make<QFileDialog>(&form, "FileOpen");
    dialog->setWindowTitle(u"1026"_qs);
    dialog->setNameFilter(u"10004"_qs);

    ResFill(&form);
    EXPECT_EQ(form.windowTitle(), u"E-Mail Settings");
    for (const auto& [w, expected] : cases) {
        const QString caption = qobject_cast<QLabel*>(w)      ? qobject_cast<QLabel*>(w)->text()
                                : qobject_cast<QGroupBox*>(w) ? qobject_cast<QGroupBox*>(w)->title()
                                : qobject_cast<QLineEdit*>(w) ? qobject_cast<QLineEdit*>(w)->text()
                                                              : qobject_cast<QAbstractButton*>(w)->text();
        EXPECT_EQ(caption + u'|' + w->toolTip(), QString::fromUtf8(expected));
    }
    EXPECT_EQ(
        QStringList({filled->itemText(0), filled->itemText(1), filled->itemText(2), filled->toolTip()}).join(u'|'),
        u"512 kB|x|1 MB|The connection to use, to contact your e-mail server.");
    EXPECT_EQ(plain->item(0)->text() + u'|' + plain->toolTip(), u"1039|designed"); // no "ResFill" tag: items kept
    EXPECT_EQ(menu->title() + u'|' + item->text() + u'|' + odd->text(), u"Open...|New...|New");
    EXPECT_EQ(tabBar->tabText(0) + u'|' + tabBar->tabToolTip(0) + u'|' + tool->toolTip(),
              u"Files:|Removes Files from ZIP|Adds Files to ZIP");
    EXPECT_EQ(tree->headerItem()->text(0) + u'|' + tree->headerItem()->text(1), u"ZIP Filename:|kept");
    EXPECT_EQ(tabs->tabText(0), u"< Back");
    EXPECT_TRUE(tabs->isTabVisible(0));
    EXPECT_FALSE(tabs->isTabVisible(1));
    EXPECT_EQ(dialog->windowTitle(), u"Open existing ZIP-File");
    EXPECT_EQ(dialog->nameFilters().value(0), u"ZIP Files (*.zip)|*.zip|All Files (*.*)|*.*||");

    // An empty window id keeps the designed title.
    QWidget other;
    other.setWindowTitle(u"designed"_qs);
    other.setProperty("Tag", u""_qs);
    ResFill(&other);
    EXPECT_EQ(other.windowTitle(), u"designed");
}

// Every caption and tool-tip of the three windows, against captions.txt beside this file.
class Captions : public JobTest {};

TEST_F(Captions, OfTheWindowsAsTheUserSeesThem) {
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
    const QString expected = QString::fromUtf8(ReadFile(QStringLiteral(BREVIMO_TESTS "/gui/captions.txt"))).trimmed();
    EXPECT_EQ(lines.join(u'\n'), expected);
}

} // namespace
