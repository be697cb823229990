// Floppy output onto real mounted disks: each disk is a small tmpfs in the test's private mount namespace,
// and the scripted user changes it when a box asks for another disk.

#include "app/ResStrings.h"
#include "settings/Settings.h"
#include "split/BatchFile.h"
#include "split/FloppyWriter.h"
#include "split/JobDriver.h"
#include "split/PieceSize.h"
#include "split/RemovableDrive.h"
#include "split/SplitFile.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"
#include "support/TmpfsMount.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include <sys/mount.h>

namespace {

// A 1.44 MB disk: one piece, the batch file and Read_Me.txt fit.
constexpr int64_t kDiskBytes = 1474560;

using DiskContents = std::map<QString, QByteArray>; // relative path -> bytes; folders end in "/"

DiskContents contents(const QString& folder) {
    DiskContents c;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir())
            c[rel + u'/'] = {};
        else
            c[rel] = ReadFile(path);
    }
    return c;
}

QStringList names(const DiskContents& c) {
    QStringList n;
    for (const auto& [name, bytes] : c)
        n << name;
    return n;
}

class Floppy : public ::testing::Test {
public:
    void SetUp() override {
        drive = dir.filePath(u"floppy"_qs);
        temp = dir.filePath(u"temp"_qs);
        QDir().mkpath(drive);
        QDir().mkpath(temp);
        TmpfsMount probe(dir.filePath(u"floppy"_qs), kDiskBytes);
        if (!probe.available())
            GTEST_SKIP() << "no disk can be mounted here: " << probe.whyNot().toStdString();
    }

    void insert(int64_t bytes = kDiskBytes) {
        disk = std::make_unique<TmpfsMount>(drive, bytes);
        ASSERT_TRUE(disk->available()) << disk->whyNot().toStdString();
    }
    // The user takes the disk out, and the test keeps what was on it.
    void takeOut() {
        if (!disk)
            return;
        taken.push_back(contents(drive));
        disk.reset();
    }
    void change() {
        takeOut();
        insert();
    }
    // The user changes the disk whenever a box asks for the next one.
    void changeAtEveryPrompt() {
        shell.onBox = [this](const MsgBoxRequest& box) {
            if (box.text.startsWith(u"Please insert disk "_qs))
                change();
        };
    }

    // The series of source in temp, as the driver would leave it for the writer.
    int split(const QString& source) { return SplitFile(source, kFloppyPieceSize, temp, false, shell); }

    QString source(int64_t size) {
        const QString path = dir.filePath(u"report.zip"_qs);
        WriteFile(path, PatternBytes(size, 5));
        return path;
    }

    bool write(const QString& src, int count, const QString& body = u"Body text"_qs) {
        shell.progress.clear();
        return FloppyWriter(drive, body, shell).WriteToFloppies(src, count, temp);
    }

    QTemporaryDir dir;
    QString drive;
    QString temp;
    std::unique_ptr<TmpfsMount> disk;
    std::vector<DiskContents> taken;
    ScriptedShell shell;
};

