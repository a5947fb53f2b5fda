// The MIDI writer, byte by byte, with every written file read back by midicsv.

#include "core/formats/midi_writer.h"
#include "core/omp/omp_scan.h"

#include "support/midicsv_reader.h"
#include "support/random_omp.h"
#include "support/test_files.h"
#include "support/test_midi.h"

namespace {

using testmidi::bytes;

class MidiWriter : public TempDirTest {};

TEST_F(MidiWriter, TracksByteForByteAsMidicsvReadsThem)
{
    struct Case {
        const char16_t *omp;
        int tone;
        const char *track;
        int notes;
        qint64 ticks;
    };
    const Case cases[] = {
        {u"", 0, "00C000 00FF2F00", 0, 0},
        {u"$2:4/ 8", 0, "00C000 00FF2F00", 0, 0}, // tempo and lengths alone write nothing
        {u"$2:4A", 0, "00C000 0090307F 8F00 803000 00FF2F00", 1, 1920},
        {u"$2:4*", 0, "00C000 0080 2A00 8F00 802A00 00FF2F00", 0, 1920}, // two note-offs of note 42
        {u"$2:4J/p q", 0, "00C000 0090397F 8F00 803900 00905F7F 8F00 805F00 0090607F 8F00 806000 00FF2F00", 3, 5760},
        {u"$2:4あA", 0, "00C000 0090307F 8F00 803000 00FF2F00", 1, 1920},
        // Half-width katakana read past note 127: a rest of its length.
        {u"$2:4ｱA", 0, "00C000 00802A00 8F00 802A00 0090307F 8F00 803000 00FF2F00", 1, 3840},
        {u"$2:4\x7F", 0, "00C000 00906E7F 8F00 806E00 00FF2F00", 1, 1920},
        {u"$2:4A", 5, "00C005 0090307F 8F00 803000 00FF2F00", 1, 1920},
        {u"$2:4A", 127, "00C07F 0090307F 8F00 803000 00FF2F00", 1, 1920},
        {u"$2:4A", -1, "00C000 0090307F 8F00 803000 00FF2F00", 1, 1920},
        {u"$2:4A", 128, "00C000 0090307F 8F00 803000 00FF2F00", 1, 1920},
        {u"$2:@A", 0, "00C000 0090307F BC00 803000 00FF2F00", 1, 7680},
        {u"$1.67:4A", 0, "00C000 0090307F 917B 803000 00FF2F00", 1, 2299}, // the float nearest 1.67
        {u"$2:A", 0, "00C000 0090307F A540 803000 00FF2F00", 1, 4800},
        {u"$2:0A", 0, "00C000 0090307F 00 803000 00FF2F00", 1, 0},
        {u"$2:4A$4:A4A", 0, "00C000 0090307F 8F00 803000 0090307F 9260 803000 0090307F 8740 803000 00FF2F00", 3, 5280},
        {u"$.0001:@*", 0, "00C000 00802A00 C99F8003 802A00 00FF2F00", 0, 153600003},
        {u"$.00001:1A", 0, "00C000 0090307F ADE3B002 803000 00FF2F00", 1, 96000002},
    };
    const QString file = path("song.mid");
    writeFile(file, QByteArray(5000, 'x')); // replaced whole, however long
    for (const Case &c : cases) {
        const QString omp = QString::fromUtf16(c.omp);
        const MidiResult r = MIDI_Exp(omp, file, c.tone);
        ASSERT_TRUE(r.ok()) << str(r.error);
        const QByteArray expected = testmidi::file(0, 480, {bytes(c.track)});
        EXPECT_EQ(hex(readFile(file)), hex(expected)) << str(omp);
        EXPECT_EQ(r.bytes, expected);
        const testsupport::MidiCsvSummary s = testsupport::readWithMidicsv(file);
        ASSERT_TRUE(s.error.isEmpty()) << str(s.error);
        EXPECT_EQ(std::count_if(s.notes.begin(), s.notes.end(), [](const auto &n) { return n.on; }), c.notes) << str(omp);
        EXPECT_EQ(s.endTick, c.ticks) << str(omp);
    }
    // Every conversion starts at tempo 0: the last one does not carry over.
    EXPECT_FALSE(MIDI_Build(QStringLiteral("A"), 0).ok());
}

TEST(MidiDeltaBytes, ShortestVariableLengthForm)
{
    const std::pair<quint32, const char *> cases[] = {
        {0, "00"}, {127, "7F"}, {128, "8100"}, {16383, "FF7F"}, {16384, "818000"}, {2097151, "FFFF7F"},
        {2097152, "81808000"}, {(1u << 28) - 1, "FFFFFF7F"}, {1u << 28, ""}, {0xFFFFFFFFu, ""},
    };
    for (const auto &[delta, expected] : cases)
        EXPECT_EQ(MIDI_DeltaBytes(delta), bytes(expected)) << delta;
}

TEST_F(MidiWriter, DataNoMidiFileCanHoldIsRefusedNamingTheCharacter)
{
    const std::tuple<const char16_t *, qsizetype, const char16_t *> cases[] = {
        {u"$0:4A", 4, u"5 文字目「A」の音符: テンポが 0"},
        {u"$:4A", 3, u"4 文字目「A」の音符"},
        {u"$A", 1, u"2 文字目「A」の音符"},
        {u"4*", 1, u"2 文字目「*」の休符"},
        {u"$0:0A", 4, u"5 文字目"},
        {u"$2:4A$0:4B", 9, u"10 文字目「B」"},
        {u"$2:4A$.00001:@A", 14, u"15 文字目「A」の音符: 長さが"}, // 1,536,000,000 ticks
    };
    const QString file = write("kept.mid", "previous song");
    for (const auto &[omp, pos, what] : cases) {
        const MidiResult r = MIDI_Exp(QString::fromUtf16(omp), file, 0);
        EXPECT_TRUE(r.bytes.isEmpty());
        EXPECT_EQ(r.errorPos, pos);
        EXPECT_TRUE(r.error.contains(QString::fromUtf16(what))) << str(r.error);
        EXPECT_EQ(readFile(file), "previous song");
    }
}

// The note events midicsv reads back are the notes and rests the shared scan
// finds, each for floor(960 / T * L) ticks.
TEST_F(MidiWriter, MidicsvHearsWhatTheScanReads)
{
    std::mt19937 rng(28);
    const QString file = path("random.mid");
    int compared = 0;
    for (int i = 0; i < 250; ++i) {
        const QString omp = testrandom::ompText(rng, testrandom::pick(rng, 1, 60));
        std::vector<testsupport::MidiCsvNote> expected;
        qint64 tick = 0;
        omp::ReaderState state;
        omp::scan(omp, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
            if (ev.kind == omp::EventKind::Pitch || ev.kind == omp::EventKind::Rest) {
                const bool sounds = ev.kind == omp::EventKind::Pitch && ev.code - 17 <= 127;
                const int note = sounds ? ev.code - 17 : 42;
                expected.push_back({tick, sounds, note});
                tick += qint64(std::floor(960.0 / double(s.tempo) * s.length));
                expected.push_back({tick, false, note});
            }
            return true;
        });
        if (!MIDI_Exp(omp, file, 0).ok())
            continue; // a tempo of 0 at a note: refused, as above
        ++compared;
        const testsupport::MidiCsvSummary s = testsupport::readWithMidicsv(file);
        ASSERT_TRUE(s.error.isEmpty()) << str(s.error);
        ASSERT_TRUE(s.notes == expected) << str(omp);
        ASSERT_EQ(s.endTick, tick);
    }
    EXPECT_GT(compared, 100);
}

} // namespace
