#include "split/BatchFile.h"

#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StringTable.h"
#include "core/Version.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

// cmd expands %NAME% even inside quotes; %% stands for one %.
QString quoted(const QString& name) {
    return u'"' + QString(name).replace(u'%', QStringLiteral("%%")) + u'"';
}

// Code page 850, the one cmd starts with in Western Europe, from 0x80 on.
constexpr char16_t kCp850[128] = {
    0x00c7, 0x00fc, 0x00e9, 0x00e2, 0x00e4, 0x00e0, 0x00e5, 0x00e7, 0x00ea, 0x00eb, 0x00e8, 0x00ef, 0x00ee,
    0x00ec, 0x00c4, 0x00c5, 0x00c9, 0x00e6, 0x00c6, 0x00f4, 0x00f6, 0x00f2, 0x00fb, 0x00f9, 0x00ff, 0x00d6,
    0x00dc, 0x00f8, 0x00a3, 0x00d8, 0x00d7, 0x0192, 0x00e1, 0x00ed, 0x00f3, 0x00fa, 0x00f1, 0x00d1, 0x00aa,
    0x00ba, 0x00bf, 0x00ae, 0x00ac, 0x00bd, 0x00bc, 0x00a1, 0x00ab, 0x00bb, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00c1, 0x00c2, 0x00c0, 0x00a9, 0x2563, 0x2551, 0x2557, 0x255d, 0x00a2, 0x00a5, 0x2510, 0x2514,
    0x2534, 0x252c, 0x251c, 0x2500, 0x253c, 0x00e3, 0x00c3, 0x255a, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256c, 0x00a4, 0x00f0, 0x00d0, 0x00ca, 0x00cb, 0x00c8, 0x0131, 0x00cd, 0x00ce, 0x00cf, 0x2518, 0x250c,
    0x2588, 0x2584, 0x00a6, 0x00cc, 0x2580, 0x00d3, 0x00df, 0x00d4, 0x00d2, 0x00f5, 0x00d5, 0x00b5, 0x00fe,
    0x00de, 0x00da, 0x00db, 0x00d9, 0x00fd, 0x00dd, 0x00af, 0x00b4, 0x00ad, 0x00b1, 0x2017, 0x00be, 0x00b6,
    0x00a7, 0x00f7, 0x00b8, 0x00b0, 0x00a8, 0x00b7, 0x00b9, 0x00b3, 0x00b2, 0x25a0, 0x00a0};

// The text in code page 850; nothing when a character is not in it.
std::optional<QByteArray> toCp850(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            out += static_cast<char>(c.unicode());
            continue;
        }
        const char16_t* end = kCp850 + 128;
        const char16_t* at = std::find(kCp850, end, c.unicode());
        if (at == end)
            return std::nullopt;
        out += static_cast<char>(0x80 + (at - kCp850));
    }
    return out;
}

QString fromCp850(const QByteArray& bytes) {
    QString out;
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        out += u < 0x80 ? QChar(u) : QChar(kCp850[u - 0x80]);
    }
    return out;
}

} // namespace

QByteArray BatchFileText(const QString& fileName, const QString& base, int64_t pieceCount, bool remLines) {
    const std::optional<QByteArray> oem = toCp850(fileName);
    const bool utf8 = !oem;
    const bool ascii = std::all_of(fileName.begin(), fileName.end(), [](QChar c) { return c.unicode() < 0x80; });
    QStringList lines;
    if (remLines) {
        lines << QStringLiteral("rem ") + Text(Res::BatchRenameTxt) << QStringLiteral("rem ");
    }
    lines << QStringLiteral("@echo off");
    // cmd reads every line in the console's code page of the moment, and the receiver's console may start in
    // any (437 in the US, 850 in Western Europe): switch to the file's own for the names, and back at the end.
    QString restore;
    if (!ascii) {
        lines << QStringLiteral("setlocal")
              << QStringLiteral("for /f \"tokens=2 delims=:.\" %%c in ('chcp') do set \"brevimo_cp=%%c\"")
              << QStringLiteral("chcp %1 >nul 2>nul").arg(utf8 ? 65001 : 850);
        restore = QStringLiteral("chcp %brevimo_cp% >nul 2>nul");
    }
    lines << QStringLiteral("echo.") << QStringLiteral("echo ") + CreatedWithVersionText()
          << QStringLiteral("echo ") + Text(Res::BatchAbout) << QStringLiteral("echo.")
          << QStringLiteral("echo ") + Text(Res::BatchGetCopy) << QStringLiteral("echo ") + Text(Res::MakerAddress)
          << QStringLiteral("echo.") << QStringLiteral("pause") << QStringLiteral("echo ") + Text(Res::BatchJoining);
    // Every piece is there before the first is copied: a missing one leaves no half-joined file behind.
    for (int64_t i = 1; i <= pieceCount; ++i) {
        const QString piece = quoted(PieceName(base, i));
        lines << QStringLiteral("if not exist %1 (echo %2& goto failed)")
                     .arg(piece, Text(Res::BatchPieceMissing).arg(piece));
    }
    // A status that an earlier command left (chcp without a console) must not count as a failed copy.
    lines << QStringLiteral("(call )");
    for (int64_t i = 1; i <= pieceCount; ++i) {
        const QString piece = PieceName(base, i);
        if (i == 1)
            lines << QStringLiteral("copy/b ") + quoted(piece) + u' ' + quoted(fileName);
        else
            lines << QStringLiteral("copy/b ") + quoted(fileName) + QStringLiteral(" + ") + quoted(piece);
        lines << QStringLiteral("if errorlevel 1 (echo %1& goto failed)")
                     .arg(Text(Res::BatchCopyFailed).arg(quoted(piece), quoted(fileName)));
    }
    lines << QStringLiteral("echo.") << QStringLiteral("echo ") + Text(Res::BatchAllDone);
    if (!restore.isEmpty())
        lines << restore;
    lines << QStringLiteral("exit /b 0");
    // Time to read what went wrong when the window was opened for the batch file alone.
    lines << QStringLiteral(":failed") << QStringLiteral("echo ") + Text(Res::BatchNotRebuilt).arg(quoted(fileName));
    if (!restore.isEmpty())
        lines << restore;
    lines << QStringLiteral("pause") << QStringLiteral("exit /b 1");

    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    return utf8 ? text.toUtf8() : *toCp850(text);
}

QString DecodeBatchFile(const QByteArray& text) {
    return text.contains("chcp 65001") ? QString::fromUtf8(text) : fromCp850(text);
}

std::optional<BatchSet> ReadBatchFile(const QByteArray& text) {
    const QString lines = DecodeBatchFile(text);
    static const QRegularExpression first(QStringLiteral("^copy/b \"([^\"]*)\" \"([^\"]*)\"\r?$"),
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression next(QStringLiteral("^copy/b \"[^\"]*\" \\+ \"[^\"]*\"\r?$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = first.match(lines);
    if (!m.hasMatch() || (!lines.startsWith(u'@') && !lines.startsWith(QStringLiteral("rem "))))
        return std::nullopt;
    BatchSet set{QString(m.captured(2)).replace(QStringLiteral("%%"), QStringLiteral("%")), 1};
    for (auto it = next.globalMatch(lines); it.hasNext(); it.next())
        ++set.pieceCount;
    return set;
}
