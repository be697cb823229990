#pragma once

#include "job/JobDriver.h"
#include "mail/SeriesRecord.h"
#include "settings/Settings.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A job with a folder of its own, settings in memory and the scripted user.
class JobTest : public ::testing::Test {
protected:
    JobTest() : settings(store, QStringLiteral("/opt/brevimo"), [] { return false; }) {}

    // Writes a file under the test's folder and returns its path.
    QString file(const QString& name, const QByteArray& bytes) {
        WriteFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    // A new folder under the test's folder.
    QString folder(const QString& name) {
        QDir().mkpath(dir.filePath(name));
        return dir.filePath(name);
    }
    // A sender and a mail server, as the settings dialog stores them.
    void sender(const QString& host = QStringLiteral("mail.x.test")) {
        store.set(QStringLiteral("FriendlyName=Jo\nFromEMailAddress=jo@x.test\nHost=") + host);
    }
    void toDisk(const QString& folder, bool floppy = false) {
        job.MailSelected = false;
        job.FilesOptionEnabled = true;
        job.FloppySelected = floppy;
        job.SplitFolder = folder;
    }
    // One run of the program: its settings are read afresh from the store.
    bool run() {
        Settings fresh(store, QStringLiteral("/opt/brevimo"), [] { return false; });
        return JobDriver(job, fresh, shell).run();
    }
    // Removes what earlier jobs of the test kept, so that a job starts without a stopped series of it.
    static void forgetKeptSeries() {
        for (const QString& kept : keptFolders())
            QDir(kept).removeRecursively();
    }
    // The folders that jobs left: mail series in the user's own folder, others in this test's temporary folder.
    static QStringList keptFolders() {
        QStringList all;
        for (const auto& [folder, pattern] :
             {std::pair{SeriesHome(), QStringLiteral("series-*")}, {QDir::tempPath(), QStringLiteral("brevimo-*")}})
            for (const QString& name : QDir(folder).entryList({pattern}, QDir::Dirs | QDir::NoDotAndDotDot))
                all << folder + u'/' + name;
        return all;
    }

    QTemporaryDir dir;
    MemoryStore store;
    Settings settings;
    ScriptedShell shell;
    SplitJob job;
};
