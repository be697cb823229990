// ResFill on a window holding one control of each kind, with good, empty, non-numeric, "1019abc" and
// missing ids.

#include "app/ResFill.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

template <typename T> T* make(QWidget* form, const char* tag, const char* toolTip = nullptr) {
    auto* w = new T(form);
    if (tag)
        w->setProperty("Tag", QString::fromLatin1(tag));
    if (toolTip)
        w->setProperty("ToolTipText", QString::fromLatin1(toolTip));
    return w;
}

TEST(ResFill, TitleAndTheCaptionRulesOfEveryKind) {
    QWidget form;
    form.setWindowTitle(u"designed"_qs);
    form.setProperty("Tag", u"4000"_qs);

    auto* label = make<QLabel>(&form, "1020");
    auto* wordLabel = make<QLabel>(&form, "abc");
    wordLabel->setText(u"kept"_qs);
    auto* prefixLabel = make<QLabel>(&form, "1019abc"); // a label needs the whole text to be a number
    prefixLabel->setText(u"kept"_qs);
    auto* button = make<QPushButton>(&form, "1019abc", "1024");
    auto* emptyButton = make<QPushButton>(&form, "");
    emptyButton->setText(u"designed"_qs);
    auto* check = make<QCheckBox>(&form, "1011");
    auto* option = make<QRadioButton>(&form, "1039.4"); // the number at the start, rounded half even: 1039
    auto* frame = make<QGroupBox>(&form, "1029");
    auto* missing = make<QPushButton>(&form, "1099", "1098");
    missing->setText(u"designed"_qs);
    auto* huge = make<QPushButton>(&form, "99999");
    huge->setText(u"designed"_qs);
    auto* edit = make<QLineEdit>(&form, "1020", "5006");
    edit->setText(u"typed"_qs);

    ResFill(&form);
    EXPECT_EQ(form.windowTitle(), u"E-Mail Settings");
    EXPECT_EQ(label->text(), u"ZIP Filename:");
    EXPECT_EQ(wordLabel->text(), u"kept");
    EXPECT_EQ(prefixLabel->text(), u"kept");
    EXPECT_EQ(button->text(), u"Add File...");
    EXPECT_EQ(button->toolTip(), u"Adds Files to ZIP");
    EXPECT_EQ(emptyButton->text(), u"designed");
    EXPECT_EQ(check->text(), u"Always show this screen");
    EXPECT_EQ(option->text(), u"512 kB");
    EXPECT_EQ(frame->title(), u"Size of split's:");
    EXPECT_EQ(missing->text(), u"designed");
    EXPECT_EQ(missing->toolTip(), u"");
    EXPECT_EQ(huge->text(), u"designed");
    EXPECT_EQ(edit->text(), u"typed"); // a text box has no caption
    EXPECT_EQ(edit->toolTip(), u"Enter E-Mail-Addresses separated by commas.");
}

TEST(ResFill, ListsMenusTabsToolbarsHeadersAndFileDialogs) {
    QWidget form;
    form.setWindowTitle(u"designed"_qs);
    form.setProperty("Tag", u""_qs); // an empty window id keeps the designed title

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

    auto* toolBar = new QToolBar(&form);
    QAction* tool = toolBar->addAction(u"a"_qs);
    tool->setToolTip(u"1024"_qs);

    auto* tree = new QTreeWidget(&form);
    tree->setColumnCount(2);
    tree->headerItem()->setData(0, Qt::UserRole, u"1020"_qs);
    tree->headerItem()->setText(1, u"kept"_qs);

    auto* tabs = new QTabWidget(&form);
    tabs->addTab(new QWidget, u"1001"_qs);
    tabs->addTab(new QWidget, u"none"_qs);

    auto* dialog = new QFileDialog(&form);
    dialog->setProperty("Tag", u"FileOpen"_qs);
    dialog->setWindowTitle(u"1026"_qs);
    dialog->setNameFilter(u"10004"_qs);

    ResFill(&form);
    EXPECT_EQ(form.windowTitle(), u"designed");
    EXPECT_EQ(filled->itemText(0), u"512 kB");
    EXPECT_EQ(filled->itemText(1), u"x");
    EXPECT_EQ(filled->itemText(2), u"1 MB");
    EXPECT_EQ(filled->toolTip(), u"The connection to use, to contact your e-mail server.");
    EXPECT_EQ(plain->item(0)->text(), u"1039"); // no "ResFill" tag: items kept
    EXPECT_EQ(plain->toolTip(), u"designed");
    EXPECT_EQ(menu->title(), u"Open...");
    EXPECT_EQ(item->text(), u"New...");
    EXPECT_EQ(odd->text(), u"New");
    EXPECT_EQ(tabBar->tabText(0), u"Files:");
    EXPECT_EQ(tabBar->tabToolTip(0), u"Removes Files from ZIP");
    EXPECT_EQ(tool->toolTip(), u"Adds Files to ZIP");
    EXPECT_EQ(tree->headerItem()->text(0), u"ZIP Filename:");
    EXPECT_EQ(tree->headerItem()->text(1), u"kept");
    EXPECT_EQ(tabs->tabText(0), u"< Back");
    EXPECT_TRUE(tabs->isTabVisible(0));
    EXPECT_FALSE(tabs->isTabVisible(1));
    EXPECT_EQ(dialog->windowTitle(), u"Open existing ZIP-File");
    EXPECT_EQ(dialog->nameFilters().value(0), u"ZIP Files (*.zip)|*.zip|All Files (*.*)|*.*||");
}

} // namespace
