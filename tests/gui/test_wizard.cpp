// The wizard's real widgets, offscreen: pages and buttons, the fields, the summary, the progress bar, Finish and the
// source archive page. Longer than most test files: every page is driven through the one window, as a user does.

#include "app/DestinationPage.h"
#include "app/JoinPage.h"
#include "app/MailSettingsDialog.h"
#include "app/SourcePage.h"
#include "app/SummaryPage.h"
#include "app/WelcomePage.h"
#include "app/WizardWindow.h"
#include "core/StringTable.h"
#include "gui/Modal.h"
#include "split/PieceSize.h"
#include "split/SplitFile.h"
#include "support/JobTest.h"
#include "support/OAuthServer.h"
#include "support/Peers.h"

#include <QTest>
#include <QtWidgets>

namespace {

class Wizard : public JobTest {
protected:
    Wizard() {
        sender();
        store.set(u"UseRAS"_qs, u"0"_qs);
    }
    // A new run: the settings are read afresh.
    WizardWindow& open() {
        window.reset();
        runSettings = std::make_unique<Settings>(store, u"/opt/brevimo"_qs, [] { return false; });
        window = std::make_unique<WizardWindow>(*runSettings, shell);
        window->load();
        window->show();
        return *window;
    }
    // The visible page, then which of Back, Next and Finish are enabled: "2 BN".
    QString state() const {
        QString s;
        for (int i = 0; i < 4; ++i)
            s += window->pages[i]->isVisible() ? QString::number(i) : QString();
        return s + u' ' + (window->backButton->isEnabled() ? u"B"_qs : QString()) +
               (window->nextButton->isEnabled() ? u"N"_qs : QString()) +
               (window->finishButton->isEnabled() ? u"F"_qs : QString());
    }
    // Shows the job with the changes made to the window's own, and goes on by as many pages.
    void show(const std::function<void(SplitJob&)>& change, int pages = 0) {
        job = window->job();
        change(job);
        window->showJob(job);
        for (int i = 0; i < pages; ++i)
            window->nextButton->click();
    }

    // Finish, and the job's end, with the window's event loop running meanwhile.
    void finish() {
        window->finishButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window->jobRunning(), 120000);
    }

    std::unique_ptr<Settings> runSettings;
    std::unique_ptr<WizardWindow> window;
};

TEST_F(Wizard, PagesAndButtons) {
    const std::tuple<bool, const char*, const char*, const char*> cases[] = {
        // the welcome page shown, a custom size, Next and Back clicked (M: the custom size mended to 100 MB), the
        // states after each
        {true, "", "NNNBBB", "0 N|1 BN|2 BN|3 BF|2 BN|1 BN|0 N"},
        {false, "", "NBB", "1 N|2 BN|1 BN|0 N"},
        // a size Finish would refuse: the summary says so, and Finish waits until it is mended
        {false, "100", "NNBMN", "1 N|2 BN|3 B|2 BN|2 BN|3 BF"},
        {false, "0 MB", "NN", "1 N|2 BN|3 B"},
    };
    for (const auto& [welcome, custom, clicks, states] : cases) {
        store.set(u"ShowWelcome"_qs, welcome ? u"-1"_qs : u"0"_qs);
        store.set(u"SplitSize"_qs, *custom ? u"4"_qs : u"1"_qs);
        store.set(u"CustomSplitSize"_qs, QString::fromUtf8(custom));
        WizardWindow& w = open();
        EXPECT_EQ(w.welcomePage->showWelcomeBox->isChecked(), welcome);
        QStringList seen{state()};
        for (const char* c = clicks; *c; ++c) {
            if (*c == 'M')
                w.destinationPage->customSizeField->setText(u"100 MB"_qs);
            else
                (*c == 'N' ? w.nextButton : w.backButton)->click();
            seen << state();
        }
        EXPECT_EQ(seen.join(u'|'), QString::fromUtf8(states));
        const QString summary = w.summaryPage->summaryLabel->text();
        if (seen.last().startsWith(u'3')) {
            EXPECT_EQ(summary.contains(u"is ready to go"_qs), seen.last().endsWith(u'F')) << summary.toStdString();
        }
        if (seen.last() == u"3 B") {
            EXPECT_TRUE(
                summary.endsWith(u"' cannot be used. Give a number above 0 followed by MB or KB, for example "
                                 "100 MB or 64 KB.\nClick '< Back' to change it; 'Finish' waits until then."_qs))
                << summary.toStdString();
        }
    }
    store.set(u"SplitSize"_qs, u"1"_qs);
    // The check box is stored at once, and the next start opens on page 1; Enter is Next, Esc is Cancel.
    store.set(u"ShowWelcome"_qs, u"-1"_qs);
    open().welcomePage->showWelcomeBox->click();
    EXPECT_EQ(store.get(u"ShowWelcome"_qs), u"0");
    // Opening, Next and Esc store nothing.
    const int writes = store.writes;
    open();
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(state(), u"2 BN");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(store.writes, writes);
    EXPECT_TRUE(shell.boxes.empty());
    // After Next the page's first field has the focus, in the size group the chosen size; Enter on the summary
    // page starts nothing.
    open();
    EXPECT_EQ(window->focusWidget(), window->sourcePage->sourceField);
    window->destinationPage->sizeOptions[3]->click();
    window->nextButton->click();
    EXPECT_EQ(window->focusWidget(), window->destinationPage->sizeOptions[3]);
    window->nextButton->click();
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(state() + QString::number(window->jobRunning()), u"3 BF0");
    EXPECT_TRUE(shell.boxes.empty());
    // A store that cannot be written is told once, and the run goes on with the value.
    store.failWrites = true;
    open().welcomePage->showWelcomeBox->click();
    window->welcomePage->showWelcomeBox->click();
    window->welcomePage->showWelcomeBox->click();
    EXPECT_EQ(shell.told(), u"warning ok: The settings could not be stored in 'memory': it is read-only. This run "
                            "goes on with the settings in memory, but the next one will not remember: ShowWelcome.");
    EXPECT_EQ(QString::number(runSettings->ShowWelcome()) + store.get(u"ShowWelcome"_qs), u"10");
}

