// Where the music is: the H-MML line of every note, and where a note of the
// OMP data sounds and stands.

#include "hmml/compiler.h"
#include "hmml/formatter.h"
#include "hmml/note_lines.h"
#include "omp/midi_writer.h"
#include "omp/note_timeline.h"
#include "platform/midi_timing.h"

#include "support/random_omp.h"
#include "support/test_files.h"

namespace {

QString compileWithLines(const char *lines, hmml::NoteLineMap &map)
{
    ConversionStatus status;
    HmmlSongFields song;
    hmml::ConvertDetails details;
    details.lines = &map;
    const QString omp =
        hmml::convert(QString::fromUtf8(lines).replace(u'|', QStringLiteral("\r\n")), {}, true, status, song, details);
    EXPECT_TRUE(status.ok()) << str(status.message);
    return omp;
}

TEST(LineMap, HandCheckedSongs)
{
    struct Case {
        const char *source;
        const char *lines; // of every note, in order
        const char *from;  // the first note from lines 1, 2, ...
    };
    const Case cases[] = {
        // Commands and comments between notes; a tempo change inside a loop.
        {"C-TEMPO:120|4 C 2|' x|C-TEMPO:60|4 D 2|C-LOOP:2|8 E 2|C-TEMPO:90||8 * 1|C-LEND|2 G 3",
         "2 5 7 10 7 10 7 10 12", "0 0 1 1 1 2 2 3 3 3 8 8 -1"},
        // Two loops; one without notes; PARTEND closes the second.
        {"C-TEMPO:120|C-LOOP:3|C-LEND|C-LOOP:1|4 C 2|4 D|C-PARTEND|4 E 2", "5 6 5 6", "0 0 0 0 0 1 -1 -1"},
        // A loop left open stands once; LANGUAGE, TITLE and PROGRAM emit nothing.
        {"C-LANGUAGE:KATAKANA|C-TITLE:t|C-TEMPO:100|C-PROGRAM:3|4 ド 1|C-LOOP:5|4 レ 1", "5 7", "0 0 0 0 0 1 1 -1"},
        {"", "", "-1"},
    };
    for (const Case &c : cases) {
        hmml::NoteLineMap map;
        compileWithLines(c.source, map);
        QStringList lines, from;
        for (qsizetype i = 0; i < map.noteCount(); ++i)
            lines << QString::number(map.lineOf(i));
        for (int line = 1; line <= QString::fromUtf8(c.from).count(u' ') + 1; ++line)
            from << QString::number(map.firstNoteFrom(line));
        EXPECT_EQ(lines.join(u' '), QString::fromUtf8(c.lines)) << c.source;
        EXPECT_EQ(from.join(u' '), QString::fromUtf8(c.from)) << c.source;
        EXPECT_EQ(map.lineOf(map.noteCount()), 0);
    }
}

// Random songs: the map changes nothing in the output, counts the notes that
// survive formatting, and every note points at a line its note came from.
TEST(LineMap, FollowsEveryNoteOfRandomSongsThroughFormatting)
{
    std::mt19937 rng(20240613);
    static const char *const lines[] = {"4 C 2", "16 B# 4", "2 * ", "' note", "", "C-TEMPO:%1",
                                        "C-LOOP:%1\r\n4 C 2\r\n\r\n8 D 3\r\nC-LEND", "1 A 1 ' a", "8 D+ 3", "8 *"};
    for (int round = 0; round < 300; ++round) {
        QString source = QStringLiteral("C-TEMPO:120\r\n");
        const int count = testrandom::pick(rng, 0, round < 10 ? 3000 : 40);
        for (int i = 0; i < count; ++i)
            source += QString::fromUtf8(lines[testrandom::pick(rng, 0, 9)]).replace(
                          QStringLiteral("%1"), QString::number(testrandom::pick(rng, 1, 30))) + QStringLiteral("\r\n");
        // A loop left open, or closed by the end of the part.
        source += QStringList({QString(), QStringLiteral("C-LOOP:3\r\n4 E 2"), QStringLiteral("C-LOOP:2\r\n4 F 2\r\nC-PARTEND\r\n4 G 2")})
                      [testrandom::pick(rng, 0, 2)];
        ConversionStatus status, plainStatus, formatStatus;
        HmmlSongFields song;
        hmml::NoteLineMap map;
        hmml::ConvertDetails details;
        details.lines = &map;
        const QString raw = hmml::convert(source, {}, true, status, song, details);
        ASSERT_EQ(raw, HMML_Convert(source, {}, true, plainStatus, song));
        ASSERT_TRUE(status.ok()) << str(status.message);
        const QString formatted = OMP_Format(raw, QStringLiteral("/"), 3, formatStatus);
        const auto notes = [](const QString &omp) { return omp.count(u'*') + std::count_if(omp.begin(), omp.end(), [](QChar c) { return c >= u'A'; }); };
        ASSERT_EQ(map.noteCount(), notes(raw));
        ASSERT_EQ(map.noteCount(), notes(formatted)) << "formatting keeps every note";
        const QStringList sourceLines = source.split(QStringLiteral("\r\n"));
        for (qsizetype i = 0; i < map.noteCount(); i += 1 + i / 50) {
            const qint32 line = map.lineOf(i);
            ASSERT_TRUE(line >= 1 && sourceLines[line - 1].front().isDigit()) << line;
            ASSERT_LE(map.firstNoteFrom(line), i);
            ASSERT_EQ(map.lineOf(map.firstNoteFrom(line)), line);
        }
    }
}

TEST(NoteTimeline, FindsNotesByTimeAndPlaysFromAnyNote)
{
    // Tempo 2, length 4: 1920 ticks; after "$1:" the length is 10 (9600).
    const omp::NoteTimeline t(QStringLiteral("$2:4M/Q*$1:O8P"));
    const std::pair<qint64, const char *> at[] = {
        {-1, "-1"}, {0, "0 3 4"}, {1919, "0 3 4"}, {1920, "1 6 6"}, {5760, "3 11 11"}, {5760 + 9600, "4 12 13"}, {1 << 30, "4 12 13"},
    };
    for (const auto &[tick, expected] : at) {
        const omp::TimedNote n = t.noteAt(tick);
        const QString got = n.valid() ? QStringLiteral("%1 %2 %3").arg(n.index).arg(n.start).arg(n.pos) : QStringLiteral("-1");
        EXPECT_EQ(got, QString::fromUtf8(expected)) << tick;
    }
    EXPECT_EQ(t.totalTicks(), 5760 + 9600 + 960 * 8);
    EXPECT_EQ(t.from(1), u"$2:4Q*$1:O8P");
    EXPECT_EQ(t.from(4), u"$1:8P");
    EXPECT_TRUE(t.from(5).isEmpty());

    // Random data, past the positions the timeline keeps: the MIDI file of
    // the rest of the song times every note as the whole file does.
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        const omp::NoteTimeline all(QStringLiteral("$2:") + testrandom::ompText(rng, testrandom::pick(rng, 1, 2000)));
        const MidiResult midi = MIDI_Build(all.text(), 0);
        if (midi.ok()) {
            EXPECT_EQ(readMidiTiming(midi.bytes).totalTicks, all.totalTicks());
        }
        if (all.noteCount() == 0)
            continue;
        const qsizetype k = testrandom::pick(rng, 0, int(all.noteCount()) - 1);
        const omp::NoteTimeline rest(all.from(k));
        ASSERT_EQ(rest.noteCount(), all.noteCount() - k);
        for (qsizetype j = 0; j < rest.noteCount(); j += 7) {
            const omp::TimedNote n = all.note(k + j);
            ASSERT_EQ(rest.note(j).tick, n.tick - all.note(k).tick);
            ASSERT_EQ(all.noteAt(n.tick).tick, n.tick);
            ASSERT_GE(all.noteAt(n.tick).index, n.index);
        }
    }
}

} // namespace
