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
