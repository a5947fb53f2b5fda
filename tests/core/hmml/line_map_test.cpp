// Where the music is: the H-MML line of every note, and where a note of the
// OMP data sounds and stands.

#include "core/hmml/compiler.h"
#include "core/omp/formatter.h"
#include "core/hmml/note_lines.h"
#include "core/formats/midi_writer.h"
#include "core/omp/note_timeline.h"
#include "core/formats/midi_timing.h"

#include "support/random_omp.h"
#include "support/test_files.h"

using testrandom::pick;

// `source` compiled, the line of every note kept in `map`: a by-product that changes nothing in the output.
static QString compiled(const QString &source, hmml::NoteLineMap &map)
{
    ConversionStatus status, plainStatus;
    HmmlSongFields song;
    hmml::ConvertDetails details;
    details.lines = &map;
    const QString omp = hmml::convert(source, {}, true, status, song, details);
    EXPECT_TRUE(status.ok() && omp == HMML_Convert(source, {}, true, plainStatus, song)) << str(status.message);
    return omp;
}

TEST(LineMap, HandCheckedSongs)
{
    const std::pair<const char *, const char *> cases[] = {
        // The line of every note (0 past the last) / the first note from lines 1, 2, ... and past the end.
        // Commands and comments between notes; a tempo change inside a loop.
        {"C-TEMPO:120|4 C 2|' x|C-TEMPO:60|4 D 2|C-LOOP:2|8 E 2|C-TEMPO:90||8 * 1|C-LEND|2 G 3",
         "2 5 7 10 7 10 7 10 12 0 / 0 0 1 1 1 2 2 3 3 3 8 8 -1"},
        // Three loops: one repeated, one without notes, one that PARTEND closes.
        {"C-TEMPO:120|C-LOOP:1|4 C 2|4 D|C-LEND|C-LOOP:3|C-LEND|4 E 2|C-LOOP:1|4 F 2|C-PARTEND|4 G 2",
         "3 4 3 4 8 10 10 0 / 0 0 0 1 4 4 4 4 5 5 -1 -1 -1"},
        // A loop left open stands once; LANGUAGE, TITLE and PROGRAM emit nothing.
        {"C-LANGUAGE:KATAKANA|C-TITLE:t|C-TEMPO:100|C-PROGRAM:3|4 ド 1|C-LOOP:5|4 レ 1", "5 7 0 / 0 0 0 0 0 1 1 -1"},
        {"", "0 / -1 -1"},
    };
    for (const auto &[source, expected] : cases) {
        hmml::NoteLineMap map;
        const QString text = QString::fromUtf8(source).replace(u'|', QStringLiteral("\r\n"));
        compiled(text, map);
        QStringList got;
        for (qsizetype i = 0; i <= map.noteCount(); ++i)
            got << QString::number(map.lineOf(i));
        got << QStringLiteral("/");
        for (int line = 1; line <= text.count(u'\n') + 2; ++line)
            got << QString::number(map.firstNoteFrom(line));
        EXPECT_EQ(got.join(u' '), QString::fromUtf8(expected)) << source;
    }
}

