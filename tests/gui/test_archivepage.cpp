// The source archive page offscreen: its buttons with scripted file dialogs, real archives on disk, the list
// and the info line, the subject and the destination option it touches.

#include "app/frmMain.h"
#include "gui/Modal.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// What a file dialog showed when it came up.
struct Shown {
    QString title;
    QString folder;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
};

class ArchivePage : public ::testing::Test {
protected:
    ArchivePage() : settings(store, QStringLiteral("/opt/brevimo"), [] { return false; }) {
        store.set(u"FriendlyName"_qs, u"Jo"_qs);
        store.set(u"FromEMailAddress"_qs, u"jo@x.test"_qs);
        store.set(u"Host"_qs, u"mail.x.test"_qs);
        window = std::make_unique<frmMain>(settings, shell);
        window->Form_Load();
        window->show();
        window->txtSubject->clear();
    }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString p = dir.filePath(name);
        QDir().mkpath(QFileInfo(p).path());
        WriteFile(p, bytes);
        return p;
    }

    // Clicks the button; the dialog that opens gets `names` from `folder` (one name: a full path typed).
    Shown click(QPushButton* button, const QString& folder, const QStringList& names) {
        Shown shown;
        WhenModal pick([&](QWidget* modal) {
            auto* d = qobject_cast<QFileDialog*>(modal);
            if (!d)
                return;
            shown = {d->windowTitle(), d->directory().absolutePath(), d->nameFilters(), d->fileMode(), d->acceptMode()};
            if (names.isEmpty()) {
                d->reject();
            } else if (d->fileMode() == QFileDialog::ExistingFiles) {
                // Typed as names in their own folder: a full path typed here also selects the file of that
                // name in the folder the dialog shows, and the dialog then returns both.
                const QFileInfo one(QDir(folder).filePath(names[0]));
                if (names.size() == 1)
                    ChooseFilesInFileDialog(d, one.path(), {one.fileName()});
                else
                    ChooseFilesInFileDialog(d, folder, names);
            } else {
                ChooseInFileDialog(d, QDir(folder).filePath(names[0]));
            }
        });
        button->click();
        EXPECT_TRUE(pick.happened());
        return shown;
    }

    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < window->lbFiles->count(); ++i)
            names << window->lbFiles->item(i)->text();
        return names;
    }

    void select(const QString& name) {
        const auto items = window->lbFiles->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        window->lbFiles->setCurrentItem(items[0]);
    }

    QTemporaryDir dir;
    MemoryStore store;
    Settings settings;
    ScriptedShell shell;
    std::unique_ptr<frmMain> window;
};

TEST_F(ArchivePage, AddAndRemoveFollowTheNameBox) {
    frmMain& w = *window;
    EXPECT_FALSE(w.cmdAddFile->isEnabled());
    EXPECT_FALSE(w.cmdRemove->isEnabled());
    EXPECT_TRUE(w.cmdNew->isEnabled());
    EXPECT_TRUE(w.cmdOpen->isEnabled());
    EXPECT_FALSE(w.optFiles->isEnabled());
    w.txtZipFilename->setText(u"x"_qs);
    EXPECT_TRUE(w.cmdAddFile->isEnabled());
    EXPECT_TRUE(w.cmdRemove->isEnabled());
    w.txtZipFilename->clear();
    EXPECT_FALSE(w.cmdAddFile->isEnabled());
    // A source from the command line enables them as typing does.
    SplitJob job = w.Job();
    job.SourceFile = u"/data/report.zip"_qs;
    w.ShowJob(job);
    EXPECT_TRUE(w.cmdAddFile->isEnabled());
}