TEST_F(Wizard, TheFieldsShowTheSettingsAndTheCommandLine) {
    EXPECT_EQ(open().destinationPage->sendToField->count() + window->destinationPage->sendToField->currentText().size(),
              0); // an empty history
    store.set(
        u"ToEMailAddress02=two@x.test\nToEMailAddress05=five@x.test\nSplitSize=4\nCustomSplitSize=64k\nSplitDir=/srv/pieces"_qs);
    WizardWindow& w = open();
    EXPECT_EQ(w.destinationPage->sendToField->itemText(1) + u' ' + w.welcomePage->versionLabel->text(),
              u"five@x.test 1.00.000");
    const auto fields = [&] {
        return Look({w.destinationPage->sizeOptions[0], w.destinationPage->sizeOptions[4],
                     w.destinationPage->customSizeField, w.destinationPage->mailOption, w.destinationPage->filesOption,
                     w.destinationPage->folderOption, w.destinationPage->folderField, w.destinationPage->batchAsTextBox,
                     w.destinationPage->sendToField, w.sourcePage->sourceField, w.sourcePage->addFilesButton,
                     w.sourcePage->removeButton});
    };
    EXPECT_EQ(fields(), u"sizeOption0 sizeOption4* customSizeField:64k mailOption* filesOption- folderOption*- "
                        u"folderField-:/srv/pieces "
                        "batchAsTextBox* sendToField:two@x.test sourceField: addFilesButton- removeButton-");
    QTest::keyClicks(w.sourcePage->sourceField, u"a.zip"_qs);
    EXPECT_EQ(Look({w.destinationPage->filesOption, w.sourcePage->addFilesButton}),
              u"filesOption- addFilesButton"); // typing a name enables Add alone
    // /dst: enables and selects the files option.
    show([](SplitJob& j) {
        j.SourceFile = u"/data/x.bin"_qs;
        j.SizeIndex = 0;
        j.MailSelected = false;
        j.SplitFolder = u"/srv/out"_qs;
        j.CarbonCopy = u"cc@x.test"_qs;
    });
    EXPECT_EQ(
        fields(),
        u"sizeOption0* sizeOption4 customSizeField-:64k mailOption filesOption* folderOption* folderField:/srv/out "
        "batchAsTextBox*- sendToField-:two@x.test sourceField:/data/x.bin addFilesButton removeButton");
    EXPECT_EQ(w.job().CarbonCopy, u"cc@x.test");
    EXPECT_EQ(w.job().target(), Target::Folder);

    // The switches: the custom size box follows its option, the frames follow mail or files, the floppy choice is
    // kept under mail.
    w.destinationPage->sizeOptions[4]->click();
    w.destinationPage->floppyOption->click();
    EXPECT_EQ(w.job().target(), Target::Floppy);
    w.destinationPage->mailOption->click();
    EXPECT_EQ(
        Look({w.destinationPage->customSizeField, w.destinationPage->mailGroup, w.destinationPage->batchAsTextBox,
              w.destinationPage->sendToField, w.destinationPage->filesGroup, w.destinationPage->floppyOption,
              w.destinationPage->folderOption, w.destinationPage->folderField, w.destinationPage->chooseFolderButton}),
        u"customSizeField:64k mailGroup batchAsTextBox* sendToField:two@x.test filesGroup- floppyOption*- "
        u"folderOption- "
        "folderField-:/srv/out chooseFolderButton-");
    EXPECT_EQ(w.job().target(), Target::Mail);
}

