// The e-mail settings dialog, the message dialog and the file dialog wrapper, with real widgets offscreen.

#include "app/Captions.h"
#include "app/FileDialog.h"
#include "app/GuiShell.h"
#include "app/MailSettingsDialog.h"
#include "app/MessageOptionsDialog.h"
#include "app/WizardWindow.h"
#include "gui/Modal.h"
#include "support/JobTest.h"
#include "support/Peers.h"

#include <QTest>
#include <QtWidgets>

namespace {

class Dialogs : public JobTest {
protected:
    MailSettingsDialog& openSettings() {
        settingsDialog.reset();
        runSettings = std::make_unique<Settings>(store, u"/opt"_qs, [] { return false; }); // a new run's
        settingsDialog = std::make_unique<MailSettingsDialog>(*runSettings, ras);
        settingsDialog->load();
        settingsDialog->show();
        return *settingsDialog;
    }
    QString shown() const {
        const MailSettingsDialog& d = *settingsDialog;
        return Look({d.nameField, d.addressField, d.serverField, d.phoneBookField, d.dialUpBox, d.connectionField,
                     d.dialUpRequiredBox}) +
               QStringLiteral(" (%1)").arg(d.connectionField->count());
    }

    StandInNmcli nmcli;
    NetworkManagerDialUp ras;
    std::unique_ptr<Settings> runSettings;
    std::unique_ptr<MailSettingsDialog> settingsDialog;
};

TEST_F(Dialogs, SettingsShowStoreAsTypedAndCancelNothing) {
    nmcli.set("NMCLI_CONNECTIONS", u"Office:vpn,Wi-Fi:802-11-wireless,Home:gsm"_qs); // the Wi-Fi is no dial-up
    sender(u"smtps://mail.x.test"_qs);
    store.set(u"UseRAS=-1\nRASConnection=Home"_qs);
    MailSettingsDialog& d = openSettings();
    EXPECT_EQ(shown(), u"nameField:Jo addressField:jo@x.test serverField:smtps://mail.x.test phoneBookField: "
                       u"dialUpBox* connectionField:Home dialUpRequiredBox (2)");
    d.dialUpBox->click(); // the dial-up fields follow the check box
    EXPECT_EQ(Look({d.dialUpGroup, d.phoneBookField, d.browseButton, d.connectionField, d.dialUpRequiredBox}),
              u"dialUpGroup- phoneBookField-: browseButton- connectionField-:Home dialUpRequiredBox-");
    d.dialUpBox->click();
    EXPECT_EQ(Look({d.dialUpGroup, d.phoneBookField, d.browseButton, d.connectionField, d.dialUpRequiredBox}),
              u"dialUpGroup phoneBookField: browseButton connectionField:Home dialUpRequiredBox");
    d.serverField->setText(u"new.x.test"_qs);
    d.cancelButton->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(store.get(u"Host"_qs), u"smtps://mail.x.test");

    store.set(u"RASConnection"_qs, u"office"_qs); // other letter case: not the same entry
    openSettings();
    EXPECT_EQ(shown().section(u' ', 4), u"dialUpBox* connectionField: dialUpRequiredBox (2)"); // no entry selected
    settingsDialog->dialUpRequiredBox->click();
    settingsDialog->nameField->setText(u" Jo "_qs);
    settingsDialog->addressField->setText(u"not an address"_qs);
    settingsDialog->serverField->setText(u"h:25"_qs);
    settingsDialog->phoneBookField->setText(u"/etc/ppp/my.pbk"_qs);
    settingsDialog->dialUpBox->click();
    settingsDialog->okButton->click();
    EXPECT_EQ(settingsDialog->result(), QDialog::Accepted);
    nmcli.set("NMCLI_AVAILABLE", u"0"_qs); // and without NetworkManager the list is empty
    openSettings();
    EXPECT_EQ(shown(), u"nameField: Jo  addressField:not an address serverField:h:25 phoneBookField-:/etc/ppp/my.pbk "
                       u"dialUpBox connectionField-: dialUpRequiredBox*- (0)");
    EXPECT_EQ(store.get(u"RASConnection"_qs) + u'|' + store.get(u"RASRequired"_qs), u"|-1");
}

TEST_F(Dialogs, MessageBoxesBodyAndTheDefaultBody) {
    MessageOptionsDialog d(job, settings, shell);
    d.load();
    EXPECT_EQ(d.ccField->text(), u"");
    EXPECT_TRUE(d.bodyField->toPlainText().startsWith(u"Copy all attachments"));
    // In the body, Ctrl+Tab types a tab and Tab goes on to the next field.
    d.show();
    d.bodyField->clear();
    d.bodyField->setFocus();
    QTest::keyClick(d.bodyField, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(d.bodyField->toPlainText(), u"\t");
    QTest::keyClick(d.bodyField, Qt::Key_Tab);
    EXPECT_EQ(d.bodyField->toPlainText() + QString::number(d.focusWidget() == d.bodyField), u"\t0");
    d.ccField->setText(u"a@x.test, b@x.test"_qs);
    d.bccField->setText(u"c@x.test"_qs);
    d.bodyField->clear();
    d.okButton->click();
    EXPECT_EQ(job.CarbonCopy + u'|' + job.BlindCarbonCopy + u'|' + job.Body, u"a@x.test, b@x.test|c@x.test|");

    // The next opening shows the boxes and the default body again; Save asks, Yes stores the default at once.
    job.Body = u"old body"_qs;
    MessageOptionsDialog again(job, settings, shell);
    again.load();
    EXPECT_EQ(again.ccField->text() + u'|' + again.bodyField->toPlainText(), u"a@x.test, b@x.test|old body");
    for (const MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
        again.bodyField->setPlainText(answer == MsgResult::Yes ? u"new default"_qs : u"not this"_qs);
        shell.answer(answer);
        again.saveAsDefaultButton->click();
        EXPECT_EQ(store.get(u"DefaultBody"_qs), answer == MsgResult::Yes ? u"new default" : u"<none>");
    }
    ASSERT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(shell.boxes[0].defaultButton, 1); // No
    EXPECT_EQ(shell.boxes[0].title, u"Body Text");
    EXPECT_TRUE(shell.told().startsWith(u"plain yes-no: Are you sure you want to save the current body text"));
    again.cancelButton->click();
    EXPECT_EQ(job.Body, u"old body");
}

// The real box: the button pressed is the answer, Enter takes the default, and Esc the box's cancel role.
TEST(MessageBox, TheAnswerIsTheButtonPressed) {
    const struct {
        MsgButtons buttons;
        int defaultButton;
        const char* press; // a button's text, or "Enter" or "Esc"; "" presses nothing: the box's condition answers
        MsgResult answer;
    } cases[] = {
        {MsgButtons::YesNo, 0, "&Yes", MsgResult::Yes},
        {MsgButtons::YesNo, 0, "&No", MsgResult::No},
        {MsgButtons::YesNo, 1, "Enter", MsgResult::No},
        {MsgButtons::YesNoCancel, 0, "&No", MsgResult::No},
        {MsgButtons::YesNoCancel, 0, "Esc", MsgResult::Cancel},
        {MsgButtons::OkCancel, 0, "Cancel", MsgResult::Cancel},
        {MsgButtons::Ok, 0, "Enter", MsgResult::Ok},
        {MsgButtons::OkCancel, 1, "", MsgResult::Ok},
    };
    GuiShell shell;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press);
        MsgResult answer{};
        bool plugged = false; // comes true once the box is up
        const QString seen = OnModal(
            [&] {
                answer = shell.MsgBox(
                    {u"Go on?"_qs, c.buttons, MsgIcon::Question, c.defaultButton, {}, [&] { return plugged; }});
            },
            [&](QWidget* box) {
                const QString press = QString::fromLatin1(c.press);
                plugged = press.isEmpty();
                if (press == u"Enter" || press == u"Esc")
                    QTest::keyClick(box, press == u"Enter" ? Qt::Key_Return : Qt::Key_Escape);
                else
                    for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
                        if (b->text() == press)
                            b->click();
            });
        EXPECT_EQ(seen, u"QMessageBox");
        EXPECT_EQ(answer, c.answer);
    }
}