TEST_F(ArchivePage, NewNamesAndTheFirstAddCreatesWithZipAppended) {
    frmMain& w = *window;
    file(u"first/notes.txt"_qs, "notes, first folder");
    file(u"first/table.csv"_qs, "1;2;3\n");
    const QString b = file(u"second/notes.txt"_qs, "notes from the second folder, the later one");

    const Shown shownNew = click(w.cmdNew, dir.path(), {u"backup"_qs});
    EXPECT_EQ(shownNew.title, u"Create new ZIP-File");
    EXPECT_EQ(shownNew.folder, QDir(QDir::tempPath()).absolutePath());
    EXPECT_EQ(shownNew.filters, (QStringList{u"ZIP Files (*.zip)"_qs, u"All Files (*.*)"_qs}));
    EXPECT_EQ(shownNew.accept, QFileDialog::AcceptSave);
    const QString backup = dir.filePath(u"backup"_qs);
    EXPECT_EQ(w.txtZipFilename->text(), backup);
    EXPECT_FALSE(QFileInfo::exists(backup)) << "New only names the archive";
    EXPECT_TRUE(w.optFiles->isEnabled());
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <backup>");
    EXPECT_EQ(w.LastFolder, dir.path() + u'/');

    const Shown shownAdd = click(w.cmdAddFile, dir.filePath(u"first"_qs), {u"notes.txt"_qs, u"table.csv"_qs});
    EXPECT_EQ(shownAdd.title, u"Add File to ZIP");
    EXPECT_EQ(shownAdd.folder, dir.path()) << "the Add dialog starts in LastFolder";
    EXPECT_EQ(shownAdd.mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(shownAdd.filters, QStringList{u"All Files (*.*)"_qs});
    EXPECT_EQ(w.txtZipFilename->text(), backup + u".zip"_qs);
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <backup>") << "Add keeps the subject New set";
    EXPECT_EQ(listed(), (QStringList{u"notes.txt"_qs, u"table.csv"_qs}));
    EXPECT_TRUE(w.lblZipInfo->text().endsWith(u" / 25"_qs)) << w.lblZipInfo->text().toStdString();
    EXPECT_EQ(w.LastFolder, dir.filePath(u"first"_qs) + u'/');
    EXPECT_FALSE(shell.busy);

    // The same name from another folder: one entry, the later file.
    const Shown again = click(w.cmdAddFile, {}, {b});
    EXPECT_EQ(again.folder, dir.filePath(u"first"_qs));
    EXPECT_EQ(listed(), (QStringList{u"notes.txt"_qs, u"table.csv"_qs}));
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_TRUE(w.lblZipInfo->text().endsWith(u" / 49"_qs)) << "19 + 6 bytes became 43 + 6";
}

TEST_F(ArchivePage, TheZipCompletionLooksAtTheLastFourCharacters) {
    frmMain& w = *window;
    const QString f = file(u"f.txt"_qs, "f");
    struct Case {
        const char16_t* typed;
        const char16_t* becomes;
    };
    for (const Case c : {Case{u"Data.Zip", u"Data.Zip"}, Case{u"LOUD.ZIP", u"LOUD.ZIP"}, Case{u"x.zip2", u"x.zip2.zip"},
                         Case{u"plain", u"plain.zip"}}) {
        const QString typed = dir.filePath(QString::fromUtf16(c.typed));
        w.txtZipFilename->setText(typed);
        click(w.cmdAddFile, {}, {f});
        EXPECT_EQ(w.txtZipFilename->text(), dir.filePath(QString::fromUtf16(c.becomes)));
        EXPECT_TRUE(QFileInfo(w.txtZipFilename->text()).isFile());
    }
    // The subject came from the first new name, with its extension; later ones left it alone.
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <Data.Zip>");
}

TEST_F(ArchivePage, OpenListsAndAnExistingArchiveKeepsAnEmptySubject) {
    frmMain& w = *window;
    const QString zip = dir.filePath(u"have.zip"_qs);
    w.txtZipFilename->setText(zip);
    click(w.cmdAddFile, {}, {file(u"a.txt"_qs, "a")});
    w.txtSubject->clear();
    click(w.cmdAddFile, {}, {file(u"b.txt"_qs, "b")});
    EXPECT_TRUE(w.txtSubject->text().isEmpty()) << "an Add to an existing archive leaves the subject alone";

    // Open: its dialog, the list of the chosen archive, the subject when empty, optFiles.
    w.lbFiles->clear();
    const Shown shown = click(w.cmdOpen, {}, {zip});
    EXPECT_EQ(shown.title, u"Open existing ZIP-File");
    EXPECT_EQ(shown.mode, QFileDialog::ExistingFile);
    EXPECT_EQ(listed(), (QStringList{u"a.txt"_qs, u"b.txt"_qs}));
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <have.zip>");
    EXPECT_TRUE(w.optFiles->isEnabled());

    // New after Open keeps the old list and line until the next Add or Open.
    const QString info = w.lblZipInfo->text();
    click(w.cmdNew, dir.path(), {u"other.zip"_qs});
    EXPECT_EQ(listed(), (QStringList{u"a.txt"_qs, u"b.txt"_qs}));
    EXPECT_EQ(w.lblZipInfo->text(), info);

    // A cancelled dialog changes nothing.
    click(w.cmdOpen, {}, {});
    click(w.cmdAddFile, {}, {});
    EXPECT_EQ(w.txtZipFilename->text(), dir.filePath(u"other.zip"_qs));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"other.zip"_qs)));
    EXPECT_FALSE(shell.busy);
}

