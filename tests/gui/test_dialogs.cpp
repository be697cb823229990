// The e-mail settings dialog, the message dialog and the file dialog wrapper, with real widgets offscreen.

#include "app/Captions.h"
#include "app/FileDialog.h"
#include "app/GnomeAccountOffer.h"
#include "app/GuiShell.h"
#include "app/MailSettingsDialog.h"
#include "app/MessageOptionsDialog.h"
#include "app/WizardWindow.h"
#include "gui/Modal.h"
#include "mail/Credentials.h"
#include "mail/Keyring.h"
#include "support/JobTest.h"
#include "support/OAuthServer.h"
#include "support/Peers.h"

#include <QSignalSpy>
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
    EXPECT_EQ(shown(), u"nameField:Jo addressField:jo@x.test serverField:mail.x.test phoneBookField: "
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
    settingsDialog->serverField->setText(u"h"_qs);
    settingsDialog->phoneBookField->setText(u"/etc/ppp/my.pbk"_qs);
    settingsDialog->dialUpBox->click();
    settingsDialog->okButton->click();
    EXPECT_EQ(settingsDialog->result(), QDialog::Accepted);
    nmcli.set("NMCLI_AVAILABLE", u"0"_qs); // and without NetworkManager the list is empty
    openSettings();
    EXPECT_EQ(shown(), u"nameField: Jo  addressField:not an address serverField:h phoneBookField-:/etc/ppp/my.pbk "
                       u"dialUpBox connectionField-: dialUpRequiredBox*- (0)");
    EXPECT_EQ(store.get(u"RASConnection"_qs) + u'|' + store.get(u"RASRequired"_qs), u"|-1");
}

// A server or port that cannot work disables OK, with the reason beside the field; a stored form is shown split up.
TEST_F(Dialogs, BadServersAndPortsAreRefusedWhereTyped) {
    sender(u"smtps://[2001:db8::1]:1465"_qs);
    MailSettingsDialog& d = openSettings();
    EXPECT_EQ(Look({d.serverField, d.portField, d.securityField, d.signInField, d.userField, d.passwordField}),
              u"serverField:2001:db8::1 portField:1465 securityField:SSL/TLS signInField:None userField-: "
              u"passwordField-:");
    const std::tuple<const char*, const char*, int, int, const char*> cases[] = {
        // server, port, security, sign-in, what is said beside the fields ("" OK enabled)
        {"smtp.example.org", "587", 0, 1, ""},
        {"", "", 0, 1, ""}, // no mail server: the dialog also sets the sender of other jobs
        {"smtp.example.org", "0", 0, 1, "'0' is no port: enter a number from 1 to 65535."},
        {"smtp.example.org", "99999", 0, 1, "'99999' is no port: enter a number from 1 to 65535."},
        {"smtp.example.org", "abc", 0, 1, "'abc' is no port: enter a number from 1 to 65535."},
        {"smtp.example.org", "", 0, 1, "'' is no port: enter a number from 1 to 65535."},
        {"smtp example.org", "587", 0, 1,
         "'smtp example.org' is no server name or address: enter a name such as "
         "smtp.example.org."},
        {"smtp.example.org:587", "587", 0, 1,
         "'smtp.example.org:587' is no server name or address: enter a name "
         "such as smtp.example.org."},
        {"smtp.example.org", "25", 2, 1,
         "A password is never sent over a line that is not encrypted. Choose "
         "STARTTLS or SSL/TLS, or no sign-in."},
        {"smtp.example.org", "25", 2, 0, ""},
    };
    for (const auto& [server, port, security, signIn, said] : cases) {
        SCOPED_TRACE((QString::fromUtf8(server) + u' ' + QString::fromUtf8(port)).toStdString());
        d.serverField->setText(QString::fromUtf8(server));
        d.portField->setText(QString::fromUtf8(port));
        d.securityField->setCurrentIndex(security);
        d.signInField->setCurrentIndex(signIn);
        const QString problems =
            QStringList({d.serverProblemLabel->isVisible() ? d.serverProblemLabel->text() : QString(),
                         d.portProblemLabel->isVisible() ? d.portProblemLabel->text() : QString()})
                .join(QString())
                .trimmed();
        EXPECT_EQ(problems, QString::fromUtf8(said));
        EXPECT_EQ(d.okButton->isEnabled(), !*said);
    }
    // The port follows the security until the user types one of their own.
    d.portField->setText(u"587"_qs);
    for (const auto& [chosen, port] : {std::pair{1, "465"}, {2, "25"}, {0, "587"}}) {
        d.securityField->setCurrentIndex(chosen);
        emit d.securityField->activated(chosen);
        EXPECT_EQ(d.portField->text(), QString::fromUtf8(port));
    }
    d.portField->setText(u"2525"_qs);
    emit d.securityField->activated(1);
    EXPECT_EQ(d.portField->text(), u"2525");
}

