#include "core/omp/formatter.h"
#include "core/omp/omp_scan.h"

#include "support/random_omp.h"
#include "support/test_files.h"

#include <vector>

namespace {

QString fmt(const QString &omp, const QString &sep = QString(), int interval = 0)
{
    ConversionStatus status;
    status.code = 42; // must be cleared by the call
    const QString out = OMP_Format(omp, sep, interval, status);
    EXPECT_EQ(status.code, 0) << str(omp) << ": " << str(status.message);
    return out;
}

TEST(Formatter, Layouts)
{
    struct Case {
        const char *in, *sep;
        int interval;
        const char *out;
    };
    const Case cases[] = {
        {"$2:4M4Q8T", "/", 2, "$2:4/MQ/8T"},
        {"$2:4M4Q8T", " ", 4, "$2:4MQ 8T"},
        {"$2:4M4Q", "/", 1, "$2:/4/M/Q"},    // after every token, the last one trimmed
        {"$2:4M4Q8T", "/-", 2, "$2:4/MQ/8T"}, // only the first character counts
        {"", "", 0, ""},
        // What cannot sound at the end goes; a final rest stays.
        {"$2:4M4", "", 0, "$2:4M"},  {"$2:4M$3:", "", 0, "$2:4M"}, {"$2:4M$3", "", 0, "$2:4M"},
        {"$2:4*", "", 0, "$2:4*"},   {"$2:4M/ !", "", 0, "$2:4M"},
        // Lengths that change nothing.
        {"4M4Q8T", "", 0, "4MQ8T"},  {"45M", "", 0, "5M"}, {"0A", "", 0, "A"}, {"4$2:M", "", 0, "4$2:M"},
        // Tempo fields: superseded, equal, zero, rewritten, never an exponent.
        {"$2:$3:4M", "", 0, "$3:4M"}, {"$2:4M$2:4Q", "", 0, "$2:4MQ"}, {"$0:4M", "", 0, "4M"},
        {"$.00:4M", "", 0, "4M"},     {"$:4M", "", 0, "4M"},           {"$.83:4M", "", 0, "$0.83:4M"},
        {"$2.50:4M", "", 0, "$2.5:4M"}, {"$02:4M", "", 0, "$2:4M"},    {"$1.2.3:4M", "", 0, "$1.2:4M"},
        {"$100000000000000000000:4M", "", 0, "$100000000000000000000:4M"},
        {"$0.0000001:4M", "", 0, "$0.0000001:4M"},
        {"$1.23456789012345678:4M", "", 0, "$1.23456789012346:4M"},
        // Readers take a field's digits and ":" as lengths (10 after it),
        // kept or dropped: the length the next note needs is written.
        {"$2:4M$1:4O", "", 0, "$2:4M$1:4O"}, {"$2::M", "", 0, "$2:M"}, {"$2:4M$2:4O", "", 0, "$2:4MO"},
        {"$2:4M$2:Q", "", 0, "$2:4M:Q"},     {"$2:4A$:B", "", 0, "$2:4A:B"}, {"$2:4A$0:*", "", 0, "$2:4A:*"},
        {"$2:4A$2:B$3:C", "/", 2, "$2:4/A:/B$3:/C"},
        // The input's blanks and slashes pass without a separator and go with one.
        {"4A/4B C", "", 0, "4A/B C"}, {"4A/4B C", "/", 0, "4ABC"}, {"4A/4B C", " ", 2, "4A BC"},
        {"4A/4B C", "$", 2, "4A/B C"}, {"4A/4B C", "*", 2, "4A/B C"}, {"4A/4B C", "A", 2, "4A/B C"},
        {"4A/4B C", "0", 2, "4A/B C"}, {"4A/4B C", "~", 2, "4A/B C"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fmt(QLatin1String(c.in), QLatin1String(c.sep), c.interval), QLatin1String(c.out))
            << c.in << " sep '" << c.sep << "' interval " << c.interval;
    // Characters outside printable ASCII always go.
    EXPECT_EQ(fmt(QStringLiteral("4M\r\n4Qドレ\t8T")), u"4MQ8T");
}

TEST(Formatter, FailuresGiveEmptyTextAndAStatus)
{
    ConversionStatus status;
    for (const char *bad : {"$2x:4M", "$ 2:4M"}) {
        EXPECT_EQ(OMP_Format(QLatin1String(bad), "", 2, status), QString());
        EXPECT_EQ(status.code, 100);
        EXPECT_EQ(status.line, 0);
        EXPECT_EQ(status.message, u"テンポ指定中に不明な文字列があります");
    }
    EXPECT_EQ(OMP_Format(QStringLiteral("$") + QString(400, u'9') + QStringLiteral(":4M"), "", 0, status), QString());
    EXPECT_EQ(status.code, -1);
    EXPECT_EQ(status.message, u"予期せぬエラーが発生しました。");
    // The next call starts clean.
    EXPECT_EQ(OMP_Format("4M", "", 0, status), "4M");
    EXPECT_EQ(status.code, 0);
    EXPECT_TRUE(status.message.isEmpty());
}

struct Sound {
    omp::EventKind kind;
    int code, length;
    float tempo;
    bool operator==(const Sound &) const = default;
};

std::vector<Sound> sounds(const QString &omp)
{
    std::vector<Sound> out;
    omp::ReaderState state;
    omp::scan(omp, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        if (ev.kind == omp::EventKind::Pitch || ev.kind == omp::EventKind::Rest)
            out.push_back({ev.kind, ev.code, s.length, s.tempo});
        return true;
    });
    return out;
}

// Formatting never changes what a reader plays: every note and rest keeps its
// pitch, length and tempo, whatever the layout, formatted once or twice.
TEST(Formatter, NeverChangesWhatAReaderPlays)
{
    std::mt19937 rng(20261206);
    const char *const separators[] = {"", "/", " ", "-", "$", "A"};
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        const QString in = testrandom::ompText(rng, testrandom::pick(rng, 1, 40));
        const QString sep = QLatin1String(separators[testrandom::pick(rng, 0, 5)]);
        const int interval = testrandom::pick(rng, 0, 5);
        ConversionStatus status, asciiStatus;
        const QString out = OMP_Format(in, sep, interval, status);
        // The form for bytes formats alike, also given a piece at a time.
        const QByteArray bytes = in.toLatin1();
        ASSERT_EQ(omp::formatAscii(bytes, sep, interval, asciiStatus), out.toLatin1()) << str(in);
        ASSERT_EQ(asciiStatus.code, status.code);
        omp::Formatter formatter(sep, interval);
        for (qsizetype at = 0, n; at < bytes.size(); at += n)
            formatter.add(bytes.sliced(at, n = std::min<qsizetype>(testrandom::pick(rng, 1, 6), bytes.size() - at)));
        ASSERT_EQ(formatter.finish(asciiStatus), out.toLatin1()) << str(in);
        ASSERT_EQ(asciiStatus.code, status.code);
        const std::vector<Sound> before = sounds(in);
        // Data the formatter refuses, or a note at tempo 0 (which dropping
        // the field repairs), is outside the promise.
        if (!status.ok() || std::any_of(before.begin(), before.end(), [](const Sound &s) { return !(s.tempo > 0); }))
            continue;
        ++compared;
        ASSERT_TRUE(sounds(out) == before) << str(in) << " -> " << str(out);
        ASSERT_TRUE(sounds(fmt(out, sep, interval)) == before) << str(in) << " -> " << str(out);
    }
    EXPECT_GT(compared, 1500);
}

} // namespace
