#include "omp/omp_scan.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// A readable trace of what a reader produces: "N<code>:<L>@<T>" per note,
// "R:<L>@<T>" per rest.
QStringList sounds(const QString &omp)
{
    QStringList out;
    omp::ReaderState state;
    omp::scan(omp, state, [&](const omp::Event &ev, const omp::ReaderState &st) {
        if (ev.kind == omp::EventKind::Pitch)
            out << QStringLiteral("N%1:%2@%3").arg(ev.code).arg(st.length).arg(double(st.tempo));
        else if (ev.kind == omp::EventKind::Rest)
            out << QStringLiteral("R:%1@%2").arg(st.length).arg(double(st.tempo));
        return true;
    });
    return out;
}

TEST(OmpScan, NotesRestsLengthsAndTempo)
{
    EXPECT_EQ(sounds("$2:4MQ8T"), QStringList({"N77:4@2", "N81:4@2", "N84:8@2"}));
    EXPECT_EQ(sounds("$2:4*"), QStringList({"R:4@2"}));
    EXPECT_EQ(sounds("0A"), QStringList({"N65:0@0"}));
    // Separators and other low characters change nothing.
    EXPECT_EQ(sounds("4A/4B C"), QStringList({"N65:4@0", "N66:4@0", "N67:4@0"}));
}

TEST(OmpScan, TempoDigitsAreReadAgainAsLengths)
{
    EXPECT_EQ(sounds("$2:M"), QStringList({"N77:10@2"}));
    EXPECT_EQ(sounds("$1.5:4A"), QStringList({"N65:4@1.5"}));
    EXPECT_EQ(sounds("$1.5:A"), QStringList({"N65:10@1.5"}));
    EXPECT_EQ(sounds("$:4A"), QStringList({"N65:4@0"}));
    EXPECT_EQ(sounds("$A"), QStringList({"N65:0@0"}));
    // Tempo is a 32-bit float.
    omp::ReaderState st;
    omp::scan(u"$1.67:", st, [](const omp::Event &, const omp::ReaderState &) { return true; });
    EXPECT_EQ(st.tempo, 1.67f);
    EXPECT_EQ(st.length, 10);
}

TEST(OmpScan, TempoNumberRule)
{
    qsizetype used = 0;
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u"1.5:", &used), 1.5);
    EXPECT_EQ(used, 3);
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u"1.2.3"), 1.2);
    // A sign, an exponent or a blank ends the number.
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u"-2"), 0.0);
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u"2e3"), 2.0);
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u"2 3"), 2.0);
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u"."), 0.0);
}

TEST(OmpScan, CharacterCodes)
{
    EXPECT_EQ(omp::charCode(u'A'), 65);
    EXPECT_EQ(omp::charCode(u'q'), 113);
    EXPECT_EQ(omp::charCode(QChar(0xFF71)), 0xB1) << "half-width katakana by its CP932 byte";
    EXPECT_EQ(omp::charCode(QChar(0xFF61)), 0xA1);
    EXPECT_EQ(omp::charCode(QChar(0xFF9F)), 0xDF);
    EXPECT_LT(omp::charCode(u'ド'), 0) << "double-byte characters are passed over";
    EXPECT_LT(omp::charCode(QChar(0xE9)), 0);
    // Half-width katakana are pitches (codes above 65); full-width ones nothing.
    EXPECT_EQ(sounds(QStringLiteral("4ｱド")), QStringList({"N177:4@0"}));
}

TEST(OmpScan, StopsWhenTheReaderSaysSo)
{
    int seen = 0;
    omp::ReaderState st;
    const bool finished = omp::scan(u"4ABC", st, [&](const omp::Event &ev, const omp::ReaderState &) {
        ++seen;
        return ev.kind != omp::EventKind::Pitch;
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(seen, 2);
}

} // namespace