// Values found for the address go in only while the server field is empty, with where they came from.
TEST_F(Dialogs, FoundServersFillOnlyEmptyFields) {
    MailSettingsDialog& d = openSettings();
    QSignalSpy asked(&d, &MailSettingsDialog::addressNeedsServer);
    QTest::keyClicks(d.addressField, u"jo@example.org"_qs);
    emit d.addressField->editingFinished(); // as when the focus leaves it
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.at(0).at(0).toString(), u"jo@example.org");
    d.fillServer(u"smtp.example.org"_qs, 465, u"tls"_qs, u"password"_qs, u"Found in the provider table"_qs);
    EXPECT_EQ(Look({d.serverField, d.portField, d.securityField, d.signInField}),
              u"serverField:smtp.example.org portField:465 securityField:SSL/TLS signInField:Password");
    EXPECT_TRUE(d.serverSourceLabel->isVisible());
    EXPECT_EQ(d.serverSourceLabel->text(), u"Found in the provider table");
    emit d.addressField->editingFinished();
    EXPECT_EQ(asked.size(), 1); // the same address is not looked up again
    d.serverField->setText(u"mine.example.org"_qs);
    d.fillServer(u"other.example.org"_qs, 587, u"starttls"_qs, u"oauth2"_qs, u"autoconfig"_qs); // the user's win
    EXPECT_EQ(d.serverField->text() + d.portField->text(), u"mine.example.org465");
    d.addressField->setText(u"jo@example.net"_qs);
    emit d.addressField->editingFinished();
    EXPECT_EQ(asked.size(), 1); // the user's server stays for another address
}

// Test against a good and a refusing server; the password OK keeps is found again by the next dialog, in the keyring
// or, without one, for this run.
TEST_F(Dialogs, TestAndThePasswordInTheKeyring) {
    SmtpServer server({u"--starttls"_qs, u"--auth"_qs, u"jo@x.test"_qs, u"s3cret"_qs});
    ASSERT_TRUE(server.running());
    ScopedEnv trust("SSL_CERT_FILE", server.folder().toUtf8() + "/cert.pem");
    auto keyring = std::make_unique<SecretService>();
    ASSERT_TRUE(keyring->running()) << keyring->whyNot().toStdString();
    sender(u"127.0.0.1"_qs);
    store.set(u"Port=%1\nSecurity=starttls\nLogin=password"_qs.arg(server.host().section(u':', 1)));
    const auto test = [&](MailSettingsDialog& d, const QString& typed) {
        d.passwordField->setText(typed);
        QSignalSpy finished(&d, &MailSettingsDialog::testFinished);
        d.testButton->click();
        EXPECT_FALSE(d.okButton->isEnabled()); // while the test runs
        EXPECT_TRUE(finished.wait(30000));
        return d.testResultLabel->text();
    };
    const std::pair<const char*, QString> cases[] = {
        {"wrong", u"The test failed: The mail server 127.0.0.1 refused the sign-in of jo@x.test: \"535 5.7.8 "
                  u"Authentication credentials invalid\". Change the user name or the password in the e-mail "
                  u"settings, or run brevimo /login."_qs},
        {"", u"The test failed: No password for jo@x.test on 127.0.0.1 is in the keyring, PasswordCommand or "
             u"~/.netrc. Enter it in the e-mail settings, or run brevimo /login."_qs},
        {"s3cret", u"Signed in to %1 as jo@x.test."_qs.arg(server.host())},
    };
    MailSettingsDialog& d = openSettings();
    EXPECT_FALSE(d.keyringLabel->isVisible());
    for (const auto& [typed, said] : cases)
        EXPECT_EQ(test(d, QString::fromUtf8(typed)), said);
    d.okButton->click();
    EXPECT_EQ(store.get(u"Login"_qs) + u'|' + store.get(u"Host"_qs), u"password|127.0.0.1");
    for (const auto& [key, value] : store.values)
        EXPECT_FALSE(value.contains(u"s3cret"_qs)) << key.toStdString();

    MailSettingsDialog& again = openSettings();
    EXPECT_EQ(again.passwordField->text() + u'|' + again.passwordField->placeholderText(), u"|kept in the keyring");
    EXPECT_EQ(test(again, QString()), u"Signed in to %1 as jo@x.test."_qs.arg(server.host()));
    EXPECT_EQ(server.logins().join(u'|'), u"jo@x.test wrong tls|jo@x.test s3cret tls|jo@x.test s3cret tls");
    again.cancelButton->click();
}