TEST_F(Wizard, TheSummaryForMailFloppyAndFolder) {
    store.set(u"FloppyDrive"_qs, u"/mnt/disk"_qs);
    WizardWindow& w = open();
    EXPECT_EQ(w.destinationPage->floppyOption->text(), u"F&loppy disk /mnt/disk");
    w.sourcePage->sourceField->setText(u"/data/report.zip"_qs);
    w.destinationPage->sizeOptions[4]->click();
    w.destinationPage->customSizeField->setText(u"100 MB"_qs);
    w.destinationPage->sendToField->setCurrentText(u"anna@x.test"_qs);
    w.destinationPage->subjectField->setText(u"Photos"_qs);
    show([](SplitJob& j) { j.CarbonCopy = u"c@x.test,d@x.test"_qs; }, 3);
    const QString head = u"\nBrevimo has collected the following information:\n\nSource file:'/data/report.zip'"_qs;
    // What the receiver gets beside the pieces, and the closing line.
    const auto tail = [](const char* files) {
        return u"\nWith the pieces: "_qs + QString::fromUtf8(files) +
               u"\n\nBrevimo is ready to go. Please click 'Finish' to proceed."_qs;
    };
    EXPECT_EQ(w.summaryPage->summaryLabel->text(),
              head +
                  // the piece in base64 (143,489,352 bytes), headers and text
                  u"\nSplitfile size: 104,857,600 Bytes\nMessage size: about 143,490,314 "
                  "Bytes\n\nSend to: 'anna@x.test'\nCC: "
                  "'c@x.test,d@x.test'   BCC: '<none>'\nSubject: 'Photos'"_qs +
                  tail("report.txt, report.sha256, report.sh"));
    w.destinationPage->customSizeField->setText(u"100"_qs);
    EXPECT_TRUE(w.summaryText().contains(u"Splitfile size: ? Bytes\n"));
    EXPECT_TRUE(w.summaryText().contains(u"The custom size '100' cannot be used")) << w.summaryText().toStdString();

    show([](SplitJob& j) { j.MailSelected = false, j.FilesOptionEnabled = j.FloppySelected = true, j.SizeIndex = 3; });
    EXPECT_EQ(w.summaryText(), head +
                                   u"\nSplitfile size: 1,433,600 Bytes\n\nCreate splitfiles in the following "
                                   "folder:\n'/mnt/disk'"_qs +
                                   tail("report.bat, report.sha256, report.sh, Read_Me.txt")); // sizes do not count
    w.destinationPage->folderOption->click();
    w.destinationPage->folderField->setText(u"/srv/out"_qs);
    EXPECT_TRUE(
        w.summaryText().contains(u"size: 2,097,152 Bytes\n\nCreate splitfiles in the following folder:\n'/srv/out'"));
    w.destinationPage->receiverFilesBox->click(); // off: the batch file alone
    EXPECT_TRUE(w.summaryText().contains(u"'\nWith the pieces: report.bat\n\n"_qs)) << w.summaryText().toStdString();
}

// With the desktop's disk service the disk option is the USB sticks and memory cards, listed as they come and go;
// internal disks are not among them.
TEST_F(Wizard, TheDiskOptionListsTheSticksPluggedIn) {
    StandInUDisks udisks;
    ASSERT_TRUE(udisks.running());
    ASSERT_TRUE(udisks.command(u"add S1 "_qs + folder(u"s1"_qs) + u" HOLIDAY vfat 8000000000"_qs));
    ASSERT_TRUE(udisks.command(u"add Own "_qs + folder(u"own"_qs) + u" HOME ext4 9000000000 system"_qs));
    WizardWindow& w = open();
    const QListWidget* list = w.destinationPage->diskList;
    const auto listed = [list] {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items.join(u'|');
    };
    EXPECT_EQ(w.destinationPage->floppyOption->text(), u"USB stic&ks and memory cards");
    EXPECT_EQ(listed(), u"HOLIDAY (FAT32): 7.5 GB, not mounted");
    ASSERT_TRUE(udisks.command(u"add S2 "_qs + folder(u"s2"_qs) + u" CARD exfat 2000000000"_qs));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return listed() == u"HOLIDAY (FAT32): 7.5 GB, not mounted|CARD (exfat): 1.9 GB, "
                           "not mounted";
    })) << listed().toStdString();
    ASSERT_TRUE(udisks.command(u"remove S1"_qs));
    ASSERT_TRUE(udisks.command(u"remove S2"_qs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == Text(Res::NoRemovableDiskListed); }))
        << listed().toStdString();
    // The job goes onto the sticks in pieces of the size chosen.
    show([](SplitJob& j) {
        j.MailSelected = false;
        j.FloppySelected = true;
        j.SizeIndex = 4;
        j.CustomSplitSize = u"700 MB"_qs;
    });
    EXPECT_TRUE(w.job().DesktopDisks);
    EXPECT_EQ(PieceSizeOf(w.job()), 700 * 1024 * 1024);
    EXPECT_TRUE(
        w.summaryText().contains(u"734,003,200 Bytes\n\nCreate splitfiles on:\n'USB sticks and memory cards'\n"))
        << w.summaryText().toStdString();
}