TEST_F(ArchivePage, RemoveTakesTheSelectedEntryOnly) {
    frmMain& w = *window;
    w.txtZipFilename->setText(dir.filePath(u"r.zip"_qs));
    // Remove with an empty list does nothing.
    w.cmdRemove->click();
    EXPECT_TRUE(shell.boxes.empty());
    click(w.cmdAddFile, dir.path(),
          {file(u"a.txt"_qs, "a").section(u'/', -1), file(u"b.txt"_qs, "b").section(u'/', -1)});
    ASSERT_EQ(listed(), (QStringList{u"a.txt"_qs, u"b.txt"_qs}));
    // Entries but none selected: nothing goes.
    w.lbFiles->clearSelection();
    w.lbFiles->setCurrentRow(-1);
    w.cmdRemove->click();
    EXPECT_EQ(listed(), (QStringList{u"a.txt"_qs, u"b.txt"_qs}));

    select(u"a.txt"_qs);
    w.cmdRemove->click();
    EXPECT_EQ(listed(), QStringList{u"b.txt"_qs});
    const QString info = w.lblZipInfo->text();
    // The last one: the archive stays, empty, and the list and line keep what they showed.
    select(u"b.txt"_qs);
    w.cmdRemove->click();
    EXPECT_EQ(listed(), QStringList{u"b.txt"_qs});
    EXPECT_EQ(w.lblZipInfo->text(), info);
    EXPECT_EQ(QFileInfo(dir.filePath(u"r.zip"_qs)).size(), 22);
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(ArchivePage, FailuresAreToldAndTheListIsKept) {
    frmMain& w = *window;
    const QString zip = dir.filePath(u"good.zip"_qs);
    w.txtZipFilename->setText(zip);
    click(w.cmdAddFile, {}, {file(u"a.txt"_qs, QByteArray(3000, 'q'))});
    const QStringList before = listed();
    const QString info = w.lblZipInfo->text();

    // A damaged archive: the Zip-Error box, the page as it was.
    const QByteArray bytes = ReadFile(zip);
    const QString damaged = file(u"damaged.zip"_qs, bytes.left(bytes.size() / 2));
    click(w.cmdOpen, {}, {damaged});
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_TRUE(shell.boxes[0].text.startsWith(u"Zip-Error "_qs)) << shell.boxes[0].text.toStdString();
    EXPECT_EQ(listed(), before);
    EXPECT_EQ(w.lblZipInfo->text(), info);

    // An Add to a file that is not an archive: told, and the file is not touched.
    shell.boxes.clear();
    const QString letter = file(u"letter.zip"_qs, "Dear Jo,\n");
    w.txtZipFilename->setText(letter);
    click(w.cmdAddFile, {}, {dir.filePath(u"a.txt"_qs)});
    ASSERT_FALSE(shell.boxes.empty());
    EXPECT_TRUE(shell.boxes[0].text.startsWith(u"The archive '"_qs + letter + u"' was not changed."_qs))
        << shell.boxes[0].text.toStdString();
    EXPECT_EQ(ReadFile(letter), "Dear Jo,\n");
    EXPECT_EQ(listed(), before);
    EXPECT_FALSE(shell.busy);
}

} // namespace

namespace {

// The whole way through the wizard: an archive built on the page from two folders, one entry taken out, split
// into a folder; the pieces rejoin to an archive that unzip tests clean.
TEST_F(ArchivePage, BuildAnArchiveAndSplitIt) {
    frmMain& w = *window;
    const QByteArray photo = PatternBytes(700000, 11);
    const QByteArray scan = PatternBytes(500000, 12);
    file(u"photos/photo.raw"_qs, photo);
    file(u"photos/thumb.raw"_qs, PatternBytes(1000, 13));
    file(u"scans/scan.raw"_qs, scan);
    const QString out = dir.filePath(u"out"_qs);
    QDir().mkpath(out);

    click(w.cmdNew, dir.path(), {u"holiday"_qs});
    click(w.cmdAddFile, dir.filePath(u"photos"_qs), {u"photo.raw"_qs, u"thumb.raw"_qs});
    click(w.cmdAddFile, {}, {dir.filePath(u"scans/scan.raw"_qs)});
    select(u"thumb.raw"_qs);
    w.cmdRemove->click();
    ASSERT_EQ(listed(), (QStringList{u"photo.raw"_qs, u"scan.raw"_qs}));
    const QString archive = dir.filePath(u"holiday.zip"_qs);

    w.cmdNext_Click();
    w.cmdNext_Click();
    w.optSize[0]->click();
    w.optFiles->click();
    w.optFolder->click();
    w.txtSplitFolder->setText(out);
    w.cmdNext_Click();
    EXPECT_TRUE(w.lblSumary->text().contains(archive));
    w.cmdFinish->click();
    EXPECT_FALSE(w.LastJobFailed);
    EXPECT_EQ(FolderEntries(out),
              (QStringList{u"holiday.001"_qs, u"holiday.002"_qs, u"holiday.003"_qs, u"holiday.bat"_qs}));

    const QString rebuilt = dir.filePath(u"rebuilt.zip"_qs);
    WriteFile(rebuilt, Concatenate({QDir(out).filePath(u"holiday.001"_qs), QDir(out).filePath(u"holiday.002"_qs),
                                    QDir(out).filePath(u"holiday.003"_qs)}));
    EXPECT_EQ(ReadFile(rebuilt), ReadFile(archive));
    QProcess unzip;
    unzip.start(u"unzip"_qs, {u"-p"_qs, rebuilt, u"scan.raw"_qs});
    ASSERT_TRUE(unzip.waitForFinished(60000));
    EXPECT_EQ(unzip.exitCode(), 0);
    EXPECT_EQ(unzip.readAllStandardOutput(), scan);
}

} // namespace
