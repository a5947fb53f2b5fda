#include "core/omp/omp_scan.h"

#include "support/test_files.h"

#include <QStringList>

namespace {

// What a reader produces: "N<code>:<L>@<T>" per note, "R:<L>@<T>" per rest.
QString sounds(const QString &omp)
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
    return out.join(u' ');
}

TEST(OmpScan, WhatAReaderHears)
{
    const std::pair<const char16_t *, const char *> cases[] = {
        {u"$2:4MQ8T", "N77:4@2 N81:4@2 N84:8@2"},
        {u"$2:4*", "R:4@2"},
        {u"0A", "N65:0@0"},
        {u"4A/4B C", "N65:4@0 N66:4@0 N67:4@0"}, // separators change nothing
        // The tempo's digits and ":" are read again as lengths.
        {u"$2:M", "N77:10@2"}, {u"$1.5:4A", "N65:4@1.5"}, {u"$1.5:A", "N65:10@1.5"},
        {u"$:4A", "N65:4@0"}, {u"$A", "N65:0@0"}, {u"$-2:4A", "N65:4@0"}, {u"$2e3:A", "N101:2@2 N65:10@2"},
        {u"$2 3:A", "N65:10@2"}, {u"$1.2.3:A", "N65:10@1.2"}, {u"$.5:A", "N65:10@0.5"},
        // Half-width katakana by their CP932 byte; other double-byte text is passed over.
        {u"4ｱドé｡ﾟ\uFFA0", "N177:4@0 N161:4@0 N223:4@0"},
    };
    for (const auto &[omp, heard] : cases)
        EXPECT_EQ(sounds(QString::fromUtf16(omp)), QLatin1String(heard)) << str(QString::fromUtf16(omp));

    // The tempo is a 32-bit float; the number's own characters are counted.
    omp::ReaderState st;
    omp::scan(u"$1.67:", st, [](const omp::Event &, const omp::ReaderState &) { return true; });
    EXPECT_EQ(std::pair(st.tempo, st.length), std::pair(1.67f, 10));
    qsizetype used = 0;
    EXPECT_DOUBLE_EQ(omp::readTempoNumber(u"1.5:", &used), 1.5);
    EXPECT_EQ(used, 3);
}

TEST(OmpScan, StopsWhenTheReaderSaysSo)
{
    int seen = 0;
    omp::ReaderState st;
    const bool finished = omp::scan(u"4ABC", st, [&](const omp::Event &ev, const omp::ReaderState &) {
        ++seen;
        return ev.kind != omp::EventKind::Pitch;
    });
    EXPECT_EQ(std::pair(finished, seen), std::pair(false, 2));
}

} // namespace
