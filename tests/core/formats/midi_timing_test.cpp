#include "core/formats/midi_timing.h"

#include "support/test_files.h"
#include "support/test_midi.h"

namespace {

using testmidi::bytes;
using testmidi::file;

TEST(MidiTiming, SongLengthsAndTempoMaps)
{
    // A file, the ticks it lasts and the seconds they take.
    const std::tuple<QByteArray, std::int64_t, double> cases[] = {
        // 3840 ticks at 120 quarter notes a minute, 480 ticks each.
        {testmidi::song({{60, 480}, {-1, 960}, {67, 2400}}), 3840, 4.0},
        {testmidi::song({}), 0, 0.0},
        // 960 ticks at 500000 us, then 250000 us from tick 960 on.
        {file(0, 480, {bytes("00 90 3C 7F 87 40 80 3C 00 00 FF 51 03 03 D0 90 00 90 3E 7F 87 40 80 3E 00 00 FF 2F 00")}), 1920, 1.5},
        // Format 1: the first track's tempo governs the others.
        {file(1, 480, {bytes("00 FF 51 03 0F 42 40 00 FF 2F 00"), bytes("00 90 3C 7F 83 60 80 3C 00 00 FF 2F 00")}), 480, 1.0},
        // Running status, a sysex, a text event, two-byte events, and an
        // unknown chunk before the track are walked.
        {file(0, 96, {bytes("00 90 3C 7F 00 40 7F 60 3C 00 00 40 00 00 F0 03 7E 7F F7 00 FF 01 02 41 42"
                            "00 C0 05 00 E0 00 40 60 D0 10 00 FF 2F 00")})
             .insert(14, bytes("58 59 5A 57 00 00 00 02 AA BB")),
         0xC0, 1.0},
        // Events after the end of the track are not played.
        {file(0, 480, {bytes("83 60 FF 2F 00 87 40 90 3C 7F")}), 480, 0.5},
    };
    for (const auto &[midi, ticks, seconds] : cases) {
        const MidiTiming t = readMidiTiming(midi);
        ASSERT_TRUE(t.ok()) << str(t.error) << " " << hex(midi);
        EXPECT_EQ(t.totalTicks, ticks) << hex(midi);
        EXPECT_DOUBLE_EQ(t.durationSeconds(), seconds) << hex(midi);
    }
    EXPECT_DOUBLE_EQ(readMidiTiming(std::get<0>(cases[2])).secondsAt(1440), 1.25);
}

class MidiTimingFile : public TempDirTest {};

TEST_F(MidiTimingFile, RefusesWhatIsNotAPlayableMidiFileNamingWhere)
{
    const std::tuple<QByteArray, const char *, qint64> cases[] = {
        {"C-TITLE:song\r\n", "MIDI ファイルではありません", 0},
        {QByteArray(), "MIDI ファイルではありません", 0},
        {bytes("4D 54 68 64 00 00 00 06 00 00 00 01"), "MIDI ファイルではありません", 0},
        {bytes("4D 54 68 64 00 00 00 FF 00 00 00 01 01 E0"), "壊れています", 4},
        {file(0, 0xE728, {bytes("00 FF 2F 00")}), "SMPTE", 12},
        {file(0, 0, {bytes("00 FF 2F 00")}), "壊れています", 12},
        {file(3, 480, {bytes("00 FF 2F 00")}), "フォーマット 3 の", 8},
        {file(0, 480, {}), "トラックがありません", 14},
        {file(0, 480, {bytes("00 FF 2F 00")}).chopped(2), "途中で終わっています", 18},
        {file(0, 480, {bytes("81 81 81 81 01 90 3C 7F")}), "時間の値", 22},
        {file(0, 480, {bytes("00 3C 7F")}), "ステータスのないイベント", 22},
        {file(0, 480, {bytes("00 FF 01 00 00 3C 7F")}), "ステータスのないイベント", 26},
        {file(0, 480, {bytes("00 90 3C")}), "途中で終わっています", 25},
        {file(0, 480, {bytes("00 FF 01 10 41")}), "途中で終わっています", 27},
        {file(0, 480, {bytes("00 F2 00 00")}), "置けないイベント", 22},
        {file(0, 480, {bytes("00 90 3C 7F 10 80 BC 00")}), "127", 26},
    };
    for (const auto &[midi, says, offset] : cases) {
        EXPECT_TRUE(readMidiTiming(midi).error.contains(QString::fromUtf8(says))) << hex(midi);
        const MidiFile f = readMidi(midi, MidiRead::Notes);
        EXPECT_EQ(f.errorOffset, offset) << hex(midi);
        EXPECT_TRUE(offset == 0 || !f.error.contains(u"壊れています") || f.error.contains(QStringLiteral("オフセット %1:").arg(offset)))
            << str(f.error);
    }

    // The file's name is in every message about it.
    for (const QString &name : {path(QStringLiteral("ない.mid")), write(QStringLiteral("song.hml"), "C-TITLE:x\r\n")})
        EXPECT_TRUE(readMidiFile(name).error.contains(name)) << str(name);
    EXPECT_DOUBLE_EQ(readMidiFile(write(QStringLiteral("song.mid"), testmidi::song({{60, 960}}))).timing.durationSeconds(), 1.0);
}

} // namespace
