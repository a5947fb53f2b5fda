// Songs written by the program come back through the importer unchanged in sound: H-MML -> MIDI_Exp ->
// import -> compile -> MIDI_Exp gives the same pitches in the same order, every note starting within 2 ticks.

#include "import_support.h"

#include <QRandomGenerator>

namespace {

// A random song within what H-MML writes: tempos 30 to 600, lengths 1 to 16, C of octave 1 to B of
// octave 4, rests now and then, and tempo changes before notes.
QString randomSong(QRandomGenerator &rng, int notes)
{
    static const char *const names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    QString text = QStringLiteral("C-TEMPO:%1\r\n").arg(rng.bounded(30, 601));
    for (int i = 0; i < notes; ++i) {
        if (rng.bounded(100) < 6)
            text += QStringLiteral("C-TEMPO:%1\r\n").arg(rng.bounded(30, 601));
        text += QStringLiteral("%1 %2 %3\r\n").arg(rng.bounded(1, 17)).arg(names[rng.bounded(12)]).arg(rng.bounded(1, 5));
        for (int r = rng.bounded(100) < 20 ? rng.bounded(1, 3) : 0; r > 0; --r)
            text += QStringLiteral("%1 *\r\n").arg(rng.bounded(1, 17));
    }
    return text;
}

TEST(ImportRoundTrip, RandomSongsSoundTheSame)
{
    for (quint32 seed = 1; seed <= 400; ++seed) {
        QRandomGenerator rng(seed);
        const QByteArray original = midiOfHmml(randomSong(rng, rng.bounded(1, 200)));
        const importer::ImportResult imported = importer::importMidi(original, "song.mid", {});
        // An imported song that does not compile has no notes.
        const std::vector<Onset> want = onsets(original), got = onsets(midiOfHmml(imported.hmml));
        const auto [w, g] = std::mismatch(want.begin(), want.end(), got.begin(), got.end(), [](const Onset &a, const Onset &b) {
            return a.key == b.key && std::abs(a.tick - b.tick) <= 2;
        });
        ASSERT_TRUE(!want.empty() && w == want.end() && g == got.end()) << "seed " << seed << ", note " << (w - want.begin())
                                                                         << " of " << want.size() << "\n"
                                                                         << str(imported.error + imported.report);
    }
}

} // namespace