TEST_F(Floppy, ThreeDisksThroughTheDriverRebuildTheSource) {
    MemoryStore store;
    Settings settings(store, u"/opt/brevimo"_qs, [] { return false; });
    settings.setFloppyDrive(drive);
    qputenv("TMPDIR", temp.toLocal8Bit());
    const QByteArray bytes = PatternBytes(2 * kFloppyPieceSize + 1000, 9);
    SplitJob job;
    job.SourceFile = dir.filePath(u"report.zip"_qs);
    WriteFile(job.SourceFile, bytes);
    job.MailSelected = false;
    job.FilesOptionEnabled = true;
    job.FloppySelected = true;
    job.SizeIndex = 3; // "2 MB": disks take their own size
    insert();
    changeAtEveryPrompt();
    shell.answer(MsgResult::Ok, MsgResult::Ok);

    const bool ok = JobDriver(job, settings, shell).StartProcess();
    takeOut();
    qunsetenv("TMPDIR");
    ASSERT_TRUE(ok);
    EXPECT_EQ(shell.texts(), (std::vector<QString>{u"Please insert disk 2 of 3 into drive "_qs + drive,
                                                   u"Please insert disk 3 of 3 into drive "_qs + drive,
                                                   u"Operation terminated successfully!"_qs}));
    EXPECT_EQ(shell.boxes[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(shell.boxes[0].icon, MsgIcon::Information);
    EXPECT_EQ(shell.boxes[2].icon, MsgIcon::Information);
    EXPECT_EQ(shell.boxes[2].buttons, MsgButtons::Ok);

    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(names(taken[0]), QStringList{u"report.001"_qs});
    EXPECT_EQ(names(taken[1]), QStringList{u"report.002"_qs});
    EXPECT_EQ(names(taken[2]), (QStringList{u"Read_Me.txt"_qs, u"report.003"_qs, u"report.bat"_qs}));
    EXPECT_EQ(taken[0].at(u"report.001"_qs).size(), kFloppyPieceSize);
    EXPECT_EQ(taken[0].at(u"report.001"_qs) + taken[1].at(u"report.002"_qs) + taken[2].at(u"report.003"_qs), bytes);
    EXPECT_EQ(taken[2].at(u"report.bat"_qs), BatchFileText(u"report.zip"_qs, u"report."_qs, 3, false));
    // The default body went into Read_Me.txt; the private temporary folder is gone.
    EXPECT_TRUE(taken[2].at(u"Read_Me.txt"_qs).startsWith(LoadResString(1044).left(20).toUtf8()));
    EXPECT_TRUE(FolderEntries(temp).isEmpty()) << FolderEntries(temp).join(u' ').toStdString();
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"3");
    EXPECT_FALSE(shell.busy);
}

TEST_F(Floppy, OnePieceNeedsOneDiskAndNoPrompt) {
    const QString src = source(5000);
    ASSERT_EQ(split(src), 1);
    insert();
    ASSERT_TRUE(write(src, 1, u"See you\nJo"_qs));
    EXPECT_TRUE(shell.boxes.empty());
    const DiskContents c = contents(drive);
    EXPECT_EQ(names(c), (QStringList{u"Read_Me.txt"_qs, u"report.001"_qs, u"report.bat"_qs}));
    EXPECT_EQ(c.at(u"report.001"_qs), ReadFile(src));

    // Read_Me.txt: the body, two line breaks, 75 hyphens, the footer; CR LF throughout and none at the end.
    const QByteArray readMe = c.at(u"Read_Me.txt"_qs);
    EXPECT_EQ(readMe, "See you\r\nJo\r\n\r\n" + QByteArray(75, '-') +
                          "\r\nCreated using Brevimo. To get your own copy, go to: " + kMakerAddress);
    // A body that has CR LF already keeps them single.
    EXPECT_TRUE(ReadMeText(u"a\r\nb"_qs).startsWith("a\r\nb\r\n\r\n---"));
    EXPECT_TRUE(FolderEntries(temp).isEmpty());
}

TEST_F(Floppy, ProgressForTwoDisks) {
    const QString src = source(kFloppyPieceSize + 10);
    ASSERT_EQ(split(src), 2);
    insert();
    changeAtEveryPrompt();
    shell.answer(MsgResult::Ok);
    ASSERT_TRUE(write(src, 2));
    std::vector<int> percents;
    for (const auto& [p, text] : shell.progress)
        percents.push_back(p);
    EXPECT_EQ(percents, (std::vector<int>{1, 33, 50, 67, 83, 100, 100}));
    const QString to = u"' to "_qs + drive;
    EXPECT_EQ(shell.progress[1].second, u"Copy: 'report.001"_qs + to);
    EXPECT_EQ(shell.progress[2].second, u"Copied: 'report.001"_qs + to);
    EXPECT_EQ(shell.progress[5].second, u"Copy: 'report.bat"_qs + to);
    EXPECT_EQ(shell.progress[6].second, u"Delete temporary splitfiles"_qs);
}

TEST_F(Floppy, YesEmptiesTheTopFolderAndCopiesWithoutAskingAgain) {
    const QString src = source(3000);
    ASSERT_EQ(split(src), 1);
    insert();
    WriteFile(QDir(drive).filePath(u"old letter.txt"_qs), PatternBytes(20000, 1));
    WriteFile(QDir(drive).filePath(u".hidden"_qs), "x");
    QDir(drive).mkpath(u"photos"_qs);
    WriteFile(QDir(drive).filePath(u"photos/kept.jpg"_qs), PatternBytes(9000, 2));
    shell.answer(MsgResult::Yes);
    ASSERT_TRUE(write(src, 1));
    // The disk still holds data in its subfolder: asked once all the same.
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text,
              u"Do you want do delete the contents of the whole disk inside drive "_qs + drive + u" ?"_qs);
    EXPECT_EQ(shell.boxes[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(shell.boxes[0].icon, MsgIcon::Question);
    EXPECT_EQ(names(contents(drive)), (QStringList{u"Read_Me.txt"_qs, u"photos/"_qs, u"photos/kept.jpg"_qs,
                                                   u"report.001"_qs, u"report.bat"_qs}));
}

TEST_F(Floppy, NoThenOkChecksTheNextDiskFromTheStart) {
    const QString src = source(3000);
    ASSERT_EQ(split(src), 1);
    insert();
    WriteFile(QDir(drive).filePath(u"keep.txt"_qs), PatternBytes(20000, 3));
    shell.onBox = [this](const MsgBoxRequest& box) {
        if (box.text.startsWith(u"Please insert another disk"_qs))
            takeOut(); // and nothing in yet: the check starts again with the ready test
        else if (box.text.startsWith(u"Please insert a disk"_qs))
            insert();
    };
    shell.answer(MsgResult::No, MsgResult::Ok, MsgResult::Ok);
    ASSERT_TRUE(write(src, 1));
    EXPECT_EQ(
        shell.texts(),
        (std::vector<QString>{
            u"Do you want do delete the contents of the whole disk inside drive "_qs + drive + u" ?"_qs,
            u"Please insert another disk into drive "_qs + drive, u"Please insert a disk into drive "_qs + drive}));
    EXPECT_EQ(shell.boxes[1].icon, MsgIcon::Information);
    EXPECT_EQ(shell.boxes[2].icon, MsgIcon::Exclamation);
    EXPECT_EQ(shell.boxes[2].buttons, MsgButtons::OkCancel);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(names(taken[0]), QStringList{u"keep.txt"_qs}) << "No leaves the disk as it was";
    EXPECT_EQ(names(contents(drive)), (QStringList{u"Read_Me.txt"_qs, u"report.001"_qs, u"report.bat"_qs}));
}

TEST_F(Floppy, NoDiskAsksUntilOneIsIn) {
    const QString src = source(3000);
    ASSERT_EQ(split(src), 1);
    int asked = 0;
    shell.onBox = [&](const MsgBoxRequest&) {
        if (++asked == 3)
            insert();
    };
    shell.answer(MsgResult::Ok, MsgResult::Ok, MsgResult::Ok);
    ASSERT_TRUE(write(src, 1));
    EXPECT_EQ(shell.texts(), std::vector<QString>(3, u"Please insert a disk into drive "_qs + drive));
    EXPECT_EQ(names(contents(drive)), (QStringList{u"Read_Me.txt"_qs, u"report.001"_qs, u"report.bat"_qs}));
}

TEST_F(Floppy, ADiskTooSmallGivesTheCopyErrorAndLeavesNoPartOfThePiece) {
    const QString src = source(kFloppyPieceSize + 10);
    ASSERT_EQ(split(src), 2);
    insert(1024 * 1024);
    changeAtEveryPrompt();
    // OK goes on as if the copy had worked: the next disk follows.
    shell.answer(MsgResult::Ok, MsgResult::Ok);
    ASSERT_TRUE(write(src, 2));
    takeOut();
    ASSERT_GE(shell.boxes.size(), 1u);
    const MsgBoxRequest& error = shell.boxes[0];
    EXPECT_EQ(error.text, u"Cannot copy '"_qs + temp + u"/report.001' to '"_qs + drive +
                              u"/report.001': No space left on device."_qs);
    EXPECT_EQ(error.icon, MsgIcon::Critical);
    EXPECT_EQ(error.buttons, MsgButtons::OkCancel);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_TRUE(taken[0].empty()) << "no truncated piece that looks whole";
    EXPECT_EQ(names(taken[1]), (QStringList{u"Read_Me.txt"_qs, u"report.002"_qs, u"report.bat"_qs}));
}

TEST_F(Floppy, CancelAtAnyPromptEndsWithThePiecesKept) {
    struct Case {
        const char* where;
        std::function<void(Floppy&)> prepare;
        std::vector<MsgResult> answers;
    };
    const Case cases[] = {
        {"no disk", [](Floppy&) {}, {MsgResult::Cancel}},
        {"disk in use",
         [](Floppy& t) {
             t.insert();
             WriteFile(QDir(t.drive).filePath(u"a"_qs), PatternBytes(9000));
         },
         {MsgResult::Cancel}},
        {"another disk",
         [](Floppy& t) {
             t.insert();
             WriteFile(QDir(t.drive).filePath(u"a"_qs), PatternBytes(9000));
         },
         {MsgResult::No, MsgResult::Cancel}},
        {"next disk", [](Floppy& t) { t.insert(); }, {MsgResult::Cancel}},
        {"copy error", [](Floppy& t) { t.insert(100 * 1024); }, {MsgResult::Cancel}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        shell = ScriptedShell();
        disk.reset();
        QDir(temp).removeRecursively();
        QDir().mkpath(temp);
        const QString src = source(kFloppyPieceSize + 10);
        ASSERT_EQ(split(src), 2);
        c.prepare(*this);
        for (MsgResult r : c.answers)
            shell.answer(r);
        EXPECT_FALSE(write(src, 2));
        EXPECT_EQ(shell.boxes.size(), c.answers.size());
        EXPECT_EQ(FolderEntries(temp), (QStringList{u"report.001"_qs, u"report.002"_qs, u"report.bat"_qs}));
        EXPECT_FALSE(shell.busy);
    }
}

TEST_F(Floppy, TheDriverTellsWhereThePiecesWereKept) {
    MemoryStore store;
    Settings settings(store, u"/opt/brevimo"_qs, [] { return false; });
    settings.setFloppyDrive(drive);
    qputenv("TMPDIR", temp.toLocal8Bit());
    SplitJob job;
    job.SourceFile = source(3000);
    job.MailSelected = false;
    job.FilesOptionEnabled = true;
    job.FloppySelected = true;
    shell.answer(MsgResult::Cancel);
    const bool ok = JobDriver(job, settings, shell).StartProcess();
    qunsetenv("TMPDIR");
    EXPECT_FALSE(ok);
    ASSERT_EQ(shell.boxes.size(), 2u);
    const QStringList folders = FolderEntries(temp);
    ASSERT_EQ(folders.size(), 1);
    const QString kept = QDir(temp).filePath(folders[0]);
    EXPECT_EQ(shell.boxes[1].text, u"The pieces are kept in '"_qs + kept + u"'."_qs);
    EXPECT_EQ(FolderEntries(kept), (QStringList{u"report.001"_qs, u"report.bat"_qs}));
}

TEST_F(Floppy, AFolderWithoutADiskIsNeverEmptied) {
    const QString src = source(3000);
    ASSERT_EQ(split(src), 1);
    // Files in the bare folder, under where a disk would be mounted.
    WriteFile(QDir(drive).filePath(u"beneath.txt"_qs), PatternBytes(20000));
    shell.answer(MsgResult::Cancel);
    EXPECT_FALSE(write(src, 1));
    EXPECT_EQ(shell.texts(), std::vector<QString>{u"Please insert a disk into drive "_qs + drive});

    // The disk is taken out while the question is up, and the user says Yes: the bare folder stays.
    shell = ScriptedShell();
    insert();
    WriteFile(QDir(drive).filePath(u"on the disk.txt"_qs), PatternBytes(20000));
    shell.onBox = [this](const MsgBoxRequest& box) {
        if (box.text.startsWith(u"Do you want"_qs))
            takeOut();
    };
    shell.answer(MsgResult::Yes, MsgResult::Cancel);
    EXPECT_FALSE(write(src, 1));
    EXPECT_EQ(shell.texts().back(), u"Please insert a disk into drive "_qs + drive);
    EXPECT_EQ(names(contents(drive)), QStringList{u"beneath.txt"_qs});
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(names(taken[0]), QStringList{u"on the disk.txt"_qs});
}

TEST_F(Floppy, FailedDeletesOfTheTemporaryFilesAreTold) {
    const QString src = source(3000);
    // The temporary folder on a disk of its own, made read-only once the pieces are in it.
    TmpfsMount tempDisk(temp, 4 * 1024 * 1024);
    ASSERT_TRUE(tempDisk.available());
    ASSERT_EQ(split(src), 1);
    ASSERT_EQ(::mount(nullptr, QFile::encodeName(temp).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    insert();
    shell.answer(MsgResult::Ok, MsgResult::Ok);
    EXPECT_TRUE(write(src, 1));
    ASSERT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(shell.boxes[0].text, u"Cannot delete '"_qs + temp + u"/report.001': Read-only file system."_qs);
    EXPECT_EQ(shell.boxes[1].text, u"Cannot delete '"_qs + temp + u"/report.bat': Read-only file system."_qs);
    // Cancel ends at the first.
    shell = ScriptedShell();
    shell.answer(MsgResult::Cancel);
    EXPECT_FALSE(write(src, 1));
    EXPECT_EQ(shell.boxes.size(), 1u);
}

TEST(RemovableDrive, ReadyMeansAMountedDiskThatIsNotTheRoot) {
    QTemporaryDir dir;
    EXPECT_FALSE(GetDrive(u"/"_qs).ready);
    EXPECT_FALSE(GetDrive(dir.path()).ready) << "a plain folder";
    EXPECT_FALSE(GetDrive(dir.filePath(u"missing"_qs)).ready);
    EXPECT_FALSE(GetDrive(QString()).ready);
    const QString file = dir.filePath(u"f"_qs);
    WriteFile(file, "x");
    EXPECT_FALSE(GetDrive(file).ready);

    const QString mountPoint = dir.filePath(u"disk"_qs);
    QDir().mkpath(mountPoint);
    TmpfsMount disk(mountPoint, kDiskBytes);
    if (!disk.available())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const DriveState empty = GetDrive(mountPoint);
    EXPECT_TRUE(empty.ready);
    EXPECT_EQ(empty.totalSize, kDiskBytes);
    EXPECT_EQ(empty.freeSpace, empty.totalSize);
    WriteFile(QDir(mountPoint).filePath(u"data"_qs), PatternBytes(10000));
    const DriveState used = GetDrive(mountPoint + u"/"_qs);
    EXPECT_TRUE(used.ready);
    EXPECT_LT(used.freeSpace, used.totalSize);
    EXPECT_EQ(DriveText(1052, mountPoint), u"Please insert a disk into drive "_qs + mountPoint);
}

} // namespace