// The settings dialog the window opens looks up the server of an address typed while the server is empty, and
// again for another address while the server is the one it found; a server the user typed stays.
TEST_F(Wizard, TheSettingsDialogFindsTheServerOfTheAddress) {
    sender(u""_qs);
    WizardWindow& w = open();
    const std::tuple<const char*, const char*, const char*> steps[] = {
        // server typed first, address, then what the fields show
        {"", "jo@gmail.com", "serverField:smtp.gmail.com portField:465 securityField:SSL/TLS signInField:OAuth2"},
        {"", "jo@posteo.de", "serverField:posteo.de portField:587 securityField:STARTTLS signInField:Password"},
        {"mail.own.test", "jo@web.de",
         "serverField:mail.own.test portField:587 securityField:STARTTLS "
         "signInField:Password"},
    };
    const QString seen =
        OnModal([&] { w.onMailSettingsClicked(); },
                [&](QWidget* modal) {
                    auto* d = static_cast<MailSettingsDialog*>(modal);
                    for (const auto& [server, address, fields] : steps) {
                        if (*server)
                            d->serverField->setText(QString::fromUtf8(server));
                        d->addressField->setText(QString::fromUtf8(address));
                        emit d->addressField->editingFinished();
                        const auto shown = [&] {
                            return Look({d->serverField, d->portField, d->securityField, d->signInField});
                        };
                        EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == QString::fromUtf8(fields); }))
                            << address << ": " << shown().toStdString();
                        if (!*server) {
                            EXPECT_EQ(d->serverSourceLabel->text(),
                                      Text(Res::ServerFoundIn).arg(Text(Res::SourceProviderList)));
                        }
                    }
                    d->cancelButton->click();
                });
    EXPECT_EQ(seen, u"MailSettingsDialog");
}

TEST_F(Wizard, MissingMailSettingsOpenTheSettingsOnTheWayToTheSummaryOfAMailJob) {
    const std::tuple<bool, const char*, const char*, bool, const char*, const char*> cases[] = {
        // a mail job, setting, value, OK with a new name or Cancel, the dialog, the name stored after it
        {true, "FriendlyName", "", false, "MailSettingsDialog", ""},
        {true, "UseRAS", "-1", true, "MailSettingsDialog", "Joanna"}, // dial-up without a connection
        {true, "Host", "mail.x.test", true, "", "Jo"},                // complete: straight to the summary
        {false, "FriendlyName", "", true, "", ""},                    // a folder job needs no sender
        {false, "Host", "", true, "", "Jo"},
    };
    for (const auto& [mail, key, value, ok, dialog, name] : cases) {
        sender();
        store.set(u"UseRAS"_qs, u"0"_qs);
        store.set(QString::fromUtf8(key), QString::fromUtf8(value));
        open();
        show(
            [mail = mail](SplitJob& j) {
                j.MailSelected = mail, j.FilesOptionEnabled = true, j.SplitFolder = u"/srv/out"_qs;
                j.SendTo = u"to@x.test"_qs;
            },
            2);
        const QString shown = OnModal([&] { window->nextButton->click(); },
                                      [ok = ok](QWidget* modal) {
                                          auto* d = static_cast<MailSettingsDialog*>(modal);
                                          d->nameField->setText(u"Joanna"_qs);
                                          (ok ? d->okButton : d->cancelButton)->click();
                                      });
        EXPECT_EQ(shown + u'|' + state() + u'|' + store.get(u"FriendlyName"_qs),
                  QString::fromUtf8(dialog) + u"|3 BF|"_qs + QString::fromUtf8(name));
        EXPECT_TRUE(window->summaryPage->summaryLabel->text().contains(mail ? u"'to@x.test'"_qs : u"'/srv/out'"_qs));
    }
}

TEST_F(Wizard, FinishRunsTheJobAndStaysOpenOnlyWhenItFailed) {
    const QString source = file(u"report.zip"_qs, PatternBytes(2500000));
    const std::tuple<QString, const char*, QString> cases[] = {
        // source, custom size, the box
        {u"/nonexistent/report.zip"_qs, "", u"error ok: Cannot read the file to split '/nonexistent/report.zip'"_qs},
        {source, "1 MB", u"info ok: There were 3 splitfiles created."_qs},
    };
    for (const auto& [from, custom, told] : cases) {
        const bool fails = told.startsWith(u"error"_qs);
        WizardWindow& w = open();
        show(
            [&, custom = custom](SplitJob& j) {
                j.MailSelected = false, j.FilesOptionEnabled = true, j.SplitFolder = dir.path(), j.SourceFile = from;
                j.SizeIndex = 4, j.CustomSplitSize = QString::fromUtf8(custom);
            },
            3);
        shell = ScriptedShell();
        finish();
        EXPECT_TRUE(shell.told().startsWith(told)) << shell.told().toStdString();
        EXPECT_EQ(w.isVisible() + w.lastJobFailed(), fails ? 2 : 0);
        EXPECT_EQ(store.get(u"SplitDir"_qs) + u'|' + store.get(u"CustomSplitSize"_qs),
                  dir.path() + u'|' + QString::fromUtf8(custom));
        if (fails) {
            EXPECT_EQ(state() + Look({w.cancelButton}), u"3 BFcancelButton");
        }
    }
    EXPECT_EQ(Listing(dir.path()), u"report.001 report.002 report.003 report.bat report.sh report.sha256 report.zip");
    EXPECT_TRUE(ReadFile(dir.filePath(u"report.bat"_qs)).startsWith("@echo off\r\n")); // no lines for a .txt
}

