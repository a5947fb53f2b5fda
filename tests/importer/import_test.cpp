// Hand-made MIDI files through the importer: which melody it takes, how it
// makes one line of overlapping notes, range, tempo, and what it reports.

#include "import_support.h"

#include "tests/support/test_midi.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using testmidi::Track;
using testmidi::file;
using testmidi::bytes;
using importer::ImportOptions;

// The song's title, tempo and note lines, "|"-joined: what it is and plays.
QString body(const QString &hmml)
{
    QStringList lines = hmml.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.removeIf([](const QString &l) { return l.startsWith(u'\''); });
    return lines.join(u'|');
}

ImportOptions with(std::optional<int> ImportOptions::*option, int value)
{
    ImportOptions o;
    o.*option = value;
    return o;
}

// Quarter notes of 480 ticks at the default tempo, one after another.
Track quarters(std::initializer_list<int> keys, int ch = 0)
{
    Track t;
    std::uint32_t at = 0;
    for (int k : keys)
        t.note((at += 480) - 480, 480, k, ch);
    return t;
}

TEST(Import, TakesTheMelodyAndTellsWhatChanged)
{
    Track chords; // C-E-G together, then E cut by a later D, then a note of no length
    chords.note(0, 480, 60).note(0, 480, 64).note(0, 480, 67).note(480, 480, 64).note(720, 240, 62).note(960, 0, 65);
    Track drums = quarters({36, 38, 36, 38, 36, 38}, 9);
    Track drumsAndMelody = quarters({36, 38, 36, 38, 36, 38}, 9);
    drumsAndMelody.note(0, 480, 60).note(480, 480, 62);
    Track low = quarters({24, 26, 28, 100});
    Track lead = quarters({72, 74, 76, 77, 79});
    lead.name("Lead");
    Track bass = quarters({36, 38, 40}, 1);
    bass.name("Bass");
    Track conductor;
    conductor.name("My Song").tempo(0, 250000);
    Track tempoTrack = quarters({60, 62, 64, 65});
    tempoTrack.tempo(960, 1000000);
    Track named = quarters({60}); // an apostrophe would start a comment; "é" is not in CP932, "♪" is
    named.name("Caf\xC3\xA9 'Bar' \xE2\x99\xAA");
    ImportOptions utf8;
    utf8.utf8 = true;
    const QByteArray longNote = file(0, 480, {Track().note(0, 480, 60).note(480, 9600, 62).note(10080, 480, 64).bytes()});

    const struct {
        const char *what;
        QByteArray midi;
        ImportOptions options;
        const char *plays;
        QStringList reports; // texts the report holds
    } cases[] = {
        {"running status, note-ons of velocity 0 as offs",
         file(0, 480, {Track().note(0, 480, 60, 0, true).note(480, 480, 64, 0, true).note(960, 480, 67, 0, true).bytes(true)}),
         {}, "C-TITLE:song|C-TEMPO:120|1 C 2|1 E 2|1 G 2", {"チャンネル 1 の 3 音", "合計 0.0 ms"}},
        {"the highest of a chord, a note cut by the next, one of no length",
         file(0, 480, {chords.bytes()}), {}, "C-TITLE:song|C-TEMPO:240|2 G 2|1 E 2|1 D 2",
         {"2 音を除きました", "1 音を短くしました", "長さのない 1 音"}},
        {"drums on channel 10 are left out",
         file(0, 480, {drumsAndMelody.bytes()}), {}, "C-TITLE:song|C-TEMPO:120|1 C 2|1 D 2",
         {"チャンネル 1 の 2 音"}},
        {"drums when asked for", file(0, 480, {drums.bytes()}), with(&ImportOptions::channel, 10),
         "C-TITLE:song|C-TEMPO:120|1 C 1|1 D 1|1 C 1|1 D 1|1 C 1|1 D 1", {"チャンネル 10", "12 半音上へ"}},
        {"the octave shift that brings most notes in, the rest folded", file(0, 480, {low.bytes()}), {},
         "C-TITLE:song|C-TEMPO:120|1 C 1|1 D 1|1 E 1|1 E 4", {"24 半音上へ", "外れる 1 音"}},
        {"a transposition asked for", file(0, 480, {quarters({60, 62}).bytes()}), with(&ImportOptions::transpose, -12),
         "C-TITLE:song|C-TEMPO:120|1 C 1|1 D 1", {"12 半音下へ移調しました。"}},
        {"format 1: the track with the most notes, the title from the first track",
         file(1, 480, {conductor.bytes(), bass.bytes(), lead.bytes()}), {}, "C-TITLE:My Song|C-TEMPO:240|1 C 3|1 D 3|1 E 3|1 F 3|1 G 3",
         {"トラック 3「Lead」 のチャンネル 1 の 5 音", "トラック 3 個"}},
        {"format 1: another track asked for", file(1, 480, {conductor.bytes(), bass.bytes(), lead.bytes()}), with(&ImportOptions::track, 2),
         "C-TITLE:My Song|C-TEMPO:240|1 C 1|1 D 1|1 E 1", {"トラック 2「Bass」"}},
        {"a tempo change is a tempo line", file(0, 480, {tempoTrack.bytes()}), {},
         "C-TITLE:song|C-TEMPO:120|1 C 2|1 D 2|C-TEMPO:60|1 E 2|1 F 2", {"ファイルのテンポ 2"}},
        {"names get only what the song can hold", file(0, 480, {named.bytes()}), {}, "C-TITLE:Caf_ ’Bar’ ♪|C-TEMPO:120|1 C 2",
         {"(U+00E9) を「_」"}},
        {"names in UTF-8", file(0, 480, {named.bytes()}), utf8, "C-TITLE:Café ’Bar’ ♪|C-TEMPO:120|1 C 2", {}},
        {"a note of 20 units at a tempo of its own", longNote, {},
         "C-TITLE:song|C-TEMPO:120|1 C 2|C-TEMPO:6|1 D 2|C-TEMPO:120|1 E 2", {"その音だけ長い単位"}},
        {"the unit asked for", longNote, with(&ImportOptions::unit, 120),
         "C-TITLE:song|C-TEMPO:480|4 C 2|C-TEMPO:6|1 D 2|C-TEMPO:480|4 E 2", {"ファイルの 120 ティック"}},
    };
    for (const auto &c : cases) {
        const importer::ImportResult r = importer::importMidi(c.midi, QStringLiteral("/music/song.mid"), c.options);
        ASSERT_TRUE(r.ok()) << c.what << ": " << r.error.toStdString();
        EXPECT_EQ(body(r.hmml).toStdString(), c.plays) << c.what << "\n" << r.report.toStdString();
        for (const QString &text : c.reports)
            EXPECT_TRUE(r.report.contains(text)) << c.what << ": no \"" << text.toStdString() << "\" in\n"
                                                 << r.report.toStdString();
        // The report stands at the top of the song as comments, and the song compiles.
        EXPECT_TRUE(r.hmml.startsWith(QStringLiteral("' ") + r.report.section(u'\n', 0, 0))) << c.what;
        EXPECT_FALSE(midiOfHmml(r.hmml).isEmpty()) << c.what;
        QString error;
        EXPECT_TRUE(importer::encodeHmml(r.hmml, c.options.utf8, error).startsWith(c.options.utf8 ? "\xEF\xBB\xBF' " : "' "))
            << c.what << error.toStdString();
    }
}

