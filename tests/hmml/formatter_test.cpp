#include "hmml/formatter.h"

#include <gtest/gtest.h>

namespace {

QString fmt(const QString &omp, const QString &sep = QString(), int interval = 0)
{
    ConversionStatus status;
    status.code = 42; // must be cleared by the call
    const QString out = OMP_Format(omp, sep, interval, status);
    EXPECT_EQ(status.code, 0) << omp.toStdString() << ": " << status.message.toStdString();
    return out;
}

TEST(Formatter, WorkedExampleWithSeparators)
{
    EXPECT_EQ(fmt("$2:4M4Q8T", "/", 2), "$2:4/MQ/8T");
    EXPECT_EQ(fmt("$2:4M4Q8T", " ", 4), "$2:4MQ 8T");
    // Interval 1: a separator after every token, the last one trimmed.
    EXPECT_EQ(fmt("$2:4M4Q", "/", 1), "$2:/4/M/Q");
    // Only the first character of the separator counts.
    EXPECT_EQ(fmt("$2:4M4Q8T", "/-", 2), "$2:4/MQ/8T");
}

TEST(Formatter, EmptyAndTrailingCleanUp)
{
    EXPECT_EQ(fmt(""), "");
    EXPECT_EQ(fmt("$2:4M4"), "$2:4M");
    EXPECT_EQ(fmt("$2:4M$3:"), "$2:4M");
    EXPECT_EQ(fmt("$2:4M$3"), "$2:4M") << "a field cut off by the end";
    EXPECT_EQ(fmt("$2:4*"), "$2:4*");
    EXPECT_EQ(fmt("$2:4M/ !"), "$2:4M") << "punctuation cannot sound either";
}

TEST(Formatter, RedundantLengthsAreDropped)
{
    EXPECT_EQ(fmt("4M4Q8T"), "4MQ8T");
    EXPECT_EQ(fmt("45M"), "5M") << "a length followed by a length changes nothing";
    EXPECT_EQ(fmt("0A"), "A") << "0 is the length at the start";
    EXPECT_EQ(fmt("4$2:M"), "4$2:M") << "a length before a tempo field is kept";
}

TEST(Formatter, TempoFields)
{
    EXPECT_EQ(fmt("$2:$3:4M"), "$3:4M") << "the later field supersedes";
    EXPECT_EQ(fmt("$2:4M$2:4Q"), "$2:4MQ") << "a field equal to the tempo in force";
    EXPECT_EQ(fmt("$0:4M"), "4M");
    EXPECT_EQ(fmt("$.00:4M"), "4M");
    EXPECT_EQ(fmt("$:4M"), "4M");
    EXPECT_EQ(fmt("$.83:4M"), "$0.83:4M");
    EXPECT_EQ(fmt("$2.50:4M"), "$2.5:4M");
    EXPECT_EQ(fmt("$02:4M"), "$2:4M");
    EXPECT_EQ(fmt("$1.2.3:4M"), "$1.2:4M");
    // Never an exponent, at most 15 significant digits.
    EXPECT_EQ(fmt("$100000000000000000000:4M"), "$100000000000000000000:4M");
    EXPECT_EQ(fmt("$0.0000001:4M"), "$0.0000001:4M");
    EXPECT_EQ(fmt("$1.23456789012345678:4M"), "$1.23456789012346:4M");
}

TEST(Formatter, LengthAfterATempoFieldIsKeptWhenReadersNeedIt)
{
    // Readers take the field's digits and ":" as lengths: after "$1:" they
    // hold 10, so the "4" must stay for O to last 4 units.
    EXPECT_EQ(fmt("$2:4M$1:4O"), "$2:4M$1:4O");
    // A ":" (10) right after a field changes nothing and goes.
    EXPECT_EQ(fmt("$2::M"), "$2:M");
    // A dropped field does not touch the length.
    EXPECT_EQ(fmt("$2:4M$2:4O"), "$2:4MO");
}

TEST(Formatter, SeparatorChoiceAndFiltering)
{
    // Without a separator the input's blanks and slashes pass as tokens.
    EXPECT_EQ(fmt("4A/4B C"), "4A/B C");
    // With one they are removed first, even with interval 0.
    EXPECT_EQ(fmt("4A/4B C", "/", 0), "4ABC");
    EXPECT_EQ(fmt("4A/4B C", " ", 2), "4A BC");
    // Unusable separators: none inserted, nothing filtered.
    for (const char *sep : {"$", "*", "A", "0", "~"})
        EXPECT_EQ(fmt("4A/4B C", QString::fromLatin1(sep), 2), "4A/B C") << sep;
    // Characters outside printable ASCII always go.
    EXPECT_EQ(fmt(QStringLiteral("4M\r\n4Qドレ\t8T")), "4MQ8T");
}

TEST(Formatter, FailuresGiveEmptyTextAndAStatus)
{
    ConversionStatus status;
    EXPECT_EQ(OMP_Format("$2x:4M", "/", 2, status), QString());
    EXPECT_EQ(status.code, 100);
    EXPECT_EQ(status.line, 0);
    EXPECT_EQ(status.message, QStringLiteral("テンポ指定中に不明な文字列があります"));
    EXPECT_EQ(OMP_Format("$ 2:4M", "", 0, status), QString());
    EXPECT_EQ(status.code, 100);

    EXPECT_EQ(OMP_Format(QStringLiteral("$") + QString(400, u'9') + QStringLiteral(":4M"), "", 0, status), QString());
    EXPECT_EQ(status.code, -1);
    EXPECT_EQ(status.message, QStringLiteral("予期せぬエラーが発生しました。"));

    // The next call starts clean.
    EXPECT_EQ(OMP_Format("4M", "", 0, status), "4M");
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(status.message.isEmpty());
}

TEST(Formatter, FormattingIsStable)
{
    // Formatting formatted data again changes nothing.
    for (const char *omp : {"$2:4M$1:4O$2:4M", "$1.67:4A*8B$.5:1C", "$2:4M/Q 8T"}) {
        const QString once = fmt(QString::fromLatin1(omp), "/", 3);
        EXPECT_EQ(fmt(once, "/", 3), once) << omp;
    }
}

} // namespace