// A mail job whose browser sign-in is missing or no longer taken asks for it before anything is split; signed in
// and OK, the job starts again with the new sign-in.
TEST_F(Wizard, AJobWithoutItsBrowserSignInOffersIt) {
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    const QString source = file(u"report.zip"_qs, PatternBytes(1000));
    const std::tuple<MsgResult, bool, const char*, int> cases[] = {
        // the answer, the browser signs in, what closes the dialog, the boxes shown
        {MsgResult::No, true, "", 1},
        {MsgResult::Yes, false, "cancelButton", 1},
        {MsgResult::Yes, true, "okButton", 2}, // the second is the job's own end
    };
    int n = 0;
    for (const auto& [answer, follows, closedBy, boxes] : cases) {
        SCOPED_TRACE(closedBy);
        OAuthServer server({u"--user"_qs, u"jo%1@x.test"_qs.arg(++n)});
        ASSERT_TRUE(server.running());
        SmtpServer smtp({u"--starttls"_qs, u"--bearer"_qs, server.folder() + u"/tokens"_qs});
        ASSERT_TRUE(smtp.running());
        ScopedEnv trust("SSL_CERT_FILE", smtp.folder().toUtf8() + "/cert.pem");
        ScopedEnv follow("XDG_OPEN_FOLLOW", follows ? "1" : "0");
        store.set(u"FromEMailAddress=jo%1@x.test\nLogin=oauth2\nOAuthClientId=test-client\nOAuthAuthorizeUrl=%2\n"
                  u"OAuthTokenUrl=%3\nHost=127.0.0.1\nSecurity=starttls\nPort=%4"_qs.arg(n)
                      .arg(server.authorizeUrl(), server.tokenUrl(), smtp.host().section(u':', 1)));
        WizardWindow& w = open();
        show([&](SplitJob& j) { j.MailSelected = true, j.SendTo = u"to@x.test"_qs, j.SourceFile = source; }, 3);
        shell = ScriptedShell();
        shell.answer(answer);
        QString status;
        const QString seen = OnModal(
            [&] { finish(); },
            [&](QWidget* modal) {
                auto* d = static_cast<MailSettingsDialog*>(modal);
                // The sign-in under way shows Cancel on its button until it ends.
                if (follows) {
                    EXPECT_TRUE(QTest::qWaitFor([&] { return d->signInButton->text() != u"Cancel S&ign-In"; }, 20000));
                }
                status = d->signInStatusLabel->text();
                d->findChild<QPushButton*>(QString::fromUtf8(closedBy))->click();
            });
        EXPECT_EQ(seen, *closedBy ? u"MailSettingsDialog" : u"");
        ASSERT_EQ(static_cast<int>(shell.boxes.size()), boxes) << shell.told().toStdString();
        EXPECT_EQ(shell.boxes[0].text,
                  u"jo%1@x.test has not signed in with 127.0.0.1 yet. Run brevimo /login, or "
                  u"click Sign In... in the e-mail settings.\n\nSign in again in the browser now?"_qs.arg(n));
        EXPECT_TRUE(status.startsWith(follows ? u"Signed in as"_qs : u"Sign in with 127.0.0.1 in your browser"_qs) ||
                    !*closedBy)
            << status.toStdString();
        EXPECT_EQ(server.requests().join(u'|'),
                  follows && *closedBy ? u"authorize code|token authorization_code ok" : u"");
        // Signed in, the job starts again and signs in with the new token.
        EXPECT_EQ(w.lastJobFailed(), boxes == 1);
        EXPECT_EQ(smtp.messageCount(), boxes - 1);
        EXPECT_EQ(smtp.logins().join(u'|').section(u':', 0, 0),
                  boxes == 1 ? QString() : u"jo%1@x.test OAUTHBEARER"_qs.arg(n));
        EXPECT_EQ(Listing(dir.path()), u"report.zip"); // nothing was split beside the source
    }
}

