// The source archive page offscreen: its buttons with scripted file dialogs, real archives on disk, the list
// and the info line, the subject and the destination option it touches.

#include "app/frmMain.h"
#include "gui/Modal.h"
#include "support/JobTest.h"

#include <QtWidgets>

namespace {

class ArchivePage : public JobTest {
protected:
    ArchivePage() : w(settings, shell) {
        sender();
        w.Form_Load();
        w.show();
        w.txtSubject->clear();
    }
    // Clicks the button; the dialog that opens gets `names` of `folder`, or is cancelled for none. Returns what
    // the dialog showed: "title|folder|filters|mode".
    QString click(QPushButton* button, const QString& folder, const QStringList& names) {
        QString shown;
        WhenModal pick([&](QWidget* modal) {
            auto* d = qobject_cast<QFileDialog*>(modal);
            shown = QStringList{d->windowTitle(), d->directory().absolutePath(), d->nameFilters().join(u','),
                                d->acceptMode() == QFileDialog::AcceptSave    ? u"save"_qs
                                : d->fileMode() == QFileDialog::ExistingFiles ? u"files"_qs
                                                                              : u"file"_qs}
                        .join(u'|');
            if (names.isEmpty())
                d->reject();
            else
                ChooseInFileDialog(d, folder, names);
        });
        button->click();
        EXPECT_TRUE(pick.happened());
        return shown;
    }
    QString add(const QString& path) {
        return click(w.cmdAddFile, QFileInfo(path).path(), {QFileInfo(path).fileName()});
    }
    // The list, then the info line.
    QString listed() const {
        QStringList names;
        for (int i = 0; i < w.lbFiles->count(); ++i)
            names << w.lbFiles->item(i)->text();
        return names.join(u' ') + u" ("_qs + w.lblZipInfo->text() + u')';
    }
    void remove(const QString& name) {
        const auto items = w.lbFiles->findItems(name, Qt::MatchExactly);
        w.lbFiles->setCurrentItem(items.value(0));
        w.cmdRemove->click();
    }

    frmMain w;
};

TEST_F(ArchivePage, AddAndRemoveFollowTheNameBox) {
    EXPECT_TRUE(w.cmdNew->isEnabled() && w.cmdOpen->isEnabled());
    for (const QString& name : {u""_qs, u"x"_qs, u""_qs}) {
        w.txtZipFilename->setText(name);
        EXPECT_EQ(w.cmdAddFile->isEnabled() + w.cmdRemove->isEnabled(), name.isEmpty() ? 0 : 2);
    }
    EXPECT_FALSE(w.optFiles->isEnabled());
    job = w.Job(); // a source from the command line enables them as typing does
    job.SourceFile = u"/data/report.zip"_qs;
    w.ShowJob(job);
    EXPECT_TRUE(w.cmdAddFile->isEnabled());
}

TEST_F(ArchivePage, NewNamesAndTheFirstAddCreatesWithZipAppended) {
    file(u"first/notes.txt"_qs, "notes, first folder");
    file(u"first/table.csv"_qs, "1;2;3\n");
    const QString later = file(u"second/notes.txt"_qs, "notes from the second folder, the later one");
    EXPECT_EQ(click(w.cmdNew, dir.path(), {u"backup"_qs}), u"Create new ZIP-File|"_qs +
                                                               QDir(QDir::tempPath()).absolutePath() +
                                                               u"|ZIP Files (*.zip),All Files (*.*)|save"_qs);
    EXPECT_EQ(w.txtZipFilename->text(), dir.filePath(u"backup"_qs));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"backup"_qs))) << "New only names the archive";
    EXPECT_TRUE(w.optFiles->isEnabled());
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <backup>");

    EXPECT_EQ(click(w.cmdAddFile, dir.filePath(u"first"_qs), {u"notes.txt"_qs, u"table.csv"_qs}),
              u"Add File to ZIP|"_qs + dir.path() + u"|All Files (*.*)|files"_qs); // it starts in the last folder
    EXPECT_EQ(w.txtZipFilename->text(), dir.filePath(u"backup.zip"_qs));
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <backup>") << "Add keeps the subject New set";
    EXPECT_TRUE(listed().startsWith(u"notes.txt table.csv ("_qs) && listed().endsWith(u" / 25)"_qs))
        << listed().toStdString();
    // The same name from another folder: one entry, the later file.
    EXPECT_EQ(add(later).section(u'|', 1, 1), dir.filePath(u"first"_qs));
    EXPECT_TRUE(listed().startsWith(u"notes.txt table.csv ("_qs) && listed().endsWith(u" / 49)"_qs))
        << listed().toStdString();
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_FALSE(shell.busy);
}

