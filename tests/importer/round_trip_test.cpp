// Songs written by the program come back through the importer unchanged in
// sound: H-MML -> MIDI_Exp -> import -> compile -> MIDI_Exp gives the same
// pitches in the same order, every note starting within 2 ticks.

#include "import_support.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// A random song within what H-MML writes: tempos 30 to 600, lengths 1 to
// 16, C of octave 1 to B of octave 4, rests now and then, and tempo changes
// before notes.
QString randomSong(QRandomGenerator &rng, int notes)
{
    static const char *const names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    QString text = QStringLiteral("C-TEMPO:%1\r\n").arg(rng.bounded(30, 601));
    for (int i = 0; i < notes; ++i) {
        if (rng.bounded(100) < 6)
            text += QStringLiteral("C-TEMPO:%1\r\n").arg(rng.bounded(30, 601));
        text += QStringLiteral("%1 %2 %3\r\n")
                    .arg(rng.bounded(1, 17))
                    .arg(QLatin1String(names[rng.bounded(12)]))
                    .arg(rng.bounded(1, 5));
        for (int r = rng.bounded(100) < 20 ? rng.bounded(1, 3) : 0; r > 0; --r)
            text += QStringLiteral("%1 *\r\n").arg(rng.bounded(1, 17));
    }
    return text;
}

TEST(ImportRoundTrip, RandomSongsSoundTheSame)
{
    for (quint32 seed = 1; seed <= 400; ++seed) {
        QRandomGenerator rng(seed);
        const QString song = randomSong(rng, rng.bounded(1, 200));
        const QByteArray original = midiOfHmml(song);
        ASSERT_FALSE(original.isEmpty()) << "seed " << seed;

        const importer::ImportResult imported = importer::importMidi(original, QStringLiteral("song.mid"), {});
        ASSERT_TRUE(imported.ok()) << "seed " << seed << ": " << imported.error.toStdString();
        const QByteArray again = midiOfHmml(imported.hmml);
        ASSERT_FALSE(again.isEmpty()) << "seed " << seed << ": the imported song does not compile";

        const std::vector<Onset> want = onsets(original);
        const std::vector<Onset> got = onsets(again);
        ASSERT_EQ(got.size(), want.size()) << "seed " << seed << "\n" << imported.report.toStdString();
        for (std::size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(got[i].key, want[i].key) << "seed " << seed << ", note " << i;
            ASSERT_LE(std::abs(got[i].tick - want[i].tick), 2)
                << "seed " << seed << ", note " << i << "\n" << imported.report.toStdString();
        }
    }
}

} // namespace
