// Hand-made MIDI files through the importer: which melody it takes, how it makes one line of
// overlapping notes, range, tempo, what it reports, and what it refuses.

#include "import_support.h"
#include "support/test_midi.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace {

using importer::ImportOptions;
using testmidi::Track;
using testmidi::bytes;
using testmidi::file;

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
Track quarters(std::initializer_list<int> keys, int channel = 0)
{
    Track t;
    for (std::uint32_t at = 0; int k : keys)
        t.note(std::exchange(at, at + 480), 480, k, channel);
    return t;
}

TEST(Import, TakesTheMelodyTellsWhatChangedAndRefusesWhatItCannotUse)
{
    // C and G together, then E cut by a later D, then a note of no length.
    const QByteArray chords = file(0, 480, {Track().note(0, 480, 60).note(0, 480, 67).note(480, 480, 64).note(720, 240, 62)
                                                .note(960, 0, 65).bytes()});
    const QByteArray format1 = file(1, 480, {Track().name("My Song").tempo(0, 250000).bytes(),
                                             quarters({36, 38, 40}, 1).name("Bass").bytes(),
                                             quarters({72, 74, 76, 77, 79}).name("Lead").bytes()});
    // An apostrophe would start a comment; "é" and "🎵" are not in CP932, "♪" is.
    const QByteArray named = file(0, 480, {quarters({60}).name("Caf\xC3\xA9 'Bar' \xE2\x99\xAA\xF0\x9F\x8E\xB5").bytes()});
    const QByteArray longNote = file(0, 480, {Track().note(0, 480, 60).note(480, 9600, 62).note(10080, 480, 64).bytes()});
    const QByteArray twoParts = file(1, 480, {quarters({60}).bytes(), quarters({62}, 1).bytes()});
    ImportOptions utf8;
    utf8.utf8 = true;

    // What; the file and the options; the song's lines (empty for a refusal); what the report, or the refusal, says.
    const std::tuple<const char *, QByteArray, ImportOptions, const char *, QStringList> cases[] = {
        {"running status, note-ons of velocity 0 as offs",
         file(0, 480, {Track().note(0, 480, 60, 0, true).note(480, 480, 64, 0, true).note(960, 480, 67, 0, true).bytes(true)}),
         {}, "C-TITLE:song|C-TEMPO:120|1 C 2|1 E 2|1 G 2", {"チャンネル 1 の 3 音", "合計 0.0 ms"}},
        {"the highest of a chord, a note cut by the next, one of no length", chords, {},
         "C-TITLE:song|C-TEMPO:240|2 G 2|1 E 2|1 D 2", {"最も高い音を残し、1 音を除きました", "1 音を短くしました", "長さのない 1 音"}},
        {"drums on channel 10 are left out",
         file(0, 480, {quarters({36, 38, 36, 38, 36, 38}, 9).note(0, 480, 60).note(480, 480, 62).bytes()}), {},
         "C-TITLE:song|C-TEMPO:120|1 C 2|1 D 2", {"チャンネル 1 の 2 音"}},
        {"drums when asked for", file(0, 480, {quarters({36, 38, 36, 38, 36, 38}, 9).bytes()}), with(&ImportOptions::channel, 10),
         "C-TITLE:song|C-TEMPO:120|1 C 1|1 D 1|1 C 1|1 D 1|1 C 1|1 D 1", {"チャンネル 10", "12 半音上へ"}},
        {"the octave shift that brings most notes in, the rest folded", file(0, 480, {quarters({24, 26, 28, 100}).bytes()}), {},
         "C-TITLE:song|C-TEMPO:120|1 C 1|1 D 1|1 E 1|1 E 4", {"24 半音上へ", "外れる 1 音"}},
        {"a transposition asked for", file(0, 480, {quarters({60, 62}).bytes()}), with(&ImportOptions::transpose, -12),
         "C-TITLE:song|C-TEMPO:120|1 C 1|1 D 1", {"12 半音下へ移調しました。"}},
        {"format 1: the track with the most notes, the title from the first track", format1, {},
         "C-TITLE:My Song|C-TEMPO:240|1 C 3|1 D 3|1 E 3|1 F 3|1 G 3", {"トラック 3「Lead」 のチャンネル 1 の 5 音", "トラック 3 個"}},
        {"format 1: another track asked for", format1, with(&ImportOptions::track, 2),
         "C-TITLE:My Song|C-TEMPO:240|1 C 1|1 D 1|1 E 1", {"トラック 2「Bass」"}},
        {"a tempo change is a tempo line", file(0, 480, {quarters({60, 62, 64, 65}).tempo(960, 1000000).bytes()}), {},
         "C-TITLE:song|C-TEMPO:120|1 C 2|1 D 2|C-TEMPO:60|1 E 2|1 F 2", {"ファイルのテンポ 2"}},
        {"names get only what the song can hold", named, {}, "C-TITLE:Caf_ ’Bar’ ♪_|C-TEMPO:120|1 C 2", {"(U+00E9, U+1F3B5) を「_」"}},
        {"names in UTF-8", named, utf8, "C-TITLE:Café ’Bar’ ♪🎵|C-TEMPO:120|1 C 2", {}},
        {"a note of 20 units at a tempo of its own", longNote, {},
         "C-TITLE:song|C-TEMPO:120|1 C 2|C-TEMPO:6|1 D 2|C-TEMPO:120|1 E 2", {"その音だけ長い単位"}},
        {"the unit asked for", longNote, with(&ImportOptions::unit, 120),
         "C-TITLE:song|C-TEMPO:480|4 C 2|C-TEMPO:6|1 D 2|C-TEMPO:480|4 E 2", {"ファイルの 120 ティック"}},
        {"the unit told is the song's, not that of a short first note at a tempo of its own",
         file(0, 480, {Track().note(0, 30, 60).note(30, 480, 62).note(510, 960, 64).bytes()}), with(&ImportOptions::unit, 480),
         "C-TITLE:song|C-TEMPO:1858|1 C 2|C-TEMPO:120|1 D 2|2 E 2", {"ファイルの 480 ティック (最初のテンポで 500.0 ms)、指定のとおり"}},
        {"a grace note shorter than half a unit is left out",
         file(0, 480, {Track().note(0, 480, 60).note(480, 3, 62).note(483, 477, 64).note(960, 480, 65).bytes()}), {},
         "C-TITLE:song|C-TEMPO:120|1 C 2|1 E 2|1 F 2", {"半単位に満たない 1 音"}},
        {"a file this program wrote comes back with its own lengths and tempos",
         midiOfHmml("C-TEMPO:130\r\n1 C 2\r\n1 D 2\r\n1 E 2\r\n1 F 2\r\n2 *\r\nC-TEMPO:97\r\n3 G 2\r\n1 A 2\r\n5 B 2\r\n1 C 3\r\n"),
         {}, "C-TITLE:song|C-TEMPO:130|1 C 2|1 D 2|1 E 2|1 F 2|2 *|C-TEMPO:97|3 G 2|1 A 2|5 B 2|1 C 3",
         {"元の長さとテンポに戻しました", "長さを合わせるため 1"}},
        {"the fastest tempo H-MML writes (a unit of one tick) comes back as itself",
         midiOfHmml("C-TEMPO:57600\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n4 C 3\r\n"), with(&ImportOptions::unit, 1),
         "C-TITLE:song|C-TEMPO:57600|4 C 2|4 E 2|8 G 2|4 C 3", {"ファイルの 1 ティック"}},
        {"more than 100000 lines: a note of an hour in units of a tick", file(0, 480, {Track().note(0, 3456000, 60).bytes()}),
         with(&ImportOptions::unit, 1), "", {"100000 行を超えます", "0:00 から 1:00:00 続く音"}},
        {"format 2", file(2, 480, {quarters({60}).bytes()}), {}, "", {"フォーマット 2"}},
        {"malformed event", file(0, 480, {bytes("00 90 3C 7F 00 F4")}), {}, "", {"オフセット 26"}},
        {"no notes, only a tempo track", file(1, 480, {Track().tempo(0, 400000).bytes()}), {}, "", {"音符がひとつもありません"}},
        {"every note shorter than half a unit", file(0, 480, {quarters({60, 62}).tempo(0, 1).bytes()}), {}, "", {"書き出せる音符がひとつもありません"}},
        {"format 3", file(3, 480, {quarters({60}).bytes()}), {}, "", {"フォーマット 3"}},
        {"only drums", file(0, 480, {quarters({36, 38}, 9).bytes()}), {}, "", {"--channel 10"}},
        {"a track that is not there", twoParts, with(&ImportOptions::track, 3), "", {"トラック 3 はありません"}},
        {"a track without notes", file(1, 480, {Track().name("x").bytes(), quarters({60}).bytes()}),
         with(&ImportOptions::track, 1), "", {"トラック 1 には旋律にできる音がありません"}},
        {"a channel without notes", twoParts, with(&ImportOptions::channel, 3), "", {"チャンネル 3 には音がありません"}},
        {"only notes of no length", file(0, 480, {Track().note(0, 0, 60).note(10, 0, 62).bytes()}), {}, "",
         {"長さのある音がありません"}},
        {"not MIDI", "C-TEMPO:120\r\n", {}, "", {"MIDI ファイルではありません"}},
    };
    for (const auto &[what, midi, options, plays, says] : cases) {
        const importer::ImportResult r = importer::importMidi(midi, "/music/song.mid", options);
        const bool ok = *plays;
        // A song has the report at its top as comments, and compiles; a refusal makes nothing.
        EXPECT_EQ(std::tuple(r.ok(), ok ? body(r.hmml) : r.hmml, r.hmml.startsWith("' " + r.report.section(u'\n', 0, 0)),
                             r.ok() && !midiOfHmml(r.hmml).isEmpty()),
                  std::tuple(ok, plays, ok, ok))
            << what << "\n" << str(r.error + r.report);
        for (const QString &text : says)
            EXPECT_TRUE((ok ? r.report : r.error).contains(text)) << what << ": no " << str(text) << " in\n"
                                                                 << str(r.error + r.report);
    }
}

