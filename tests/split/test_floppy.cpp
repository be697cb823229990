// Floppy output onto real mounted disks: each disk is a small tmpfs in the test's private mount namespace,
// and the scripted user changes it when a box asks for another disk.

#include "app/ResStrings.h"
#include "split/BatchFile.h"
#include "split/FloppyWriter.h"
#include "split/PieceSize.h"
#include "split/RemovableDrive.h"
#include "split/SplitFile.h"
#include "support/JobTest.h"
#include "support/TmpfsMount.h"

#include <QDirIterator>

#include <map>
#include <memory>

#include <sys/mount.h>

namespace {

constexpr int64_t kDiskBytes = 1474560; // a 1.44 MB disk: one piece, the batch file and Read_Me.txt fit

// What is on a disk: relative path -> bytes; folders end in "/".
struct Disk : std::map<QString, QByteArray> {
    explicit Disk(const QString& folder) {
        for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString rel = QDir(folder).relativeFilePath(it.next());
            (*this)[it.fileInfo().isDir() ? rel + u'/' : rel] =
                it.fileInfo().isDir() ? QByteArray() : ReadFile(it.filePath());
        }
    }
    QString names() const {
        QStringList n;
        for (const auto& entry : *this)
            n << entry.first;
        return n.join(u' ');
    }
};

class Floppy : public JobTest {
public:
    void SetUp() override {
        drive = dir.filePath(u"floppy"_qs);
        temp = dir.filePath(u"temp"_qs);
        QDir().mkpath(drive);
        TmpfsMount probe(drive, kDiskBytes);
        if (!probe.available())
            GTEST_SKIP() << "no disk can be mounted here: " << probe.whyNot().toStdString();
        store.set(u"FloppyDrive"_qs, drive);
    }
    void insert(int64_t bytes = kDiskBytes) {
        disk = std::make_unique<TmpfsMount>(drive, bytes);
        ASSERT_TRUE(disk->available()) << disk->whyNot().toStdString();
    }
    // The user takes the disk out, and the test keeps what was on it.
    void takeOut() {
        if (disk)
            taken.emplace_back(drive);
        disk.reset();
    }
    // The user reacts to a box with this text while it is up.
    void onBox(int textId, const std::function<void()>& act) {
        shell.onBox = [this, textId, act](const MsgBoxRequest& box) {
            if (box.text.startsWith(driveText(textId)))
                act();
        };
    }
    void changeAtEveryPrompt() {
        onBox(1056, [this] {
            takeOut();
            insert();
        });
    }
    // A source, split as the driver would leave it for the writer.
    QString split(int64_t size, int pieces) {
        const QString source = file(u"report.zip"_qs, PatternBytes(size, 5));
        QDir().mkpath(temp);
        EXPECT_EQ(SplitFile(source, kFloppyPieceSize, temp, false, shell), pieces);
        return source;
    }
    bool write(const QString& source, int count, const QString& body = u"Body text"_qs) {
        shell.progress.clear();
        return FloppyWriter(drive, body, shell).WriteToFloppies(source, count, temp);
    }
    QString driveText(int id) const { return DriveText(id, drive); }
    QString onDisk() const { return Disk(drive).names(); }

    QString drive, temp;
    std::unique_ptr<TmpfsMount> disk;
    std::vector<Disk> taken;
};

TEST_F(Floppy, ThreeDisksThroughTheDriverRebuildTheSource) {
    const QByteArray bytes = PatternBytes(2 * kFloppyPieceSize + 1000, 9);
    job.SourceFile = file(u"report.zip"_qs, bytes);
    toDisk({}, true);
    job.SizeIndex = 3; // "2 MB": disks take their own size
    insert();
    changeAtEveryPrompt();
    shell.answer(MsgResult::Ok, MsgResult::Ok);
    const bool ok = run();
    takeOut();
    ASSERT_TRUE(ok);
    EXPECT_EQ(shell.told(), u"info ok-cancel: Please insert disk 2 of 3 into drive "_qs + drive +
                                u"\ninfo ok-cancel: Please insert disk 3 of 3 into drive "_qs + drive +
                                u"\ninfo ok: Operation terminated successfully!"_qs);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].names() + u'|' + taken[1].names() + u'|' + taken[2].names(),
              u"report.001|report.002|Read_Me.txt report.003 report.bat");
    EXPECT_EQ(taken[0][u"report.001"_qs].size(), kFloppyPieceSize);
    EXPECT_EQ(taken[0][u"report.001"_qs] + taken[1][u"report.002"_qs] + taken[2][u"report.003"_qs], bytes);
    EXPECT_EQ(taken[2][u"report.bat"_qs], BatchFileText(u"report.zip"_qs, u"report."_qs, 3, false));
    // The default body went into Read_Me.txt; the private temporary folder is gone.
    EXPECT_EQ(taken[2][u"Read_Me.txt"_qs], ReadMeText(settings.DefaultBody()));
    EXPECT_EQ(keptFolders(), QStringList{});
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"3");
    EXPECT_FALSE(shell.busy);
}

