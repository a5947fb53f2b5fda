// Playing a selection of lines: the OMP data of exactly their notes, at the
// tempo and length each has in the song.

#include "core/notes/selection_omp.h"
#include "core/song/song_conversion.h"

#include "support/random_hmml.h"
#include "support/test_files.h"

using testrandom::pick;

namespace {

TEST(SelectionOmp, TheNotesOfTheLinesAtTheirTempoAndLength)
{
    // Lines: 1 tempo 120, 2 C, 3 loop (played three times), 4 D, 5 tempo 60, 6 E, 7 loop end, 8 rest,
    // 9 tempo 30, 10 and 11 G. The song compiles to $2:4MO$1:8Q$2:4O$1:8Q$2:4O$1:8Q2*$0.5:4TT.
    const HmmlConversion c = convertHmml(QStringLiteral("C-TEMPO:120\r\n4 C 2\r\nC-LOOP:2\r\n4 D 2\r\nC-TEMPO:60\r\n8 E 2\r\n"
                                                        "C-LEND\r\n2 *\r\nC-TEMPO:30\r\n4 G 2\r\n4 G 2\r\n"),
                                         QStringLiteral("/"), 2);
    const notes::SongNotes song(c);
    const std::tuple<qint32, qint32, const char *> cases[] = {
        {2, 2, "$2:4M"},
        {4, 4, "$2:4OOO"}, // every repetition of the loop
        {6, 6, "$1:8QQQ"},
        {4, 6, "$2:4O$1:8Q$2:4O$1:8Q$2:4O$1:8Q"},
        {3, 7, "$2:4O$1:8Q$2:4O$1:8Q$2:4O$1:8Q"},
        {8, 10, "$1:2*$0.5:4T"}, // a rest at the tempo after the loop
        {10, 11, "$0.5:4TT"},
        {1, 11, "$2:4MO$1:8Q$2:4O$1:8Q$2:4O$1:8Q2*$0.5:4TT"},
        {0, 1000, "$2:4MO$1:8Q$2:4O$1:8Q$2:4O$1:8Q2*$0.5:4TT"},
        {1, 1, ""}, // no notes
        {3, 3, ""},
        {11, 2, ""},
    };
    for (const auto &[first, last, expected] : cases)
        EXPECT_EQ(notes::selectionOmp(song, first, last), QString::fromLatin1(expected)) << first << "-" << last;
    EXPECT_EQ(notes::selectionOmp(notes::SongNotes(QStringLiteral("$2:4M"), nullptr), 0, 100), QString()) << "no H-MML, no lines";
}

// Random songs and ranges: the selection plays the range's notes, each as long as in the song.
TEST(SelectionOmp, PlaysExactlyTheNotesOfRandomRanges)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        const QString source = testrandom::hmmlSong(rng, pick(rng, 1, 80));
        const notes::SongNotes song(convertHmml(source, QStringLiteral(" "), pick(rng, 0, 5)));
        const qint32 first = pick(rng, 0, int(source.count(u'\n')) + 1), last = pick(rng, first, int(source.count(u'\n')) + 1);
        std::vector<std::pair<int, qint32>> want, got; // pitch code and length in ticks
        for (const notes::Note &n : song.all()) {
            if (n.line >= first && n.line <= last)
                want.push_back({n.code, n.ticks});
        }
        const notes::SongNotes selection(notes::selectionOmp(song, first, last), nullptr);
        for (const notes::Note &n : selection.all())
            got.push_back({n.code, n.ticks});
        ASSERT_EQ(got, want) << str(source) << first << "-" << last;
    }
}

} // namespace
