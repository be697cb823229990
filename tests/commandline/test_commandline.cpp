#include "core/CommandLine.h"

#include <gtest/gtest.h>

namespace {

SplitJob startJob() {
    SplitJob job;
    job.SourceFile = QStringLiteral("old.zip");
    job.SplitFolder = QStringLiteral("/stored");
    job.SizeIndex = 4;
    job.SendTo = QStringLiteral("last@stored.test");
    job.Subject = QStringLiteral("old");
    return job;
}

// The fields that differ between two jobs, as "name=value" words.
QString changes(const SplitJob& a, const SplitJob& b) {
    const auto fields = [](const SplitJob& j) {
        return QStringList{u"src="_qs + j.SourceFile,
                           u"dst="_qs + j.SplitFolder,
                           u"size="_qs + QString::number(j.SizeIndex),
                           u"to="_qs + j.SendTo,
                           u"cc="_qs + j.CarbonCopy,
                           u"bcc="_qs + j.BlindCarbonCopy,
                           u"sbj="_qs + j.Subject,
                           u"bdy="_qs + j.Body,
                           u"mail="_qs + QString::number(j.MailSelected),
                           u"floppy="_qs + QString::number(j.FloppySelected),
                           u"files="_qs + QString::number(j.FilesOptionEnabled),
                           u"nui="_qs + QString::number(j.NoUI)};
    };
    QStringList out;
    for (qsizetype i = 0; i < fields(a).size(); ++i)
        if (fields(a)[i] != fields(b)[i])
            out << fields(b)[i];
    return out.join(u' ');
}

TEST(CommandLine, OptionTable) {
    // A line, and the fields it changes (nullptr: the usage text).
    const std::pair<const char*, const char*> cases[] = {
        {"/?", nullptr},
        {"   ", nullptr},
        {"/SRC:a.zip /dst:C:\\out", "src=a.zip dst=C:\\out mail=0 files=1"},
        {"/SrC:Mixed.ZIP", "src=Mixed.ZIP"},
        {"/src=a.zip", "src=a.zip"},
        {"/srcXa.zip", "src=a.zip"},
        {"/src:", "src="},
        {"/nuiXYZ", "nui=1"},
        {"/sze:1.44", "size=2"},
        {"/sze:512", "size=0"},
        {"/sze:2", "size=3"},
        {"/sze:3", "size=1"},
        {"/sze:1.440", "size=1"},
        {"/sbj:\"Holiday photos\" /nui", "sbj=Holiday photos nui=1"},
        {"\"/sbj:Holiday photos\"", "sbj=Holiday photos"},
        {"/sbj:Holi\"day pho\"tos", "sbj=Holiday photos"},
        {"/src:a  /nui", nullptr},
        {"/src:a /sbj:\"never closed /nui", "src=a"},
        {"\"/src:a /nui", ""},
        {"/src:first /src:second", "src=second"},
        {"/dst:one /dst:two", "dst=two mail=0 files=1"},
        {"/sto:a@b.test /cco:c@d.test,e@f.test /bcc:g@h.test /bdy:\"Two words\"",
         "to=a@b.test cc=c@d.test,e@f.test bcc=g@h.test bdy=Two words"},
        {"/sr", nullptr},
        {"/src:a /xyz:b", nullptr},
        {"  /src:trimmed  ", "src=trimmed"},
        {"src:a.zip", nullptr}};
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line);
        SplitJob job = startJob();
        ASSERT_EQ(ApplyCommandLine(SplitCommandLine(QString::fromUtf8(line)), job), expected != nullptr);
        if (expected) {
            EXPECT_EQ(changes(startJob(), job), QString::fromUtf8(expected));
        }
    }
}

TEST(CommandLine, TokensOfATextAndOfArguments) {
    const std::pair<const char*, QStringList> cases[] = {
        {"a  b", {u"a"_qs, u""_qs, u"b"_qs}}, {"", {u""_qs}}, {"\"a b", {}}, {"x \"a b", {u"x"_qs}}, {"\"\"", {u""_qs}},
    };
    for (const auto& [line, tokens] : cases)
        EXPECT_EQ(SplitCommandLine(QString::fromUtf8(line)), tokens) << line;
    // Words from a shell: a quote inside one is dropped and takes no later word along.
    SplitJob job;
    ASSERT_TRUE(ApplyCommandLine(
        TokensOfArguments({u"/nui"_qs, u"/sbj:5\" disks"_qs, u"/dst:out"_qs, u"/src:my file.zip"_qs}), job));
    EXPECT_EQ(job.Subject + u'|' + job.SplitFolder + u'|' + job.SourceFile, u"5 disks|out|my file.zip");
    EXPECT_FALSE(ApplyCommandLine(TokensOfArguments({u"/nui"_qs, u""_qs}), job)) << "an empty word is no option";
}

} // namespace