// The window lives while a job runs (a timer ticks meanwhile), and Cancel stops the job: a split after the
// piece under way, without a batch file; a mail series after the message under way, which the server takes whole.
TEST_F(Wizard, CancelStopsTheRunningJob) {
    const QString big = dir.filePath(u"big.zip"_qs);
    QFile sparse(big);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(300 << 20));
    sparse.close();
    const QString out = folder(u"out"_qs);
    SmtpServer server({u"--delay-message"_qs, u"2"_qs, u"--delay"_qs, u"1"_qs});
    ASSERT_TRUE(server.running());
    sender(server.host());
    const QString splitStopped = u"The split of '"_qs + big + u"' was stopped by Cancel.\n'"_qs + out +
                                 u"' holds * and no batch file: the set is not complete. *"_qs;
    const std::tuple<bool, bool, const char*, QString> cases[] = {
        // a mail job, the window closed instead of Cancel, the progress line at which that happens (at 100 %, for
        // a message), a box told
        {false, false, "Writing: ", splitStopped},
        {true, false, "Send message: 'report.zip 2 of 3'",
         u"Message 3 of 3 was not sent: the job was stopped by Cancel. Messages 1 to 2 were sent."_qs},
        {false, true, "Writing: ", splitStopped}, // after the question, answered Yes
    };
    for (const auto& [mail, closing, at, told] : cases) {
        WizardWindow& w = open();
        show(
            [&, mail = mail](SplitJob& j) {
                j.MailSelected = mail, j.FilesOptionEnabled = !mail, j.SplitFolder = out, j.SendTo = u"to@x.test"_qs;
                j.SourceFile = mail ? file(u"report.zip"_qs, PatternBytes(2500000)) : big;
            },
            3);
        shell = ScriptedShell();
        shell.answer(MsgResult::Yes);
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ticks += w.jobRunning(); });
        timer.start(5);
        bool done = false;
        shell.onProgress = [&, at = at, mail = mail, closing = closing](int percent) {
            if (!done && shell.progress.back().second.startsWith(QString::fromUtf8(at)) && (!mail || percent == 100))
                done = true, closing ? (void)w.close() : w.cancelButton->click();
        };
        finish();
        EXPECT_GT(ticks, 0);
        const auto texts = shell.texts();
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return Matches(t, told); }))
            << shell.told().toStdString();
        EXPECT_EQ(closing ? shell.texts()[0] : QString(), closing ? Text(Res::StopTheJob) : QString());
        EXPECT_EQ(QString::number(w.isVisible()) + QString::number(w.lastJobFailed()) + Look({w.cancelButton}),
                  closing ? u"01cancelButton"_qs : u"11cancelButton"_qs);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"out/big.bat"_qs)));
    }
    EXPECT_EQ(server.messageCount(), 2);
}

TEST_F(Wizard, FolderPickerTakesTheChoiceAndKeepsTheBoxOnCancel) {
    folder(u"chosen"_qs);
    WizardWindow& w = open();
    w.destinationPage->folderField->setText(dir.path());
    EXPECT_EQ(InFileDialog([&] { w.destinationPage->onChooseFolderClicked(); }, dir.path(), {u"chosen"_qs}),
              u"Select the folder for the splitfiles|"_qs + dir.path() + u"|All Files (*)|Directories|file"_qs);
    EXPECT_TRUE(InFileDialog([&] { w.destinationPage->onChooseFolderClicked(); }, {}, {})
                    .startsWith(u"Select the folder for the splitfiles|"_qs));
    EXPECT_EQ(w.destinationPage->folderField->text(), dir.filePath(u"chosen"_qs));
}

// Opened with a piece: the join page alone, what it found and what is missing, Finish only for a whole set; the
// folder of the rest added, Finish joins it and the window closes. "Split This File Instead" goes to the split pages.
TEST_F(Wizard, TheJoinPageFindsChecksAndJoinsASet) {
    const QByteArray bytes = PatternBytes(2500000);
    const QString pieces = folder(u"pieces"_qs), disk2 = folder(u"disk2"_qs), out = folder(u"out"_qs);
    ASSERT_EQ(SplitFile(file(u"src/report.zip"_qs, bytes), 1 << 20, pieces, false, shell, true), 3);
    QFile::rename(pieces + u"/report.003"_qs, disk2 + u"/report.003"_qs);
    WizardWindow& w = open();
    show([&](SplitJob& j) { j.JoinSource = pieces + u"/report.001"_qs; });
    JoinPage& page = *w.joinPage;
    EXPECT_EQ(state() + QString::number(page.isVisible()), u" 1"_qs);
    EXPECT_EQ(page.setLabel->text(),
              u"2 of 3 pieces found (2,097,152 bytes): report.001 to report.002.\nRead from: "_qs + pieces +
                  u"/report.sha256\nMissing: report.003. Copy them beside the others, "
                  "or add the folder that holds them."_qs);
    EXPECT_EQ(page.nameField->text() + u'|' + page.folderField->text(), u"report.zip|"_qs + pieces);
    EXPECT_TRUE(page.freeLabel->text().startsWith(u"Free in the folder: "_qs));
    EXPECT_EQ(InFileDialog([&] { page.addFolderButton->click(); }, dir.path(), {u"disk2"_qs}).section(u'|', 0, 0),
              u"Add Folder..."_qs);
    EXPECT_EQ(state(), u" F"_qs);
    EXPECT_TRUE(
        page.setLabel->text().startsWith(u"3 of 3 pieces found (2,500,000 bytes): report.001 to report.003."_qs));
    page.folderField->setText(out);
    page.nameField->setText(u"back.zip"_qs);
    shell = ScriptedShell();
    finish();
    EXPECT_EQ(shell.told(), u"info ok: '"_qs + out +
                                u"/back.zip' is rebuilt from 3 pieces, and each piece and the "
                                "file have the checksums in '"_qs +
                                pieces + u"/report.sha256'."_qs);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(ReadFile(out + u"/back.zip"_qs) == bytes);
    EXPECT_EQ(Listing(out), u"back.zip"_qs);

    // Cancel while the question whether to replace a file is up, answered Yes: the join stops before its first
    // byte, says so, and the file there stays as it was.
    WriteFile(out + u"/report.zip"_qs, "old");
    open();
    show([&](SplitJob& j) {
        j.JoinSource = pieces + u"/report.sha256"_qs, j.JoinFolder = out, j.JoinFolders = {disk2};
    });
    shell = ScriptedShell();
    shell.answer(MsgResult::Yes);
    shell.onBox = [&](const MsgBoxRequest&) { window->cancelButton->click(); };
    finish();
    EXPECT_EQ(shell.last(),
              u"The join into '"_qs + out + u"/report.zip' was stopped by Cancel. Nothing was written."_qs);
    EXPECT_EQ(Listing(out) + u'|' + QString::fromLatin1(ReadFile(out + u"/report.zip"_qs)),
              u"back.zip report.zip|old"_qs);
    EXPECT_EQ(state() + QString::number(window->isVisible()), u" F1"_qs);

    open();
    show([&](SplitJob& j) { j.JoinSource = disk2 + u"/report.003"_qs; });
    window->joinPage->splitInsteadButton->click();
    EXPECT_EQ(state() + QString::number(window->joinPage->isVisible()), u"1 BN0"_qs);
    EXPECT_EQ(window->job().SourceFile + window->job().JoinSource, disk2 + u"/report.003"_qs);
}

