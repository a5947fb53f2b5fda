#include "core/hmml/number_reader.h"

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
    const std::pair<QString, double> cases[] = {
        {"1e400", INFINITY}, {"1e+400", INFINITY}, {QString(400, u'9'), INFINITY}, {"1e99999999999999999999", INFINITY},
        {"1e-400", 0}, {"1e-4000", 0}, {"0." + QString(400, u'0') + "1", 0},
    };
    for (const auto &[text, value] : cases)
        EXPECT_EQ(readNumber(text), value) << text.toStdString();
}

TEST(NumberReader, WholeNumbersForStrictConversions)
{
    const std::pair<const char16_t *, double> cases[] = {{u" 12 ", 12}, {u"&H10", 16}, {u"12x", -1}, {u"", -1}, {u"piano", -1}, {u"&H", -1}};
    for (const auto &[text, value] : cases) {
        double v = 0; // -1: refused
        EXPECT_EQ(hmml::readWholeNumber(text, v) ? v : -1, value) << QString::fromUtf16(text).toStdString();
    }
}