TEST(Import, AUnitAskedForIsUsedOrRefusedNamingUnitsThatWork)
{
    const QByteArray eight = file(0, 480, {quarters({60, 62, 64, 65, 67, 69, 71, 72}).bytes()});
    const QByteArray at130 = testmidi::song({{60, 480}, {62, 240}, {64, 240}, {65, 960}}, 0, 461538);
    // The file; the unit; refused; what the report or the refusal says.
    const std::tuple<QByteArray, int, bool, const char *> cases[] = {
        {eight, 240, false, "ファイルの 240 ティック (最初のテンポで 250.0 ms)、指定のとおり"},
        {at130, 120, false, "指定の 120 ティックに最も近い、H-MML で書けるもの"},
        {eight, 1, true, "使える単位 (ファイルのティック、よいものから): 480、240、160"},
        {eight, 7, true, "--unit 7 では"},
        {eight, 960, true, "--unit 960 では"},
        {eight, 1920, true, "--unit 1920 では"},
        {eight, 100000, true, "--unit 100000 は長すぎます"},
        {file(0, 480, {quarters({60}).tempo(0, 100).bytes()}), 1, true, "--unit 1 は短すぎます"},
    };
    for (const auto &[midi, unit, refused, says] : cases) {
        const importer::ImportResult r = importer::importMidi(midi, "song.mid", with(&ImportOptions::unit, unit));
        EXPECT_EQ(std::tuple(r.ok(), r.optionRefused, (refused ? r.error : r.report).contains(says)), std::tuple(!refused, refused, true))
            << unit << "\n" << str(r.error + r.report);
    }
}

