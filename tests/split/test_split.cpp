#include "core/JobError.h"
#include "core/NumberText.h"
#include "core/PathNames.h"
#include "split/BatchFile.h"
#include "split/PieceFolder.h"
#include "split/PieceSize.h"
#include "split/SetNames.h"
#include "split/SplitFile.h"
#include "support/JobTest.h"
#include "support/Peers.h"

namespace {

using Splitter = JobTest;

TEST_F(Splitter, PiecesRejoinToTheSource) {
    const std::tuple<const char*, int64_t, int64_t, const char*> cases[] = {
        // source, length, piece size, the folder afterwards ("..." for 1006 pieces)
        {"a.zip", 0, 1000, "a.001 a.bat"},
        {"a.zip", 999, 1000, "a.001 a.bat"},
        {"a.zip", 1000, 1000, "a.001 a.bat"}, // an exact multiple ends with its last full piece
        {"a.zip", 2 << 20, 1 << 20, "a.001 a.002 a.bat"},
        {"a.zip", 3 * 524288, 524288, "a.001 a.002 a.003 a.bat"},
        {"a.zip", 1001, 1000, "a.001 a.002 a.bat"},
        {"a.zip", 2500, 1000, "a.001 a.002 a.003 a.bat"},
        {"my.backup.zip", 10, 4, "my.001 my.002 my.003 my.bat"}, // the first dot counts
        {"nodot", 5, 4, "001 002 bat"},
        {"many.bin", 10053, 10, "..."},
    };
    int row = 0;
    for (const auto& [name, length, pieceSize, entries] : cases) {
        SCOPED_TRACE(length);
        const QString out = folder(QStringLiteral("out%1").arg(++row));
        const QByteArray bytes = PatternBytes(length, static_cast<uint32_t>(row));
        const QString source = file(QStringLiteral("%1/%2").arg(row).arg(QString::fromUtf8(name)), bytes);
        const int count = SplitFile(source, pieceSize, out, false, shell);
        QStringList pieces;
        for (int i = 1; i <= count; ++i)
            pieces << PieceName(PieceBase(source), i);
        EXPECT_EQ(count < 1000 ? Listing(out) : u"..."_qs, QString::fromUtf8(entries));
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(QFileInfo(QDir(out).filePath(pieces[i])).size(), std::min(pieceSize, length - i * pieceSize))
                << i;
        EXPECT_EQ(Concatenate(out, pieces), bytes);
    }
    EXPECT_TRUE(Listing(dir.filePath(u"out10"_qs)).contains(u" many.1000 many.1001 "_qs)); // four digits from 1000 on
    EXPECT_TRUE(ReadFile(dir.filePath(u"out10/many.bat"_qs)).contains("copy/b \"many.bin\" + \"many.1006\"\r\n"));
}

TEST_F(Splitter, TheSourcesOwnFolderAndNeverTheSourceItself) {
    const QString source = file(u"src/report.zip"_qs, PatternBytes(7));
    EXPECT_EQ(SplitFile(source, 5, u"   "_qs, false, shell), 2); // a blank folder is the source's
    EXPECT_EQ(Listing(dir.filePath(u"src"_qs)), u"report.001 report.002 report.bat report.zip");
    // A name of the set's own files is refused wherever the source lies: the join would overwrite a piece with it.
    const QByteArray bytes = PatternBytes(3000);
    const std::pair<const char*, const char*> cases[] = {
        // name (split into 3 pieces), what the message says
        {"report.001", "own piece report.001,"},
        {"report.003", "own piece report.003,"},
        {"REPORT.BAT", "its batch file has the same name"},
        {"001", "own piece 001,"},
        {"report.004", nullptr},
        {"report.0002", nullptr},
    };
    int row = 0;
    for (const auto& [name, told] : cases) {
        for (const bool elsewhere : {false, true}) {
            SCOPED_TRACE(std::string(name) + (elsewhere ? " elsewhere" : ""));
            const QString own = file(QStringLiteral("own%1/").arg(++row) + QString::fromUtf8(name), bytes);
            const QString out = elsewhere ? folder(QStringLiteral("out%1").arg(row)) : QString();
            const QString error = Thrown<JobError>([&] { SplitFile(own, 1000, out, false, shell); });
            EXPECT_EQ(error.contains(QString::fromUtf8(told ? told : "-")), told != nullptr) << error.toStdString();
            EXPECT_EQ(error.isEmpty(), told == nullptr);
            EXPECT_EQ(ReadFile(own), bytes);
            if (told && elsewhere) {
                EXPECT_EQ(Listing(out), u"");
            }
        }
    }
}

TEST_F(Splitter, ReportsProgressPerPiece) {
    ASSERT_EQ(SplitFile(file(u"report.zip"_qs, PatternBytes(2500000)), 1048576, dir.path(), false, shell), 3);
    EXPECT_EQ(shell.progressed(), u"1 |42 Writing: report.001|84 Writing: report.002|100 Writing: report.003");
    EXPECT_TRUE(shell.busy);
}

TEST_F(Splitter, RefusesBeforeWritingAnything) {
    const QString out = folder(u"out"_qs);
    const QString source = file(u"big.zip"_qs, PatternBytes(40000));
    const QString report = file(u"r/report.zip"_qs, PatternBytes(40000));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(u"pipe.zip"_qs)).constData(), 0600), 0);
    file(u"links/report.001"_qs, "old");
    QFile::link(file(u"victim.txt"_qs, "mine"), dir.filePath(u"links/report.002"_qs));
    file(u"other/report.bat"_qs, BatchFileText(u"report.photos.zip"_qs, u"report."_qs, 2, false));
    file(u"foreign/report.bat"_qs, "@echo off\r\necho mine\r\n");
    folder(u"busy"_qs);
    const PieceFolder held(dir.filePath(u"busy"_qs), u"report."_qs); // another job writes there
    const std::tuple<QString, int64_t, QString, const char*> cases[] = {
        // source, piece size, folder, what the message says
        {dir.filePath(u"missing.zip"_qs), 10, out, "missing.zip': No such file or directory"},
        {QString(), 10, out, "No file to split"},
        {out, 10, out, "is a folder, not a file"},
        {dir.filePath(u"pipe.zip"_qs), 10, out, "pipe.zip' is a named pipe (FIFO), not an ordinary file"},
        {u"/dev/zero"_qs, 10, out, "'/dev/zero' is a character device, not an ordinary file"},
        {source, 10, dir.filePath(u"nowhere"_qs), "nowhere' does not exist"},
        {source, 10, file(u"plain.txt"_qs, "x"), "is not a folder"},
        {source, 1, out, "40000 pieces"},
        {source, 0, out, "above 0"},
        {source, -5, out, "above 0"},
        {file(u"odd\"name.zip"_qs, "x"), 4, out, "a double quote"},
        {file(u"CON.txt.zip"_qs, "x"), 4, out, "Windows keeps the name 'CON' for a device"},
        {file(u"tool.Bat"_qs, "x"), 4, out, "its batch file has the same name"},
        {report, 10000, dir.filePath(u"links"_qs), "links/report.002' is a symbolic link, not an ordinary file"},
        {report, 10000, dir.filePath(u"other"_qs), "other/report.bat', which does not rebuild 'report.zip'"},
        {report, 10000, dir.filePath(u"foreign"_qs), "foreign/report.bat', which does not rebuild 'report.zip'"},
        {report, 10000, dir.filePath(u"busy"_qs), "Another job is writing the pieces of 'report.' into"},
        // the lock that keeps other jobs out has the longest name of a set without receiver files
        {file(QString(242, u'x') + u".zip"_qs, "x"), 4, out,
         "brevimo-lock', whose name would have 256 bytes, 1 more than the 255 that file names there may have. "
         "Shorten the name of 'xxx"},
    };
    for (const auto& [from, pieceSize, to, told] : cases) {
        const QString before = Listing(to);
        const QString error = Thrown<JobError>([&] { SplitFile(from, pieceSize, to, false, shell); });
        EXPECT_TRUE(error.contains(QString::fromUtf8(told))) << error.toStdString();
        EXPECT_EQ(Listing(to), before);
    }
    EXPECT_EQ(ReadFile(dir.filePath(u"victim.txt"_qs)), "mine");
}

