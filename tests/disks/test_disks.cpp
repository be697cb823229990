// Floppy output onto real mounted disks: each disk is a small tmpfs in the test's private mount namespace,
// and the scripted user changes it when a box asks for another disk.

#include "core/PathNames.h"
#include "core/Sentences.h"
#include "disks/DiskSeries.h"
#include "disks/RemovableDrive.h"
#include "split/BatchFile.h"
#include "split/PieceSize.h"
#include "split/SplitFile.h"
#include "support/JobTest.h"
#include "support/Peers.h"

#include <QDirIterator>
#include <QRegularExpression>

#include <map>
#include <memory>

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
    // A source, split as the driver would leave it for the writer.
    QString split(int64_t size, int pieces) {
        const QString source = file(u"report.zip"_qs, PatternBytes(size, 5));
        QDir().mkpath(temp);
        EXPECT_EQ(SplitFile(source, kFloppyPieceSize, temp, false, shell), pieces);
        return source;
    }
    bool write(const QString& source, int count, const QString& body = u"Body text"_qs) {
        shell.progress.clear();
        return DiskSeries(drive, body, shell).write(source, count, temp);
    }
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
    shell.onBox = [this](const MsgBoxRequest& box) { // the user changes the disk when asked for the next
        if (box.buttons == MsgButtons::OkCancel) {
            takeOut();
            insert();
        }
    };
    shell.answer(MsgResult::Ok, MsgResult::Ok);
    const bool ok = run();
    takeOut();
    ASSERT_TRUE(ok);
    EXPECT_EQ(shell.told(), u"info ok-cancel: Please insert disk 2 of 3 into drive "_qs + drive +
                                u"\ninfo ok-cancel: Please insert disk 3 of 3 into drive "_qs + drive +
                                u"\ninfo ok: The job was completed successfully."_qs);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].names() + u'|' + taken[1].names() + u'|' + taken[2].names(),
              u"report.001|report.002|Read_Me.txt report.003 report.bat report.sh report.sha256");
    EXPECT_EQ(taken[0][u"report.001"_qs].size(), kFloppyPieceSize);
    EXPECT_EQ(taken[0][u"report.001"_qs] + taken[1][u"report.002"_qs] + taken[2][u"report.003"_qs], bytes);
    EXPECT_EQ(taken[2][u"report.bat"_qs], BatchFileText(u"report.zip"_qs, u"report."_qs, 3, false));
    // The default body went into Read_Me.txt, with what the receiver's files are for; the private temporary
    // folder is gone.
    EXPECT_EQ(taken[2][u"Read_Me.txt"_qs], ReadMeText(settings.DefaultBody() + ReceiverFilesNote(u"report."_qs)));
    EXPECT_EQ(keptFolders(), QStringList{});
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"3");
    // Copying piece i of n is at 2i/(2n+2), copied at (2i+1)/(2n+2), rounded half to even.
    const QString progress = shell.progressed().replace(drive, u"$D"_qs);
    EXPECT_TRUE(
        progress.contains(u"|1 |25 Copy: 'report.001' to $D|38 Copied: 'report.001' to $D|50 Copy: 'report.002' "
                          "to $D|62 Copied: 'report.002' to $D|75 Copy: 'report.003' to $D|88 Copied: "
                          "'report.003' to $D|100 Copy: 'report.bat' to $D|100 Deleting the temporary splitfiles"_qs))
        << progress.toStdString();
    EXPECT_FALSE(shell.busy);
}

