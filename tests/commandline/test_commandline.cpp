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
                           u"custom="_qs + j.CustomSplitSize,
                           u"to="_qs + j.SendTo,
                           u"cc="_qs + j.CarbonCopy,
                           u"bcc="_qs + j.BlindCarbonCopy,
                           u"sbj="_qs + j.Subject,
                           u"bdy="_qs + j.Body,
                           u"mail="_qs + QString::number(j.MailSelected),
                           u"floppy="_qs + QString::number(j.FloppySelected),
                           u"files="_qs + QString::number(j.FilesOptionEnabled),
                           u"nui="_qs + QString::number(j.NoUI),
                           u"join="_qs + j.JoinSource,
                           u"into="_qs + j.JoinFolder};
    };
    QStringList out;
    for (qsizetype i = 0; i < fields(a).size(); ++i)
        if (fields(a)[i] != fields(b)[i])
            out << fields(b)[i];
    return out.join(u' ');
}

TEST(CommandLine, OptionTable) {
    // The words, and the fields they change (nullptr: the usage text).
    const std::pair<QStringList, const char*> cases[] = {
        {{u"/?"_qs}, nullptr},
        {{u"/SRC:a.zip"_qs, u"/dst:C:\\out"_qs}, "src=a.zip dst=C:\\out mail=0 files=1 into=C:\\out"},
        // a file given can go onto disks too
        {{u"/SrC:Mixed.ZIP"_qs}, "src=Mixed.ZIP files=1"},
        {{u"/src=a.zip"_qs}, "src=a.zip files=1"},
        {{u"/srcXa.zip"_qs}, "src=a.zip files=1"},
        {{u"/src:"_qs}, "src="},
        {{u"/nuiXYZ"_qs}, "nui=1"},
        {{u"/sze:1.44"_qs}, "size=2"},
        {{u"/sze:512"_qs}, "size=0"},
        {{u"/sze:2"_qs}, "size=3"},
        {{u"/sze:1"_qs}, "size=1"},
        {{u"/sze:"_qs}, "size=1"},
        {{u"/sze:big"_qs}, "size=1"},
        // anything with a digit is a custom size, which the job checks by the wizard's rule
        {{u"/sze:851KB"_qs}, "custom=851KB"},
        {{u"/sze:\"100 MB\""_qs}, "custom=100 MB"},
        {{u"/sze:3"_qs}, "custom=3"},
        {{u"/sze:1.440"_qs}, "custom=1.440"},
        {{u"/sze:100 MB"_qs, u"/sze:1"_qs}, "size=1 custom=100 MB"},
        {{u"/sbj:\"Holiday photos\""_qs, u"/nui"_qs}, "sbj=Holiday photos nui=1"},
        {{u"\"/sbj:Holiday photos\""_qs}, "sbj=Holiday photos"},
        // only a pair around the whole value goes: a quote inside it is the user's
        {{u"/sbj:Holi\"day pho\"tos"_qs}, "sbj=Holi\"day pho\"tos"},
        {{u"/sto:\"Doe, John\" <j@x.test>"_qs}, "to=\"Doe, John\" <j@x.test>"},
        {{u"/src:say \"hi\".zip"_qs}, "src=say \"hi\".zip files=1"},
        {{u"/sbj:\""_qs}, "sbj=\""},
        {{u"/src:first"_qs, u"/src:second"_qs}, "src=second files=1"},
        {{u"/dst:one"_qs, u"/dst:two"_qs}, "dst=two mail=0 files=1 into=two"},
        {{u"/sto:a@b.test"_qs, u"/cco:c@d.test,e@f.test"_qs, u"/bcc:g@h.test"_qs, u"/bdy:\"Two words\""_qs},
         "to=a@b.test cc=c@d.test,e@f.test bcc=g@h.test bdy=Two words"},
        // the one key longer than four letters, whole in any case
        {{u"/join:report.001"_qs}, "join=report.001"},
        {{u"/JOIN:\"my pieces\""_qs, u"/dst:out"_qs, u"/nui"_qs},
         "dst=out mail=0 files=1 nui=1 join=my pieces into=out"},
        {{u"/joinreport.001"_qs}, nullptr},
        {{u"/sr"_qs}, nullptr},
        {{u"/src:a"_qs, u"/xyz:b"_qs}, nullptr},
        {{u"src:a.zip"_qs}, nullptr}};
    for (const auto& [words, expected] : cases) {
        SCOPED_TRACE(words.join(u' ').toStdString());
        SplitJob job = startJob();
        ASSERT_EQ(ApplyCommandLine(TokensOfArguments(words), job), expected != nullptr);
        if (expected) {
            EXPECT_EQ(changes(startJob(), job), QString::fromUtf8(expected));
        }
    }
}

TEST(CommandLine, TokensOfArguments) {
    // Words from a shell: a quote inside one is kept and takes no later word along.
    SplitJob job;
    ASSERT_TRUE(ApplyCommandLine(
        TokensOfArguments({u"/nui"_qs, u"/sbj:5\" disks"_qs, u"/dst:out"_qs, u"/src:my file.zip"_qs}), job));
    EXPECT_EQ(job.Subject + u'|' + job.SplitFolder + u'|' + job.SourceFile, u"5\" disks|out|my file.zip");
    EXPECT_FALSE(ApplyCommandLine(TokensOfArguments({u"/nui"_qs, u""_qs}), job)) << "an empty word is no option";
}

} // namespace