// Random songs: the map counts the notes that survive formatting, and every
// note points at a line its note came from.
TEST(LineMap, FollowsEveryNoteOfRandomSongsThroughFormatting)
{
    std::mt19937 rng(20240613);
    static const char *const lines[] = {"4 C 2", "16 B# 4", "2 * ", "' note", "", "C-TEMPO:%1",
                                        "C-LOOP:%1\r\n4 C 2\r\n\r\n8 D 3\r\nC-LEND", "1 A 1 ' a", "8 D+ 3", "8 *"};
    static const char *const ends[] = {"", "C-LOOP:3\r\n4 E 2", "C-LOOP:2\r\n4 F 2\r\nC-PARTEND\r\n4 G 2"}; // a loop left open, or closed by the part's end
    const auto notes = [](const QString &omp) { return qsizetype(std::count_if(omp.begin(), omp.end(), [](QChar c) { return c == u'*' || c >= u'A'; })); };
    for (int round = 0; round < 300; ++round) {
        QString source = QStringLiteral("C-TEMPO:120\r\n");
        for (int i = pick(rng, 0, round < 10 ? 3000 : 40); i > 0; --i)
            source += QString::fromUtf8(lines[pick(rng, 0, 9)]).replace(QStringLiteral("%1"), QString::number(pick(rng, 1, 30))) + QStringLiteral("\r\n");
        source += QString::fromLatin1(ends[pick(rng, 0, 2)]);
        ConversionStatus formatStatus;
        hmml::NoteLineMap map;
        const QString raw = compiled(source, map), formatted = OMP_Format(raw, QStringLiteral("/"), 3, formatStatus);
        ASSERT_EQ(std::pair(map.noteCount(), map.noteCount()), std::pair(notes(raw), notes(formatted))) << "formatting keeps every note";
        const QStringList sourceLines = source.split(QStringLiteral("\r\n"));
        for (qsizetype i = 0; i < map.noteCount(); i += 1 + i / 50) {
            const qint32 line = map.lineOf(i);
            ASSERT_TRUE(line >= 1 && sourceLines[line - 1].front().isDigit()) << line;
            ASSERT_TRUE(map.firstNoteFrom(line) <= i && map.lineOf(map.firstNoteFrom(line)) == line) << i;
        }
    }
}

TEST(NoteTimeline, FindsNotesByTimeAndPlaysFromAnyNote)
{
    // Tempo 2, length 4: 1920 ticks; after "$1:" the length is 10 (9600).
    const omp::NoteTimeline t(QStringLiteral("$2:4M/Q*$1:O8P"));
    const std::pair<qint64, const char *> at[] = {
        // The note sounding: its index, first character and pitch; the data that plays from it on.
        {-1, "-1 0 0 "}, {0, "0 3 4 $2:4M/Q*$1:O8P"}, {1919, "0 3 4 $2:4M/Q*$1:O8P"}, {1920, "1 6 6 $2:4Q*$1:O8P"},
        {5760, "3 11 11 $1::O8P"}, {5760 + 9600, "4 12 13 $1:8P"}, {1 << 30, "4 12 13 $1:8P"},
    };
    for (const auto &[tick, expected] : at) {
        const omp::TimedNote n = t.noteAt(tick);
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(n.index).arg(n.start).arg(n.pos).arg(t.from(n.index)), QString::fromUtf8(expected)) << tick;
    }
    EXPECT_EQ(t.totalTicks(), 5760 + 9600 + 960 * 8);
    EXPECT_EQ(omp::NoteTimeline(QStringLiteral("$2:@A")).note(0).start, 3) << "\"@\", the longest length, starts its note";
    // Random data, past the positions the timeline keeps: the MIDI file of
    // the rest of the song times every note as the whole file does.
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        const omp::NoteTimeline all(QStringLiteral("$2:") + testrandom::ompText(rng, pick(rng, 1, 2000)));
        const MidiResult midi = MIDI_Build(all.text(), 0);
        EXPECT_EQ(midi.ok() ? readMidiTiming(midi.bytes).totalTicks : all.totalTicks(), all.totalTicks());
        const qsizetype k = pick(rng, 0, int(all.noteCount())); // past the last note, nothing plays
        const omp::NoteTimeline rest(all.from(k));
        ASSERT_EQ(rest.noteCount(), all.noteCount() - k);
        for (qsizetype j = 0; j < rest.noteCount(); j += 7) {
            const omp::TimedNote n = all.note(k + j), found = all.noteAt(n.tick);
            ASSERT_TRUE(rest.note(j).tick == n.tick - all.note(k).tick && found.tick == n.tick && found.index >= n.index) << k + j;
        }
    }
}