// USB sticks and memory cards from the desktop's disk service (its stand-in): the sticks are small disks, plugged
// in at the start or while a box is up, one after the other. In the texts $T is the job's temporary folder and
// $S1.. the folders of the sticks; a stick's listing is taken as it is pulled out or at the end.
TEST_F(Floppy, UsbSticksOneAfterTheOther) {
    struct Case {
        bool desktop;       // false: the FloppyDrive folder, as without the disk service
        const char* size;   // the custom piece size
        int64_t source;     // bytes
        const char* sticks; // "NAME:fstype:KiB[:flag[:file]]": the first plugged in at the start, the next as each
                            // OK-Cancel box comes up; the file is on it already
        const char* script; // more for the stand-in once the stick it names is plugged in, as "fail-mount S2"
        const char* pull;   // the piece whose copy finds its stick pulled out
        const char* answers;
        bool written;
        const char* told;
        const char* onSticks; // each stick's files, "|"-separated, in the order plugged in
        const char* calls;
    };
    constexpr int64_t k64 = 65536;
    const Case cases[] = {
        // Three sticks, four pieces each but the last: the first mounted by the desktop, the others by the series.
        {true, "64k", 10 * k64 - 5000, "S1:vfat:320:mounted S2:vfat:320 S3:exfat:320", "", "", "Ok Ok", true,
         "info ok-cancel: Plug in disk 2 of 3 (a USB stick or memory card), then press OK.\n"
         "info ok-cancel: Plug in disk 3 of 3 (a USB stick or memory card), then press OK.\n"
         "info ok: The job was completed successfully.",
         "Read_Me.txt report.001 report.002 report.003 report.004|Read_Me.txt report.005 report.006 report.007 "
         "report.008|Read_Me.txt report.009 report.010 report.bat report.sh report.sha256",
         "Unmount S1 ok|PowerOff S1 ok|Mount S2 ok|Unmount S2 ok|PowerOff S2 ok|Mount S3 ok|Unmount S3 ok|"
         "PowerOff S3 ok"},
        // A full stick: the copy fails, leaves nothing, and the stick is passed over for the one plugged in then.
        {true, "64k", 2 * k64, "S1:ext4:32 S2:ext4:320", "", "", "Ok", true,
         "error ok-cancel: Cannot copy '$T/report.001' to '$S1/report.001': No space left on device.\n"
         "info ok: The job was completed successfully.",
         "|Read_Me.txt report.001 report.002 report.bat report.sh report.sha256",
         "Mount S1 ok|Unmount S1 ok|Mount S2 ok|Unmount S2 ok|PowerOff S2 ok"},
        // Pulled out while a piece is written: told with the piece and the disk, and disk 1 is written again onto
        // the stick plugged in instead.
        {true, "64k", 6 * k64, "S1:vfat:320 S2:vfat:320 S3:vfat:320", "", "report.003", "Ok Ok", true,
         "warning ok-cancel: The disk 'S1' was taken out while 'report.003' was written to it as disk 1. Plug it in "
         "again, or another disk, then press OK to write disk 1 again.\n"
         "info ok-cancel: Plug in disk 2 of 2 (a USB stick or memory card), then press OK.\n"
         "info ok: The job was completed successfully.",
         "report.001 report.002|Read_Me.txt report.001 report.002 report.003 report.004|Read_Me.txt report.005 "
         "report.006 report.bat report.sh report.sha256",
         "Mount S1 ok|Mount S2 ok|Unmount S2 ok|PowerOff S2 ok|Mount S3 ok|Unmount S3 ok|PowerOff S3 ok"},
        // FAT32 takes no piece of 4 GiB or more: refused before anything is split, with the size that fits.
        {true, "5000 MB", 3000, "S1:vfat:320", "", "", "", false,
         "error ok: Pieces of 5242880000 bytes do not fit on the disk 'S1': FAT32 takes files of at most 4294967295 "
         "bytes. Choose a custom size of at most 4095 MB, or use a disk formatted as exFAT.",
         "", ""},
        // A stick in use: No passes it over, untouched; a mount that fails is tried again on OK.
        {true, "64k", 3000, "S1:vfat:320:mounted:kept.txt S2:vfat:320", "fail-mount S2", "", "No Ok Ok", true,
         "question yes-no-cancel: Do you want to delete the contents of the disk 'S1' ($S1)?\n"
         "info ok-cancel: Please plug in another USB stick or memory card, then press OK.\n"
         "error ok-cancel: The disk 'S2' (/dev/sdc1) could not be mounted: Error mounting /dev/sdc1 at $S2: can't "
         "read superblock on /dev/sdc1. Press OK to try again, or pull it out and plug in another one.\n"
         "info ok: The job was completed successfully.",
         "kept.txt|Read_Me.txt report.001 report.bat report.sh report.sha256",
         "Mount S2 Failed|Mount S2 ok|Unmount S2 ok|PowerOff S2 ok"},
        // Cancel when asked for the next stick keeps the pieces; the written stick is unmounted all the same.
        {true, "64k", 2 * k64, "S1:vfat:100", "", "", "Cancel", false,
         "info ok-cancel: Plug in disk 2 of 2 (a USB stick or memory card), then press OK.\n"
         "warning ok: The pieces are kept in '$T'.",
         "Read_Me.txt report.001", "Mount S1 ok|Unmount S1 ok|PowerOff S1 ok"},
        // Without the disk service the FloppyDrive folder holds the disk: 1.44 MB pieces, the sticks untouched.
        {false, "64k", 3000, "S1:vfat:320", "", "", "", true, "info ok: The job was completed successfully.", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        StandInUDisks udisks;
        ASSERT_TRUE(udisks.running());
        shell = ScriptedShell();
        forgetKeptSeries();
        const QByteArray bytes = PatternBytes(c.source, 3);
        job = SplitJob();
        job.SourceFile = file(u"report.zip"_qs, bytes);
        toDisk({}, true);
        job.DesktopDisks = c.desktop;
        job.SizeIndex = 4;
        job.CustomSplitSize = QString::fromUtf8(c.size);
        if (!c.desktop)
            insert();
        // Each stick a small disk of its own folder; plugged in as the test goes.
        std::vector<std::pair<QString, std::unique_ptr<TmpfsMount>>> sticks;
        std::vector<Disk> seen;
        QStringList toPlug = QString::fromUtf8(c.sticks).split(u' ', Qt::SkipEmptyParts);
        const auto plug = [&] {
            const QStringList f = toPlug.takeFirst().split(u':');
            const QString folder = dir.filePath(f[0]);
            QDir().mkpath(folder);
            sticks.emplace_back(folder, std::make_unique<TmpfsMount>(folder, f[2].toLongLong() * 1024));
            if (f.size() > 4)
                WriteFile(folder + u'/' + f[4], "keep me");
            const QStringList add{u"add"_qs, f[0], folder, f[0], f[1], QString::number(f[2].toLongLong() * 1024)};
            EXPECT_TRUE(udisks.command(add.join(u' ') + (f.size() > 3 ? u' ' + f[3] : QString())));
            if (QString::fromUtf8(c.script).endsWith(u' ' + f[0])) {
                EXPECT_TRUE(udisks.command(QString::fromUtf8(c.script)));
            }
        };
        plug();
        shell.onBox = [&](const MsgBoxRequest& box) {
            if (box.buttons == MsgButtons::OkCancel && !toPlug.isEmpty())
                plug();
        };
        const QString pull = QString::fromUtf8(c.pull);
        shell.onProgress = [&](int) {
            if (!pull.isEmpty() && shell.progress.back().second.startsWith(u"Copy: '"_qs + pull + u'\'') &&
                sticks.front().second) {
                seen.emplace_back(sticks.front().first);
                sticks.front().second.reset();
                EXPECT_TRUE(udisks.command(u"remove S1"_qs));
            }
        };
        for (const QString& a : QString::fromUtf8(c.answers).split(u' ', Qt::SkipEmptyParts))
            shell.answer(a == u"Ok" ? MsgResult::Ok : a == u"No" ? MsgResult::No : MsgResult::Cancel);
        EXPECT_EQ(run(), c.written);
        QString told = shell.told();
        static const QRegularExpression jobFolder(QRegularExpression::escape(QDir::tempPath()) +
                                                  u"/brevimo-[^/' ]*"_qs);
        told.replace(jobFolder, u"$T"_qs);
        for (std::size_t i = 0; i < sticks.size(); ++i)
            told.replace(sticks[i].first, QStringLiteral("$S%1").arg(i + 1));
        EXPECT_EQ(told, QString::fromUtf8(c.told));
        QStringList listings;
        for (const Disk& d : seen)
            listings << d.names();
        QByteArray rebuilt;
        for (const auto& [folder, mount] : sticks) {
            const Disk d(folder);
            if (mount)
                listings << d.names();
            for (const auto& [name, content] : d)
                if (name.startsWith(u"report.0"))
                    rebuilt += content;
        }
        EXPECT_EQ(listings.join(u'|'), QString::fromUtf8(c.onSticks));
        EXPECT_EQ(udisks.calls().join(u'|'), QString::fromUtf8(c.calls));
        if (c.written && c.desktop) {
            // The pieces copied into one folder from every stick make the file again; each stick says what it holds.
            EXPECT_EQ(rebuilt, bytes);
            const QByteArray readMe = Disk(sticks.back().first)[u"Read_Me.txt"_qs];
            const int disks = static_cast<int>(QString::fromUtf8(c.told).count(u"Plug in disk"_qs)) + 1;
            EXPECT_TRUE(readMe.contains(QStringLiteral("This is disk %1 of %1. It holds ").arg(disks).toUtf8()))
                << readMe.toStdString();
        }
        if (!c.desktop) {
            EXPECT_EQ(onDisk(), u"Read_Me.txt report.001 report.bat report.sh report.sha256"_qs);
            takeOut();
        }
    }
    forgetKeptSeries();
}

TEST(ReadMe, TheBodyAndTheFooterWithWindowsLineBreaks) {
    // The body, two line breaks, 75 hyphens, the footer; CR LF throughout, kept single, and none at the end.
    for (const QString& body : {u"See you\nJo"_qs, u"See you\r\nJo"_qs})
        EXPECT_EQ(ReadMeText(body), "See you\r\nJo\r\n\r\n" + QByteArray(75, '-') +
                                        "\r\nCreated using Brevimo. To get your own copy, go to: " + kMakerAddress);
}

// What the user finds in the drive, does while a box is up and answers; what is told, what the disks hold (those
// taken out, then the one in the drive) and what stays in the temporary folder. In the texts $D is the drive,
// $T the temporary folder, and $empty, $another and $insert the texts of the questions.
TEST_F(Floppy, EveryPromptAndItsAnswers) {
    struct Case {
        int pieces;
        int64_t disk;      // 0: none in the drive
        const char* files; // on the disk, comma-separated; "beneath" under the bare folder
        const char* acts;  // "<box>:<o(ut)|i(n)|c(hange)>" when that box is up
        const char* answers;
        bool written;
        const char* told;
        const char* disks;
    };
    const Case cases[] = {
        // Yes empties the top folder only, and asks once although data stays in a subfolder.
        {1, kDiskBytes, "old letter.txt,.hidden,photos/kept.jpg", "", "Yes", true, "question yes-no-cancel: $empty",
         "|Read_Me.txt photos/ photos/kept.jpg report.001 report.bat"},
        // No: another disk, and the check starts again with the ready test; the disk stays as it was.
        {1, kDiskBytes, "keep.txt", "another:o insert:i", "No Ok Ok", true,
         "question yes-no-cancel: $empty\ninfo ok-cancel: $another\nwarning ok-cancel: $insert",
         "keep.txt|Read_Me.txt report.001 report.bat"},
        // A copy that does not fit leaves no piece cut short, and is never passed over: OK checks the disk put in
        // instead from the start, and the piece goes onto it.
        {2, 1024 * 1024, "", "copy:c next:c", "Ok Ok", true,
         "error ok-cancel: Cannot copy '$T/report.001' to '$D/report.001': No space left on device.\ninfo ok-cancel: "
         "Please insert disk 2 of 2 into drive $D",
         "|report.001|Read_Me.txt report.002 report.bat"},
        // The file system's own bookkeeping does not make a disk one in use.
        {1, kDiskBytes, "lost+found/x,.Trash-0/y", "", "", true, "",
         "|.Trash-0/ .Trash-0/y Read_Me.txt lost+found/ lost+found/x report.001 report.bat"},
        // The disk is taken out while the question is up: Yes empties nothing beneath it.
        {1, kDiskBytes, "on the disk.txt,beneath", "empty:o", "Yes Cancel", false,
         "question yes-no-cancel: $empty\nwarning ok-cancel: $insert", "on the disk.txt|beneath"},
        // Cancel at every prompt keeps the pieces.
        {2, 0, "", "", "Cancel", false, "warning ok-cancel: $insert", "|"},
        {2, kDiskBytes, "a", "", "Cancel", false, "question yes-no-cancel: $empty", "|a"},
        {2, kDiskBytes, "a", "", "No Cancel", false, "question yes-no-cancel: $empty\ninfo ok-cancel: $another", "|a"},
        {2, kDiskBytes, "", "", "Cancel", false, "info ok-cancel: Please insert disk 2 of 2 into drive $D",
         "|report.001"},
        {2, 100 * 1024, "", "", "Cancel", false,
         "error ok-cancel: Cannot copy '$T/report.001' to '$D/report.001': No space left on device.", "|"},
    };
    // The boxes a case acts on or expects, by a word of their own.
    const std::map<QString, Res::Id> boxes = {{u"empty"_qs, Res::EmptyDiskQuestion},
                                              {u"another"_qs, Res::InsertAnotherDisk},
                                              {u"insert"_qs, Res::InsertDisk},
                                              {u"copy"_qs, Res::CannotCopy},
                                              {u"next"_qs, Res::InsertDiskStart}};
    const std::map<QString, MsgResult> answer = {{u"Ok"_qs, MsgResult::Ok},
                                                 {u"Cancel"_qs, MsgResult::Cancel},
                                                 {u"Yes"_qs, MsgResult::Yes},
                                                 {u"No"_qs, MsgResult::No}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        shell = ScriptedShell();
        taken.clear();
        QDir(temp).removeRecursively();
        // two full disks' worth is two disks, not a third for an empty piece
        const QString source = split(c.pieces == 1 ? 3000 : 2 * kFloppyPieceSize, c.pieces);
        const QStringList files = QString::fromUtf8(c.files).split(u',', Qt::SkipEmptyParts);
        if (files.contains(u"beneath"_qs))
            WriteFile(drive + u"/beneath"_qs, "under the disk");
        if (c.disk)
            insert(c.disk);
        for (const QString& name : files)
            if (name != u"beneath")
                WriteFile(drive + u'/' + name, PatternBytes(20000));
        for (const QString& a : QString::fromUtf8(c.answers).split(u' ', Qt::SkipEmptyParts))
            shell.answer(answer.at(a));
        const QStringList acts = QString::fromUtf8(c.acts).split(u' ', Qt::SkipEmptyParts);
        shell.onBox = [&](const MsgBoxRequest& box) {
            for (const QString& act : acts)
                if (box.text.startsWith(
                        DriveText(boxes.at(act.section(u':', 0, 0)), drive).section(u'%', 0, 0).left(30))) {
                    if (act.endsWith(u'o') || act.endsWith(u'c'))
                        takeOut();
                    if (act.endsWith(u'i') || act.endsWith(u'c'))
                        insert();
                }
        };
        EXPECT_EQ(write(source, c.pieces), c.written);
        QString told = QString::fromUtf8(c.told).replace(u"$D"_qs, drive).replace(u"$T"_qs, temp);
        for (const QString& box : {u"empty"_qs, u"another"_qs, u"insert"_qs})
            told.replace(u'$' + box, DriveText(boxes.at(box), drive));
        EXPECT_EQ(shell.told(), told);
        QStringList disks;
        for (const Disk& d : taken)
            disks << d.names();
        EXPECT_EQ(disks.join(u'|') + u'|' + onDisk(), QString::fromUtf8(c.disks));
        EXPECT_EQ(Listing(temp), c.written       ? u""
                                 : c.pieces == 1 ? u"report.001 report.bat"
                                                 : u"report.001 report.002 report.bat");
        EXPECT_FALSE(shell.busy);
        for (const MsgBoxRequest& box : shell.boxes)
            EXPECT_EQ(box.defaultButton, box.buttons == MsgButtons::YesNoCancel ? 1 : 0); // No: Enter deletes nothing
        disk.reset();
        QFile::remove(drive + u"/beneath"_qs);
    }
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
    const auto state = [](const DriveState& d) {
        return QStringLiteral("%1 %2 %3").arg(d.ready).arg(d.totalSize).arg(d.freeSpace);
    };
    EXPECT_EQ(state(GetDrive(mountPoint)), QStringLiteral("1 %1 %1").arg(kDiskBytes));
    WriteFile(mountPoint + u"/data"_qs, PatternBytes(10000));
    EXPECT_EQ(state(GetDrive(mountPoint + u"/"_qs)), QStringLiteral("1 %1 %2").arg(kDiskBytes).arg(kDiskBytes - 12288));
    EXPECT_EQ(DriveText(Res::InsertDisk, mountPoint), u"Please insert a disk into drive "_qs + mountPoint);
}

} // namespace