TEST(Import, AMelodyWithoutRestsGetsNoneAndEndsOnTime)
{
    // 700 eighth notes one right after another at 130 quarter notes a minute, which no tempo of H-MML gives.
    std::vector<testmidi::Note> notes;
    for (int i = 0; i < 700; ++i)
        notes.push_back({48 + i * 7 % 36, 240});
    const importer::ImportResult r = importer::importMidi(testmidi::song(notes, 0, 461538), "song.mid", {});
    const Played song = played(r.hmml);
    EXPECT_EQ(std::tuple(body(r.hmml).contains(" *"), song.starts.size()), std::tuple(false, 700u)) << str(r.report);
    EXPECT_NEAR(song.end, 700 * 0.230769, 0.01) << str(r.report);
}

TEST(Import, AWatchedImportTellsHowFarItIsAndStopsWhenAsked)
{
    // 20,000 notes: the fit goes through them a few thousand at a time.
    std::vector<testmidi::Note> notes;
    for (int i = 0; i < 20000; ++i)
        notes.push_back({48 + i * 5 % 36, std::uint32_t(120 + 120 * (i % 3))});
    const QByteArray midi = testmidi::song(notes, 0, 500000);
    // What; cancelled when the watcher hears of this much done (0: from the start, -1: never); the unit asked for (0: none).
    const std::tuple<const char *, int, int> cases[] = {
        {"done", -1, 0}, {"a unit refused", -1, 7}, {"cancelled at once", 0, 0}, {"cancelled halfway", 500, 0}, {"cancelled refusing", 900, 7},
    };
    for (const auto &[what, cancelAt, unit] : cases) {
        const ImportOptions options = unit ? with(&ImportOptions::unit, unit) : ImportOptions();
        std::atomic<bool> cancel = cancelAt == 0;
        std::vector<int> told;
        const importer::ImportWatch watch{[&, cancelAt = cancelAt](int permille) {
                                              told.push_back(permille);
                                              if (cancelAt > 0 && permille >= cancelAt)
                                                  cancel = true;
                                          },
                                          &cancel};
        const importer::ImportResult watched = importer::importMidi(midi, "song.mid", options, watch);
        const importer::ImportResult alone = importer::importMidi(midi, "song.mid", options);
        // Told more and more, to the end of a song made; the same song, report or refusal as unwatched, or nothing once cancelled.
        const bool cancelled = cancelAt >= 0;
        EXPECT_EQ(std::tuple(std::is_sorted(told.begin(), told.end()), told.empty() ? 0 : told.back() == 1000 ? 1000 : 1, watched.cancelled,
                             watched.hmml, watched.report, watched.error),
                  std::tuple(true, cancelAt == 0 ? 0 : alone.ok() && !cancelled ? 1000 : 1, cancelled, cancelled ? QString() : alone.hmml,
                             cancelled ? QString() : alone.report, cancelled ? QStringLiteral("読み込みを取り消しました。") : alone.error))
            << what << ": told" << [&] {
                   std::string t;
                   for (const int p : told)
                       t += " " + std::to_string(p);
                   return t;
               }();
    }
}

} // namespace
