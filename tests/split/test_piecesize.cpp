#include "split/PieceSize.h"
#include "split/VbConvert.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

TEST(PieceSize, CustomTextsAndTheOptions) {
    const std::pair<const char*, int64_t> accepted[] = {
        {"100 MB", 104857600}, {"100MB", 104857600}, {"100mb", 104857600}, {"100 M", 104857600}, {"64 KB", 65536},
        {"64k", 65536},        {"512 K", 524288},    {"1.5 M", 1572864},   {"0", 1048576},       {"", 1048576},
        {"abc", 1048576},      {" 2 MB ", 2097152},  {"0.5 K", 512},       {"2.5 K", 2560}};
    for (const auto& [text, bytes] : accepted)
        EXPECT_EQ(CustomPieceSize(QString::fromUtf8(text)), bytes) << text;
    for (const char* text :
         {"100", "-5 MB", "0 MB", "0 K", "1.50 MB", "5 GB", "1 0 MB", "12 bytes", "0.0001 K", "99999999999999 MB"}) {
        const QString error = Thrown<PieceSizeError>([&] { CustomPieceSize(QString::fromUtf8(text)); });
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

TEST(VbConvert, ValNumberTextAndToInt16) {
    const std::pair<const char*, double> vals[] = {{"1.5 M", 1.5}, {"  -12abc", -12}, {"1 2 3", 123},
                                                   {"2E3x", 2000}, {"5E", 5},         {"1.2.3", 1.2},
                                                   {"abc", 0},     {"", 0},           {".", 0}};
    for (const auto& [text, value] : vals)
        EXPECT_EQ(Val(QString::fromUtf8(text)), value) << text;
    EXPECT_EQ(NumberText(100) + u' ' + NumberText(1.5) + u' ' + NumberText(-5) + u' ' + NumberText(1e20),
              u"100 1.5 -5 1E+20");
    const std::pair<const char*, std::optional<int16_t>> ints[] = {
        {"2.5", 2}, {"3.5", 4}, {"", 0}, {"40000", std::nullopt}};
    for (const auto& [text, value] : ints)
        EXPECT_EQ(ToInt16(QString::fromUtf8(text)), value) << text;
}

} // namespace