TEST(Import, RefusesWhatItCannotUse)
{
    const QByteArray melody = file(1, 480, {quarters({60}).bytes(), quarters({62}, 1).bytes()});
    const struct {
        const char *what;
        QByteArray midi;
        ImportOptions options;
        const char *says;
    } cases[] = {
        {"format 2", file(2, 480, {quarters({60}).bytes()}), {}, "フォーマット 2"},
        {"malformed event", file(0, 480, {bytes("00 90 3C 7F 00 F4")}), {}, "オフセット 26"},
        {"no notes", file(0, 480, {bytes("00 FF 01 01 41")}), {}, "旋律にできる音がありません"},
        {"only drums", file(0, 480, {quarters({36, 38}, 9).bytes()}), {}, "--channel 10"},
        {"a track that is not there", melody, with(&ImportOptions::track, 3), "トラック 3 はありません"},
        {"a track without notes", file(1, 480, {Track().name("x").bytes(), quarters({60}).bytes()}), with(&ImportOptions::track, 1),
         "トラック 1 には旋律にできる音がありません"},
        {"a channel without notes", melody, with(&ImportOptions::channel, 3), "チャンネル 3 には音がありません"},
        {"only notes of no length", file(0, 480, {Track().note(0, 0, 60).note(10, 0, 62).bytes()}), {},
         "長さのある音がありません"},
        {"not MIDI", "C-TEMPO:120\r\n", {}, "MIDI ファイルではありません"},
    };
    for (const auto &c : cases) {
        const importer::ImportResult r = importer::importMidi(c.midi, QStringLiteral("x.mid"), c.options);
        EXPECT_FALSE(r.ok()) << c.what;
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.says))) << c.what << ": " << r.error.toStdString();
        EXPECT_TRUE(r.hmml.isEmpty()) << c.what;
    }
}

} // namespace
