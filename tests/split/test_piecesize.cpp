#include "split/PieceSize.h"
#include "split/VbConvert.h"

#include <gtest/gtest.h>

namespace {

TEST(PieceSize, CustomTexts) {
    const std::pair<const char*, int64_t> cases[] = {
        {"100 MB", 104857600}, {"100MB", 104857600}, {"100mb", 104857600}, {"100 M", 104857600}, {"64 KB", 65536},
        {"64k", 65536},        {"512 K", 524288},    {"1.5 M", 1572864},   {"0", 1048576},       {"", 1048576},
        {"abc", 1048576},      {" 2 MB ", 2097152},  {"0.5 K", 512},       {"2.5 K", 2560},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(CustomPieceSize(QString::fromUtf8(text)), bytes) << text;
}

TEST(PieceSize, UnusableCustomTextsAreRefused) {
    for (const char* text :
         {"100", "-5 MB", "0 MB", "0 K", "1.50 MB", "5 GB", "1 0 MB", "12 bytes", "0.0001 K", "99999999999999 MB"}) {
        try {
            CustomPieceSize(QString::fromUtf8(text));
            ADD_FAILURE() << "accepted " << text;
        } catch (const PieceSizeError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(text))) << e.message().toStdString();
        }
    }
}

TEST(PieceSize, Options) {
    EXPECT_EQ(PieceSizeFor(0, {}), 524288);
    EXPECT_EQ(PieceSizeFor(1, {}), 1048576);
    EXPECT_EQ(PieceSizeFor(2, {}), 1433600);
    EXPECT_EQ(PieceSizeFor(3, {}), 2097152);
    EXPECT_EQ(PieceSizeFor(4, u"64k"_qs), 65536);

    SplitJob job;
    job.SizeIndex = 4;
    job.CustomSplitSize = u"not a size MB"_qs;
    job.MailSelected = false;
    job.FloppySelected = true;
    EXPECT_EQ(PieceSizeOf(job), 1433600); // floppies ignore the size options
    job.FloppySelected = false;
    job.CustomSplitSize = u"3 K"_qs;
    EXPECT_EQ(PieceSizeOf(job), 3072);
    job.MailSelected = true;
    job.FloppySelected = true; // the inner choice is kept but mail wins
    EXPECT_EQ(PieceSizeOf(job), 3072);
}

TEST(VbConvert, ValAndNumberText) {
    EXPECT_EQ(Val(u"1.5 M"_qs), 1.5);
    EXPECT_EQ(Val(u"  -12abc"_qs), -12);
    EXPECT_EQ(Val(u"1 2 3"_qs), 123);
    EXPECT_EQ(Val(u"2E3x"_qs), 2000);
    EXPECT_EQ(Val(u"5E"_qs), 5);
    EXPECT_EQ(Val(u"1.2.3"_qs), 1.2);
    EXPECT_EQ(Val(u"abc"_qs), 0);
    EXPECT_EQ(Val(u""_qs), 0);
    EXPECT_EQ(Val(u"."_qs), 0);
    EXPECT_EQ(NumberText(100), u"100");
    EXPECT_EQ(NumberText(1.5), u"1.5");
    EXPECT_EQ(NumberText(-5), u"-5");
    EXPECT_EQ(NumberText(1e20), u"1E+20");
    EXPECT_EQ(ToInt16(u"2.5"_qs), int16_t{2});
    EXPECT_EQ(ToInt16(u"3.5"_qs), int16_t{4});
    EXPECT_EQ(ToInt16(u""_qs), int16_t{0});
    EXPECT_EQ(ToInt16(u"40000"_qs), std::nullopt);
}

} // namespace