// The phonebook's Browse, through the file dialog wrapper: a file chosen fills the field, Cancel keeps it.
TEST_F(Dialogs, PhonebookBrowseAndTheFileDialogWrapper) {
    const std::pair<const char*, const char*> filters[] = {
        {"ZIP Files (*.zip)|*.zip|All Files (*.*)|*.*||", "ZIP Files (*.zip)|All Files (*)"},
        {"Pictures|*.png;*.jpg||", "Pictures (*.png *.jpg)"},
        {"Pictures|*.png|Odd", "Pictures (*.png)"},
        {"", ""},
    };
    for (const auto& [vb, qt] : filters)
        EXPECT_EQ(FileDialog::nameFilters(QString::fromUtf8(vb)).join(u'|'), QString::fromUtf8(qt));

    const QString book = file(u"rasphone.pbk"_qs, "[Office]\n");
    MailSettingsDialog& d = openSettings();
    d.phoneBookField->setText(u"/old.pbk"_qs);
    FileDialog dlg;
    dlg.filter = QString::fromUtf8(filters[0].first);
    dlg.filterIndex = 2;
    dlg.initialFolder = dir.path();
    for (const bool cancel : {false, true}) {
        const QStringList names = cancel ? QStringList() : QStringList{u"rasphone.pbk"_qs};
        const QString shown = InFileDialog([&] { d.onBrowsePhoneBookClicked(); }, dir.path(), names);
        EXPECT_EQ(shown.section(u'|', 0, 0) + u'|' + shown.section(u'|', 2),
                  u"Select the connection list file|Connection list (rasphone.pbk),Connection lists (*.pbk)|"
                  "Connection list (rasphone.pbk)|file");
        EXPECT_EQ(InFileDialog([&] { dlg.showOpen(); }, dir.path(), names).section(u'|', 3), u"All Files (*)|file"_qs);
        EXPECT_EQ(d.phoneBookField->text() + u'|' + dlg.fileName, book + u'|' + book);
        EXPECT_EQ(dlg.cancelled, cancel);
    }
}

