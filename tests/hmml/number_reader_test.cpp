#include "hmml/number_reader.h"

#include <gtest/gtest.h>

#include <QString>
#include <cmath>

using hmml::readNumber;

TEST(NumberReader, LeadingNumberOfTheText)
{
    const std::pair<const char *, double> cases[] = {
        {"120", 120}, {"  42abc", 42}, {"-3.5", -3.5}, {"+7", 7}, {".25", 0.25}, {"-.5", -0.5},
        {"1.5e2", 150}, {"1.5E+2x", 150}, {"25e-1", 2.5}, {"2D1", 20}, {"1e", 1}, {"1e+", 1},
        {"1 2 3", 123}, {"1 . 5", 1.5}, {"&H1F", 31}, {"&hff", 255}, {"&O17", 15}, {"& H 10", 16},
        {"&H", 0}, {"&X1", 0}, {"abc", 0}, {"", 0}, {"-", 0}, {".", 0}, {"4.", 4}, {"1.2.3", 1.2},
    };
    for (const auto &[text, value] : cases)
        EXPECT_DOUBLE_EQ(readNumber(QString::fromLatin1(text)), value) << text;
}

TEST(NumberReader, ExtremesStayNumbers)
{
    EXPECT_TRUE(std::isinf(readNumber(u"1e400")));
    EXPECT_TRUE(std::isinf(readNumber(u"1e+400")));
    EXPECT_EQ(readNumber(u"1e-4000"), 0.0);
    EXPECT_GT(readNumber(u"1e400"), 0);
    EXPECT_TRUE(std::isinf(readNumber(QString(400, u'9'))));
    EXPECT_EQ(readNumber(u"1e-400"), 0.0);
    EXPECT_EQ(readNumber(QStringLiteral("0.") + QString(400, u'0') + QStringLiteral("1")), 0.0);
    EXPECT_EQ(readNumber(u"1e99999999999999999999"), INFINITY);
}

TEST(NumberReader, WholeNumbersForStrictConversions)
{
    double v = 0;
    EXPECT_TRUE(hmml::readWholeNumber(u" 12 ", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(hmml::readWholeNumber(u"&H10", v));
    EXPECT_EQ(v, 16);
    EXPECT_FALSE(hmml::readWholeNumber(u"12x", v));
    EXPECT_FALSE(hmml::readWholeNumber(u"", v));
    EXPECT_FALSE(hmml::readWholeNumber(u"piano", v));
}