// Sign In... against the test's provider: while it waits the button cancels; what it kept shows in the next dialog.
TEST_F(Dialogs, SignInInTheBrowser) {
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    const std::tuple<const char*, bool, const char*> cases[] = {
        // server options, the browser follows (else Cancel is clicked), the status after it
        {"", true, "Signed in as jo1@x.test with 127.0.0.1; the sign-in is kept in the keyring."},
        {"--deny", true, "Brevimo was not allowed to send mail with 127.0.0.1: *"},
        {"", false, "The sign-in was cancelled; nothing was kept."},
    };
    int n = 0;
    for (const auto& [options, follows, status] : cases) {
        SCOPED_TRACE(options);
        OAuthServer server(QString::fromUtf8(options).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server.running());
        ScopedEnv follow("XDG_OPEN_FOLLOW", follows ? "1" : "0");
        store.values.clear();
        store.set(u"FromEMailAddress=jo%1@x.test\nHost=mail.x.test\nLogin=oauth2\nOAuthClientId=test-client\n"
                  u"OAuthAuthorizeUrl=%2\nOAuthTokenUrl=%3"_qs.arg(++n)
                      .arg(server.authorizeUrl(), server.tokenUrl()));
        MailSettingsDialog& d = openSettings();
        // The button takes the password's place; nothing is signed in yet.
        EXPECT_EQ(u"%1%2%3"_qs.arg(d.passwordField->isVisible())
                      .arg(d.signInButton->isEnabled())
                      .arg(d.signInStatusLabel->isVisible()),
                  u"010");
        QSignalSpy finished(&d, &MailSettingsDialog::signInFinished);
        d.signInButton->click();
        // The address as a link, which a long query cannot make wider than the screen.
        EXPECT_TRUE(Matches(d.signInStatusLabel->text(),
                            u"Sign in with 127.0.0.1 in your browser. If no browser opened, open this address:\n<a "
                            u"href=\""_qs +
                                server.authorizeUrl() + u"?response_type=code&amp;*\">"_qs + server.authorizeUrl() +
                                u"</a>"_qs))
            << d.signInStatusLabel->text().toStdString();
        EXPECT_LT(d.width(), 900);
        EXPECT_TRUE(d.signInStatusLabel->focusPolicy() & Qt::TabFocus); // the link, by keyboard
        if (!follows) {
            EXPECT_EQ(d.signInButton->text(), u"Cancel S&ign-In");
            d.signInButton->click();
        }
        ASSERT_TRUE(finished.size() == 1 || finished.wait(20000));
        EXPECT_TRUE(Matches(d.signInStatusLabel->text(), QString::fromUtf8(status)))
            << d.signInStatusLabel->text().toStdString();
        EXPECT_EQ(d.signInButton->text(), u"S&ign In...");
        EXPECT_FALSE(d.signInStatusLabel->focusPolicy() & Qt::TabFocus); // no stop on a plain note
        d.okButton->click();
        EXPECT_EQ(store.get(u"Login"_qs), u"oauth2");
        MailSettingsDialog& again = openSettings();
        EXPECT_EQ(again.signInStatusLabel->isVisible(), n == 1) << again.signInStatusLabel->text().toStdString();
        again.cancelButton->click();
    }
}