// Every caption and tool-tip of the three windows, against captions.txt beside this file.
using Captions = JobTest;

TEST_F(Captions, OfTheWindowsAsTheUserSeesThem) {
    QStringList lines;
    const auto describe = [&](QWidget* window) {
        lines << u'[' + QString::fromLatin1(window->metaObject()->className()) + u"] "_qs + window->windowTitle();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->property("captionId").isNull() && w->property("toolTipId").isNull())
                continue;
            QString caption = w->property("captionId").toString();
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
    WizardWindow main(settings, shell);
    main.load();
    describe(&main);
    NetworkManagerDialUp ras;
    MailSettingsDialog mailSettings(settings, ras);
    mailSettings.load();
    describe(&mailSettings);
    MessageOptionsDialog message(job, settings, shell);
    message.load();
    describe(&message);
    EXPECT_EQ(lines.join(u'\n'),
              QString::fromUtf8(ReadFile(QStringLiteral(BREVIMO_TESTS "/gui/captions.txt"))).trimmed());
}

// The rules for what no window has: a list's items replaced only under the caption id "items" and only for whole
// numbers, the number at the start of a button's id, a label's id a whole number, an empty window id.
TEST(CaptionRules, TheRulesNoWindowShows) {
    QWidget form;
    form.setWindowTitle(u"designed"_qs);
    form.setProperty("captionId", u""_qs);
    auto* combo = new QComboBox(&form);
    combo->setProperty("captionId", u"items"_qs);
    combo->addItems({u"1039"_qs, u"x"_qs, u"1040.5"_qs, u"1041x"_qs});
    auto* list = new QListWidget(&form);
    list->addItem(u"1039"_qs);
    auto* label = new QLabel(u"kept"_qs, &form);
    label->setProperty("captionId", u"1019abc"_qs);
    auto* button = new QPushButton(&form);
    button->setProperty("captionId", u"1039.5abc"_qs);
    button->setProperty("toolTipId", u"99999"_qs);
    FillCaptions(&form);
    EXPECT_EQ(QStringList({combo->itemText(0), combo->itemText(1), combo->itemText(2), combo->itemText(3),
                           list->item(0)->text(), label->text(), button->text(), button->toolTip(), form.windowTitle()})
                  .join(u'|'),
              u"512 kB|x|1 MB|1041x|1039|kept|1 MB||designed");
}

} // namespace