// A set is whole or has no batch file: a full disk, a read-only one or a signal leaves whole pieces only, and the
// message says which are there. A new set replaces an earlier one of the same source whole.
TEST_F(Splitter, ASetIsWholeOrHasNoBatchFile) {
    const QString source = file(u"report.zip"_qs, PatternBytes(1000 * 1000));
    const QString again = folder(u"again"_qs);
    ASSERT_EQ(SplitFile(source, 100 * 1000, again, false, shell), 10);
    const std::tuple<int64_t, bool, int, const char*, const char*> cases[] = {
        // disk size (0: the folder of an earlier set of 10 pieces), read-only, signal at the third piece, told,
        // what stays
        {256 * 1024, false, 0, "report.003': No space left on device.*'$D' holds report.001 to report.002 and no batch",
         "report.001 report.002"},
        {256 * 1024, true, 0, "Cannot write '$D': Read-only file system.", ""},
        {0, false, SIGINT, "stopped by SIGINT (Ctrl-C).\n'$D' holds report.001 to report.010 and no batch file",
         "report.001 report.002 report.003 report.004 report.005 report.006 report.007 report.008 report.009 "
         "report.010"},
        {0, false, SIGTERM, "stopped by SIGTERM.", "*"},
    };
    for (const auto& [size, readOnly, signal, told, left] : cases) {
        SCOPED_TRACE(told);
        const QString disk = size ? folder(readOnly ? u"ro"_qs : u"full"_qs) : again;
        const std::unique_ptr<TmpfsMount> mount(size ? new TmpfsMount(disk, size, readOnly) : nullptr);
        if (mount && !mount->available())
            GTEST_SKIP() << mount->whyNot().toStdString();
        shell = ScriptedShell();
        shell.onProgress = [signal = signal](int percent) {
            if (signal && percent >= 20)
                ::raise(signal);
        };
        WriteFile(source, PatternBytes(1000 * 1000, signal)); // for a set of another content
        const QString error = Thrown<JobError>([&] { SplitFile(source, 100 * 1000, disk, false, shell); });
        for (const QString& part : QString::fromUtf8(told).replace(u"$D"_qs, disk).split(u'*'))
            EXPECT_TRUE(error.contains(part)) << error.toStdString();
        if (*left != '*') {
            EXPECT_EQ(Listing(disk), QString::fromUtf8(left));
        }
        EXPECT_FALSE(Listing(disk).contains(u".bat"_qs) || Listing(disk).contains(u".part"_qs))
            << Listing(disk).toStdString();
        for (const QFileInfo& piece : QDir(disk).entryInfoList(QDir::Files))
            EXPECT_EQ(piece.size(), 100 * 1000) << piece.fileName().toStdString();
    }
    // Split again after all that, and then into 2 pieces: only the new set is there, whole.
    shell = ScriptedShell();
    for (const int64_t pieceSize : {int64_t{100 * 1000}, int64_t{600 * 1000}}) {
        ASSERT_EQ(SplitFile(source, pieceSize, again, false, shell), pieceSize > 100000 ? 2 : 10);
        const QStringList names = Listing(again).split(u' ');
        EXPECT_EQ(names.size(), pieceSize > 100000 ? 3 : 11);
        EXPECT_EQ(Concatenate(again, names.mid(0, names.size() - 1)), ReadFile(source));
    }
}