TEST(ReadMe, TheBodyAndTheFooterWithWindowsLineBreaks) {
    // The body, two line breaks, 75 hyphens, the footer; CR LF throughout, kept single, and none at the end.
    for (const QString& body : {u"See you\nJo"_qs, u"See you\r\nJo"_qs})
        EXPECT_EQ(ReadMeText(body), "See you\r\nJo\r\n\r\n" + QByteArray(75, '-') +
                                        "\r\nCreated using Brevimo. To get your own copy, go to: " + kMakerAddress);
}

TEST_F(Floppy, ProgressForTwoDisks) {
    const QString source = split(kFloppyPieceSize + 10, 2);
    insert();
    changeAtEveryPrompt();
    shell.answer(MsgResult::Ok);
    ASSERT_TRUE(write(source, 2));
    QStringList progress;
    for (const auto& [percent, text] : shell.progress)
        progress << QString::number(percent) + u' ' + QString(text).replace(drive, u"$D"_qs);
    EXPECT_EQ(progress.join(u'|'),
              u"1 |33 Copy: 'report.001' to $D|50 Copied: 'report.001' to $D|67 Copy: 'report.002' "
              "to $D|83 Copied: 'report.002' to $D|100 Copy: 'report.bat' to $D|100 Delete temporary "
              "splitfiles"_qs);
}

TEST_F(Floppy, ADiskInUseIsEmptiedOnYesAndChangedOnNo) {
    const QString source = split(3000, 1);
    insert();
    WriteFile(drive + u"/old letter.txt"_qs, PatternBytes(20000, 1));
    WriteFile(drive + u"/.hidden"_qs, "x");
    WriteFile(drive + u"/photos/kept.jpg"_qs, PatternBytes(9000, 2));
    shell.answer(MsgResult::Yes);
    ASSERT_TRUE(write(source, 1));
    // Only the top folder's files go; asked once although the disk still holds data.
    EXPECT_EQ(shell.told(), u"question yes-no-cancel: "_qs + driveText(1050));
    EXPECT_EQ(driveText(1050),
              u"Do you want do delete the contents of the whole disk inside drive "_qs + drive + u" ?"_qs);
    EXPECT_EQ(onDisk(), u"Read_Me.txt photos/ photos/kept.jpg report.001 report.bat");

    // No: another disk, and the check starts again with the ready test.
    shell = ScriptedShell();
    takeOut();
    insert();
    WriteFile(drive + u"/keep.txt"_qs, PatternBytes(20000, 3));
    onBox(1051, [this] { takeOut(); });
    shell.onBox = [this, next = shell.onBox](const MsgBoxRequest& box) {
        next(box);
        if (box.text == driveText(1052))
            insert();
    };
    shell.answer(MsgResult::No, MsgResult::Ok, MsgResult::Ok);
    ASSERT_TRUE(write(split(3000, 1), 1));
    EXPECT_EQ(shell.told(), u"question yes-no-cancel: "_qs + driveText(1050) + u"\ninfo ok-cancel: "_qs +
                                driveText(1051) + u"\nwarning ok-cancel: "_qs + driveText(1052));
    EXPECT_EQ(taken.back().names(), u"keep.txt") << "No leaves the disk as it was";
    EXPECT_EQ(onDisk(), u"Read_Me.txt report.001 report.bat");
}

TEST_F(Floppy, ADiskTooSmallGivesTheCopyErrorAndLeavesNoPartOfThePiece) {
    const QString source = split(kFloppyPieceSize + 10, 2);
    insert(1024 * 1024);
    changeAtEveryPrompt();
    shell.answer(MsgResult::Ok, MsgResult::Ok); // OK goes on as if the copy had worked: the next disk follows
    ASSERT_TRUE(write(source, 2));
    takeOut();
    EXPECT_TRUE(shell.told().startsWith(u"error ok-cancel: Cannot copy '"_qs + temp + u"/report.001' to '"_qs + drive +
                                        u"/report.001': No space left on device.\n"_qs))
        << shell.told().toStdString();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].names() + u'|' + taken[1].names(), u"|Read_Me.txt report.002 report.bat"); // no piece cut short
}

