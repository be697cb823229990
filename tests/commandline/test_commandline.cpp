#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace {

struct Expect {
    const char* line;
    bool accepted;
    std::optional<QString> source = {};
    std::optional<Target> target = {};
    std::optional<QString> folder = {};
    std::optional<int> sizeIndex = {};
    std::optional<QString> subject = {};
    std::optional<bool> noUI = {};
};

SplitJob startJob() {
    SplitJob job;
    job.SplitFolder = QStringLiteral("/stored");
    job.SizeIndex = 1;
    job.SendTo = QStringLiteral("last@stored.test");
    return job;
}

TEST(CommandLine, OptionTable) {
    const Expect cases[] = {
        {"/?", false},
        {"   ", false}, // one empty token
        {"/SRC:a.zip /dst:C:\\out", true, u"a.zip"_qs, Target::Folder, u"C:\\out"_qs},
        {"/SrC:Mixed.ZIP", true, u"Mixed.ZIP"_qs, Target::Mail, u"/stored"_qs},
        {"/src=a.zip", true, u"a.zip"_qs},
        {"/srcXa.zip", true, u"a.zip"_qs},
        {"/src", true, u""_qs},
        {"/src:", true, u""_qs},
        {"/nuiXYZ", true, {}, {}, {}, {}, {}, true},
        {"/nui", true, {}, Target::Mail, {}, 1, {}, true},
        {"/sze:1.44", true, {}, {}, {}, 2},
        {"/sze:512", true, {}, {}, {}, 0},
        {"/sze:2", true, {}, {}, {}, 3},
        {"/sze:1", true, {}, {}, {}, 1},
        {"/sze:3", true, {}, {}, {}, 1},
        {"/sze:", true, {}, {}, {}, 1},
        {"/sze:1.440", true, {}, {}, {}, 1},
        {"/sbj:\"Holiday photos\" /nui", true, {}, {}, {}, {}, u"Holiday photos"_qs, true},
        {"\"/sbj:Holiday photos\"", true, {}, {}, {}, {}, u"Holiday photos"_qs},
        {"/sbj:Holi\"day pho\"tos", true, {}, {}, {}, {}, u"Holiday photos"_qs},
        {"/src:a  /nui", false},
        {"/src:a /sbj:\"never closed /nui", true, u"a"_qs, {}, {}, {}, u""_qs, false},
        {"\"/src:a /nui", true, u""_qs, {}, {}, {}, {}, false},
        {"/src:first /src:second", true, u"second"_qs},
        {"/dst:one /dst:two", true, {}, Target::Folder, u"two"_qs},
        {"/sr", false},
        {"/src:a /xyz:b", false},
        {"  /src:trimmed  ", true, u"trimmed"_qs},
        {"/nu", false},
        {"src:a.zip", false},
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(c.line);
        SplitJob job = startJob();
        const QStringList tokens = SplitCommandLine(QString::fromUtf8(c.line));
        ASSERT_EQ(ApplyCommandLine(tokens, job), c.accepted);
        if (!c.accepted)
            continue;
        if (c.source) {
            EXPECT_EQ(job.SourceFile, *c.source);
        }
        if (c.target) {
            EXPECT_EQ(job.target(), *c.target);
        }
        if (c.folder) {
            EXPECT_EQ(job.SplitFolder, *c.folder);
        }
        if (c.sizeIndex) {
            EXPECT_EQ(job.SizeIndex, *c.sizeIndex);
        }
        if (c.subject) {
            EXPECT_EQ(job.Subject, *c.subject);
        }
        if (c.noUI) {
            EXPECT_EQ(job.NoUI, *c.noUI);
        }
    }
}

TEST(CommandLine, MessageOptionsAndFolderSwitch) {
    SplitJob job = startJob();
    ASSERT_TRUE(ApplyCommandLine(SplitCommandLine(u"/sto:a@b.test /cco:c@d.test,e@f.test /bcc:g@h.test "
                                                  u"/bdy:\"Two words\" /dst:/out"_qs),
                                 job));
    EXPECT_EQ(job.SendTo, u"a@b.test");
    EXPECT_EQ(job.CarbonCopy, u"c@d.test,e@f.test");
    EXPECT_EQ(job.BlindCarbonCopy, u"g@h.test");
    EXPECT_EQ(job.Body, u"Two words");
    // /dst: picks files on disk, the folder inside it, and enables the files option.
    EXPECT_FALSE(job.MailSelected);
    EXPECT_FALSE(job.FloppySelected);
    EXPECT_TRUE(job.FilesOptionEnabled);

    // Without /sto: the remembered recipient stays.
    SplitJob other = startJob();
    ASSERT_TRUE(ApplyCommandLine(SplitCommandLine(u"/src:x"_qs), other));
    EXPECT_EQ(other.SendTo, u"last@stored.test");
}

TEST(CommandLine, Tokens) {
    EXPECT_EQ(SplitCommandLine(u"a  b"_qs), (QStringList{u"a"_qs, u""_qs, u"b"_qs}));
    EXPECT_EQ(SplitCommandLine(u""_qs), QStringList{u""_qs});
    EXPECT_EQ(SplitCommandLine(u"\"a b"_qs), QStringList{});
    EXPECT_EQ(SplitCommandLine(u"x \"a b"_qs), QStringList{u"x"_qs});
    EXPECT_EQ(SplitCommandLine(u"\"\""_qs), QStringList{u""_qs});
}

TEST(CommandLine, JoinedArgumentsSplitBackIntoTheSameWords) {
    EXPECT_EQ(JoinArguments({}), u"");
    const QStringList words{u"/src:my file.zip"_qs, u""_qs, u"/sbj:Big file"_qs, u"/nui"_qs};
    EXPECT_EQ(SplitCommandLine(JoinArguments(words)), words);
}

// Random lines never crash or hang, tokens never hold a quote, and words without quotes survive the
// round trip through JoinArguments.
TEST(CommandLine, RandomLines) {
    std::mt19937 rng(20261206);
    const QString alphabet = u"  \"\"/srcdtnuiSZEbyo:=.1245x\u00e9\t"_qs;
    for (int round = 0; round < 20000; ++round) {
        QString line;
        const int length = static_cast<int>(rng() % 48);
        for (int i = 0; i < length; ++i)
            line += alphabet.at(static_cast<qsizetype>(rng() % alphabet.size()));
        const QStringList tokens = SplitCommandLine(line);
        ASSERT_LE(tokens.size(), line.count(u' ') + 1) << line.toStdString();
        for (const QString& t : tokens)
            ASSERT_FALSE(t.contains(u'"')) << line.toStdString();
        SplitJob job;
        ApplyCommandLine(tokens, job);

        QStringList words = line.split(u'"');
        words.removeAll(QString());
        QStringList plain;
        for (const QString& w : words)
            if (!w.contains(u' '))
                plain.append(w);
        // Leading or trailing blanks of a whole line are trimmed, so only inner words are compared.
        ASSERT_EQ(SplitCommandLine(JoinArguments(plain)), plain.isEmpty() ? QStringList{u""_qs} : plain)
            << line.toStdString();
    }
}

} // namespace