// The source archive page: its buttons with scripted file dialogs, real archives on disk, the list and the info
// line, the subject and the destination option it touches.
class TheSourcePage : public Wizard {
protected:
    TheSourcePage() : w(open()) { w.destinationPage->subjectField->clear(); }
    QString click(QPushButton* button, const QString& folder, const QStringList& names) {
        return InFileDialog([button] { button->click(); }, folder, names);
    }
    QString add(const QString& path) {
        return click(w.sourcePage->addFilesButton, QFileInfo(path).path(), {QFileInfo(path).fileName()});
    }
    // The list, then the info line.
    QString listed() const {
        QStringList names;
        for (int i = 0; i < w.sourcePage->entryList->count(); ++i)
            names << w.sourcePage->entryList->item(i)->text();
        return names.join(u' ') + u" ("_qs + w.sourcePage->archiveSizes->text() + u')';
    }
    void remove(const QString& name) {
        const auto items = w.sourcePage->entryList->findItems(name, Qt::MatchExactly);
        w.sourcePage->entryList->setCurrentItem(items.value(0));
        w.sourcePage->removeButton->click();
    }

    WizardWindow& w;
};

// The ".zip" completion looks at the last four characters in any case.
TEST_F(TheSourcePage, NewNamesAndTheFirstAddCreatesWithZipAppended) {
    file(u"first/notes.txt"_qs, "notes, first folder");
    file(u"first/table.csv"_qs, "1;2;3\n");
    file(u"first/README"_qs, "no dot, listed all the same\n");
    const QString later = file(u"second/notes.txt"_qs, "notes from the second folder, the later one");
    EXPECT_EQ(click(w.sourcePage->newButton, dir.path(), {u"backup.Zip2"_qs}),
              u"Create a new ZIP archive|"_qs + QDir(QDir::tempPath()).absolutePath() +
                  u"|ZIP Files (*.zip),All Files (*)|ZIP Files (*.zip)|save"_qs);
    EXPECT_EQ(w.sourcePage->sourceField->text(), dir.filePath(u"backup.Zip2"_qs));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"backup.Zip2"_qs))) << "New only names the archive";
    EXPECT_TRUE(w.destinationPage->filesOption->isEnabled());
    EXPECT_EQ(w.destinationPage->subjectField->text(), u"Splitmail of <backup.Zip2>");

    EXPECT_EQ(click(w.sourcePage->addFilesButton, dir.filePath(u"first"_qs),
                    {u"notes.txt"_qs, u"table.csv"_qs, u"README"_qs}),
              u"Add files to the ZIP archive|"_qs + dir.path() +
                  u"|All Files (*)|All Files (*)|files"_qs); // in the last folder
    EXPECT_EQ(w.sourcePage->sourceField->text(), dir.filePath(u"backup.Zip2.zip"_qs));
    EXPECT_EQ(w.destinationPage->subjectField->text(), u"Splitmail of <backup.Zip2>")
        << "Add keeps the subject New set";
    EXPECT_TRUE(listed().startsWith(u"notes.txt table.csv README ("_qs) && listed().endsWith(u" / 53)"_qs))
        << listed().toStdString();
    // The same name from another folder: one entry, the later file.
    EXPECT_EQ(add(later).section(u'|', 1, 1), dir.filePath(u"first"_qs));
    EXPECT_TRUE(listed().startsWith(u"notes.txt table.csv README ("_qs) && listed().endsWith(u" / 77)"_qs))
        << listed().toStdString();
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_FALSE(shell.busy);
}