TEST_F(Floppy, CancelAtAnyPromptEndsWithThePiecesKept) {
    const std::tuple<const char*, int64_t, bool, std::vector<MsgResult>> cases[] = {
        // where, the disk in the drive (0: none), holding data, the answers
        {"no disk", 0, false, {MsgResult::Cancel}},
        {"disk in use", kDiskBytes, true, {MsgResult::Cancel}},
        {"another disk", kDiskBytes, true, {MsgResult::No, MsgResult::Cancel}},
        {"next disk", kDiskBytes, false, {MsgResult::Cancel}},
        {"copy error", 100 * 1024, false, {MsgResult::Cancel}},
    };
    for (const auto& [where, size, used, answers] : cases) {
        SCOPED_TRACE(where);
        shell = ScriptedShell();
        disk.reset();
        QDir(temp).removeRecursively();
        const QString source = split(kFloppyPieceSize + 10, 2);
        if (size)
            insert(size);
        if (used)
            WriteFile(drive + u"/a"_qs, PatternBytes(9000));
        for (MsgResult r : answers)
            shell.answer(r);
        EXPECT_FALSE(write(source, 2));
        EXPECT_EQ(shell.boxes.size(), answers.size());
        EXPECT_EQ(Listing(temp), u"report.001 report.002 report.bat");
        EXPECT_FALSE(shell.busy);
    }
    // Through the driver, the user is told where they are.
    shell = ScriptedShell();
    disk.reset();
    job.SourceFile = file(u"small.zip"_qs, PatternBytes(3000));
    toDisk({}, true);
    shell.answer(MsgResult::Cancel);
    EXPECT_FALSE(run());
    ASSERT_EQ(keptFolders().size(), 1);
    const QString kept = QDir::temp().filePath(keptFolders()[0]);
    EXPECT_EQ(shell.told(), u"warning ok-cancel: "_qs + driveText(1052) + u"\nwarning ok: The pieces are kept in '"_qs +
                                kept + u"'."_qs);
    EXPECT_EQ(Listing(kept), u"small.001 small.bat");
}

TEST_F(Floppy, AFolderWithoutADiskIsNeverEmptied) {
    // The disk is taken out while the question is up, and the user says Yes: the bare folder beneath stays.
    const QString source = split(3000, 1);
    WriteFile(drive + u"/beneath.txt"_qs, PatternBytes(20000));
    insert();
    WriteFile(drive + u"/on the disk.txt"_qs, PatternBytes(20000));
    onBox(1050, [this] { takeOut(); });
    shell.answer(MsgResult::Yes, MsgResult::Cancel);
    EXPECT_FALSE(write(source, 1));
    EXPECT_EQ(shell.last(), driveText(1052));
    EXPECT_EQ(onDisk() + u'|' + taken.at(0).names(), u"beneath.txt|on the disk.txt");
}

TEST_F(Floppy, FailedDeletesOfTheTemporaryFilesAreTold) {
    // The temporary folder on a disk of its own, made read-only once the pieces are in it.
    QDir().mkpath(temp);
    TmpfsMount tempDisk(temp, 4 * 1024 * 1024);
    ASSERT_TRUE(tempDisk.available());
    const QString source = split(3000, 1);
    ASSERT_EQ(::mount(nullptr, QFile::encodeName(temp).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    insert();
    shell.answer(MsgResult::Ok, MsgResult::Ok, MsgResult::Cancel);
    EXPECT_TRUE(write(source, 1));
    takeOut();
    insert();
    EXPECT_FALSE(write(source, 1)); // Cancel ends at the first
    EXPECT_EQ(shell.told(), u"error ok-cancel: Cannot delete '$T/report.001': Read-only file system.\nerror ok-cancel: "
                            "Cannot delete '$T/report.bat': Read-only file system.\nerror ok-cancel: Cannot delete "
                            "'$T/report.001': Read-only file system."_qs.replace(u"$T"_qs, temp));
}

TEST(RemovableDrive, ReadyMeansAMountedDiskThatIsNotTheRoot) {
    QTemporaryDir dir;
    WriteFile(dir.filePath(u"f"_qs), "x");
    for (const QString& folder : {u"/"_qs, dir.path(), dir.filePath(u"missing"_qs), QString(), dir.filePath(u"f"_qs)})
        EXPECT_FALSE(GetDrive(folder).ready) << folder.toStdString();
    const QString mountPoint = dir.filePath(u"disk"_qs);
    QDir().mkpath(mountPoint);
    TmpfsMount disk(mountPoint, kDiskBytes);
    if (!disk.available())
        GTEST_SKIP() << disk.whyNot().toStdString();
    const DriveState empty = GetDrive(mountPoint);
    EXPECT_TRUE(empty.ready);
    EXPECT_EQ(empty.totalSize, kDiskBytes);
    EXPECT_EQ(empty.freeSpace, empty.totalSize);
    WriteFile(mountPoint + u"/data"_qs, PatternBytes(10000));
    const DriveState used = GetDrive(mountPoint + u"/"_qs);
    EXPECT_TRUE(used.ready);
    EXPECT_LT(used.freeSpace, used.totalSize);
    EXPECT_EQ(DriveText(1052, mountPoint), u"Please insert a disk into drive "_qs + mountPoint);
}

} // namespace