// GNOME Online Accounts' account of the typed address is offered; ticked, it gives the server and a token.
TEST_F(Dialogs, OffersTheGnomeAccountOfTheAddress) {
    const QString tokens = dir.filePath(u"tokens"_qs);
    SmtpServer server({u"--starttls"_qs, u"--bearer"_qs, tokens, u"--mechanisms=XOAUTH2"_qs});
    ASSERT_TRUE(server.running());
    ScopedEnv trust("SSL_CERT_FILE", server.folder().toUtf8() + "/cert.pem");
    const SecretService bus(false);
    ASSERT_TRUE(bus.running()) << bus.whyNot().toStdString();
    const QString smtp = u",smtp="_qs + server.host();
    auto goa = std::make_unique<StandInGoa>(QStringList{
        u"--tokens"_qs, tokens, u"--account=email=jo@x.test,user=jo.g@x.test"_qs + smtp,
        u"--account=email=pw@x.test,password=pw"_qs + smtp, u"--account=email=off@x.test,mail-disabled"_qs + smtp});
    ASSERT_TRUE(goa->running());
    sender(u"mail.x.test"_qs);
    MailSettingsDialog& d = openSettings();
    const std::pair<const char*, const char*> offers[] = {
        {"Jo@X.test", "Use the GNOME account jo@x.test (Google)"},
        {"ann@x.test", ""}, // GNOME has none
        {"pw@x.test", ""},  // a password account's password stays GNOME's
        {"off@x.test", ""}, // its mail is turned off
        {"jo@x.test", "Use the GNOME account jo@x.test (Google)"},
    };
    for (const auto& [address, offer] : offers) {
        d.addressField->setText(QString::fromUtf8(address));
        emit d.addressField->editingFinished();
        EXPECT_EQ(d.gnomeAccountBox->isVisibleTo(&d) ? d.gnomeAccountBox->text() : QString(), QString::fromUtf8(offer))
            << address;
    }
    d.gnomeAccountBox->click();
    EXPECT_EQ(Look({d.serverField, d.portField, d.signInField, d.userField}),
              u"serverField:127.0.0.1 portField:%1 signInField:OAuth2 userField:jo.g@x.test"_qs.arg(
                  server.host().section(u':', 1)));
    QSignalSpy finished(&d, &MailSettingsDialog::testFinished);
    d.testButton->click();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(d.testResultLabel->text(), u"Signed in to %1 as jo.g@x.test."_qs.arg(server.host()));
    EXPECT_TRUE(server.logins().join(u'|').startsWith(u"jo.g@x.test XOAUTH2:goa-"_qs))
        << server.logins().join(u'|').toStdString();
    d.okButton->click();
    EXPECT_EQ(store.get(u"Login"_qs) + u'|' + store.get(u"UseGnomeAccount"_qs) + u'|' + store.get(u"Host"_qs),
              u"oauth2|-1|127.0.0.1"); // true as the settings store it
    EXPECT_TRUE(openSettings().gnomeAccountBox->isChecked());
    goa.reset(); // GNOME gone: nothing offered, and the stored choice is dropped at OK
    MailSettingsDialog& without = openSettings();
    EXPECT_FALSE(without.gnomeAccountBox->isVisibleTo(&without));
    without.okButton->click();
    EXPECT_EQ(store.get(u"UseGnomeAccount"_qs), u"0");
}

TEST_F(Dialogs, WithoutAKeyringThePasswordServesThisRun) {
    SecretService bus(false);
    ASSERT_TRUE(bus.running()) << bus.whyNot().toStdString();
    sender(u"mail.x.test"_qs);
    MailSettingsDialog& d = openSettings();
    EXPECT_TRUE(d.keyringLabel->isVisible());
    EXPECT_TRUE(d.keyringLabel->text().startsWith(u"No keyring is available ("_qs))
        << d.keyringLabel->text().toStdString();
    EXPECT_TRUE(d.keyringLabel->text().endsWith(u"): the password is kept only until Brevimo ends. Set "
                                                u"PasswordCommand, or start the desktop's keyring, to keep it."_qs));
    d.signInField->setCurrentIndex(1);
    d.passwordField->setText(u"for now"_qs);
    d.okButton->click();
    const auto found = FindPassword(MailAccount::FromSettings(*runSettings), u"jo@x.test"_qs, *runSettings);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->secret + u'|' + found->from, u"for now|this run");
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
