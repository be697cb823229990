#include "split/PieceSize.h"
#include "split/VbConvert.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

TEST(PieceSize, CustomTexts) {
    const std::pair<const char*, int64_t> cases[] = {
        {"100 MB", 104857600},
        {"100MB", 104857600},
        {"100mb", 104857600},
        {"100 M", 104857600},
        {"64 KB", 65536},
        {"64k", 65536},
        {"512 K", 524288},
        {"1.5 M", 1572864},
        {"0", 1048576},
        {"", 1048576},
        {"abc", 1048576},
        {" 2 MB ", 2097152},
        {"0.5 K", 512},
        {"2.5 K", 2560},
        // refused, and the message names the text
        {"100", 0},
        {"-5 MB", 0},
        {"0 MB", 0},
        {"0 K", 0},
        {"1.50 MB", 0},
        {"5 GB", 0},
        {"1 0 MB", 0},
        {"12 bytes", 0},
        {"0.0001 K", 0},
        {"99999999999999 MB", 0},
    };
    for (const auto& [text, bytes] : cases) {
        SCOPED_TRACE(text);
        int64_t got = 0;
        const QString error =
            Thrown<PieceSizeError>([&, text = text] { got = CustomPieceSize(QString::fromUtf8(text)); });
        EXPECT_EQ(got, bytes);
        EXPECT_EQ(error.contains(QString::fromUtf8(text)) && !error.isEmpty(), bytes == 0) << error.toStdString();
    }
}

TEST(PieceSize, Options) {
    const int64_t fixed[] = {524288, 1048576, 1433600, 2097152};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(PieceSizeFor(i, {}), fixed[i]) << i;
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

TEST(VbConvert, ValNumberTextAndToInt16) {
    const std::pair<const char*, double> vals[] = {{"1.5 M", 1.5}, {"  -12abc", -12}, {"1 2 3", 123},
                                                   {"2E3x", 2000}, {"5E", 5},         {"1.2.3", 1.2},
                                                   {"abc", 0},     {"", 0},           {".", 0}};
    for (const auto& [text, value] : vals)
        EXPECT_EQ(Val(QString::fromUtf8(text)), value) << text;
    const std::pair<double, const char*> texts[] = {{100, "100"}, {1.5, "1.5"}, {-5, "-5"}, {1e20, "1E+20"}};
    for (const auto& [value, text] : texts)
        EXPECT_EQ(NumberText(value), QString::fromUtf8(text));
    EXPECT_EQ(ToInt16(u"2.5"_qs), int16_t{2});
    EXPECT_EQ(ToInt16(u"3.5"_qs), int16_t{4});
    EXPECT_EQ(ToInt16(u""_qs), int16_t{0});
    EXPECT_EQ(ToInt16(u"40000"_qs), std::nullopt);
}

} // namespace
