// The song's notes as the views draw them: each note's time, pitch and H-MML
// line, the lookups by line and by time, and a machine's cents.

#include "core/hmml/pitch_name.h"
#include "core/voice/tuning_table.h"
#include "core/notes/song_notes.h"
#include "core/notes/roll_layout.h"
#include "core/hmml/note_lines.h"
#include "core/omp/note_timeline.h"
#include "core/song/song_conversion.h"

#include "support/random_hmml.h"
#include "support/test_files.h"

#include <QStringList>

#include <algorithm>
#include <map>

using testrandom::pick;

namespace {

notes::SongNotes compiled(const char *source)
{
    const HmmlConversion c = convertHmml(QString::fromUtf8(source).replace(u'|', QStringLiteral("\r\n")), QStringLiteral("/"), 3);
    EXPECT_TRUE(c.ok()) << str(c.status.message);
    return notes::SongNotes(c);
}

QString describe(const notes::SongNotes &song)
{
    QStringList out;
    for (const notes::Note &n : song.all())
        out << QStringLiteral("%1@%2 %3+%4").arg(n.rest() ? QStringLiteral("*") : hmml::pitchName(n.code)).arg(n.line).arg(n.tick).arg(n.ticks);
    return out.join(QStringLiteral(", "));
}

// Lines: 1 tempo 120, 2 C, 3 loop, 4 D#, 5 tempo 60, 6 rest, 7 loop end, 8 B# 4, 9 C 1. Each
// repetition starts at the loop's tempo; a unit is 480 ticks at 120 and 960 at 60.
const char *const LoopSong = "C-TEMPO:120|4 C 2|C-LOOP:1|2 D# 2|C-TEMPO:60|4 *|C-LEND|8 B# 4|1 C 1";

TEST(SongNotes, EveryNoteWithItsTimePitchAndLine)
{
    const notes::SongNotes song = compiled(LoopSong);
    EXPECT_EQ(str(describe(song)), str(QStringLiteral("C 2@2 0+1920, D# 2@4 1920+960, *@6 2880+3840, D# 2@4 6720+960, *@6 7680+3840, "
                                             "B# 4@8 11520+7680, C 1@9 19200+960")));
    EXPECT_EQ(std::tuple(song.totalTicks(), song.lowestCode(), song.highestCode(), song.firstUntimed(), song.tempos().size()),
              std::tuple(qint64(20160), int('A'), int('q'), qsizetype(-1), size_t(4)));
    const std::pair<qint32, std::vector<qint32>> byLine[] = {{4, {1, 3}}, {6, {2, 4}}, {5, {}}, {9, {6}}, {0, {}}, {100, {}}};
    for (const auto &[line, expected] : byLine)
        EXPECT_TRUE(std::ranges::equal(song.notesOfLine(line), expected)) << line;
    const std::tuple<qint64, qsizetype, float> byTime[] = {
        {-1, -1, 0.0f}, {0, 0, 2.0f}, {1919, 0, 2.0f}, {1920, 1, 2.0f}, {2880, 2, 1.0f}, {6720, 3, 2.0f}, {20159, 6, 1.0f}, {1 << 30, 6, 1.0f}};
    for (const auto &[tick, note, tempo] : byTime)
        EXPECT_EQ(std::pair(song.noteAt(tick), song.tempoAt(tick)), std::pair(note, tempo)) << tick;
}

TEST(SongNotes, OmpDataWithoutSource)
{
    const std::pair<const char *, const char *> cases[] = {
        // Tempo 0 is a note `vltn midi` refuses (the second rest, untimed); "~" is heard, a katakana pitch is not.
        {"$2:4M*$:*", "C 2@0 0+1920, *@0 1920+1920, *@0 3840+0 / untimed 2"},
        {"$1:1~ｱ", "C# 6@0 0+960, E 10@0 960+960 / untimed -1"},
        {"", " / untimed -1"},
    };
    for (const auto &[omp, expected] : cases) {
        const notes::SongNotes song(QString::fromUtf8(omp), nullptr);
        EXPECT_FALSE(song.hasLines());
        EXPECT_EQ(str(describe(song) + QStringLiteral(" / untimed %1").arg(song.firstUntimed())), expected) << omp;
    }
    const notes::SongNotes silent(QStringLiteral("$1:1ｱ"), nullptr);
    EXPECT_EQ(std::tuple(silent[0].sounds(), silent.lowestCode(), silent.highestCode()), std::tuple(false, 0, 0)) << "no pitch heard";
}

TEST(SongNotes, PitchNamesAsHmmlWritesThem)
{
    const std::pair<char, const char *> names[] = {{'A', "C 1"}, {'J', "A 1"}, {'S', "F# 2"}, {'p', "B 4"}, {'q', "B# 4"},
                                                   {'r', "C# 5"}, {'*', ""},   {'0', ""}};
    for (const auto &[code, name] : names)
        EXPECT_EQ(hmml::pitchName(code), QLatin1String(name)) << code;
}

// The rows of the roll and the picture shade the keys that are sharps of their own (B# is a C).
TEST(SongNotes, BlackKeysAreTheSharpsOfEveryOctave)
{
    for (int code = omp::CodePitchFirst; hmml::pitchName(char(code)).size() > 0; ++code) {
        const QString name = hmml::pitchName(char(code));
        EXPECT_EQ(notes::blackKey(code), name.contains(u'#') && !name.startsWith(u"B#")) << str(name);
    }
}

// The seconds ruler's step: the shortest of its ladder that keeps marks 50 pixels apart, an hour at most.
TEST(SongNotes, TheRulerTakesTheShortestStepThatKeepsItsMarksApart)
{
    const double ladder[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1800, 3600};
    for (const double step : ladder) {
        EXPECT_EQ(notes::secondsStep(50 / step, 50), step);
        EXPECT_EQ(notes::secondsStep(50 / step * 0.999, 50), step == 3600 ? 3600 : *(std::find(std::begin(ladder), std::end(ladder), step) + 1));
    }
}

TEST(SongNotes, CentsOfTheMachinesBeepPrograms)
{
    const voice::PitchCents e500 = voice::pitchCents(Machine::E500, voice::Program::Beep);
    const voice::PitchCents g800 = voice::pitchCents(Machine::G800, voice::Program::Beep);
    // Pitch: PC-E500 and PC-G800 cents, and whether each is marked (more than 20 off).
    const std::tuple<char, double, double, bool, bool> cases[] = {
        {'A', 0.88, 2.42, false, false}, {'J', -0.54, -3.19, false, false}, {'d', -5.53, 21.31, false, true}, {'p', -568.91, 48.15, true, true}};
    for (const auto &[code, e, g, eMarked, gMarked] : cases) {
        EXPECT_NEAR(e500.of(code).value_or(1e9), e, 0.01) << code;
        EXPECT_NEAR(g800.of(code).value_or(1e9), g, 0.01) << code;
        EXPECT_EQ(std::pair(e500.marked(code), g800.marked(code)), std::pair(eMarked, gMarked)) << code;
    }
    EXPECT_TRUE(!e500.of('q') && !e500.of('*') && !g800.of('@') && voice::PitchCents().empty() && !e500.empty())
        << "only the pitches the program plays";
}

// Random songs: the notes are those the timeline times and the line map places.
TEST(SongNotes, AgreeWithTimelineAndLineMapOnRandomSongs)
{
    std::mt19937 rng(4711);
    for (int round = 0; round < 60; ++round) {
        const HmmlConversion c = convertHmml(testrandom::hmmlSong(rng, pick(rng, 0, round < 5 ? 2000 : 60)), QStringLiteral("/"), 4);
        ASSERT_TRUE(c.ok()) << str(c.status.message);
        const notes::SongNotes song(c);
        const omp::NoteTimeline timeline(c.song.omp);
        ASSERT_EQ(std::pair(song.size(), song.totalTicks()), std::pair(timeline.noteCount(), timeline.totalTicks()));
        std::map<qint32, std::vector<qint32>> byLine;
        for (qsizetype i = 0; i < song.size(); ++i) {
            const omp::TimedNote t = timeline.note(i);
            ASSERT_EQ(std::tuple(song[i].tick, song[i].pos, song[i].line), std::tuple(t.tick, qint32(t.pos), c.lines->lineOf(i))) << i;
            ASSERT_GE(song.noteAt(song[i].tick), i);
            byLine[song[i].line].push_back(qint32(i));
        }
        for (const auto &[line, indices] : byLine)
            ASSERT_TRUE(std::ranges::equal(song.notesOfLine(line), indices)) << line;
    }
}

} // namespace