// Offsets and lengths past 2 GiB: a sparse source with marks around the 32-bit limits.
TEST_F(Splitter, FilesOverTwoGibibytes) {
    const int64_t length = (int64_t{2} << 30) + 4096 + 7;
    QFile whole(dir.filePath(u"huge.img"_qs));
    ASSERT_TRUE(whole.open(QIODevice::ReadWrite) && whole.resize(length));
    for (int64_t at : {int64_t{0}, (int64_t{1} << 31) - 3, int64_t{1} << 31, length - 9})
        ASSERT_TRUE(whole.seek(at) && whole.write(QByteArray::number(at).rightJustified(9, '#', true)) == 9);
    whole.flush();
    const int64_t pieceSize = int64_t{3} << 29; // 1.5 GiB, more than a 32-bit signed size holds
    ASSERT_EQ(SplitFile(whole.fileName(), pieceSize, folder(u"out"_qs), false, shell), 2);
    QFile first(dir.filePath(u"out/huge.001"_qs)), second(dir.filePath(u"out/huge.002"_qs));
    EXPECT_EQ(first.size(), pieceSize);
    EXPECT_EQ(second.size(), length - pieceSize);
    ASSERT_TRUE(whole.seek(0) && first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    int64_t compared = 0;
    for (QFile* piece : {&first, &second}) {
        while (!piece->atEnd()) {
            const QByteArray a = piece->read(8 << 20);
            ASSERT_EQ(a, whole.read(a.size())) << "at offset " << compared;
            compared += a.size();
        }
    }
    EXPECT_EQ(compared, length);
}

TEST(PathNames, SplitPathsAtTheLastSeparator) {
    // path, then its file name, folder and piece base; the dot of a folder does not count
    for (const auto& [path, parts] : {std::pair{"", "||"},
                                      {"/data/report.zip", "report.zip|/data/|report."},
                                      {"report.zip", "report.zip||report."},
                                      {"/data/", "|/data/|"},
                                      {"/a.b/c", "c|/a.b/|"}}) {
        const QString p = QString::fromUtf8(path);
        EXPECT_EQ(ExtractFileName(p) + u'|' + GetPath(p) + u'|' + PieceBase(p), QString::fromUtf8(parts)) << path;
    }
    EXPECT_EQ(PieceName(u"r."_qs, 7) + u' ' + PieceName(u"r."_qs, 12345), u"r.007 r.12345");
}

TEST(BatchFile, ExactBytesAndTheRemLinesOnlyWhenAsked) {
    const QByteArray expected = ReadFile(QStringLiteral(BREVIMO_TESTS "/split/report.bat"));
    QTemporaryDir dir;
    ScriptedShell shell;
    WriteFile(dir.filePath(u"report.zip"_qs), PatternBytes(2500000));
    ASSERT_EQ(SplitFile(dir.filePath(u"report.zip"_qs), 1048576, dir.path(), false, shell), 3);
    EXPECT_EQ(ReadFile(dir.filePath(u"report.bat"_qs)), expected);
    EXPECT_EQ(BatchFileText(u"report.zip"_qs, u"report."_qs, 3, true),
              "rem PLEASE CHANGE THE '.TXT' EXTENSION OF THIS FILE TO '.BAT'\r\nrem \r\n" + expected);
}

TEST(BatchFile, NamesAsCmdReadsThem) {
    const std::tuple<QString, int, const char*, const char*> cases[] = {
        // source, pieces, a part of the text, what it lacks
        {u"a.zip"_qs, 1,
         "echo Reassembling the split pieces...\r\nif not exist \"a.001\" (echo \"a.001\" is missing. Put all pieces "
         "into "
         "this folder and start the batch file again.& goto failed)\r\n(call )\r\ncopy/b \"a.001\" \"a.zip\"\r\nif "
         "errorlevel 1 (echo \"a.001\" could not be joined to \"a.zip\".& goto failed)\r\necho.\r\n",
         " + "},
        // "All Done." only after every copy; else the reason, time to read it, and status 1
        {u"a.zip"_qs, 1,
         "echo All Done.\r\nexit /b 0\r\n:failed\r\necho \"a.zip\" was not rebuilt.\r\npause\r\nexit /b 1\r\n", "chcp"},
        {u"100%.zip"_qs, 2,
         "copy/b \"100%%.001\" \"100%%.zip\"\r\nif errorlevel 1 (echo \"100%%.001\" could not be joined to "
         "\"100%%.zip\".& goto failed)\r\ncopy/b \"100%%.zip\" + \"100%%.002\"\r\n",
         "\"100%.0"},
        // in code page 850 when the name fits it, else UTF-8; the console is switched to it and back
        {u"Fotos_M\u00e4rz.zip"_qs, 1,
         "@echo off\r\nsetlocal\r\nfor /f \"tokens=2 delims=:.\" %%c in ('chcp') do set \"brevimo_cp=%%c\"\r\nchcp "
         "850 >nul 2>nul\r\necho.\r\n",
         "65001"},
        {u"Fotos_M\u00e4rz.zip"_qs, 1,
         "echo All Done.\r\nchcp %brevimo_cp% >nul 2>nul\r\nexit /b 0\r\n:failed\r\necho \"Fotos_M\x84rz.zip\" was not "
         "rebuilt.\r\nchcp %brevimo_cp% >nul 2>nul\r\npause\r\n",
         "All Done.\r\nexit"},
        {u"Fotos_M\u00e4rz.zip"_qs, 1, "copy/b \"Fotos_M\x84rz.001\" \"Fotos_M\x84rz.zip\"\r\n", "\xc3"},
        {u"\u03a6\u03c9\u03c4\u03bf.zip"_qs, 3, "\"brevimo_cp=%%c\"\r\nchcp 65001 >nul 2>nul\r\necho.\r\n", "?"},
        {u"\u03a6\u03c9\u03c4\u03bf.zip"_qs, 3,
         "copy/b \"\xce\xa6\xcf\x89\xcf\x84\xce\xbf.001\" \"\xce\xa6\xcf\x89\xcf\x84\xce\xbf.zip\"\r\n", "\r\r"},
    };
    for (const auto& [source, count, contains, lacks] : cases) {
        const QByteArray text = BatchFileText(source, source.section(u'.', 0, 0) + u'.', count, false);
        EXPECT_TRUE(text.contains(contains) && !text.contains(lacks)) << text.toStdString();
        // and what it rebuilds is read back from it
        const std::optional<BatchSet> read = ReadBatchFile(text);
        EXPECT_EQ(read ? read->fileName + u' ' + QString::number(read->pieceCount) : u"-"_qs,
                  source + u' ' + QString::number(count));
    }
    EXPECT_FALSE(ReadBatchFile("@echo off\r\ncopy a b\r\n"));
}

TEST(BatchFile, NamesThatCannotBeCarriedOrRebuiltAreRefused) {
    const QString longName = QString(u'x').repeated(252) + u".zip"_qs;
    const std::pair<QString, const char*> cases[] = {
        {u"say \"hi\".zip"_qs, "a double quote"},
        {u"two\nlines.zip"_qs, "a line break"},
        {u"tab\there.zip"_qs, "a control character"},
        {u"del\x7f.zip"_qs, "a control character"},
        {u"a<b.zip"_qs, "'<'"},
        {u"a>b.zip"_qs, "'>'"},
        {u"a|b.zip"_qs, "'|'"},
        {u"what?.zip"_qs, "'?'"},
        {u"star*.zip"_qs, "'*'"},
        {u"back\\slash.zip"_qs, "'\\'"},
        {u"c:colon.zip"_qs, "':'"},
        // names the receiver's Windows cannot create, or that overwrite the running batch file
        {u"con.zip"_qs, "the name 'con' for a device"},
        {u"NUL"_qs, "the name 'NUL' for a device"},
        {u"Com1.tar.gz"_qs, "the name 'Com1' for a device"},
        {u"lpt9.zip"_qs, "the name 'lpt9' for a device"},
        {u"report.zip."_qs, "a dot or blank at the end"},
        {u"report.zip "_qs, "a dot or blank at the end"},
        {u"tool.bat"_qs, "would overwrite itself"},
        {u"TOOL.BAT"_qs, "would overwrite itself"},
        {u"bat"_qs, "would overwrite itself"},
        {longName, "' would have 256 bytes, 1 more than the 255 a file name may have on Linux and macOS (on Windows "
                   "255 characters)"},
        {QString(u'\u00e4').repeated(126) + u".z"_qs, ".001' would have 256 bytes, 1 more"}, // bytes, not letters
        // the name of a piece of its own set, which the join would overwrite
        {u"report.001"_qs, "own piece report.001"},
        // accepted
        {u"100%.zip"_qs, nullptr},
        {u"a & b (1).zip"_qs, nullptr},
        {u"M\u00e4rz.zip"_qs, nullptr},
        {u"semi;colon.zip"_qs, nullptr},
        {u"console.zip"_qs, nullptr},
        {u"COM10.zip"_qs, nullptr},
        {u"nodot"_qs, nullptr}, // pieces 001.. and the batch file "bat": intended
        {u"tool.bat.zip"_qs, nullptr},
        {longName.mid(1), nullptr},
        {u"report.002"_qs, nullptr}, // one piece only
        {u"report.01"_qs, nullptr},
    };
    for (const auto& [name, reason] : cases) {
        const QString error = Thrown<JobError>([&, n = name] {
            CheckBatchSafeName(n);
            CheckReceiverName(n, 1);
        });
        EXPECT_EQ(error.contains(name) && error.contains(QString::fromUtf8(reason)), reason != nullptr)
            << error.toStdString();
        EXPECT_EQ(error.isEmpty(), reason == nullptr) << name.toStdString();
    }
}

TEST(PieceSize, CustomTextsAndTheOptions) {
    const std::pair<const char*, int64_t> accepted[] = {
        {"100 MB", 104857600}, {"100MB", 104857600}, {"100mb", 104857600}, {"100 M", 104857600}, {"64 KB", 65536},
        {"64k", 65536},        {"512 K", 524288},    {"1.5 M", 1572864},   {"0", 1048576},       {"", 1048576},
        {"abc", 1048576},      {" 2 MB ", 2097152},  {"0.5 K", 512},       {"2.5 K", 2560}};
    for (const auto& [text, bytes] : accepted)
        EXPECT_EQ(CustomPieceSize(QString::fromUtf8(text)), bytes) << text;
    for (const char* text :
         {"100", "-5 MB", "0 MB", "0 K", "1.50 MB", "5 GB", "1 0 MB", "12 bytes", "0.0001 K", "99999999999999 MB"}) {
        const QString error = Thrown<JobError>([&] { CustomPieceSize(QString::fromUtf8(text)); });
        EXPECT_TRUE(error.contains(u'\'' + QString::fromUtf8(text) + u'\'')) << text << error.toStdString();
    }
    const int64_t fixed[] = {524288, 1048576, 1433600, 2097152, 65536};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(PieceSizeFor(i, u"64k"_qs), fixed[i]) << i;
    const std::tuple<bool, bool, const char*, int64_t> jobs[] = {
        // mail, floppy, the custom size: floppies ignore the size options, and mail wins over the kept floppy choice
        {false, true, "not a size MB", 1433600},
        {false, false, "3 K", 3072},
        {true, true, "3 K", 3072}};
    for (const auto& [mail, floppy, custom, bytes] : jobs) {
        SplitJob job;
        job.SizeIndex = 4;
        job.CustomSplitSize = QString::fromUtf8(custom);
        job.MailSelected = mail;
        job.FloppySelected = floppy;
        EXPECT_EQ(PieceSizeOf(job), bytes) << custom;
    }
}

TEST(NumberText, NumberAtStartNumberTextAndToInt16) {
    const std::pair<const char*, double> vals[] = {{"1.5 M", 1.5}, {"  -12abc", -12}, {"1 2 3", 123},
                                                   {"2E3x", 2000}, {"5E", 5},         {"1.2.3", 1.2},
                                                   {"abc", 0},     {"", 0},           {".", 0}};
    for (const auto& [text, value] : vals)
        EXPECT_EQ(NumberAtStart(QString::fromUtf8(text)), value) << text;
    EXPECT_EQ(NumberText(100) + u' ' + NumberText(1.5) + u' ' + NumberText(-5) + u' ' + NumberText(1e20),
              u"100 1.5 -5 1E+20");
    const std::pair<const char*, std::optional<int16_t>> ints[] = {
        {"2.5", 2}, {"3.5", 4}, {"", 0}, {"40000", std::nullopt}};
    for (const auto& [text, value] : ints)
        EXPECT_EQ(ToInt16(QString::fromUtf8(text)), value) << text;
}

TEST_F(Splitter, AJobStandsWhenItsSettingsCannotBeStored) {
    job.SourceFile = file(u"report.zip"_qs, PatternBytes(2500000));
    toDisk(dir.path());
    store.failWrites = true;
    EXPECT_TRUE(run());
    EXPECT_EQ(shell.told(), u"info ok: There were 3 splitfiles created.\nwarning ok: The settings could not be stored "
                            "in 'memory': it is read-only. This run goes on with the settings in memory, but the "
                            "next one will not remember: SplitSize, CustomSplitSize, SplitDir, ReceiverFiles.");
}

} // namespace