TEST_F(TheSourcePage, OpenRemoveAndTheListKeptWhenNothingChanged) {
    const QString zip = dir.filePath(u"have.ZIP"_qs);
    w.sourcePage->sourceField->setText(zip);
    w.sourcePage->removeButton->click(); // with an empty list: nothing
    add(file(u"a.txt"_qs, "a"));
    w.destinationPage->subjectField->clear();
    add(file(u"b.txt"_qs, "b"));
    EXPECT_TRUE(w.destinationPage->subjectField->text().isEmpty())
        << "an Add to an existing archive leaves the subject alone";
    w.sourcePage->entryList->clear();
    EXPECT_EQ(click(w.sourcePage->openButton, dir.path(), {u"have.ZIP"_qs}).section(u'|', 2),
              u"ZIP Files (*.zip),All Files (*)|All Files (*)|file"); // every file offered first
    EXPECT_TRUE(listed().startsWith(u"a.txt b.txt ("_qs));
    EXPECT_EQ(w.destinationPage->subjectField->text(), u"Splitmail of <have.ZIP>");
    EXPECT_TRUE(w.destinationPage->filesOption->isEnabled());
    // New after Open keeps the list and line until the next Add or Open; a cancelled dialog changes nothing.
    const QString before = listed();
    click(w.sourcePage->newButton, dir.path(), {u"other.zip"_qs});
    click(w.sourcePage->openButton, {}, {});
    click(w.sourcePage->addFilesButton, {}, {});
    EXPECT_EQ(listed(), before);
    EXPECT_EQ(w.sourcePage->sourceField->text(), dir.filePath(u"other.zip"_qs));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"other.zip"_qs)));

    // Remove takes the selected entry; with none selected nothing goes; the last leaves an empty archive and
    // the list as it was.
    click(w.sourcePage->openButton, dir.path(), {u"have.ZIP"_qs});
    w.sourcePage->entryList->setCurrentRow(-1);
    w.sourcePage->removeButton->click();
    EXPECT_TRUE(listed().startsWith(u"a.txt b.txt ("_qs));
    remove(u"a.txt"_qs);
    const QString one = listed();
    EXPECT_TRUE(one.startsWith(u"b.txt ("_qs));
    remove(u"b.txt"_qs);
    EXPECT_EQ(listed(), one);
    EXPECT_EQ(QFileInfo(zip).size(), 22);
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_FALSE(shell.busy);
}

// Open takes any file: one that does not list is the source as it is, said under the list and not in a box.
TEST_F(TheSourcePage, FilesThatDoNotListAreSplitAsTheyAre) {
    const QString zip = dir.filePath(u"good.zip"_qs);
    w.sourcePage->sourceField->setText(zip);
    add(file(u"a.txt"_qs, QByteArray(3000, 'q')));
    const QByteArray bytes = ReadFile(zip);
    const QString letter = file(u"letter.zip"_qs, "Dear Jo,\n");
    // the end of the archive, which says where its directory lies, but not what lies there
    file(u"damaged.zip"_qs, bytes.left(100) + bytes.right(22));
    file(u"film.mkv"_qs, PatternBytes(70000));
    const QString notListed = u" (The ZIP archive cannot be listed: the file is split as it is.)"_qs;
    const QString notZip = u" (Not a ZIP archive: the file is split as it is.)"_qs;
    const std::tuple<QPushButton*, QString, const char*, QString, QString> cases[] = {
        // button, the name box, chosen in the dialog, told, the list and line afterwards
        {w.sourcePage->openButton, zip, "damaged.zip", {}, notListed},
        {w.sourcePage->openButton, zip, "good.zip", {}, u"a.txt ("_qs},
        {w.sourcePage->openButton, zip, "film.mkv", {}, notZip},
        {w.sourcePage->addFilesButton, letter, "a.txt",
         u"error ok: The archive '"_qs + letter + u"' was not changed."_qs, notZip},
    };
    for (const auto& [button, name, chosen, told, after] : cases) {
        SCOPED_TRACE(chosen);
        shell = ScriptedShell();
        w.sourcePage->sourceField->setText(name);
        click(button, dir.path(), {QString::fromUtf8(chosen)});
        EXPECT_EQ(shell.told().left(told.size()), told);
        EXPECT_EQ(shell.boxes.empty(), told.isEmpty());
        EXPECT_EQ(listed().left(after.size()), after);
        EXPECT_FALSE(shell.busy);
        if (button == w.sourcePage->openButton) {
            EXPECT_EQ(w.sourcePage->sourceField->text(), dir.filePath(QString::fromUtf8(chosen)));
            // the tool-tip names the file and why it does not list
            EXPECT_EQ(w.sourcePage->archiveSizes->toolTip().contains(dir.filePath(QString::fromUtf8(chosen))),
                      after != u"a.txt (");
        }
    }
    EXPECT_TRUE(w.destinationPage->filesOption->isEnabled());
    EXPECT_EQ(ReadFile(letter), "Dear Jo,\n");
}

} // namespace