TEST_F(ArchivePage, TheZipCompletionLooksAtTheLastFourCharacters) {
    const QString f = file(u"f.txt"_qs, "f");
    for (const auto& [typed, becomes] : {std::pair{"Data.Zip", "Data.Zip"},
                                         {"LOUD.ZIP", "LOUD.ZIP"},
                                         {"x.zip2", "x.zip2.zip"},
                                         {"plain", "plain.zip"}}) {
        w.txtZipFilename->setText(dir.filePath(QString::fromUtf8(typed)));
        add(f);
        EXPECT_EQ(w.txtZipFilename->text(), dir.filePath(QString::fromUtf8(becomes)));
        EXPECT_TRUE(QFileInfo(w.txtZipFilename->text()).isFile());
    }
    // The subject came from the first new name, with its extension; later ones left it alone.
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <Data.Zip>");
}

TEST_F(ArchivePage, OpenRemoveAndTheListKeptWhenNothingChanged) {
    const QString zip = dir.filePath(u"have.zip"_qs);
    w.txtZipFilename->setText(zip);
    w.cmdRemove->click(); // with an empty list: nothing
    add(file(u"a.txt"_qs, "a"));
    w.txtSubject->clear();
    add(file(u"b.txt"_qs, "b"));
    EXPECT_TRUE(w.txtSubject->text().isEmpty()) << "an Add to an existing archive leaves the subject alone";
    w.lbFiles->clear();
    EXPECT_EQ(click(w.cmdOpen, dir.path(), {u"have.zip"_qs}).section(u'|', 3), u"file");
    EXPECT_TRUE(listed().startsWith(u"a.txt b.txt ("_qs));
    EXPECT_EQ(w.txtSubject->text(), u"Splitmail of <have.zip>");
    EXPECT_TRUE(w.optFiles->isEnabled());
    // New after Open keeps the list and line until the next Add or Open; a cancelled dialog changes nothing.
    const QString before = listed();
    click(w.cmdNew, dir.path(), {u"other.zip"_qs});
    click(w.cmdOpen, {}, {});
    click(w.cmdAddFile, {}, {});
    EXPECT_EQ(listed(), before);
    EXPECT_EQ(w.txtZipFilename->text(), dir.filePath(u"other.zip"_qs));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"other.zip"_qs)));

    // Remove takes the selected entry; with none selected nothing goes; the last leaves an empty archive and
    // the list as it was.
    click(w.cmdOpen, dir.path(), {u"have.zip"_qs});
    w.lbFiles->setCurrentRow(-1);
    w.cmdRemove->click();
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

TEST_F(ArchivePage, FailuresAreToldAndTheListIsKept) {
    const QString zip = dir.filePath(u"good.zip"_qs);
    w.txtZipFilename->setText(zip);
    add(file(u"a.txt"_qs, QByteArray(3000, 'q')));
    const QString before = listed();
    const QByteArray bytes = ReadFile(zip);
    const QString letter = file(u"letter.zip"_qs, "Dear Jo,\n");
    file(u"damaged.zip"_qs, bytes.left(bytes.size() / 2));
    const std::tuple<QPushButton*, QString, const char*, QString> cases[] = {
        // button, the name box, chosen in the dialog, told
        {w.cmdOpen, zip, "damaged.zip", u"warning ok: Zip-Error "_qs},
        {w.cmdAddFile, letter, "a.txt", u"error ok: The archive '"_qs + letter + u"' was not changed."_qs},
    };
    for (const auto& [button, name, chosen, told] : cases) {
        shell = ScriptedShell();
        w.txtZipFilename->setText(name);
        click(button, dir.path(), {QString::fromUtf8(chosen)});
        EXPECT_TRUE(shell.told().startsWith(told)) << shell.told().toStdString();
        EXPECT_EQ(listed(), before);
        EXPECT_FALSE(shell.busy);
    }
    EXPECT_EQ(ReadFile(letter), "Dear Jo,\n");
}

} // namespace
